#include "host/cli/preview_session.h"

#include <cmath>
#include <cstdio>
#include <sys/stat.h>

#include "host/chart_project.h"
#include "host/plugin_host.h"
#include "host/host_window.h"
#include "state/vst.h"

namespace qlv::cli {

// The editor leaves this margin to its parent's right and bottom edges.
constexpr int kEditorMargin = 4;
// The editor repaints on a 15 ms timer.
constexpr DWORD kTimerPeriodMs = 15;
// Editor size while playing from the chart's start up to the first frame: small enough that a
// paint costs next to nothing, and still a real paint (the plug-in counts its animations and
// notices phrases and the drum flip while painting).
constexpr int kPrerollSize = 16;

struct PreviewSession::Panel {
  AEffect* effect = nullptr;
  HWND parent = nullptr;
  HWND editor = nullptr;
};

PreviewSession::PreviewSession() = default;

PreviewSession::~PreviewSession() {
  for (auto& panel : panels_) {
    if (host_ && panel->effect) {
      // Closing the editor of an instance whose editor never opened is harmless.
      host_->Dispatch(panel->effect, effEditClose);
      host_->Dispatch(panel->effect, effMainsChanged, 0, 0);
      host_->CloseInstance(panel->effect);
    }
    HostWindowDestroy(panel->parent);
  }
  panels_.clear();
  host_.reset();
}

int PreviewSession::width() const {
  const int n = static_cast<int>(panels_.size());
  return n == 0 ? 0 : panel_width_ * n + kPanelGap * (n - 1);
}

double PreviewSession::FrameTime(int64_t index) const {
  return options_.start_seconds + static_cast<double>(index) / options_.fps;
}

double PreviewSession::ChartEndSeconds() const {
  if (!project_) return 0.0;
  const MidiTrack& track = project_->track();
  return track.size() == 0 ? 0.0 : track.SecondsAt(track.size() - 1);
}

int64_t PreviewSession::TickSample(int64_t tick) const {
  return origin_ + static_cast<int64_t>(std::floor(static_cast<double>(tick) * kTimerPeriodMs *
                                                   options_.sample_rate / 1000.0));
}

bool PreviewSession::Open(std::unique_ptr<ChartProject> project, const std::string& plugin_path,
                          const PreviewOptions& options, std::string* error) {
  options_ = options;
  project_ = std::move(project);
  if (!project_) {
    if (error->empty()) *error = "no chart to show";  // else: why the chart could not be loaded
    return false;
  }
  struct stat st {};
  if (stat(plugin_path.c_str(), &st) != 0) {
    *error = "plug-in not found: " + plugin_path + " (build it first, or pass --plugin PATH)";
    return false;
  }
  host_ = std::make_unique<PluginHost>();
  if (!host_->Load(plugin_path, error)) return false;
  host_->SetDefaultContext(&project_->project(), &project_->track());
  panel_width_ = options.width;
  panel_height_ = options.height;
  // The editor clock and the play position start at the chart's start: a later first frame is
  // reached by playing through what comes before it, at a tiny size.
  origin_ = 0;
  const int64_t first = static_cast<int64_t>(std::llround(options.start_seconds * options.sample_rate));
  full_size_ = first <= origin_;
  const int open_width = full_size_ ? panel_width_ : kPrerollSize;
  const int open_height = full_size_ ? panel_height_ : kPrerollSize;
  if (options.grid) {
    for (int skill = 0; skill < 4; ++skill) {
      if (!OpenPanel(skill, open_width, open_height, error)) return false;
    }
  } else if (!OpenPanel(options.difficulty, open_width, open_height, error)) {
    return false;
  }
  left_.assign(static_cast<size_t>(options.block_size), 0.0f);
  right_.assign(static_cast<size_t>(options.block_size), 0.0f);
  // As in a workstation, the transport stands at the start before playing begins.
  played_ = origin_;
  RunBlock(options.block_size, false);
  next_tick_ = 0;
  return true;
}

bool PreviewSession::OpenPanel(int skill, int window_width, int window_height, std::string* error) {
  // Kept from the start so that the destructor closes whatever part of it was opened.
  panels_.push_back(std::make_unique<Panel>());
  Panel* panel = panels_.back().get();
  panel->effect = host_->CreateInstance();
  if (!panel->effect) {
    *error = "the plug-in refused to start (VSTPluginMain gave no effect)";
    return false;
  }
  host_->SetContext(panel->effect, &project_->project(), &project_->track());
  host_->Dispatch(panel->effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(options_.sample_rate));
  host_->Dispatch(panel->effect, effSetBlockSize, 0, options_.block_size);
  // The settings travel the way a host restores a project: the 4-byte chunk.
  unsigned char chunk[4] = {static_cast<unsigned char>(skill), static_cast<unsigned char>(options_.mode),
                            static_cast<unsigned char>(options_.hopo_threshold & 0xFF),
                            static_cast<unsigned char>((options_.hopo_threshold >> 8) & 0xFF)};
  host_->Dispatch(panel->effect, effSetChunk, 0, sizeof chunk, chunk);
  host_->Dispatch(panel->effect, effMainsChanged, 0, 1);
  const int index = static_cast<int>(panels_.size()) - 1;
  panel->parent = HostWindowCreate(index * (panel_width_ + 2 * kEditorMargin), 0, window_width + kEditorMargin,
                                   window_height + kEditorMargin);
  if (!panel->parent) {
    *error = "cannot create a window for the editor";
    return false;
  }
  if (host_->Dispatch(panel->effect, effEditOpen, 0, 0, panel->parent) == 0) {
    *error = "the plug-in could not open its editor";
    return false;
  }
  panel->editor = GetWindow(panel->parent, GW_CHILD);
  if (!panel->editor) {
    *error = "the plug-in's editor made no window";
    return false;
  }
  return true;
}

bool PreviewSession::ResizePanels(int width, int height) {
  for (auto& panel : panels_) {
    if (!HostWindowSetClientSize(panel->parent, width + kEditorMargin, height + kEditorMargin)) return false;
  }
  return true;
}

void PreviewSession::RunBlock(int samples, bool playing) {
  HostTransport transport;
  transport.sample_rate = options_.sample_rate;
  transport.playing = playing;
  transport.sample_pos = static_cast<double>(played_);
  host_->SetTransport(transport);
  float* outputs[2] = {left_.data(), right_.data()};
  for (auto& panel : panels_) panel->effect->processReplacing(panel->effect, nullptr, outputs, samples);
  if (playing) played_ += samples;
}

void PreviewSession::PlayTo(int64_t sample, bool split) {
  const int64_t block = options_.block_size;
  while (played_ + block <= sample) RunBlock(options_.block_size, true);
  if (split && played_ < sample) RunBlock(static_cast<int>(sample - played_), true);
}

bool PreviewSession::RenderFrame(int64_t index, std::vector<uint32_t>* pixels, std::string* error) {
  const int64_t target = static_cast<int64_t>(std::llround(FrameTime(index) * options_.sample_rate));
  // Every tick up to the frame's time runs and paints; the last one sees the audio played to
  // exactly the frame's time, so the frame shows that time.
  while (TickSample(next_tick_) <= target) {
    const bool last = TickSample(next_tick_ + 1) > target;
    if (last && !full_size_) {
      if (!ResizePanels(panel_width_, panel_height_)) {
        *error = "cannot resize the editor's window";
        return false;
      }
      full_size_ = true;
    }
    PlayTo(last ? target : TickSample(next_tick_), last);
    if (!full_size_) {
      // Playing up to the first frame: nothing is watched, so the ticks need not wait for a
      // real clock either.
      HostWindowsTickNow();
    } else if (!HostWindowsRunFrame(kTimerPeriodMs)) {
      // One timer period: each editor follows its parent's size and asks to be repainted.
      *error = "the editor did not repaint in time";
      return false;
    }
    ++next_tick_;
  }
  PlayTo(target, true);
  const int total_width = width();
  if (panels_.size() > 1) {
    pixels->assign(static_cast<size_t>(total_width) * panel_height_, kGapColor);  // the gaps between panels
  } else {
    pixels->resize(static_cast<size_t>(total_width) * panel_height_);  // the panel covers every word
  }
  for (size_t p = 0; p < panels_.size(); ++p) {
    RECT rect{};
    GetClientRect(panels_[p]->editor, &rect);
    if (rect.right != panel_width_ || rect.bottom != panel_height_) {
      *error = "the editor did not take the requested size";
      return false;
    }
    const size_t left = p * static_cast<size_t>(panel_width_ + kPanelGap);
    if (!HostWindowReadFrame(panels_[p]->editor, pixels->data() + left, static_cast<size_t>(total_width),
                             pixels->size() - left)) {
      *error = "cannot read the editor's pixels";
      return false;
    }
  }
  return true;
}

}  // namespace qlv::cli
