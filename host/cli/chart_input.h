#pragma once
// What qlv-preview was asked to open, made ready for the host: a MIDI file (track chosen as
// host/track_selection.h says, old star power promoted unless --no-compat), a .chart file
// (converted for the instrument and difficulty), or a song folder holding either, with its
// song.ini. The options' instrument mode and hammer-on threshold may be settled by song.ini.
//
// Main thread; plain functions.
#include <memory>
#include <string>
#include <vector>

#include "host/chart_project.h"
#include "host/cli/preview_options.h"
#include "host/smf_file.h"
#include "host/song_info.h"

namespace qlv::cli {

struct ChartInput {
  std::unique_ptr<ChartProject> project;
  SmfFile file;            // the MIDI the project was made from (a .chart's conversion)
  size_t track_index = 0;  // the chart's track in `file`
  SongInfo song;
  Mode mode = Mode::kGuitarBass;  // the options' mode, or song.ini's drum kind for plain "drums"
  int hopo_threshold = 170;       // ticks at 480 per quarter note
  std::vector<std::string> notices;  // one line each: skipped lines, left-out notes, choices made
  std::vector<std::string> details;  // with --verbose: which track and which song.ini key did what
};

// The instrument's usual track names, in the order they are tried.
std::vector<std::string> UsualTrackNames(const std::string& instrument);

// Opens `options.chart`, or `fallback_chart` when that is empty. False with a one-line *error
// when there is nothing to show (no such file or folder, unreadable or unusable chart, no track
// or section for the instrument).
bool OpenChartInput(const PreviewOptions& options, const std::string& fallback_chart, ChartInput* out,
                    std::string* error);

}  // namespace qlv::cli
