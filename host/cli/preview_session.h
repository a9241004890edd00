#pragma once
// One render: the chart served by the reference host, the plug-in loaded by path, one
// instance per panel (one, or four with the difficulties side by side), each with its editor
// open on a window of its own, and the loop that plays the track and paints frame by frame.
//
// The editors are driven at their own pace, as in a workstation: every 15 ms timer tick of the
// editor clock runs (and paints), whatever the output frame rate, so animations counted in
// paints last as long as they do live. Audio blocks never exceed the block size and are split so
// that each output frame's time is the end of a block: the picture a frame captures is the one
// painted at the last tick before it, with the audio played exactly to the frame's time.
//
// A render that starts later than the chart's start first plays (and paints, at a tiny editor
// size) from the start of the chart, so phrases and the drum flip that began earlier show.
//
// Main thread only; not copyable. The host plays the audio blocks on this thread too.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/cli/preview_options.h"

struct AEffect;
class ChartProject;
class PluginHost;

namespace qlv::cli {

class PreviewSession {
 public:
  // Pixels between panels side by side, and their colour.
  static constexpr int kPanelGap = 6;
  static constexpr uint32_t kGapColor = 0xFF5A5A66u;

  PreviewSession();
  ~PreviewSession();  // closes editors and instances, destroys the windows, unloads the plug-in
  PreviewSession(const PreviewSession&) = delete;
  PreviewSession& operator=(const PreviewSession&) = delete;

  // Takes the chart (host/cli/chart_input.h), loads the plug-in, creates and configures the
  // instances through the plug-in's own interfaces (sample rate, settings chunk) and opens their
  // editors. The host INI file must already hold the time offset. False with a one-line *error.
  bool Open(std::unique_ptr<ChartProject> project, const std::string& plugin_path, const PreviewOptions& options,
            std::string* error);

  // Runs the editor clock and the audio up to the time of frame `index` (frames are 1/fps apart
  // from the start; indexes must ascend) and reads the picture: panels side by side with a gap,
  // opaque 0xFFRRGGBB words, rows top first. False with *error.
  bool RenderFrame(int64_t index, std::vector<uint32_t>* pixels, std::string* error);

  int width() const;
  int height() const { return panel_height_; }
  int panel_count() const { return static_cast<int>(panels_.size()); }
  int panel_width() const { return panel_width_; }
  // Seconds of chart time at frame `index`.
  double FrameTime(int64_t index) const;
  // Time of the chart track's last event, in seconds (0 for an empty track).
  double ChartEndSeconds() const;
  // Editor timer ticks run so far (each one paints every panel).
  int64_t TicksRun() const { return next_tick_; }

 private:
  struct Panel;
  bool OpenPanel(int skill, int window_width, int window_height, std::string* error);
  // Whole blocks whose end does not pass `sample` (split: the last block ends exactly there).
  void PlayTo(int64_t sample, bool split);
  void RunBlock(int samples, bool playing);
  bool ResizePanels(int width, int height);
  int64_t TickSample(int64_t tick) const;

  PreviewOptions options_;
  std::unique_ptr<ChartProject> project_;
  std::unique_ptr<PluginHost> host_;
  std::vector<std::unique_ptr<Panel>> panels_;
  int panel_width_ = 0;
  int panel_height_ = 0;
  int64_t origin_ = 0;      // sample where the editor clock and the play position start
  int64_t played_ = 0;      // end of the last audio block played
  int64_t next_tick_ = 0;   // editor timer ticks run so far
  bool full_size_ = false;  // the editors have their output size (after the pre-roll)
  std::vector<float> left_, right_;
};

}  // namespace qlv::cli
