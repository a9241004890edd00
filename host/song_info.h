// What the previewer knows about the song beyond the chart's notes: the names for captions, the
// song folder's audio alignment and the audio files a chart names. Filled when a chart or a song
// folder is opened (host/cli/chart_input.h) and handed to the render, which shows the names and
// lines the picture up with the audio; a sound track can take its files and offsets from here.
//
// Plain value; no threads involved.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct SongInfo {
    std::string folder;      // the song folder, or empty when a chart file was given
    std::string chart_path;  // the chart file actually read (notes.mid, notes.chart, ...)
    std::string ini_path;    // the folder's song.ini when it has one, else empty

    // From song.ini, or else the .chart's [Song] section. UTF-8; empty when not known.
    std::string name;
    std::string artist;
    std::string charter;

    // song.ini "delay", in milliseconds: a note at chart time t is heard at t + delay_ms / 1000
    // seconds into the audio. The render's timeline is the chart's; the audio is shifted by it.
    int delay_ms = 0;

    // The .chart's [Song] "Offset" in seconds, kept as read (the picture does not use it).
    double chart_offset_seconds = 0.0;
    bool has_chart_offset = false;

    // The .chart's audio names in file order: ("MusicStream", "song.ogg"), ("GuitarStream", ...).
    std::vector<std::pair<std::string, std::string>> streams;

    // "Artist - Name", "Name" or empty.
    std::string Caption() const {
        if (name.empty()) return artist.empty() ? std::string() : artist;
        return artist.empty() ? name : artist + " - " + name;
    }
};
