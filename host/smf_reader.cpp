#include "host/smf_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

// Files beyond this size are refused rather than read into memory.
constexpr long MAX_FILE_BYTES = 256L * 1024 * 1024;

std::string Hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

// A bounded cursor over the input; every read checks the bound. `offset` is measured from the
// start of the file so that messages point at the exact byte.
class ByteReader {
public:
    ByteReader(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    size_t offset() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ >= size_; }

    bool U8(uint8_t *out) {
        if (pos_ >= size_) return false;
        *out = data_[pos_++];
        return true;
    }
    bool Peek(uint8_t *out) const {
        if (pos_ >= size_) return false;
        *out = data_[pos_];
        return true;
    }
    bool U16(uint32_t *out) {
        if (remaining() < 2) return false;
        *out = (uint32_t(data_[pos_]) << 8) | data_[pos_ + 1];
        pos_ += 2;
        return true;
    }
    bool U32(uint32_t *out) {
        if (remaining() < 4) return false;
        *out = (uint32_t(data_[pos_]) << 24) | (uint32_t(data_[pos_ + 1]) << 16) | (uint32_t(data_[pos_ + 2]) << 8) |
               data_[pos_ + 3];
        pos_ += 4;
        return true;
    }
    bool Bytes(size_t count, const uint8_t **out) {
        if (remaining() < count) return false;
        *out = data_ + pos_;
        pos_ += count;
        return true;
    }
    bool Skip(size_t count) {
        if (remaining() < count) return false;
        pos_ += count;
        return true;
    }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

enum class VlqResult { Ok, Truncated, TooLong };

// Variable-length quantity: at most four bytes (28 bits), as the file format allows.
VlqResult ReadVlq(ByteReader &in, uint32_t *out) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t byte;
        if (!in.U8(&byte)) return VlqResult::Truncated;
        value = (value << 7) | (byte & 0x7Fu);
        if ((byte & 0x80u) == 0) {
            *out = value;
            return VlqResult::Ok;
        }
    }
    return VlqResult::TooLong;
}

class Parser {
public:
    Parser(const uint8_t *data, size_t size, const std::string &name) : in_(data, size), name_(name) {}

    bool Run(SmfFile *out, std::string *error) {
        const bool ok = ParseFile(out);
        if (!ok && error) *error = name_ + ": " + problem_;
        return ok;
    }

private:
    bool Fail(const std::string &problem) {
        problem_ = problem;
        return false;
    }
    std::string At(size_t offset) const { return " at byte " + std::to_string(offset); }

    bool ParseFile(SmfFile *out) {
        const uint8_t *tag;
        if (in_.remaining() < 4 || !in_.Bytes(4, &tag) || std::memcmp(tag, "MThd", 4) != 0)
            return Fail("not a Standard MIDI File (no MThd header)");
        uint32_t header_length, format, track_count, division;
        if (!in_.U32(&header_length)) return Fail("file ends inside the header");
        if (header_length < 6) return Fail("header chunk too short (" + std::to_string(header_length) + " bytes)");
        if (!in_.U16(&format) || !in_.U16(&track_count) || !in_.U16(&division))
            return Fail("file ends inside the header");
        if (!in_.Skip(header_length - 6)) return Fail("file ends inside the header");
        if (format == 2) return Fail("format 2 (independent sequences) is not supported");
        if (format > 2) return Fail("unknown format " + std::to_string(format));
        if (division & 0x8000u) return Fail("SMPTE time division is not supported (only ticks per quarter note)");
        if (division == 0) return Fail("time division of 0 ticks per quarter note");
        if (track_count == 0) return Fail("the file declares no tracks");
        if (format == 0 && track_count != 1)
            return Fail("format 0 file declares " + std::to_string(track_count) + " tracks instead of 1");

        SmfFile file;
        file.format = static_cast<int>(format);
        file.ticks_per_quarter = static_cast<int>(division);
        file.tracks.reserve(track_count);
        while (file.tracks.size() < track_count) {
            if (in_.AtEnd())
                return Fail("file ends after " + std::to_string(file.tracks.size()) + " of " +
                            std::to_string(track_count) + " tracks");
            const size_t chunk_start = in_.offset();
            uint32_t length;
            if (!in_.Bytes(4, &tag) || !in_.U32(&length)) return Fail("file ends inside a chunk header" + At(chunk_start));
            if (length > in_.remaining())
                return Fail("chunk" + At(chunk_start) + " declares " + std::to_string(length) + " bytes but only " +
                            std::to_string(in_.remaining()) + " remain");
            if (std::memcmp(tag, "MTrk", 4) != 0) {
                in_.Skip(length);  // chunks of other types are skipped, as the format asks
                continue;
            }
            const uint8_t *body;
            in_.Bytes(length, &body);
            SmfTrack track;
            if (!ParseTrack(body, length, in_.offset() - length, file.tracks.size() + 1, &track)) return false;
            file.tracks.push_back(std::move(track));
        }
        *out = std::move(file);
        return true;
    }

