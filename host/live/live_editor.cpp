#include "host/live/live_editor.h"

#include <algorithm>

#include "host/chart_project.h"
#include "host/host_window.h"
#include <qlv_headless.h>
#include "host/plugin_host.h"
#include "state/vst.h"

namespace qlv::live {
namespace {

// The editor leaves this margin to its parent's right and bottom edges.
constexpr int kEditorMargin = 4;
// A point inside the TIME OFFS control; a drag changes the offset by 1 ms per 4 pixels.
constexpr int kTimeOffsetX = 190;
constexpr int kStripY = 16;
constexpr int kPixelsPerMillisecond = 4;

}  // namespace

LiveEditor::LiveEditor() = default;

LiveEditor::~LiveEditor() {
  if (host_ && effect_) {
    host_->Dispatch(effect_, effEditClose);
    host_->Dispatch(effect_, effMainsChanged, 0, 0);
    host_->CloseInstance(effect_);
  }
  HostWindowDestroy(host_window_);
  host_.reset();
}

bool LiveEditor::Open(const std::string& plugin_path, std::unique_ptr<ChartProject> chart, double sample_rate,
                      int block_frames, const EditorSettings& settings, int width, int height, std::string* error) {
  chart_ = std::move(chart);
  sample_rate_ = sample_rate;
  block_frames_ = std::max(block_frames, 1);
  left_.assign(static_cast<size_t>(block_frames_), 0.0f);
  right_.assign(static_cast<size_t>(block_frames_), 0.0f);
  host_ = std::make_unique<PluginHost>();
  if (!host_->Load(plugin_path, error)) return false;
  HostTransport transport;
  transport.sample_rate = sample_rate_;
  host_->SetTransport(transport);
  host_->SetDefaultContext(&chart_->project(), &chart_->track());
  effect_ = host_->CreateInstance();
  if (!effect_) {
    *error = "the plug-in refused to start (VSTPluginMain gave no effect)";
    return false;
  }
  host_->SetContext(effect_, &chart_->project(), &chart_->track());
  host_->Dispatch(effect_, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sample_rate_));
  host_->Dispatch(effect_, effSetBlockSize, 0, block_frames_);
  SetSettings(settings);
  host_->Dispatch(effect_, effMainsChanged, 0, 1);
  host_window_ = HostWindowCreate(0, 0, width + kEditorMargin, height + kEditorMargin);
  if (!host_window_) {
    *error = "cannot create a window for the editor";
    return false;
  }
  if (host_->Dispatch(effect_, effEditOpen, 0, 0, host_window_) == 0 || !GetWindow(host_window_, GW_CHILD)) {
    *error = "the plug-in could not open its editor";
    return false;
  }
  return true;
}

void LiveEditor::ReplaceChart(std::unique_ptr<ChartProject> chart) {
  host_->SetDefaultContext(&chart->project(), &chart->track());
  host_->SetContext(effect_, &chart->project(), &chart->track());
  // The plug-in reaches the chart only from inside a block or a paint, both on this thread, so
  // the old one can go now.
  chart_ = std::move(chart);
}

void LiveEditor::RunBlock(int64_t sample, bool playing) {
  HostTransport transport = host_->Transport();
  transport.sample_pos = static_cast<double>(sample);
  transport.playing = playing;
  host_->SetTransport(transport);
  float* outputs[2] = {left_.data(), right_.data()};
  if (effect_->processReplacing) effect_->processReplacing(effect_, nullptr, outputs, block_frames_);
}

void LiveEditor::Locate(int64_t sample) {
  // Stopped at the start, then stopped at the place: the position goes back, so the plug-in
  // forgets what it fetched, and then fetches from a little before the new place, which finds
  // the notes still sounding there.
  RunBlock(0, false);
  RunBlock(sample, false);
}

bool LiveEditor::Tick(unsigned milliseconds) {
  QlvHeadlessAdvanceClock(milliseconds);
  return QlvHeadlessRunPaints() > 0;
}

bool LiveEditor::ReadPixels(std::vector<uint32_t>* out, int* width, int* height) const {
  HWND editor = host_window_ ? GetWindow(host_window_, GW_CHILD) : nullptr;
  RECT client{};
  if (!editor || !GetClientRect(editor, &client)) return false;
  out->resize(static_cast<size_t>(client.right) * static_cast<size_t>(client.bottom));
  if (!HostWindowReadPixels(editor, out->data(), out->size())) return false;
  *width = client.right;
  *height = client.bottom;
  return true;
}

void LiveEditor::ResizeHost(int width, int height) {
  if (host_window_) SetWindowPos(host_window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

bool LiveEditor::Mouse(UINT message, int x, int y) { return host_window_ && HostWindowMouse(host_window_, message, x, y); }

void LiveEditor::NudgeTimeOffset(int milliseconds) {
  // Moving right raises the offset; the release writes it to the settings file.
  Mouse(WM_LBUTTONDOWN, kTimeOffsetX, kStripY);
  Mouse(WM_MOUSEMOVE, kTimeOffsetX + milliseconds * kPixelsPerMillisecond, kStripY);
  Mouse(WM_LBUTTONUP, kTimeOffsetX + milliseconds * kPixelsPerMillisecond, kStripY);
}

EditorSettings LiveEditor::Settings() const {
  EditorSettings settings;
  void* data = nullptr;
  const intptr_t size = host_->Dispatch(effect_, effGetChunk, 0, 0, &data);
  if (size < 4 || !data) return settings;
  const auto* bytes = static_cast<const unsigned char*>(data);
  settings.skill = static_cast<signed char>(bytes[0]);
  settings.mode = static_cast<signed char>(bytes[1]);
  settings.hopo = bytes[2] + 256 * bytes[3];
  return settings;
}

void LiveEditor::SetSettings(const EditorSettings& settings) {
  // The way a workstation restores a project: the 4-byte chunk.
  unsigned char chunk[4] = {static_cast<unsigned char>(settings.skill), static_cast<unsigned char>(settings.mode),
                            static_cast<unsigned char>(settings.hopo & 0xFF),
                            static_cast<unsigned char>((settings.hopo >> 8) & 0xFF)};
  host_->Dispatch(effect_, effSetChunk, 0, sizeof chunk, chunk);
}

}  // namespace qlv::live
