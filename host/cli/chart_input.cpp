#include "host/cli/chart_input.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "host/chart_text_convert.h"
#include "host/chart_text_reader.h"
#include "host/legacy_star_power.h"
#include "host/smf_reader.h"
#include "host/song_ini.h"
#include "host/text_lines.h"
#include "host/track_selection.h"

namespace qlv::cli {
namespace {
namespace fs = std::filesystem;

// A file of the folder whose name matches `name` without regard to case (authors' folders come
// from systems where case does not matter); empty when there is none.
std::string FindInFolder(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  const fs::path exact = folder / name;
  if (fs::is_regular_file(exact, ec)) return exact.string();
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (LowerAscii(entry.path().filename().string()) == name && entry.is_regular_file(ec)) return entry.path().string();
  }
  return std::string();
}

bool IsChartText(const std::string& path) {
  const std::string lower = LowerAscii(path);
  return lower.size() > 6 && lower.compare(lower.size() - 6, 6, ".chart") == 0;
}

ChartTextInstrument TextInstrument(const std::string& instrument) {
  if (instrument == "bass") return ChartTextInstrument::kBass;
  if (instrument == "rhythm") return ChartTextInstrument::kRhythm;
  if (instrument == "pro-drums" || instrument == "drums") return ChartTextInstrument::kDrums;
  if (instrument == "keys") return ChartTextInstrument::kKeys;
  return ChartTextInstrument::kGuitar;
}

bool IsDrums(Mode mode) { return mode == Mode::kProDrums || mode == Mode::kDrums; }

// song.ini's hammer-on keys as a threshold at 480 ticks per quarter note. hopo_frequency is in
// the chart's ticks; eighthnote_hopo asks for an eighth note, which at the plug-in's strict
// "closer than" means an eighth plus the same margin as the default (160 + 10 = 170).
int HopoFromIni(const SongIni& ini, int resolution, std::string* detail) {
  if (ini.hopo_frequency) {
    const long value = std::lround(*ini.hopo_frequency * 480.0 / resolution);
    const int threshold = static_cast<int>(std::clamp(value, 0L, 65535L));
    *detail = "hopo_frequency " + std::to_string(*ini.hopo_frequency) + " ticks at " + std::to_string(resolution) +
              " per quarter: hammer-on threshold " + std::to_string(threshold) + " ticks at 480";
    return threshold;
  }
  *detail = "eighthnote_hopo: hammer-on threshold 250 ticks at 480 (an eighth note)";
  return 250;
}

bool OpenMidi(const std::string& path, const PreviewOptions& options, ChartInput* out, std::string* error) {
  SmfFile file;
  if (!ReadSmfFile(path, &file, error)) return false;
  size_t index = 0;
  std::string how;
  if (!SelectTrack(file, options.track_given ? options.track : std::string(), UsualTrackNames(options.instrument), path,
                   &index, &how, error))
    return false;
  out->details.push_back("chart: " + path + ", " + how);
  if (options.compat && out->mode == Mode::kGuitarBass) {
    const int promoted = PromoteLegacyStarPower(&file.tracks[index]);
    if (promoted > 0)
      out->notices.push_back(path + ": no star power (note 116) but " + std::to_string(promoted) +
                             " phrases on note 103, shown as star power as older games read them (--no-compat: off)");
  }
  out->project = ChartProject::FromSmfTrack(file, index, path, error);
  out->file = std::move(file);
  out->track_index = index;
  return out->project != nullptr;
}

bool OpenChartText(const std::string& path, const PreviewOptions& options, const SongIni* ini, ChartInput* out,
                   std::string* error) {
  ChartText chart;
  if (!ReadChartText(path, &chart, error)) return false;
  for (const std::string& problem : chart.problems) out->notices.push_back(problem);
  if (options.track_given) out->notices.push_back("-t " + options.track + " ignored: a .chart file has no MIDI tracks");
  ChartTextConversion conversion;
  conversion.instrument = TextInstrument(options.instrument);
  conversion.difficulty = options.difficulty;
  if (options.hopo_given) {
    conversion.hopo_ticks = std::max(1, static_cast<int>(std::lround(options.hopo_threshold * chart.resolution / 480.0)));
  } else if (ini && ini->hopo_frequency) {
    conversion.hopo_ticks = *ini->hopo_frequency;
  } else if (ini && ini->eighthnote_hopo.value_or(false)) {
    conversion.hopo_ticks = std::max(1, chart.resolution / 2);
  }
  conversion.five_lane = ini && ini->five_lane_drums.value_or(false);
  SmfFile file;
  ChartTextReport report;
  if (!ConvertChartText(chart, conversion, path, &file, &report, error)) return false;
  out->details.push_back("chart: " + path + ", section [" + report.section + "]" +
                         (report.five_lane ? ", five-lane drums folded to four lanes" : ""));
  if (report.open_notes_left_out > 0)
    out->notices.push_back(path + ": " + std::to_string(report.open_notes_left_out) + " open notes in [" +
                           report.section + "] left out (the highway has no open lane)");
  if (report.drum_notes_left_out > 0)
    out->notices.push_back(path + ": " + std::to_string(report.drum_notes_left_out) + " green notes in [" +
                           report.section + "] left out (no free lane after folding five lanes to four)");
  out->song.chart_offset_seconds = chart.offset_seconds;
  out->song.has_chart_offset = chart.has_offset;
  out->song.streams = chart.streams;
  if (out->song.name.empty()) out->song.name = chart.name;
  if (out->song.artist.empty()) out->song.artist = chart.artist;
  if (out->song.charter.empty()) out->song.charter = chart.charter;
  // The converted file holds the instrument's track second, after the tempo track.
  out->project = ChartProject::FromSmfTrack(file, 1, path, error);
  out->file = std::move(file);
  out->track_index = 1;
  return out->project != nullptr;
}

// The chart's resolution, for song.ini's hopo_frequency: a MIDI file's division or a .chart's
// Resolution, read cheaply; 480 when it cannot be told.
int ChartResolution(const std::string& path) {
  std::string error;
  if (IsChartText(path)) {
    ChartText chart;
    return ReadChartText(path, &chart, &error) ? chart.resolution : 480;
  }
  SmfFile file;
  return ReadSmfFile(path, &file, &error) ? file.ticks_per_quarter : 480;
}

}  // namespace

