// Host windows on the headless window system: time passes only when a frame says so.
#include "host/host_window.h"

#include <qlv_headless.h>

HWND HostWindowCreate(int x, int y, int width, int height) {
    return QlvHeadlessCreateWindow(x, y, width, height, nullptr);
}

bool HostWindowSetClientSize(HWND window, int width, int height) {
    return SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

void HostWindowDestroy(HWND window) {
    if (window) DestroyWindow(window);
}

bool HostWindowsRunFrame(unsigned milliseconds) {
    QlvHeadlessAdvanceClock(milliseconds);
    QlvHeadlessRunPaints();
    return true;
}

void HostWindowsTickNow() { HostWindowsRunFrame(15); }

bool HostWindowReadPixels(HWND window, uint32_t *out, size_t out_words) {
    static_assert(sizeof(DWORD) == sizeof(uint32_t));
    return QlvHeadlessReadPixels(window, reinterpret_cast<DWORD *>(out), out_words);
}

bool HostWindowReadFrame(HWND window, uint32_t *out, size_t out_pitch, size_t out_words) {
    return QlvHeadlessReadFrame(window, reinterpret_cast<DWORD *>(out), out_pitch, out_words);
}

bool HostWindowMouse(HWND top, UINT message, int x, int y) { return QlvHeadlessMouse(top, message, x, y); }
