#pragma once
// One render: the chart served by the reference host, the plug-in loaded by path, one
// instance per panel (one, or four with the difficulties side by side), each with its editor
// open on a window of its own, and the loop that plays the track and paints frame by frame.
//
// Main thread only; not copyable. The host plays the audio blocks on this thread too.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/cli/preview_options.h"
#include "host/song_info.h"

struct AEffect;
class ChartProject;
class PluginHost;

namespace qlv::cli {

class PreviewSession {
 public:
  PreviewSession();
  ~PreviewSession();  // closes editors and instances, destroys the windows, unloads the plug-in
  PreviewSession(const PreviewSession&) = delete;
  PreviewSession& operator=(const PreviewSession&) = delete;

  // Takes the chart (host/cli/chart_input.h), loads the plug-in, creates and configures the
  // instances through the plug-in's own interfaces (sample rate, settings chunk) and opens their
  // editors. The host INI file must already hold the time offset. Frame times are the song's
  // (audio) time: the chart plays song.delay_ms later. False with a one-line *error.
  bool Open(std::unique_ptr<ChartProject> project, const SongInfo& song, const std::string& plugin_path,
            const PreviewOptions& options, std::string* error);

  // Plays the track up to the time of frame `index` (frames are 1/fps apart from the start),
  // lets the editors' timers fire and paint, and reads the picture: panels side by side,
  // opaque 0xFFRRGGBB words, rows top first. False with *error.
  bool RenderFrame(int64_t index, std::vector<uint32_t>* pixels, std::string* error);

  int width() const { return panel_width_ * static_cast<int>(panels_.size()); }
  int height() const { return panel_height_; }
  // Seconds of song time at frame `index`.
  double FrameTime(int64_t index) const;
  // The host's play position in samples for a song time: the chart's own time, delay taken off.
  int64_t ChartSample(double song_seconds) const;

 private:
  struct Panel;
  bool OpenPanel(int skill, std::string* error);
  void PlayTo(int64_t sample);

  PreviewOptions options_;
  double delay_seconds_ = 0.0;
  std::unique_ptr<ChartProject> project_;
  std::unique_ptr<PluginHost> host_;
  std::vector<std::unique_ptr<Panel>> panels_;
  int panel_width_ = 0;
  int panel_height_ = 0;
  int64_t next_block_ = 0;  // sample position of the next audio block
  bool started_ = false;
  std::vector<float> left_, right_;
  std::vector<uint32_t> scratch_;
};

}  // namespace qlv::cli
