#include "host/editor_driver.h"

#include "host/host_window.h"

#include <algorithm>
#include <cmath>

EditorDriver::EditorDriver(PluginHost &host, AEffect *effect, int block_frames)
    : host_(host), effect_(effect), block_frames_(std::max(block_frames, 1)) {
    left_.assign(static_cast<size_t>(block_frames_), 0.0f);
    right_.assign(static_cast<size_t>(block_frames_), 0.0f);
}

EditorDriver::~EditorDriver() { Close(); }

bool EditorDriver::Open(int width, int height) {
    if (!effect_) return false;
    Close();
    if (!prepared_) {
        const HostTransport transport = host_.Transport();
        host_.Dispatch(effect_, effSetSampleRate, 0, 0, nullptr, static_cast<float>(transport.sample_rate));
        host_.Dispatch(effect_, effSetBlockSize, 0, block_frames_, nullptr, 0.0f);
        host_.Dispatch(effect_, effMainsChanged, 0, 1, nullptr, 0.0f);
        prepared_ = true;
    }
    host_window_ = HostWindowCreate(0, 0, width, height);
    if (!host_window_) return false;
    if (host_.Dispatch(effect_, effEditOpen, 0, 0, host_window_, 0.0f) != 1) {
        HostWindowDestroy(host_window_);
        host_window_ = nullptr;
        return false;
    }
    return true;
}

void EditorDriver::Close() {
    if (!host_window_) return;
    // An editor that is already gone (its instance was closed with it open) is not asked again:
    // the effect record may be gone with it.
    if (EditorWindow()) host_.Dispatch(effect_, effEditClose, 0, 0, nullptr, 0.0f);
    HostWindowDestroy(host_window_);
    host_window_ = nullptr;
}

bool EditorDriver::ResizeHostWindow(int width, int height) {
    return host_window_ && SetWindowPos(host_window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

HWND EditorDriver::EditorWindow() const { return host_window_ ? GetWindow(host_window_, GW_CHILD) : nullptr; }

void EditorDriver::Play(double seconds) {
    const HostTransport transport = host_.Transport();
    play_samples_ = std::max(0.0, seconds) * transport.sample_rate;
    playing_ = true;
}

void EditorDriver::Stop() { playing_ = false; }

double EditorDriver::PositionSeconds() const {
    const double rate = host_.Transport().sample_rate;
    return rate > 0.0 ? play_samples_ / rate : 0.0;
}

void EditorDriver::RunBlock() {
    HostTransport transport = host_.Transport();
    transport.sample_pos = play_samples_;
    transport.playing = playing_;
    host_.SetTransport(transport);
    float *outputs[2] = {left_.data(), right_.data()};
    if (effect_->processReplacing) effect_->processReplacing(effect_, nullptr, outputs, block_frames_);
    audio_samples_ += block_frames_;
    if (playing_) play_samples_ += block_frames_;
}

int EditorDriver::Frame() {
    ++frames_run_;
    const double rate = host_.Transport().sample_rate;
    const auto due = static_cast<int64_t>(std::floor(static_cast<double>(frames_run_) * FRAME_MS * rate / 1000.0));
    int blocks = 0;
    while (audio_samples_ + block_frames_ <= due) {
        RunBlock();
        ++blocks;
    }
    HostWindowsRunFrame(FRAME_MS);
    return blocks;
}

void EditorDriver::RunFor(double seconds) {
    const auto frames = static_cast<int64_t>(std::ceil(seconds * 1000.0 / FRAME_MS - 1e-9));
    for (int64_t i = 0; i < frames; ++i) Frame();
}

bool EditorDriver::ReadPixels(std::vector<uint32_t> *out, int *width, int *height) const {
    out->clear();
    HWND editor = EditorWindow();
    RECT client{};
    if (!editor || !GetClientRect(editor, &client)) return false;
    out->resize(static_cast<size_t>(client.right) * static_cast<size_t>(client.bottom));
    if (!HostWindowReadPixels(editor, out->data(), out->size())) {
        out->clear();
        return false;
    }
    *width = client.right;
    *height = client.bottom;
    return true;
}

bool EditorDriver::Mouse(UINT message, int x, int y) {
    return host_window_ && HostWindowMouse(host_window_, message, x, y);
}