std::vector<std::string> UsualTrackNames(const std::string& instrument) {
  if (instrument == "guitar") return {"PART GUITAR", "T1 GEMS"};
  return {DefaultTrack(instrument)};
}

bool OpenChartInput(const PreviewOptions& options, const std::string& fallback_chart, ChartInput* out,
                    std::string* error) {
  *out = ChartInput();
  out->mode = options.mode;
  out->hopo_threshold = options.hopo_threshold;
  std::string path = options.chart.empty() ? fallback_chart : options.chart;
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    *error = "chart not found: " + path;
    return false;
  }
  SongIni ini;
  bool have_ini = false;
  if (fs::is_directory(path, ec)) {
    const std::string folder = path;
    const std::string mid = FindInFolder(folder, "notes.mid");
    const std::string text = FindInFolder(folder, "notes.chart");
    if (mid.empty() && text.empty()) {
      *error = folder + ": no notes.mid or notes.chart in this folder";
      return false;
    }
    if (!mid.empty() && !text.empty())
      out->notices.push_back(folder + ": has both notes.mid and notes.chart; notes.mid is shown");
    path = mid.empty() ? text : mid;
    out->song.folder = folder;
    const std::string ini_path = FindInFolder(folder, "song.ini");
    if (!ini_path.empty()) {
      out->song.ini_path = ini_path;
      std::string ini_error;
      have_ini = ReadSongIni(ini_path, &ini, &ini_error);
      if (!have_ini) out->notices.push_back(ini_error + "; song.ini not used");
    }
  }
  out->song.chart_path = path;

  if (have_ini) {
    for (const std::string& problem : ini.problems) out->notices.push_back(problem);
    for (const std::string& taken : ini.taken) out->details.push_back(taken);
    out->song.name = ini.name;
    out->song.artist = ini.artist;
    out->song.charter = ini.charter;
    if (ini.delay_ms) {
      out->song.delay_ms = *ini.delay_ms;
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, "%.3f", std::fabs(*ini.delay_ms) / 1000.0);
      out->details.push_back(std::string("delay: chart time 0 lies ") + (*ini.delay_ms < 0 ? "-" : "") + seconds +
                             " s into the audio, which is mixed in shifted so (unless --delay is given)");
    }
    if (IsDrums(options.mode) && !options.drum_kind_given && (ini.pro_drums || ini.five_lane_drums)) {
      const bool pro = ini.pro_drums.value_or(false) || ini.five_lane_drums.value_or(false);
      out->mode = pro ? Mode::kProDrums : Mode::kDrums;
      out->details.push_back(std::string(ini.pro_drums.value_or(false) ? "pro_drums" : "five_lane_drums") +
                             ": drums shown as " + (pro ? "Pro Drums (cymbals and toms)" : "Drums (std)"));
    }
    if (!options.hopo_given && (ini.hopo_frequency || ini.eighthnote_hopo.value_or(false))) {
      std::string detail;
      out->hopo_threshold = HopoFromIni(ini, ChartResolution(path), &detail);
      out->details.push_back(detail);
    } else if (options.hopo_given && (ini.hopo_frequency || ini.eighthnote_hopo)) {
      out->details.push_back("song.ini's hammer-on keys not used: --hopo given");
    }
  }
  const bool ok = IsChartText(path) ? OpenChartText(path, options, have_ini ? &ini : nullptr, out, error)
                                    : OpenMidi(path, options, out, error);
  return ok;
}

}  // namespace qlv::cli
