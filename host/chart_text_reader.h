// Reader of .chart files, the text chart format of community chart editors: sections "[Name]"
// each followed by "{", lines "TICK = TYPE ARGS" (or "Key = value" in [Song]) and "}".
//
// What is kept: [Song] (Resolution, Offset, Name, Artist, Charter and the *Stream audio names),
// [SyncTrack] tempo "B" and signature "TS" entries, [Events] texts, and every other section's
// "N", "S" and "E" entries by section name. Anchors ("A") and unknown entry types are ignored.
//
// Bad input never stops the reader: a malformed line, a negative or huge tick, an unusable tempo
// (0, negative, above 10,000 per minute or below what a MIDI tempo holds) or signature is reported
// with its line number and skipped; a second section of a name already seen is reported and
// skipped whole; a missing [Song] or Resolution means 192 ticks per quarter, with a notice. A
// UTF-8 byte-order mark and CRLF line ends are accepted. Memory is a bounded multiple of the input
// (each kept entry comes from a line at least as long as the entry's fixed part).
//
// Plain values and functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ChartTextEntry {
    int64_t tick = 0;
    char type = 'N';    // 'N' note, 'S' special, 'E' event
    int64_t value = 0;  // N: lane, S: kind
    int64_t length = 0; // N, S: ticks
    std::string text;   // E: the event's text
};

struct ChartTextTempo {
    int64_t tick = 0;
    int64_t millibeats_per_minute = 120000;  // 120000 = 120 quarter notes per minute
};

struct ChartTextSignature {
    int64_t tick = 0;
    int numerator = 4;
    int denominator = 4;
};

struct ChartTextSection {
    std::string name;  // as written, e.g. "ExpertSingle"
    std::vector<ChartTextEntry> entries;  // in file order
};

struct ChartText {
    int resolution = 192;  // ticks per quarter note, 1..32767
    double offset_seconds = 0.0;
    bool has_offset = false;
    std::string name, artist, charter;                          // UTF-8, quotes removed
    std::vector<std::pair<std::string, std::string>> streams;   // ("MusicStream", "song.ogg"), ...
    std::vector<ChartTextTempo> tempos;
    std::vector<ChartTextSignature> signatures;
    std::vector<std::pair<int64_t, std::string>> events;        // [Events] texts
    std::vector<ChartTextSection> sections;                     // every other section

    // "name:12: ..." for each skipped line, and the notices (default resolution).
    std::vector<std::string> problems;

    // The section of that name (exact), or null.
    const ChartTextSection *Find(const std::string &section) const;
};

// Ticks beyond this are refused (they could not be placed in a MIDI track).
constexpr int64_t CHART_TEXT_MAX_TICK = (int64_t(1) << 28) - 1;

// Parses the bytes of a .chart file; `name` is what messages call it.
ChartText ParseChartText(const uint8_t *data, size_t size, const std::string &name);

// Reads the file at `path` (at most 64 MiB). False with *error when it cannot be read.
bool ReadChartText(const std::string &path, ChartText *out, std::string *error);
