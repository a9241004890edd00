#include "host/chart_text_reader.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string_view>

#include "host/text_lines.h"

namespace {

constexpr size_t MAX_CHART_TEXT_BYTES = 64u * 1024 * 1024;
constexpr int DEFAULT_RESOLUTION = 192;
constexpr size_t MAX_PROBLEMS = 50;
// Tempos are stored as MIDI tempos (microseconds per quarter note, at most 0xFFFFFF), which
// cannot be slower than 6e10 / 0xFFFFFF = 3.58 per minute; faster than 10,000 per minute is absurd.
constexpr int64_t MIN_MILLIBEATS = 3577;
constexpr int64_t MAX_MILLIBEATS = 10000000;

bool ParseInteger(std::string_view text, int64_t *out) {
    if (text.empty() || text.size() > 20) return false;
    const std::string s(text);
    errno = 0;
    char *end = nullptr;
    const long long value = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || end == s.c_str() || *end != '\0') return false;
    *out = value;
    return true;
}

std::string_view Unquote(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
    return text;
}

// Splits at blanks into at most `max` words; false when there are more.
bool Words(std::string_view text, std::string_view *words, int max, int *count) {
    *count = 0;
    while (true) {
        text = TrimBlanks(text);
        if (text.empty()) return true;
        if (*count == max) return false;
        size_t end = 0;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
        words[(*count)++] = text.substr(0, end);
        text.remove_prefix(end);
    }
}

enum class Kind { Song, Sync, Events, Other, Skipped };

class ChartTextParser {
public:
    ChartTextParser(const std::string &name, ChartText *out) : name_(name), out_(out) {}

    void Line(int number, std::string_view raw) {
        number_ = number;
        const std::string_view line = TrimBlanks(raw);
        if (line.empty()) return;
        if (line.front() == '[' && line.back() == ']') {
            if (state_ == State::Inside) Problem("section [" + section_name_ + "] has no closing \"}\"");
            if (state_ == State::Header) Problem("section [" + section_name_ + "] has no \"{\"");
            Begin(std::string(TrimBlanks(line.substr(1, line.size() - 2))));
            return;
        }
        if (line == "{") {
            if (state_ == State::Header) state_ = State::Inside;
            else Problem("\"{\" without a section header; skipped");
            return;
        }
        if (line == "}") {
            if (state_ == State::Inside) state_ = State::Outside;
            else Problem("\"}\" outside a section; skipped");
            return;
        }
        if (state_ != State::Inside) return Problem("line outside a section; skipped");
        if (kind_ == Kind::Skipped) return;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) return Problem("not a \"position = entry\" line; skipped");
        const std::string_view left = TrimBlanks(line.substr(0, eq));
        const std::string_view right = TrimBlanks(line.substr(eq + 1));
        if (kind_ == Kind::Song) return SongValue(left, right);
        int64_t tick;
        if (!ParseInteger(left, &tick)) return Problem("position \"" + ToUtf8(left) + "\" is not a whole number; skipped");
        if (tick < 0) return Problem("negative position " + std::to_string(tick) + "; skipped");
        if (tick > CHART_TEXT_MAX_TICK) return Problem("position " + std::to_string(tick) + " too far; skipped");
        size_t type_end = 0;
        while (type_end < right.size() && right[type_end] != ' ' && right[type_end] != '\t') ++type_end;
        const std::string_view type = right.substr(0, type_end);
        const std::string_view args = TrimBlanks(right.substr(type_end));
        if (type.empty()) return Problem("entry without a type; skipped");
        if (kind_ == Kind::Sync) return SyncEntry(tick, type, args);
        if (type == "E") {
            if (kind_ == Kind::Events) out_->events.emplace_back(tick, ToUtf8(Unquote(args)));
            else Add(ChartTextEntry{tick, 'E', 0, 0, ToUtf8(Unquote(args))});
            return;
        }
        if (kind_ == Kind::Events || (type != "N" && type != "S")) return;  // other entry kinds are not used
        std::string_view words[2];
        int count = 0;
        int64_t value = 0, length = 0;
        if (!Words(args, words, 2, &count) || count == 0 || !ParseInteger(words[0], &value) ||
            (count == 2 && !ParseInteger(words[1], &length)))
            return Problem(std::string(type) + " entry needs two whole numbers; skipped");
        if (value < 0 || value > 255) return Problem(std::string(type) + " value " + std::to_string(value) + " out of range; skipped");
        if (length < 0 || length > CHART_TEXT_MAX_TICK)
            return Problem("length " + std::to_string(length) + " out of range; skipped");
        Add(ChartTextEntry{tick, type[0], value, length, std::string()});
    }

    void Finish() {
        if (state_ == State::Inside) Problem("section [" + section_name_ + "] has no closing \"}\"");
        if (unlisted_ > 0) out_->problems.push_back(name_ + ": " + std::to_string(unlisted_) + " more lines skipped");
        if (!resolution_seen_)
            out_->problems.push_back(name_ + ": no Resolution in [Song]; " + std::to_string(DEFAULT_RESOLUTION) +
                                     " ticks per quarter note assumed");
    }

