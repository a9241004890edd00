#include "host/cli/preview_run.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cmath>
#include <memory>
#include <vector>

#include "host/cli/chart_input.h"
#include "host/cli/click_track.h"
#include "host/cli/contact_sheet.h"
#include "host/cli/frame_pipeline.h"
#include "host/cli/ini_override.h"
#include "host/cli/output_folder.h"
#include "host/cli/picture_check.h"
#include "host/cli/preview_session.h"
#include "host/cli/progress_bar.h"
#include "host/cli/song_audio.h"
#include "host/cli/video_pipe.h"
#include "imagefile/png_write.h"

namespace qlv::cli {
namespace {

constexpr const char* kVideoName = "preview.mp4";
constexpr const char* kSheetName = "contact_sheet.png";
constexpr const char* kClickName = "click.wav";
constexpr int kClickRate = 48000;

#if defined(_WIN32)
constexpr const char* kGetFfmpeg = "install ffmpeg and put it on PATH";
#else
constexpr const char* kGetFfmpeg = "apt-get install ffmpeg";
#endif

const char* InstrumentLabel(const PreviewOptions& o) {
  if (o.instrument == "guitar") return "Guitar";
  if (o.instrument == "bass") return "Bass";
  if (o.instrument == "rhythm") return "Rhythm";
  if (o.mode == Mode::kProDrums) return "Pro Drums";
  if (o.mode == Mode::kDrums) return "Drums";
  return "Keys";
}

// Set by SIGINT/SIGTERM; the frame loop stops at the next frame and the staged files go.
volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) { g_interrupted = 1; }

// Routes both signals to OnInterrupt for the life of a render, then restores what was there.
#if defined(_WIN32)
// The C runtime's signal() is all there is on Windows (Ctrl-C arrives as SIGINT).
class InterruptGuard {
 public:
  InterruptGuard() {
    g_interrupted = 0;
    old_int_ = signal(SIGINT, OnInterrupt);
    old_term_ = signal(SIGTERM, OnInterrupt);
  }
  ~InterruptGuard() {
    signal(SIGINT, old_int_);
    signal(SIGTERM, old_term_);
  }

 private:
  void (*old_int_)(int) = SIG_DFL;
  void (*old_term_)(int) = SIG_DFL;
};
#else
class InterruptGuard {
 public:
  InterruptGuard() {
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &old_int_);
    sigaction(SIGTERM, &action, &old_term_);
  }
  ~InterruptGuard() {
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGTERM, &old_term_, nullptr);
  }

 private:
  struct sigaction old_int_ {};
  struct sigaction old_term_ {};
};
#endif

int Fail(std::FILE* err, const std::string& message) {
  if (g_interrupted) {
    // A failure caused by the interruption (the encoder got the signal too) is reported as such.
    std::fprintf(err, "qlv-preview: interrupted; nothing was saved\n");
    return 130;
  }
  std::fprintf(err, "qlv-preview: %s\n", message.c_str());
  return 1;
}

}  // namespace

std::string TimeLabel(double seconds) {
  if (!(seconds >= 0.0)) seconds = 0.0;
  long long centis = std::llround(seconds * 100.0);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld.%02lld", centis / 6000, (centis / 100) % 60, centis % 100);
  return text;
}

