#include "host/live/live_session.h"

#include <algorithm>

#include "host/chart_project.h"

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
  switch (watch_->Poll()) {
    case FileWatch::Change::kNone:
      return;
    case FileWatch::Change::kGone:
      std::fprintf(err_, "qlv-preview: %s is gone; the last good chart keeps playing\n", chart_path_.c_str());
      return;
    case FileWatch::Change::kChanged:
      break;
  }
  std::string error;
  auto project = ChartProject::Load(chart_path_, track_, &error);
  if (!project) {
    std::fprintf(err_, "qlv-preview: chart not reloaded, the last good one keeps playing: %s\n", error.c_str());
    return;
  }
  editor_.ReplaceChart(std::move(project));
  // Playback goes on at the same time, with the new chart fetched there.
  Locate(clock_.Position());
  std::fprintf(out_, "chart reloaded: %s\n", chart_path_.c_str());
  std::fflush(out_);
}

void LiveSession::CycleInstrument() {
  for (int step = 1; step < kInstrumentCount; ++step) {
    const int next = (instrument_ + step) % kInstrumentCount;
    const std::string track = cli::DefaultTrack(kInstruments[next].name);
    std::string error;
    auto project = ChartProject::Load(chart_path_, track, &error);
    if (!project) continue;
    editor_.ReplaceChart(std::move(project));
    EditorSettings settings = editor_.Settings();
    settings.mode = kInstruments[next].mode;
    editor_.SetSettings(settings);
    instrument_ = next;
    track_ = track;
    Seek(clock_.Position());
    std::fprintf(out_, "instrument: %s (%s)\n", kInstruments[next].name, track.c_str());
    std::fflush(out_);
    return;
  }
  std::fprintf(err_, "qlv-preview: the chart has no track for another instrument\n");
}

}  // namespace qlv::live
