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

double PreviewSession::FrameTime(int64_t index) const {
  return options_.start_seconds + static_cast<double>(index) / options_.fps;
}

int64_t PreviewSession::ChartSample(double song_seconds) const {
  return static_cast<int64_t>(std::llround((song_seconds - delay_seconds_) * options_.sample_rate));
}

bool PreviewSession::Open(std::unique_ptr<ChartProject> project, const SongInfo& song, const std::string& plugin_path,
                          const PreviewOptions& options, std::string* error) {
  options_ = options;
  delay_seconds_ = song.delay_ms / 1000.0;
  project_ = std::move(project);
  if (!project_) {
    *error = "no chart to show";
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
  if (options.grid) {
    for (int skill = 0; skill < 4; ++skill) {
      if (!OpenPanel(skill, error)) return false;
    }
  } else if (!OpenPanel(options.difficulty, error)) {
    return false;
  }
  left_.assign(static_cast<size_t>(options.block_size), 0.0f);
  right_.assign(static_cast<size_t>(options.block_size), 0.0f);
  next_block_ = ChartSample(options.start_seconds);
  started_ = false;
  return true;
}

bool PreviewSession::OpenPanel(int skill, std::string* error) {
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
  panel->parent = HostWindowCreate(index * (panel_width_ + 2 * kEditorMargin), 0, panel_width_ + kEditorMargin,
                                   panel_height_ + kEditorMargin);
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

void PreviewSession::PlayTo(int64_t sample) {
  HostTransport transport;
  transport.sample_rate = options_.sample_rate;
  transport.playing = true;
  float* outputs[2] = {left_.data(), right_.data()};
  // Blocks run until the play position has passed `sample`, at least one per frame, as a
  // workstation keeps its audio running between screen updates.
  while (!started_ || next_block_ <= sample) {
    started_ = true;
    transport.sample_pos = static_cast<double>(next_block_);
    host_->SetTransport(transport);
    for (auto& panel : panels_) {
      panel->effect->processReplacing(panel->effect, nullptr, outputs, options_.block_size);
    }
    next_block_ += options_.block_size;
  }
}

bool PreviewSession::RenderFrame(int64_t index, std::vector<uint32_t>* pixels, std::string* error) {
  PlayTo(ChartSample(FrameTime(index)));
  // One timer period: each editor follows its parent's size and asks to be repainted.
  if (!HostWindowsRunFrame(kTimerPeriodMs)) {
    *error = "the editor did not repaint in time";
    return false;
  }
  const int total_width = width();
  pixels->assign(static_cast<size_t>(total_width) * panel_height_, 0);
  const size_t panel_words = static_cast<size_t>(panel_width_) * panel_height_;
  scratch_.resize(panel_words);
  for (size_t p = 0; p < panels_.size(); ++p) {
    RECT rect{};
    GetClientRect(panels_[p]->editor, &rect);
    if (rect.right != panel_width_ || rect.bottom != panel_height_) {
      *error = "the editor did not take the requested size";
      return false;
    }
    if (!HostWindowReadPixels(panels_[p]->editor, scratch_.data(), panel_words)) {
      *error = "cannot read the editor's pixels";
      return false;
    }
    for (int y = 0; y < panel_height_; ++y) {
      const uint32_t* src = scratch_.data() + static_cast<size_t>(y) * panel_width_;
      uint32_t* dst = pixels->data() + static_cast<size_t>(y) * total_width + p * panel_width_;
      for (int x = 0; x < panel_width_; ++x) dst[x] = src[x] | 0xFF000000u;
    }
  }
  return true;
}

}  // namespace qlv::cli
