#pragma once
// Command-line options of qlv-preview: what to render, how, and where to put it.
//
// Plain values and functions; no shared state.
#include <cstdint>
#include <string>
#include <vector>

namespace qlv::cli {

// The plug-in's instruments, as its settings chunk numbers them.
enum class Mode : int { kGuitarBass = 0, kProDrums = 1, kDrums = 2, kKeys = 3 };

// How preview.mp4 is encoded: kFast for looking at a render straight away (the default), kHigh
// for a video to share.
enum class VideoQuality { kFast, kHigh };

struct PreviewOptions {
  std::string chart;             // MIDI file, .chart file or song folder; empty = the bundled demo chart
  std::string track;             // track name or number ("2", "#2"); see track_given
  bool track_given = false;      // false: the instrument's usual names are tried (host/track_selection.h)
  std::string instrument = "guitar";
  Mode mode = Mode::kGuitarBass;
  bool drum_kind_given = false;  // "pro-drums"/"drums-std" given; plain "drums" lets song.ini choose
  int difficulty = 3;            // 0 Easy .. 3 Expert
  int hopo_threshold = 170;      // ticks at 480 per quarter note
  bool hopo_given = false;       // --hopo given: song.ini's hammer-on keys are not used
  int time_offset_ms = 0;
  double start_seconds = 0.0;
  double duration_seconds = 10.0;
  int width = 1280;
  int height = 720;
  double fps = 30.0;
  double sample_rate = 44100.0;
  int block_size = 512;
  std::string output = "qlv-preview-out";
  std::string plugin;            // empty = the plug-in built beside this program
  bool grid = false;             // the four difficulties side by side
  bool frames = false;           // write frame_NNNNNN.png (also when there is no ffmpeg)
  bool video = true;             // write preview.mp4 when ffmpeg is available
  int sheet_frames = 12;         // thumbnails on the contact sheet (0 = no sheet)
  bool quiet = false;            // no progress bar and no summary
  bool verbose = false;          // say which song.ini key and which track did what
  bool compat = true;            // old charts' star power (note 103) shown as 116
  std::vector<std::string> audio;  // audio files mixed into the video
  std::string audio_dir;         // folder whose usual stems are mixed into the video
  int audio_delay_ms = 0;        // the song's delay: the chart's time 0 lies this far into the audio
  bool delay_given = false;      // --delay given: song.ini's delay is not used
  bool click = false;            // a tick on every gem of the shown difficulty
  int png_level = 1;             // zlib level of the PNG frames, 0..9 (see imagefile/png_write.h)
  VideoQuality quality = VideoQuality::kFast;  // encoder settings (see EncoderArguments)
  bool play = false;             // a live window instead of a render
  std::string settings;          // the live window's settings file; empty = the user's own
};

enum class ParseResult { kRun, kHelp, kError };

// Parses argv (argv[0] is the program). On kError, *error holds one line naming the problem.
ParseResult ParseOptions(int argc, const char* const* argv, PreviewOptions* out, std::string* error);

// The --help text.
std::string HelpText();

// "90", "90.5", "1:30", "1:02.25", "01:00:05" (h:mm:ss) → seconds. False for anything else,
// negative values and values above a day.
bool ParseTime(const std::string& text, double* seconds);

// "1280x720" (also "1280X720", "1280*720") → width, height, each 16..8192.
bool ParseSize(const std::string& text, int* width, int* height);

// The usual track of an instrument ("PART GUITAR" ...).
std::string DefaultTrack(const std::string& instrument);

// Difficulty names: "easy", "medium", "hard", "expert" (any case) or 0..3.
bool ParseDifficulty(const std::string& text, int* difficulty);
const char* DifficultyName(int difficulty);

// Frame count for a render: frames at 0, 1/fps, ... strictly before the duration; at least 1.
int64_t FrameCount(double duration_seconds, double fps);

}  // namespace qlv::cli
