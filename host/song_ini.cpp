#include "host/song_ini.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "host/text_lines.h"

namespace {

constexpr size_t MAX_SONG_INI_BYTES = 1024 * 1024;
// A file of nothing but bad lines must not make a message list many times its size.
constexpr size_t MAX_PROBLEMS = 50;

bool ParseWhole(std::string_view text, long lo, long hi, int *out) {
    const std::string s(text);
    if (s.empty() || s.size() > 20) return false;
    errno = 0;
    char *end = nullptr;
    const long value = std::strtol(s.c_str(), &end, 10);
    if (errno != 0 || end == s.c_str()) return false;
    // Some editors write whole numbers as "250.0".
    if (*end == '.') {
        for (++end; *end == '0'; ++end) {
        }
    }
    if (*end != '\0' || value < lo || value > hi) return false;
    *out = static_cast<int>(value);
    return true;
}

bool ParseFlag(std::string_view text, bool *out) {
    const std::string v = LowerAscii(text);
    if (v == "1" || v == "true" || v == "yes" || v == "on") {
        *out = true;
        return true;
    }
    if (v == "0" || v == "false" || v == "no" || v == "off") {
        *out = false;
        return true;
    }
    return false;
}

}  // namespace

SongIni ParseSongIni(const uint8_t *data, size_t size, const std::string &name) {
    SongIni ini;
    bool in_song = false;
    long unlisted = 0;
    auto report = [&](std::string problem) {
        if (ini.problems.size() < MAX_PROBLEMS) ini.problems.push_back(std::move(problem));
        else ++unlisted;
    };
    ForEachTextLine(data, size, [&](int number, std::string_view raw) {
        const std::string at = name + ":" + std::to_string(number) + ": ";
        const std::string_view line = TrimBlanks(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') return;
        if (line[0] == '[') {
            if (line.back() != ']') {
                report(at + "section header without \"]\"; line skipped");
                return;
            }
            in_song = LowerAscii(TrimBlanks(line.substr(1, line.size() - 2))) == "song";
            return;
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || TrimBlanks(line.substr(0, eq)).empty()) {
            report(at + "not a \"key = value\" line; skipped");
            return;
        }
        if (!in_song) return;
        const std::string key = LowerAscii(TrimBlanks(line.substr(0, eq)));
        const std::string_view value = TrimBlanks(line.substr(eq + 1));
        const std::string shown = ToUtf8(value);
        auto bad = [&](const char *kind) {
            report(at + key + " = \"" + shown + "\" is not " + kind + "; ignored");
        };
        bool flag = false;
        int whole = 0;
        if (key == "name" || key == "artist" || key == "charter") {
            (key == "name" ? ini.name : key == "artist" ? ini.artist : ini.charter) = shown;
        } else if (key == "delay") {
            if (value.empty()) return;
            if (!ParseWhole(value, -600000, 600000, &whole)) return bad("milliseconds (-600000..600000)");
            ini.delay_ms = whole;
        } else if (key == "hopo_frequency") {
            if (value.empty()) return;
            if (!ParseWhole(value, 1, 1000000, &whole)) return bad("a tick count (1..1000000)");
            ini.hopo_frequency = whole;
        } else if (key == "eighthnote_hopo" || key == "pro_drums" || key == "five_lane_drums") {
            if (value.empty()) return;
            if (!ParseFlag(value, &flag)) return bad("true or false");
            (key == "eighthnote_hopo" ? ini.eighthnote_hopo : key == "pro_drums" ? ini.pro_drums : ini.five_lane_drums) =
                flag;
        } else {
            return;  // keys this program has no use for
        }
        ini.taken.push_back(at + key + " = " + shown);
    });
    if (unlisted > 0) ini.problems.push_back(name + ": " + std::to_string(unlisted) + " more lines skipped");
    return ini;
}

bool ReadSongIni(const std::string &path, SongIni *out, std::string *error) {
    std::string bytes;
    if (!ReadSmallFile(path, MAX_SONG_INI_BYTES, &bytes, error)) return false;
    *out = ParseSongIni(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), path);
    return true;
}
