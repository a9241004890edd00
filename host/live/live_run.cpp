#include "host/live/live_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/chart_project.h"
#include "host/host_project.h"
#include "host/live/audio_clock.h"
#include "host/live/file_watch.h"
#include "host/live/frame_stats.h"
#include "host/live/live_editor.h"
#include "host/live/live_window.h"
#include "host/live/pcm_decode.h"
#include "imagefile/png_write.h"

namespace qlv::live {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// The editor's timer period; the window is served on the same beat.
constexpr double kPeriodMs = 15.0;
// The chart file is looked at every few ticks (about ten times a second).
constexpr int64_t kWatchEveryTicks = 7;
// A clock that ran this far ahead of the blocks (a stalled machine) is followed by a jump.
constexpr double kCatchUpSeconds = 1.0;
constexpr int kHopoStep = 10;
constexpr int kHopoMin = 32, kHopoMax = 1920;
constexpr int kOffsetStepMs = 5;
constexpr int kEditorMargin = 4;

struct Instrument {
  const char* name;
  int mode;
};
constexpr Instrument kInstruments[] = {{"guitar", 0}, {"bass", 0},  {"rhythm", 0},
                                       {"pro-drums", 1}, {"drums", 2}, {"keys", 3}};
constexpr int kInstrumentCount = static_cast<int>(sizeof kInstruments / sizeof kInstruments[0]);

const char* ModeName(int mode) {
  switch (mode) {
    case 0: return "Guitar/Bass";
    case 1: return "Pro Drums";
    case 2: return "Drums (std)";
    default: return "Keys";
  }
}

std::string DefaultSettingsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config && *config) {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    folder = std::string(home && *home ? home : ".") + "/.config";
  }
  return folder + "/qlv-preview/settings.ini";
}

// Makes the folders above `file`; failures show up when the file is written.
void MakeParentFolders(const std::string& file) {
  for (size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
    mkdir(file.substr(0, slash).c_str(), 0755);
  }
}

// SDL stays initialised for the rest of a run once started; it is declared before everything
// made with it, so that all of that goes first.
struct SdlRun {
  bool started = false;
  bool Start() { return started = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0; }
  ~SdlRun() {
    if (started) SDL_Quit();
  }
};

class LiveSession {
 public:
  LiveSession(const cli::PreviewOptions& options, std::FILE* out, std::FILE* err)
      : options_(options), out_(out), err_(err), clock_(static_cast<int>(options.sample_rate)) {}

  // Reads the chart and decodes the audio: everything that can fail on bad input before a
  // window or a sound device is touched.
  bool Prepare(const std::string& chart, const std::string& plugin, std::string* error);
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
  void CycleInstrument();
  void ChangeSettings(int skill, int hopo_delta);
  void UpdateTitle();
  void SavePicture();
  std::string Title() const;

  cli::PreviewOptions options_;
  std::FILE* out_;
  std::FILE* err_;
  AudioClock clock_;
  LiveEditor editor_;
  LiveWindow window_;
  std::unique_ptr<FileWatch> watch_;
  std::unique_ptr<ChartProject> project_;  // read by Prepare, handed to the editor by Open
  std::vector<int16_t> pcm_;               // the same for the song
  std::string plugin_path_;
  std::string chart_path_;
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

bool LiveSession::Prepare(const std::string& chart, const std::string& plugin, std::string* error) {
  chart_path_ = chart;
  plugin_path_ = plugin;
  track_ = options_.track;
  for (int i = 0; i < kInstrumentCount; ++i) {
    if (options_.instrument == kInstruments[i].name) instrument_ = i;
  }
  struct stat st {};
  if (stat(chart.c_str(), &st) != 0) {
    *error = "chart not found: " + chart;
    return false;
  }
  project_ = ChartProject::Load(chart, track_, error);
  if (!project_) return false;
  if (stat(plugin.c_str(), &st) != 0) {
    *error = "plug-in not found: " + plugin + " (build it first, or pass --plugin PATH)";
    return false;
  }
  return options_.audio.empty() || DecodePcm(options_.audio, static_cast<int>(options_.sample_rate), &pcm_, error);
}

bool LiveSession::Open(std::string* error) {
  if (!options_.audio.empty()) {
    std::string why;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      why = SDL_GetError();
    } else {
      clock_.OpenDevice(std::move(pcm_), &why);
    }
    if (!clock_.HasDevice()) {
      std::fprintf(err_, "qlv-preview: no audio device (%s): playing without sound on a steady clock\n", why.c_str());
    }
  }
  EditorSettings settings;
  settings.skill = options_.difficulty;
  settings.mode = static_cast<int>(options_.mode);
  settings.hopo = options_.hopo_threshold;
  if (!editor_.Open(plugin_path_, std::move(project_), options_.sample_rate, options_.block_size, settings,
                    options_.width, options_.height, error))
    return false;
  title_ = Title();
  if (!window_.Open(title_, options_.width + kEditorMargin, options_.height + kEditorMargin, error)) return false;
  watch_ = std::make_unique<FileWatch>(chart_path_);
  return true;
}