    bool ParseTrack(const uint8_t *body, size_t length, size_t base, size_t number, SmfTrack *track) {
        ByteReader in(body, length);
        const std::string where = "track " + std::to_string(number);
        int64_t tick = 0;
        uint8_t running = 0;  // last channel status; kept across meta and system events
        while (!in.AtEnd()) {
            const size_t event_start = base + in.offset();
            uint32_t delta;
            switch (ReadVlq(in, &delta)) {
                case VlqResult::Ok: break;
                case VlqResult::Truncated: return Fail(where + " ends inside a delta time" + At(event_start));
                case VlqResult::TooLong: return Fail(where + ": delta time longer than four bytes" + At(event_start));
            }
            tick += delta;
            uint8_t first;
            if (!in.Peek(&first)) return Fail(where + " ends after a delta time" + At(event_start));
            uint8_t status;
            if (first & 0x80u) {
                status = first;
                in.Skip(1);
            } else if (running) {
                status = running;
            } else {
                return Fail(where + ": data byte " + Hex2(first) + " without a running status" +
                            At(base + in.offset()));
            }

            SmfEvent event;
            event.tick = tick;
            event.status = status;
            if (status < 0xF0) {
                const int count = (status & 0xF0u) == 0xC0u || (status & 0xF0u) == 0xD0u ? 1 : 2;
                for (int i = 0; i < count; ++i) {
                    uint8_t byte;
                    if (!in.U8(&byte)) return Fail(where + " ends inside an event" + At(event_start));
                    if (byte & 0x80u)
                        return Fail(where + ": status byte " + Hex2(byte) + " where a data byte belongs" +
                                    At(base + in.offset() - 1));
                    event.data.push_back(byte);
                }
                event.kind = SmfEventKind::Channel;
                running = status;
            } else if (status == 0xFF || status == 0xF0 || status == 0xF7) {
                if (status == 0xFF) {
                    if (!in.U8(&event.type)) return Fail(where + " ends inside an event" + At(event_start));
                    event.kind = SmfEventKind::Meta;
                } else {
                    event.kind = SmfEventKind::SysEx;
                    event.type = status;
                }
                uint32_t size;
                switch (ReadVlq(in, &size)) {
                    case VlqResult::Ok: break;
                    case VlqResult::Truncated: return Fail(where + " ends inside an event" + At(event_start));
                    case VlqResult::TooLong: return Fail(where + ": event length longer than four bytes" + At(event_start));
                }
                const uint8_t *payload;
                if (!in.Bytes(size, &payload))
                    return Fail(where + ": event" + At(event_start) + " declares " + std::to_string(size) +
                                " bytes but the track has " + std::to_string(in.remaining()) + " left");
                event.data.assign(payload, payload + size);
                if (event.kind == SmfEventKind::Meta && event.type == SMF_META_END_OF_TRACK) break;
            } else {
                return Fail(where + ": unsupported status byte " + Hex2(status) + At(event_start));
            }
            track->events.push_back(std::move(event));
        }
        // A track without an end-of-track event ends with its chunk.
        return true;
    }

    ByteReader in_;
    const std::string &name_;
    std::string problem_;
};

}  // namespace

std::string SmfTrack::Name() const {
    for (const SmfEvent &event : events) {
        if (event.kind == SmfEventKind::Meta && event.type == SMF_META_TRACK_NAME)
            return std::string(event.data.begin(), event.data.end());
    }
    return std::string();
}

bool ParseSmf(const uint8_t *data, size_t size, const std::string &name, SmfFile *out, std::string *error) {
    *out = SmfFile();
    out->tracks.clear();
    if (!data && size != 0) {
        if (error) *error = name + ": no data";
        return false;
    }
    Parser parser(data, size, name);
    return parser.Run(out, error);
}

bool ReadSmfFile(const std::string &path, SmfFile *out, std::string *error) {
    *out = SmfFile();
    out->tracks.clear();
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        if (error) *error = path + ": cannot open (" + std::strerror(errno) + ")";
        return false;
    }
    std::error_code status;
    if (!std::filesystem::is_regular_file(path, status)) {
        std::fclose(file);
        if (error) *error = path + ": not a regular file";
        return false;
    }
    std::vector<uint8_t> bytes;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        if (error) *error = path + ": cannot read";
        return false;
    }
    if (size > MAX_FILE_BYTES) {
        std::fclose(file);
        if (error) *error = path + ": file too large (" + std::to_string(size) + " bytes)";
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    const size_t got = size ? std::fread(bytes.data(), 1, bytes.size(), file) : 0;
    std::fclose(file);
    if (got != bytes.size()) {
        if (error) *error = path + ": read error";
        return false;
    }
    return ParseSmf(bytes.data(), bytes.size(), path, out, error);
}
