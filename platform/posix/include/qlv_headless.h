// Driving the window system without a screen: what a host (or a test) needs in place of a
// display, a mouse and the passing of time. Not part of the Windows subset; only hosts and tests
// include it. Single-threaded like the rest of the window system: the host's main thread only.
#pragma once

#include "windows.h"

#include <cstddef>

extern "C" {

// A top-level window at screen position (x, y) with a client area of width × height pixels
// (negative sizes become 0), visible, with `proc` as its window procedure (null: DefWindowProcA
// only). Destroy it with DestroyWindow. Null when the window cannot be made.
WINAPI_EXPORT HWND WINAPI QlvHeadlessCreateWindow(int x, int y, int width, int height, WNDPROC proc);

// Mouse input. `message` is WM_LBUTTONDOWN, WM_MOUSEMOVE or WM_LBUTTONUP; (x, y) are client
// coordinates of the top-level window `top`. The message goes to the capture window if there is
// one, otherwise to the deepest visible window under the point (the last-shown sibling on top);
// lParam carries the point in that window's client coordinates as two signed 16-bit halves and
// wParam holds MK_LBUTTON while the button is down. Returns FALSE, delivering nothing, for
// another message, a `top` that is not a top-level window, or a point outside it with no
// capture.
WINAPI_EXPORT BOOL WINAPI QlvHeadlessMouse(HWND top, UINT message, int x, int y);

// The virtual clock in milliseconds; starts at 0 and moves only here. Advancing fires each timer
// that fell due at most once (several elapsed periods coalesce into one WM_TIMER, as on Windows),
// in order of due time, and schedules its next expiry one period after the last one that has
// passed. Returns the number of timer messages delivered.
WINAPI_EXPORT DWORD WINAPI QlvHeadlessClockNow(void);
WINAPI_EXPORT int WINAPI QlvHeadlessAdvanceClock(DWORD milliseconds);

// One paint pass: every visible window with a non-empty update region gets WM_PAINT, parents
// before children. A window whose procedure leaves it invalid is validated, so the pass ends.
// Returns the number of WM_PAINT messages delivered.
WINAPI_EXPORT int WINAPI QlvHeadlessRunPaints(void);

// Copies the window's own pixels (0x00RRGGBB words, rows top first, packed: width × height
// words, width and height from GetClientRect) to `out`. FALSE, copying nothing, when the window
// does not exist or `out_words` is too small. A new window's pixels are 0.
WINAPI_EXPORT BOOL WINAPI QlvHeadlessReadPixels(HWND window, DWORD *out, size_t out_words);

// The same pixels with the alpha byte set (0xFFRRGGBB, as opaque frames are), row y at
// out + y × out_pitch words, in one pass: for hosts that assemble frames of several windows.
// FALSE, copying nothing, when the window does not exist, out_pitch is below its width or
// `out_words` cannot hold (height − 1) × out_pitch + width words.
WINAPI_EXPORT BOOL WINAPI QlvHeadlessReadFrame(HWND window, DWORD *out, size_t out_pitch, size_t out_words);

// Live windows and timers in the process, for leak checks.
WINAPI_EXPORT int WINAPI QlvHeadlessWindowCount(void);
WINAPI_EXPORT int WINAPI QlvHeadlessTimerCount(void);

}  // extern "C"
