#pragma once
// The click track: a short generated tick on every gem of one difficulty, so that sync can be
// judged without the song's audio.
//
// Plain functions; no shared state.
#include <cstddef>
#include <string>
#include <vector>

#include "host/smf_file.h"

namespace qlv::cli {

// Times in seconds of the gems of difficulty `skill` (0 Easy .. 3 Expert) on the track named
// `track_name` of the Standard MIDI File `chart_path`: one time per chord, ascending. False
// with *error when the file or track cannot be read.
bool GemTimes(const std::string& chart_path, const std::string& track_name, int skill, std::vector<double>* out,
              std::string* error);
// The same for track `track` (0-based) of `file`, already read; `source` names it in errors.
bool GemTimes(const SmfFile& file, size_t track, const std::string& source, int skill, std::vector<double>* out,
              std::string* error);

// Length of one tick in samples at `rate`: 12 ms.
int TickLength(int rate);

// Writes a mono 16-bit PCM WAV file of `duration` seconds at `rate` samples per second whose
// time 0 is chart time `start`: silence with a tick starting at the sample nearest to every
// time in `times` that lies in the span. False with *error ("cannot write PATH: reason").
bool WriteClickTrack(const std::string& path, const std::vector<double>& times, double start, double duration,
                     int rate, std::string* error);

}  // namespace qlv::cli