private:
    enum class State { Outside, Header, Inside };

    // A file of nothing but bad lines must not make a message list many times its size.
    void Problem(const std::string &what) {
        if (out_->problems.size() < MAX_PROBLEMS) out_->problems.push_back(name_ + ":" + std::to_string(number_) + ": " + what);
        else ++unlisted_;
    }

    void Begin(std::string name) {
        state_ = State::Header;
        section_name_ = name;
        const bool seen = !seen_.insert(name).second;
        if (seen) {
            Problem("second [" + name + "] section; skipped");
            kind_ = Kind::Skipped;
        } else if (name == "Song") {
            kind_ = Kind::Song;
        } else if (name == "SyncTrack") {
            kind_ = Kind::Sync;
        } else if (name == "Events") {
            kind_ = Kind::Events;
        } else {
            kind_ = Kind::Other;
            out_->sections.push_back(ChartTextSection{std::move(name), {}});
        }
    }

    void Add(ChartTextEntry entry) { out_->sections.back().entries.push_back(std::move(entry)); }

    void SongValue(std::string_view key, std::string_view value) {
        const std::string text = ToUtf8(Unquote(value));
        if (key == "Resolution") {
            int64_t resolution;
            if (!ParseInteger(Unquote(value), &resolution) || resolution < 1 || resolution > 32767)
                return Problem("Resolution \"" + text + "\" is not 1..32767; " + std::to_string(DEFAULT_RESOLUTION) +
                               " used");
            out_->resolution = static_cast<int>(resolution);
            resolution_seen_ = true;
        } else if (key == "Offset") {
            const std::string s(Unquote(value));
            char *end = nullptr;
            const double offset = std::strtod(s.c_str(), &end);
            if (s.empty() || *end != '\0' || !std::isfinite(offset) || std::fabs(offset) > 86400.0)
                return Problem("Offset \"" + text + "\" is not a number of seconds; ignored");
            out_->offset_seconds = offset;
            out_->has_offset = true;
        } else if (key == "Name") {
            out_->name = text;
        } else if (key == "Artist") {
            out_->artist = text;
        } else if (key == "Charter") {
            out_->charter = text;
        } else if (key.size() > 6 && key.substr(key.size() - 6) == "Stream") {
            if (!text.empty()) out_->streams.emplace_back(std::string(key), text);
        }
    }

    void SyncEntry(int64_t tick, std::string_view type, std::string_view args) {
        std::string_view words[2];
        int count = 0;
        if (type == "B") {
            int64_t value;
            if (!Words(args, words, 1, &count) || count != 1 || !ParseInteger(words[0], &value))
                return Problem("tempo needs one whole number; skipped");
            if (value < MIN_MILLIBEATS || value > MAX_MILLIBEATS)
                return Problem("tempo " + std::to_string(value) + " (thousandths per minute) outside 3577..10000000; skipped");
            out_->tempos.push_back(ChartTextTempo{tick, value});
        } else if (type == "TS") {
            int64_t numerator, power = 2;
            if (!Words(args, words, 2, &count) || count == 0 || !ParseInteger(words[0], &numerator) ||
                (count == 2 && !ParseInteger(words[1], &power)))
                return Problem("signature needs one or two whole numbers; skipped");
            if (numerator < 1 || numerator > 255 || power < 0 || power > 7)
                return Problem("signature " + std::to_string(numerator) + "/2^" + std::to_string(power) + " unusable; skipped");
            out_->signatures.push_back(ChartTextSignature{tick, static_cast<int>(numerator), 1 << power});
        }
        // Anchors ("A") only help editors place tempo changes in time; the ticks already do.
    }

    const std::string &name_;
    ChartText *out_;
    int number_ = 0;
    State state_ = State::Outside;
    Kind kind_ = Kind::Other;
    std::string section_name_;
    std::set<std::string> seen_;
    bool resolution_seen_ = false;
    long unlisted_ = 0;
};

}  // namespace

const ChartTextSection *ChartText::Find(const std::string &section) const {
    for (const ChartTextSection &s : sections)
        if (s.name == section) return &s;
    return nullptr;
}

ChartText ParseChartText(const uint8_t *data, size_t size, const std::string &name) {
    ChartText chart;
    ChartTextParser parser(name, &chart);
    ForEachTextLine(data, size, [&](int number, std::string_view line) { parser.Line(number, line); });
    parser.Finish();
    return chart;
}

bool ReadChartText(const std::string &path, ChartText *out, std::string *error) {
    std::string bytes;
    if (!ReadSmallFile(path, MAX_CHART_TEXT_BYTES, &bytes, error)) return false;
    *out = ParseChartText(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), path);
    return true;
}
