#pragma once
// The plug-in as a workstation hosts it while the user plays: one instance on the chart's track,
// its editor open in a host window that the live window mirrors, audio blocks handed to it at the
// transport positions the clock gives, and the settings it keeps in its chunk.
//
// Threads: the main thread only. The audio blocks run there too, so the chart can be swapped
// between two blocks without a lock: no call into the plug-in is in flight then.
// Ownership: owns the chart, the loaded binary, the instance and the host window; destroying it
// closes the editor, the instance and the window in that order.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

struct AEffect;
class ChartProject;
class PluginHost;

namespace qlv::live {

struct EditorSettings {
  int skill = 3;     // 0 Easy .. 3 Expert
  int mode = 0;      // the plug-in's instrument number
  int hopo = 170;    // ticks at 480 per quarter note
};

class LiveEditor {
 public:
  LiveEditor();
  ~LiveEditor();
  LiveEditor(const LiveEditor&) = delete;
  LiveEditor& operator=(const LiveEditor&) = delete;

  // Loads the plug-in, creates the instance on `chart` (taken), sends it sample rate, block size
  // and settings, and opens its editor in a host window whose client area is width × height.
  bool Open(const std::string& plugin_path, std::unique_ptr<ChartProject> chart, double sample_rate,
            int block_frames, const EditorSettings& settings, int width, int height, std::string* error);

  // Serves `chart` from the next block on; the old one is released once nothing can reach it.
  void ReplaceChart(std::unique_ptr<ChartProject> chart);

  // One audio block at `sample` (the transport position handed to the plug-in).
  void RunBlock(int64_t sample, bool playing);
  // A transport jump to `sample`, as a workstation's stop and locate: the plug-in drops what it
  // fetched and fetches again around the new position, sounding notes included.
  void Locate(int64_t sample);
  int block_frames() const { return block_frames_; }

  // Lets `milliseconds` pass for the editor's timer and runs the paints it asks for; true when
  // the editor painted.
  bool Tick(unsigned milliseconds);
  // The editor's pixels (0x00RRGGBB, rows top first) and size.
  bool ReadPixels(std::vector<uint32_t>* out, int* width, int* height) const;
  // Resizes the host window's client area; the editor follows at its next timer tick.
  void ResizeHost(int width, int height);
  // Mouse input in the host window's client coordinates.
  bool Mouse(UINT message, int x, int y);
  // Moves the time offset by `milliseconds` as a user would: a drag on the TIME OFFS control,
  // so that the editor itself writes the settings file.
  void NudgeTimeOffset(int milliseconds);

  EditorSettings Settings() const;
  void SetSettings(const EditorSettings& settings);

 private:
  std::unique_ptr<ChartProject> chart_;
  std::unique_ptr<PluginHost> host_;
  AEffect* effect_ = nullptr;
  HWND host_window_ = nullptr;
  double sample_rate_ = 44100.0;
  int block_frames_ = 512;
  std::vector<float> left_, right_;
};

}  // namespace qlv::live
