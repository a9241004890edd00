#include "host/live/live_session.h"

#include <algorithm>

#include "host/chart_project.h"
#include "host/cli/chart_input.h"

namespace qlv::live {
namespace {

// A clock that ran this far ahead of the blocks (a stalled machine) is followed by a jump.
constexpr double kCatchUpSeconds = 1.0;

struct Instrument {
  const char* name;
  int mode;
};
constexpr Instrument kInstruments[] = {{"guitar", 0}, {"bass", 0},  {"rhythm", 0},
                                       {"pro-drums", 1}, {"drums", 2}, {"keys", 3}};
constexpr int kInstrumentCount = static_cast<int>(sizeof kInstruments / sizeof kInstruments[0]);

}  // namespace

int LiveSession::InstrumentIndex(const std::string& name) {
  for (int i = 0; i < kInstrumentCount; ++i) {
    if (name == kInstruments[i].name) return i;
  }
  return 0;
}

void LiveSession::Block(int64_t sample, bool playing) {
  editor_.RunBlock(sample, playing);
  last_block_ = sample;
  last_block_playing_ = playing;
  // Playing, the plug-in shows the end of the block (no output latency is reported); stopped,
  // the position itself.
  display_ = playing ? sample + editor_.block_frames() : sample;
}

void LiveSession::Locate(int64_t sample) {
  editor_.Locate(sample);
  last_block_ = display_ = next_block_ = sample;
  last_block_playing_ = false;
}

void LiveSession::Seek(int64_t sample) {
  sample = std::max<int64_t>(sample, 0);
  clock_.Seek(sample);
  Locate(sample);
}

int64_t LiveSession::RunBlocks() {
  const int64_t position = clock_.Position();
  if (!clock_.Playing()) {
    // Stopped, a workstation keeps its audio running with the position standing still.
    Block(position, false);
    next_block_ = position;
    return position;
  }
  if (position - next_block_ > static_cast<int64_t>(kCatchUpSeconds * options_.sample_rate)) Locate(position);
  // Every block that starts at or before the sound now being heard: the display position the
  // plug-in takes from the last one (its end) is then less than one block ahead.
  while (next_block_ <= position) {
    Block(next_block_, true);
    next_block_ += editor_.block_frames();
  }
  return position;
}

void LiveSession::WatchChart() {
  bool changed = false;
  for (FileWatch* watch : {watch_.get(), ini_watch_.get()}) {
    if (!watch) continue;
    switch (watch->Poll()) {
      case FileWatch::Change::kNone:
        break;
      case FileWatch::Change::kGone:
        // A folder's song.ini may go: the chart is then read without it.
        if (watch == ini_watch_.get()) {
          changed = true;
        } else {
          std::fprintf(err_, "qlv-preview: %s is gone; the last good chart keeps playing\n", watch->path().c_str());
        }
        break;
      case FileWatch::Change::kChanged:
        changed = true;
        break;
    }
  }
  if (!changed) return;
  std::string error;
  if (!Reload(&error)) {
    std::fprintf(err_, "qlv-preview: chart not reloaded, the last good one keeps playing: %s\n", error.c_str());
    return;
  }
  // Playback goes on at the same time, with the new chart fetched there.
  Locate(clock_.Position());
  std::fprintf(out_, "chart reloaded: %s\n", chart_path_.c_str());
  std::fflush(out_);
}

bool LiveSession::Reload(std::string* error) {
  // The difficulty may have been changed with the editor's own SKILL control.
  options_.difficulty = editor_.Settings().skill;
  cli::ChartInput input;
  if (!cli::OpenChartInput(options_, fallback_chart_, &input, error)) return false;
  for (const std::string& notice : input.notices) std::fprintf(err_, "qlv-preview: %s\n", notice.c_str());
  editor_.ReplaceChart(std::move(input.project));
  // What song.ini settles follows its edits; keys pressed since stay otherwise.
  EditorSettings settings = editor_.Settings();
  if (static_cast<int>(input.mode) != loaded_mode_) settings.mode = static_cast<int>(input.mode);
  if (input.hopo_threshold != loaded_hopo_) settings.hopo = input.hopo_threshold;
  editor_.SetSettings(settings);
  loaded_mode_ = static_cast<int>(input.mode);
  loaded_hopo_ = input.hopo_threshold;
  const int delay = options_.delay_given ? options_.audio_delay_ms : input.song.delay_ms;
  if (delay != delay_ms_ && has_audio_) {
    std::fprintf(err_, "qlv-preview: song.ini's delay is now %d ms; the sound keeps %d ms until the next start\n",
                 delay, delay_ms_);
  }
  return true;
}

void LiveSession::CycleInstrument() {
  const cli::PreviewOptions before = options_;
  for (int step = 1; step < kInstrumentCount; ++step) {
    const int next = (instrument_ + step) % kInstrumentCount;
    // The cycle names each drum kind itself, and takes each instrument's usual track.
    options_.instrument = kInstruments[next].name;
    options_.mode = static_cast<cli::Mode>(kInstruments[next].mode);
    options_.drum_kind_given = true;
    options_.track_given = false;
    options_.track = cli::DefaultTrack(kInstruments[next].name);
    cli::ChartInput input;
    std::string error;
    if (!cli::OpenChartInput(options_, fallback_chart_, &input, &error)) continue;
    editor_.ReplaceChart(std::move(input.project));
    EditorSettings settings = editor_.Settings();
    settings.mode = static_cast<int>(input.mode);
    editor_.SetSettings(settings);
    loaded_mode_ = static_cast<int>(input.mode);
    instrument_ = next;
    track_ = options_.track;
    Seek(clock_.Position());
    std::fprintf(out_, "instrument: %s (%s)\n", kInstruments[next].name, track_.c_str());
    std::fflush(out_);
    return;
  }
  options_ = before;
  std::fprintf(err_, "qlv-preview: the chart has no track for another instrument\n");
}

}  // namespace qlv::live