std::string LiveSession::Title() const {
  const EditorSettings settings = editor_.Settings();
  std::string name = chart_path_.substr(chart_path_.find_last_of('/') + 1);
  return "QLV Preview: " + name + " - " + cli::DifficultyName(settings.skill) + " " + ModeName(settings.mode) +
         " (" + track_ + ") - " + KeyHelp();
}

void LiveSession::UpdateTitle() {
  std::string title = Title();
  if (title != title_) {
    title_ = title;
    window_.SetTitle(title_);
  }
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

void LiveSession::ChangeSettings(int skill, int hopo_delta) {
  EditorSettings settings = editor_.Settings();
  if (skill >= 0) settings.skill = skill;
  settings.hopo = std::clamp(settings.hopo + hopo_delta, kHopoMin, kHopoMax);
  editor_.SetSettings(settings);
}

void LiveSession::HandleKey(const SDL_Keysym& key, bool repeat) {
  const double rate = options_.sample_rate;
  const int64_t seek_step = static_cast<int64_t>(((key.mod & KMOD_SHIFT) ? 1.0 : 5.0) * rate);
  switch (key.sym) {
    case SDLK_SPACE:
      if (repeat) break;
      clock_.SetPlaying(!clock_.Playing());
      next_block_ = clock_.Position();
      break;
    case SDLK_LEFT: Seek(clock_.Position() - seek_step); break;
    case SDLK_RIGHT: Seek(clock_.Position() + seek_step); break;
    case SDLK_HOME: Seek(0); break;
    case SDLK_1: case SDLK_KP_1: ChangeSettings(0, 0); break;
    case SDLK_2: case SDLK_KP_2: ChangeSettings(1, 0); break;
    case SDLK_3: case SDLK_KP_3: ChangeSettings(2, 0); break;
    case SDLK_4: case SDLK_KP_4: ChangeSettings(3, 0); break;
    case SDLK_i: if (!repeat) CycleInstrument(); break;
    case SDLK_PLUS: case SDLK_EQUALS: case SDLK_KP_PLUS: ChangeSettings(-1, kHopoStep); break;
    case SDLK_MINUS: case SDLK_KP_MINUS: ChangeSettings(-1, -kHopoStep); break;
    case SDLK_LEFTBRACKET: editor_.NudgeTimeOffset(-kOffsetStepMs); break;
    case SDLK_RIGHTBRACKET: editor_.NudgeTimeOffset(kOffsetStepMs); break;
    case SDLK_f: if (!repeat) window_.ToggleFullScreen(); break;
    case SDLK_p: if (!repeat) picture_wanted_ = true; break;
    case SDLK_q: case SDLK_ESCAPE: running_ = false; break;
    default: break;
  }
}

void LiveSession::HandleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:  // the window's close button, and Ctrl-C or a termination signal
      running_ = false;
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        editor_.ResizeHost(event.window.data1, event.window.data2);
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (event.button.button == SDL_BUTTON_LEFT) {
        editor_.Mouse(event.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP, event.button.x,
                      event.button.y);
      }
      break;
    case SDL_MOUSEMOTION:
      editor_.Mouse(WM_MOUSEMOVE, event.motion.x, event.motion.y);
      break;
    case SDL_KEYDOWN:
      HandleKey(event.key.keysym, event.key.repeat != 0);
      break;
    case SDL_AUDIODEVICEREMOVED:
      if (!event.adevice.iscapture && clock_.HasDevice() && event.adevice.which == clock_.device()) {
        device_lost_ = true;
        running_ = false;
      }
      break;
    default:
      break;
  }
}

void LiveSession::SavePicture() {
  std::vector<uint32_t> shown;
  int width = 0, height = 0;
  std::string error;
  if (!window_.Capture(&shown, &width, &height)) {
    std::fprintf(err_, "qlv-preview: cannot read the window's picture: %s\n", SDL_GetError());
    return;
  }
  std::string name;
  struct stat st {};
  do {
    char text[32];
    std::snprintf(text, sizeof text, "qlv-live-%03d.png", ++pictures_);
    name = text;
  } while (stat(name.c_str(), &st) == 0);
  tools::PixelView view{shown.data(), width, height, width};
  if (!tools::WritePngFile(name, view, 6, &error)) {
    std::fprintf(err_, "qlv-preview: %s\n", error.c_str());
    return;
  }
  std::fprintf(out_, "picture %s at %s (%s audio block from sample %lld)\n", name.c_str(),
               cli::TimeLabel(static_cast<double>(last_block_) / options_.sample_rate).c_str(),
               last_block_playing_ ? "playing" : "stopped", static_cast<long long>(last_block_));
  std::fflush(out_);
}

