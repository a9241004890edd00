// Drives one plug-in instance's editor the way a workstation with a screen would: a host window
// of a given size holds the editor; every frame runs the audio blocks that fall before the
// frame's time (in order, on the calling thread, with the host transport following them), then
// lets one timer period pass so the editor's timer fires, runs the paint and reads the editor's
// pixels (host_window.h: real windows and time on Windows, the headless clock elsewhere).
//
// Threads: the host's main thread only (the window system is single-threaded); the audio blocks
// run on that thread too, one after another, as a workstation's audio thread would run them.
// Ownership: the driver owns the host window; `host` and `effect` must outlive it.
#pragma once

#include <cstdint>
#include <vector>

#include <windows.h>

#include "host/plugin_host.h"

class EditorDriver {
public:
    // One frame lasts one editor timer period.
    static constexpr int FRAME_MS = 15;

    // `block_frames`: audio block length in samples (values below 1 become 1). The sample rate is
    // the host transport's.
    EditorDriver(PluginHost &host, AEffect *effect, int block_frames = 512);
    // Closes the editor and destroys the host window.
    ~EditorDriver();
    EditorDriver(const EditorDriver &) = delete;
    EditorDriver &operator=(const EditorDriver &) = delete;

    // Makes a host window with a client area of width × height pixels and opens the editor in it
    // (effEditOpen). The first opening also prepares processing: sample rate, block size and
    // processing switched on. False when the window or the editor could not be made.
    bool Open(int width, int height);
    // effEditClose (when the editor is still there) and the host window's destruction. Nothing
    // happens when not open. Closing the instance with the editor open and then this is fine.
    void Close();
    bool IsOpen() const { return host_window_ != nullptr; }

    HWND HostWindow() const { return host_window_; }
    // Resizes the host window's client area; the editor follows at its next timer tick.
    bool ResizeHostWindow(int width, int height);
    // The editor dialog: the host window's child, or null.
    HWND EditorWindow() const;

    // Transport: playback from `seconds` on, or stopped where it is. Stopped, the audio blocks
    // still run with the position standing still.
    void Play(double seconds);
    void Stop();
    double PositionSeconds() const;

    // One frame: audio blocks up to the frame's end, the timer tick, the paint. Returns the
    // number of audio blocks run.
    int Frame();
    // Frames until `seconds` of frame time have passed.
    void RunFor(double seconds);

    // The editor's pixels as 0x00RRGGBB words, rows top first. False (out emptied) when no
    // editor is open.
    bool ReadPixels(std::vector<uint32_t> *out, int *width, int *height) const;

    // Mouse input in the host window's client coordinates (WM_LBUTTONDOWN, WM_MOUSEMOVE,
    // WM_LBUTTONUP).
    bool Mouse(UINT message, int x, int y);

    // Frames run and the audio clock (samples processed) since construction.
    int64_t FramesRun() const { return frames_run_; }
    int64_t AudioSamples() const { return audio_samples_; }

private:
    void RunBlock();

    PluginHost &host_;
    AEffect *effect_;
    int block_frames_;
    HWND host_window_ = nullptr;
    bool prepared_ = false;
    bool playing_ = false;
    double play_samples_ = 0.0;
    int64_t audio_samples_ = 0;
    int64_t frames_run_ = 0;
    std::vector<float> left_, right_;
};
