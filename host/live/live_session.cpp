#include "host/live/live_session.h"

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "host/chart_project.h"
#include "host/cli/chart_input.h"
#include "host/cli/song_audio.h"
#include "host/live/live_run.h"
#include "host/live/pcm_decode.h"

namespace qlv::live {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// The editor's timer period; the window is served on the same beat.
constexpr double kPeriodMs = 15.0;
// The chart file is looked at every few ticks (about ten times a second).
constexpr int64_t kWatchEveryTicks = 7;
constexpr int kEditorMargin = 4;

const char* ModeName(int mode) {
  switch (mode) {
    case 0: return "Guitar/Bass";
    case 1: return "Pro Drums";
    case 2: return "Drums (std)";
    default: return "Keys";
  }
}

}  // namespace

LiveSession::LiveSession(const cli::PreviewOptions& options, std::FILE* out, std::FILE* err)
    : options_(options), out_(out), err_(err), clock_(static_cast<int>(options.sample_rate)) {}

LiveSession::~LiveSession() = default;

bool LiveSession::Prepare(const std::string& fallback_chart, const std::string& plugin, std::string* error) {
  fallback_chart_ = fallback_chart;
  plugin_path_ = plugin;
  track_ = options_.track;
  instrument_ = InstrumentIndex(options_.instrument);
  cli::ChartInput input;
  if (!cli::OpenChartInput(options_, fallback_chart_, &input, error)) return false;
  for (const std::string& notice : input.notices) std::fprintf(err_, "qlv-preview: %s\n", notice.c_str());
  if (options_.verbose)
    for (const std::string& detail : input.details) std::fprintf(out_, "%s\n", detail.c_str());
  project_ = std::move(input.project);
  chart_path_ = input.song.chart_path;
  if (!input.song.folder.empty())
    ini_path_ = input.song.ini_path.empty() ? input.song.folder + "/song.ini" : input.song.ini_path;
  options_.mode = input.mode;
  options_.hopo_threshold = input.hopo_threshold;
  loaded_mode_ = static_cast<int>(input.mode);
  loaded_hopo_ = input.hopo_threshold;
  delay_ms_ = options_.delay_given ? options_.audio_delay_ms : input.song.delay_ms;
  struct stat st {};
  if (stat(plugin.c_str(), &st) != 0) {
    *error = "plug-in not found: " + plugin + " (build it first, or pass --plugin PATH)";
    return false;
  }
  std::vector<std::string> files;
  if (!cli::CollectSongAudio(options_, input.song, &files, error)) return false;
  if (files.empty()) return true;
  // Sample 0 of the song as played is the chart's time 0, which lies the song's delay into the
  // audio, as in the render.
  std::vector<cli::SoundInput> inputs;
  for (const std::string& file : files) inputs.push_back({file, delay_ms_ / 1000.0});
  has_audio_ = DecodePcm(inputs, static_cast<int>(options_.sample_rate), &pcm_, error);
  return has_audio_;
}

bool LiveSession::Open(std::string* error) {
  if (has_audio_) {
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
  if (!ini_path_.empty()) ini_watch_ = std::make_unique<FileWatch>(ini_path_);
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
  // The first picture goes to the screen before the clock starts too: the window system sets up
  // its shared memory on the first one, which would make the first tick late.
  int first_width = 0, first_height = 0;
  if (editor_.ReadPixels(&pixels_, &first_width, &first_height) &&
      !window_.Present(pixels_.data(), first_width, first_height, &error)) {
    std::fprintf(err_, "qlv-preview: %s\n", error.c_str());
    return 1;
  }
  // The loop sleeps most of each period, so asking for a larger share of the processor costs
  // others little, and a busy machine then delays a frame less often. Where the system refuses
  // (no privilege, no rtkit), the loop simply runs at the normal priority.
  if (SDL_SetThreadPriority(SDL_THREAD_PRIORITY_HIGH) != 0 && options_.verbose) {
    std::fprintf(err_, "qlv-preview: the window keeps the normal priority (%s)\n", SDL_GetError());
  }
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

}  // namespace qlv::live