int LiveSession::Run() {
  std::string error;
  if (!Open(&error)) {
    std::fprintf(err_, "qlv-preview: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(out_, "playing %s live (%s)\n", chart_path_.c_str(), KeyHelp());
  std::fflush(out_);
  Seek(static_cast<int64_t>(std::llround(options_.start_seconds * options_.sample_rate)));
  // The first paint loads and scales the pictures; it happens before the clock starts, so the
  // song does not run ahead of a window that is still getting ready.
  Block(next_block_, false);
  editor_.Tick(static_cast<unsigned>(kPeriodMs));
  clock_.SetPlaying(true);

  const auto start = Clock::now();
  const auto period = std::chrono::duration_cast<Clock::duration>(Milliseconds(kPeriodMs));
  int64_t tick = 0;
  int64_t clock_ms = 0;  // the editor's clock: milliseconds since the start, like the real one
  while (running_) {
    const auto due = start + tick * period;
    std::this_thread::sleep_until(due);
    SDL_Event event;
    while (SDL_PollEvent(&event)) HandleEvent(event);
    if (!running_) break;
    if (tick % kWatchEveryTicks == 0) {
      WatchChart();
      UpdateTitle();
    }
    // The sound being heard as the blocks are handed over, just before the editor paints.
    const int64_t heard = RunBlocks();
    const auto now_ms = static_cast<int64_t>(Milliseconds(Clock::now() - start).count());
    const bool painted = editor_.Tick(static_cast<unsigned>(now_ms - clock_ms));
    clock_ms = now_ms;
    int width = 0, height = 0;
    if (painted && editor_.ReadPixels(&pixels_, &width, &height)) {
      if (!window_.Present(pixels_.data(), width, height, &error)) {
        std::fprintf(err_, "qlv-preview: %s\n", error.c_str());
        return 1;
      }
      const auto shown = Clock::now();
      stats_.Frame(Milliseconds(shown - due).count(), kPeriodMs);
      if (clock_.Playing()) stats_.Sync(display_, heard);
      if (picture_wanted_) {
        picture_wanted_ = false;
        SavePicture();
      }
    }
    ++tick;
    // A loop more than a period behind starts again on the next whole tick.
    const int64_t behind = static_cast<int64_t>(Milliseconds(Clock::now() - start).count() / kPeriodMs);
    if (behind > tick) {
      stats_.skipped += behind - tick;
      tick = behind;
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::fprintf(out_,
               "%lld frames in %.1f s at %dx%d: %lld later than %.0f ms (worst %.1f ms), %lld ticks skipped; "
               "picture and sound at most %lld samples apart (one audio block: %d)\n",
               static_cast<long long>(stats_.frames), seconds, options_.width, options_.height,
               static_cast<long long>(stats_.late), kPeriodMs, stats_.worst_late_ms,
               static_cast<long long>(stats_.skipped), static_cast<long long>(stats_.worst_sync),
               options_.block_size);
  if (device_lost_) {
    std::fprintf(err_, "qlv-preview: the audio device was lost; stopped\n");
    return 1;
  }
  return 0;
}

}  // namespace

const char* KeyHelp() {
  return "Space play/pause, Left/Right -/+5 s (Shift 1 s), Home start, 1-4 difficulty, I instrument, "
         "+/- HOPO, [ ] offset, F full screen, P picture, Q quit";
}

int RunLive(const cli::PreviewOptions& options, const cli::BuildPaths& paths, std::FILE* out, std::FILE* err) {
  if (options.grid) {
    std::fprintf(err, "qlv-preview: --play shows one difficulty; --grid is for renders\n");
    return 2;
  }
  const std::string chart = options.chart.empty() ? paths.demo_chart : options.chart;
  const std::string plugin = options.plugin.empty() ? paths.plugin : options.plugin;
  // The settings file stands for the workstation's own: the editor writes the time offset there.
  const std::string settings = options.settings.empty() ? DefaultSettingsPath() : options.settings;
  MakeParentFolders(settings);
  if (options.time_offset_ms != 0) {
    const std::string value = std::to_string(options.time_offset_ms);
    WritePrivateProfileStringA("qlview", "timeoffs", value.c_str(), settings.c_str());
  }
  SetHostIniFile(settings.c_str());

  SdlRun sdl;
  LiveSession session(options, out, err);
  std::string error;
  if (!session.Prepare(chart, plugin, &error)) {
    std::fprintf(err, "qlv-preview: %s\n", error.c_str());
    return 1;
  }
  if (!sdl.Start()) {
    std::fprintf(err, "qlv-preview: cannot start the window system: %s\n", SDL_GetError());
    return 1;
  }
  return session.Run();
}

}  // namespace qlv::live
