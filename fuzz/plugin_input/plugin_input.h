// The layout of one plug-in input case, shared by the fuzz target and its seed writer:
//
//   byte 0        settings chunk: 0..127 = that many bytes follow (fewer if the input ends),
//                 128..254 = a negative length, 255 = a length of 4 with no data
//   4 bytes       block: sample rate (index into RATES), block size (index into BLOCK_SIZES),
//                 flags (FLAG_*), start position in steps of 10000 samples
//   then records  4 bytes frame offset (little-endian, any value), 1 byte size (its value modulo 32), the
//                 message bytes (zeros when the input ends)
//
// A record's frame offset is its position on the track in samples: the host hands it to the
// request whose window holds it, with its offset from the window's start, as a real host does.
// With FLAG_RAW the first three requests also get every record with its offset as given (before,
// inside or far beyond the window), as a faulty host might.
#pragma once

#include <cstdint>
#include <vector>

namespace plugin_input {

inline constexpr double RATES[] = {1234.5678, 22050.0, 44100.0, 48000.0, 96000.0, 384000.0};
// Small blocks make many window requests to fill the lookahead; the stress host covers 1..63.
inline constexpr int32_t BLOCK_SIZES[] = {0, 64, 127, 512, 1000, 4096, 8192};

enum : uint8_t {
    FLAG_PLAYING = 1,
    FLAG_RAW = 2,
    FLAG_NO_TIME_INFO = 4,   // the host answers no transport
    FLAG_LATENCY = 8,        // a large output latency
    FLAG_RESIZE = 16,        // the host window changes size between frames
    FLAG_DRAG = 32,          // clicks and drags on the control strip between frames
};

struct Record {
    int32_t frame_offset;
    std::vector<uint8_t> message;
};

inline void AppendRecord(std::vector<uint8_t> *out, const Record &record) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(static_cast<uint32_t>(record.frame_offset) >> (8 * i)));
    out->push_back(static_cast<uint8_t>(record.message.size()));
    out->insert(out->end(), record.message.begin(), record.message.end());
}

}  // namespace plugin_input
