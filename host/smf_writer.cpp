#include "host/smf_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void Put16(std::vector<uint8_t> &out, uint32_t value) {
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

void Put32(std::vector<uint8_t> &out, uint32_t value) {
    out.push_back(uint8_t(value >> 24));
    out.push_back(uint8_t(value >> 16));
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

// Variable-length quantity; values above the format's 28-bit limit are clamped to it.
void PutVlq(std::vector<uint8_t> &out, uint64_t value) {
    if (value > 0x0FFFFFFFu) value = 0x0FFFFFFFu;
    uint8_t groups[4];
    int count = 0;
    do {
        groups[count++] = uint8_t(value & 0x7Fu);
        value >>= 7;
    } while (value != 0);
    while (count > 1) out.push_back(uint8_t(groups[--count] | 0x80u));
    out.push_back(groups[0]);
}

void PutTrack(std::vector<uint8_t> &out, const SmfTrack &track) {
    std::vector<uint8_t> body;
    int64_t tick = 0;
    bool ended = false;
    for (const SmfEvent &event : track.events) {
        // Deltas beyond the format's 28 bits are clamped by PutVlq; no chart comes near that.
        const int64_t delta = event.tick > tick ? event.tick - tick : 0;
        PutVlq(body, uint64_t(delta));
        if (event.tick > tick) tick = event.tick;
        switch (event.kind) {
            case SmfEventKind::Channel:
                body.push_back(event.status);
                body.insert(body.end(), event.data.begin(), event.data.end());
                break;
            case SmfEventKind::Meta:
                body.push_back(0xFF);
                body.push_back(event.type);
                PutVlq(body, event.data.size());
                body.insert(body.end(), event.data.begin(), event.data.end());
                break;
            case SmfEventKind::SysEx:
                body.push_back(event.type == 0xF7 ? 0xF7 : 0xF0);
                PutVlq(body, event.data.size());
                body.insert(body.end(), event.data.begin(), event.data.end());
                break;
        }
        ended = event.kind == SmfEventKind::Meta && event.type == SMF_META_END_OF_TRACK;
    }
    if (!ended) {
        body.push_back(0x00);
        body.push_back(0xFF);
        body.push_back(SMF_META_END_OF_TRACK);
        body.push_back(0x00);
    }
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    Put32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

std::vector<uint8_t> WriteSmf(const SmfFile &file) {
    std::vector<uint8_t> out;
    out.insert(out.end(), {'M', 'T', 'h', 'd'});
    Put32(out, 6);
    Put16(out, uint32_t(file.format));
    Put16(out, uint32_t(file.tracks.size()));
    Put16(out, uint32_t(file.ticks_per_quarter) & 0x7FFFu);
    for (const SmfTrack &track : file.tracks) PutTrack(out, track);
    return out;
}

bool WriteSmfFile(const SmfFile &file, const std::string &path, std::string *error) {
    const std::vector<uint8_t> bytes = WriteSmf(file);
    std::FILE *out = std::fopen(path.c_str(), "wb");
    if (!out) {
        if (error) *error = path + ": cannot create (" + std::strerror(errno) + ")";
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
        if (error) *error = path + ": write error";
        return false;
    }
    return true;
}