int RunPreview(const PreviewOptions& options, const BuildPaths& paths, std::FILE* out, std::FILE* err) {
  const auto began = std::chrono::steady_clock::now();
  const std::string plugin = options.plugin.empty() ? paths.plugin : options.plugin;

  InterruptGuard interrupts;
  std::string error;
  ChartInput input;
  if (!OpenChartInput(options, paths.demo_chart, &input, &error)) return Fail(err, error);
  for (const std::string& notice : input.notices) std::fprintf(err, "qlv-preview: %s\n", notice.c_str());
  if (options.verbose)
    for (const std::string& detail : input.details) std::fprintf(out, "%s\n", detail.c_str());
  const SongInfo song = input.song;
  std::vector<std::string> audio_files;
  if (!CollectSongAudio(options, song, &audio_files, &error)) return Fail(err, error);
  OutputFolder folder;
  if (!folder.Prepare(options.output, &error)) return Fail(err, error);
  auto fail = [&](const std::string& message) { return Fail(err, folder.Explain(message)); };
  IniOverride ini;
  if (!ini.Create(options.time_offset_ms, &error)) return fail(error);

  PreviewOptions effective = options;
  effective.mode = input.mode;
  effective.hopo_threshold = input.hopo_threshold;
  if (!options.delay_given) effective.audio_delay_ms = song.delay_ms;
  if (options.grid && options.width == 1280 && options.height == 720) {
    // Four panels of the default size would make a 5120-pixel picture; a grid panel defaults
    // to a quarter of a 1920-pixel row.
    effective.width = 480;
    effective.height = 540;
  }
  PreviewSession session;
  if (!session.Open(std::move(input.project), plugin, effective, &error)) return fail(error);
  const std::string pictures = PictureFolderWarning(plugin);
  if (!pictures.empty()) std::fprintf(err, "qlv-preview: warning: %s\n", pictures.c_str());
  if (options.start_seconds > session.ChartEndSeconds()) {
    std::fprintf(out, "note: the chart ends at %s, before the start %s: the highway shows no notes\n",
                 TimeLabel(session.ChartEndSeconds()).c_str(), TimeLabel(options.start_seconds).c_str());
  }

  const int64_t frame_count = FrameCount(options.duration_seconds, options.fps);
  const int width = session.width(), height = session.height();

  std::unique_ptr<VideoPipe> video;
  std::string video_note;
  bool frames = options.frames;
  if (options.video) {
    const std::string ffmpeg = FindOnPath("ffmpeg");
    if (ffmpeg.empty()) {
      video_note = std::string("no preview.mp4: ffmpeg is not installed (") + kGetFfmpeg + "); PNG frames instead";
      frames = true;
    } else {
      Soundtrack sound;
      sound.duration_seconds = static_cast<double>(frame_count) / options.fps;
      // The chart's time 0 lies the song's delay into the audio.
      const double seek = options.start_seconds + effective.audio_delay_ms / 1000.0;
      for (const std::string& f : audio_files) sound.inputs.push_back({f, seek});
      if (options.click) {
        std::vector<double> gems;
        if (!GemTimes(input.file, input.track_index, song.chart_path, options.difficulty, &gems, &error))
          return fail(error);
        const std::string click = folder.StagedPath(kClickName);
        if (!WriteClickTrack(click, gems, options.start_seconds, sound.duration_seconds, kClickRate, &error))
          return fail(error);
        sound.inputs.push_back({click, 0.0});
      }
      video = std::make_unique<VideoPipe>();
      video->SetSound(sound);
      video->SetQuality(options.quality);
      if (!video->Open(ffmpeg, folder.StagedPath(kVideoName), width, height, options.fps, &error))
        return fail(error);
    }
  }
  // A grid's sheet has one thumbnail per panel, the difficulties of one moment in a row.
  const int panels = session.panel_count();
  const int panel_width = session.panel_width();
  const std::vector<int64_t> sheet_frames =
      SheetFrameIndexes(frame_count, panels > 1 ? std::max(1, options.sheet_frames / panels) : options.sheet_frames);
  std::unique_ptr<ContactSheet> sheet;
  if (options.sheet_frames > 0 && !sheet_frames.empty())
    sheet = std::make_unique<ContactSheet>(static_cast<int>(sheet_frames.size()) * panels, panel_width, height,
                                           panels > 1 ? panels : 4, song.Caption());

  // The plug-in paints on this thread (the one that opened its editor); the encoder's pipe and the
  // PNG files are fed from the pipeline's threads meanwhile.
  FramePipeline::Config stages;
  if (video) {
    stages.in_order = [&video](int64_t, const std::vector<uint32_t>& pixels, std::string* why) {
      return video->Write(pixels.data(), why);
    };
  }
  if (frames) {
    const int level = options.png_level;
    stages.any_order = [&folder, width, height, level](int64_t f, const std::vector<uint32_t>& pixels,
                                                       std::string* why) {
      char name[32];
      std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(f + 1));
      const tools::PixelView view{pixels.data(), width, height, width};
      return tools::WritePngFile(folder.StagedPath(name), view, level, why);
    };
    stages.workers = FramePipeline::DefaultWorkers();
  }
  stages.buffers = FramePipeline::BuffersFor(frames ? stages.workers : 0, static_cast<size_t>(width) * height * 4);
  FramePipeline pipeline(std::move(stages));

  ProgressBar progress(err, frame_count, !options.quiet && isatty(fileno(err)));
  std::vector<uint32_t> panel_pixels;
  size_t next_sheet = 0;
  for (int64_t f = 0; f < frame_count; ++f) {
    if (g_interrupted) {
      pipeline.Abort();
      progress.Finish();
      return fail("interrupted");
    }
    std::vector<uint32_t>* buffer = pipeline.Acquire();
    if (!buffer) break;  // a sink failed: Finish says why
    std::vector<uint32_t>& pixels = *buffer;
    if (!session.RenderFrame(f, &pixels, &error)) {
      pipeline.Abort();
      progress.Finish();
      return fail(error);
    }
    if (sheet && next_sheet < sheet_frames.size() && sheet_frames[next_sheet] == f) {
      const std::string time = TimeLabel(session.FrameTime(f));
      for (int p = 0; p < panels; ++p) {
        panel_pixels.resize(static_cast<size_t>(panel_width) * height);
        for (int y = 0; y < height; ++y) {
          const uint32_t* row = pixels.data() + static_cast<size_t>(y) * width +
                                static_cast<size_t>(p) * (panel_width + PreviewSession::kPanelGap);
          std::copy(row, row + panel_width, panel_pixels.begin() + static_cast<size_t>(y) * panel_width);
        }
        const std::string label = panels > 1 ? time + " " + DifficultyName(p) : time;
        sheet->Place(static_cast<int>(next_sheet) * panels + p, panel_pixels.data(), label);
      }
      ++next_sheet;
    }
    pipeline.Submit(f, buffer);
    progress.Update(f + 1);
  }
  const bool kept = pipeline.Finish(&error);
  progress.Finish();
  if (!kept) return fail(error);
  if (video && !video->Close(&error)) return fail(error);
  if (sheet) {
    tools::PixelView view{sheet->pixels(), sheet->width(), sheet->height(), sheet->width()};
    if (!tools::WritePngFile(folder.StagedPath(kSheetName), view, 6, &error)) return fail(error);
  }
  std::error_code ec;
  std::filesystem::remove(folder.StagedPath(kClickName), ec);  // only the encoder's input
  if (!folder.Commit(&error)) return fail(error);

  if (!options.quiet) {
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::string what = options.grid ? std::string("all difficulties of ") + InstrumentLabel(effective)
                                    : std::string(DifficultyName(options.difficulty)) + " " + InstrumentLabel(effective);
    if (!song.Caption().empty()) what += " of \"" + song.Caption() + "\"";
    std::string files;
    if (frames) files += "frames";
    if (sheet) files += std::string(files.empty() ? "" : ", ") + kSheetName;
    if (video) files += std::string(files.empty() ? "" : ", ") + kVideoName;
    if (!video_note.empty()) std::fprintf(out, "%s\n", video_note.c_str());
    if (video && !audio_files.empty()) files += ", sound";
    if (video && options.click) files += ", click";
    std::fprintf(out, "%lld frames of %s (%s from %s, %dx%d at %g fps) in %.1f s -> %s (%s)\n",
                 static_cast<long long>(frame_count), what.c_str(), TimeLabel(options.duration_seconds).c_str(),
                 TimeLabel(options.start_seconds).c_str(), width, height, options.fps, took,
                 folder.DisplayName().c_str(), files.empty() ? "nothing kept" : files.c_str());
  }
  return 0;
}

}  // namespace qlv::cli
