// song.ini, the settings file of a song folder: one section, written [song] or [Song], of
// "key = value" lines. Section and key names are matched without regard to case; unknown keys and
// other sections are ignored; values may be empty. A line that is none of blank, comment (";" or
// "#"), section header or key = value is reported with its line number and skipped, as is a value
// of the wrong kind for a key read here. Nothing in the file is fatal.
//
// Plain values and functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SongIni {
    std::string name;     // UTF-8 (Latin-1 bytes converted)
    std::string artist;
    std::string charter;
    std::optional<int> delay_ms;           // -600000..600000
    std::optional<int> hopo_frequency;     // ticks at the chart's resolution, 1..1000000
    std::optional<bool> eighthnote_hopo;
    std::optional<bool> pro_drums;
    std::optional<bool> five_lane_drums;

    // "song.ini:7: ..." for each skipped line or value.
    std::vector<std::string> problems;
    // "song.ini:3: delay = 250" for each key taken, in file order.
    std::vector<std::string> taken;
};

// Parses the bytes of a song.ini; `name` is what messages call it. Later keys replace earlier ones.
SongIni ParseSongIni(const uint8_t *data, size_t size, const std::string &name);

// Reads the file at `path` (at most 1 MiB). False with *error when it cannot be read.
bool ReadSongIni(const std::string &path, SongIni *out, std::string *error);
