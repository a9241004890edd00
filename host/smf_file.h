// In-memory form of a Standard MIDI File: the header values and, per track, its events with
// absolute tick positions. Produced by ReadSmfFile/ParseSmf (smf_reader.h), written back by
// WriteSmf (smf_writer.h), and built in code by ChartBuilder (chart_builder.h).
//
// Plain values; no threads involved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class SmfEventKind : uint8_t {
    Channel,  // status 0x80..0xEF; `data` holds the one or two data bytes
    Meta,     // 0xFF; `type` is the meta type, `data` the payload
    SysEx,    // 0xF0 or 0xF7 (escape) in `type`; `data` the payload as stored in the file
};

// Meta event types the host interprets.
constexpr uint8_t SMF_META_TEXT = 0x01;        // 0x01..0x0F are all text-like
constexpr uint8_t SMF_META_LAST_TEXT = 0x0F;
constexpr uint8_t SMF_META_TRACK_NAME = 0x03;
constexpr uint8_t SMF_META_END_OF_TRACK = 0x2F;
constexpr uint8_t SMF_META_TEMPO = 0x51;
constexpr uint8_t SMF_META_TIME_SIGNATURE = 0x58;

struct SmfEvent {
    int64_t tick = 0;  // absolute position in ticks from the start of the track
    SmfEventKind kind = SmfEventKind::Channel;
    uint8_t status = 0;  // channel status byte (Channel), 0xFF (Meta), 0xF0/0xF7 (SysEx)
    uint8_t type = 0;    // meta type (Meta only)
    std::vector<uint8_t> data;
};

struct SmfTrack {
    std::vector<SmfEvent> events;  // in file order, which is ascending tick order

    // Text of the first track-name meta event, or empty.
    std::string Name() const;
};

struct SmfFile {
    int format = 1;              // 0 or 1
    int ticks_per_quarter = 480;  // 1..32767
    std::vector<SmfTrack> tracks;
};
