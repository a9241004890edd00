// The host's side of an editor's window: the top-level window a workstation gives a plug-in's
// editor, the passing of editor frames, the editor's pixels and mouse input. One interface on
// every system: on Windows these are real windows with the real timer and message loop (the
// editor's own 15 ms timer fires in real time and Windows generates its paint); elsewhere they
// are the headless window system of the platform layer, whose clock moves only here.
//
// Threads: the thread that created the windows (the host's main thread) only.
// Ownership: a window made here is destroyed with HostWindowDestroy (which also destroys the
// editor inside it, if any is left).
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>

// A visible top-level window at screen position (x, y) whose client area is width × height
// pixels, with nothing drawn by itself, ready to hold an editor. Null when it cannot be made.
HWND HostWindowCreate(int x, int y, int width, int height);

// Gives a window made by HostWindowCreate a client area of width × height pixels, keeping its
// position; an editor inside follows at its next timer tick. False when the window is gone.
bool HostWindowSetClientSize(HWND window, int width, int height);

// Destroys a window made by HostWindowCreate, and whatever it still holds. Null does nothing.
void HostWindowDestroy(HWND window);

// One editor frame for every host window alive: `milliseconds` pass, so each editor's timer
// fires once, then each editor that asked for a repaint is painted exactly once. False when an
// editor got no timer or no paint within a few seconds (Windows only; the headless clock cannot
// fail).
bool HostWindowsRunFrame(unsigned milliseconds);

// One editor frame at once, for catching up quickly where nothing is watched: each editor gets
// its timer tick (timer id 1) and is painted, without waiting for the clock. On the headless
// system this is HostWindowsRunFrame(15); on Windows the messages are sent directly, and the
// real timer goes on as before.
void HostWindowsTickNow();

// The window's client pixels as 0x00RRGGBB words, rows top first, packed: width × height words
// with the size from GetClientRect. False, copying nothing, when the window is gone or
// `out_words` is too small.
bool HostWindowReadPixels(HWND window, uint32_t *out, size_t out_words);

// The same pixels as opaque frame words (0xFFRRGGBB), row y at out + y × out_pitch words, in one
// pass where the window system allows: for a frame assembled from several windows. False,
// copying nothing, when the window is gone, out_pitch is below its width or `out_words` cannot
// hold (height − 1) × out_pitch + width words.
bool HostWindowReadFrame(HWND window, uint32_t *out, size_t out_pitch, size_t out_words);

// Mouse input at (x, y) in the client coordinates of host window `top`: `message` is
// WM_LBUTTONDOWN, WM_MOUSEMOVE or WM_LBUTTONUP. It goes to the window holding the mouse capture,
// else to the deepest visible child under the point, with the point in that window's client
// coordinates. False when nothing was delivered.
bool HostWindowMouse(HWND top, UINT message, int x, int y);
