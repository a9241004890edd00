#pragma once
// One live run: the chart, the song and the plug-in's editor in a desktop window, on a loop that
// follows the editor's 15 ms timer. Transport and chart following (live_transport.cpp) and the
// keys (live_keys.cpp) are its other two parts.
//
// Threads: the main thread only (the audio device's callback lives in AudioClock).
// Ownership: owns everything of the run; SDL must be initialised between Prepare and Run, and
// stay so until the session is gone.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/cli/preview_options.h"
#include "host/live/audio_clock.h"
#include "host/live/file_watch.h"
#include "host/live/frame_stats.h"
#include "host/live/live_editor.h"
#include "host/live/live_window.h"

class ChartProject;

namespace qlv::live {

class LiveSession {
 public:
  LiveSession(const cli::PreviewOptions& options, std::FILE* out, std::FILE* err);
  ~LiveSession();
  LiveSession(const LiveSession&) = delete;
  LiveSession& operator=(const LiveSession&) = delete;

  // Reads the chart (the options' one, else `fallback_chart`) as the render does, and decodes
  // the song's audio by the render's rules: everything that can fail on bad input before a
  // window or a sound device is touched.
  bool Prepare(const std::string& fallback_chart, const std::string& plugin, std::string* error);
  // Plays until the user quits; the exit code.
  int Run();

 private:
  bool Open(std::string* error);
  void HandleEvent(const SDL_Event& event);
  void HandleKey(const SDL_Keysym& key, bool repeat);
  void Seek(int64_t sample);
  void Block(int64_t sample, bool playing);
  void Locate(int64_t sample);
  int64_t RunBlocks();
  void WatchChart();
  // Reads the chart again for the options' instrument, track and difficulty; the one playing
  // stays on failure (false with *error).
  bool Reload(std::string* error);
  void CycleInstrument();
  void ChangeSettings(int skill, int hopo_delta);
  void UpdateTitle();
  void SavePicture();
  std::string Title() const;
  // The instrument table's entry for a name (0, guitar, when unknown).
  static int InstrumentIndex(const std::string& name);

  // The options, with the instrument, track and difficulty now shown: what a reload asks for.
  cli::PreviewOptions options_;
  std::FILE* out_;
  std::FILE* err_;
  AudioClock clock_;
  LiveEditor editor_;
  LiveWindow window_;
  std::unique_ptr<FileWatch> watch_;
  std::unique_ptr<FileWatch> ini_watch_;   // a song folder's song.ini (null for a chart file)
  std::unique_ptr<ChartProject> project_;  // read by Prepare, handed to the editor by Open
  std::vector<int16_t> pcm_;               // the same for the song
  bool has_audio_ = false;
  std::string plugin_path_;
  std::string fallback_chart_;
  std::string chart_path_;                 // the chart file read (inside the folder for a song folder)
  std::string ini_path_;
  // What the last load settled for the editor (song.ini may): applied again only when it changes,
  // so keys pressed meanwhile are kept.
  int loaded_mode_ = 0;
  int loaded_hopo_ = 0;
  int delay_ms_ = 0;
  std::string track_;
  int instrument_ = 0;
  int64_t next_block_ = 0;     // transport position of the next audio block
  int64_t last_block_ = 0;     // transport position of the block run last
  bool last_block_playing_ = false;
  int64_t display_ = 0;        // the display position the plug-in took from the last block
  bool running_ = true;
  bool device_lost_ = false;
  bool picture_wanted_ = false;
  int pictures_ = 0;
  std::string title_;
  FrameStats stats_;
  std::vector<uint32_t> pixels_;
};

}  // namespace qlv::live
