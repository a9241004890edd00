// Internal to the platform library: the window objects behind HWND and the process-wide state
// of the window system (registry, capture, mouse button, virtual clock, timers). Main thread
// only; see win_user.h.
#pragma once

#include "windows.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace qlv::user {

// Largest client width or height a window can have; larger requests are clamped so that a
// window's pixels stay a sane allocation.
constexpr int kMaxWindowSide = 16384;

// Colour the default background erase fills with (the dialog face colour).
constexpr uint32_t kDialogFaceColour = 0x00f0f0f0;

struct Window {
    HWND handle = nullptr;
    Window *parent = nullptr;
    std::vector<Window *> children;  // bottom of the z-order first, topmost last

    WNDPROC proc = nullptr;       // plain windows (null: default handling only)
    DLGPROC dialog_proc = nullptr;  // dialogs
    bool is_dialog = false;
    DWORD style = 0;

    LONG_PTR user_data = 0;     // GWLP_USERDATA
    LONG_PTR msg_result = 0;    // DWLP_MSGRESULT (dialogs)
    LONG_PTR dialog_user = 0;   // DWLP_USER (dialogs)

    int x = 0, y = 0;           // in the parent's client area; screen for top-level windows
    int width = 0, height = 0;  // client size (windows have no frame)
    bool visible = false;
    bool destroying = false;

    bool has_update = false;  // update region (kept as its bounding rectangle)
    RECT update{};
    bool erase_pending = false;
    uint64_t begin_paints = 0;  // BeginPaint calls so far

    // The window's own pixels, 0x00RRGGBB, rows top first, packed. Made on first drawing
    // (EnsurePixels); empty until then, when the size is 0 or when storage could not be had,
    // and an empty store reads as black.
    std::vector<uint32_t> pixels;
};

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    uint64_t due;
    uint64_t serial;  // creation order, to break ties between timers due at the same time
    TIMERPROC proc;
};

struct State {
    std::map<uintptr_t, std::unique_ptr<Window>> windows;  // by handle value: creation order
    uintptr_t next_handle = 0x10000;
    HWND capture = nullptr;
    bool button_down = false;
    uint64_t now_ms = 0;
    uint64_t timer_serial = 0;
    std::vector<Timer> timers;
};

State &GetState();

// The live window behind a handle, or null for anything else (including null, freed handles
// and windows whose handle value was never issued).
Window *Find(HWND handle);

// Registers a new window; returns it, or null when it could not be made.
Window *CreateWindowObject(Window *parent, int x, int y, int width, int height, DWORD style);

// Resizes the pixel store, keeping the overlapping part; sizes are clamped to 0..kMaxWindowSide.
void ResizePixels(Window &window, int width, int height);

// Makes the pixel store (zeros) if there is none; false when the size is 0 or memory fails.
bool EnsurePixels(Window &window);

// True when the window and all its ancestors are visible.
bool IsVisibleChain(const Window &window);

// Window origin in screen coordinates.
POINT ScreenOrigin(const Window &window);

// Removes every timer of the window.
void KillWindowTimers(HWND window);

// A drawing context whose target is the window's own pixels (made by BeginPaint), and its
// release. See gdi_blit.cpp.
HDC CreateWindowDC(HWND window);
void ReleaseWindowDC(HDC dc);

// Fills a rectangle of the window's pixels (clipped) with a colour.
void FillPixels(Window &window, const RECT &rect, uint32_t colour);

}  // namespace qlv::user
