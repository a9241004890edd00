// Message delivery and default handling.
#include "user_objects.h"

using namespace qlv::user;

extern "C" {

LRESULT WINAPI SendMessageA(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
    Window *window = Find(handle);
    if (!window) return 0;
    // Nothing of `window` is touched after the procedure runs: it may destroy the window.
    if (window->is_dialog) {
        DLGPROC proc = window->dialog_proc;
        INT_PTR answer = proc ? proc(handle, message, wparam, lparam) : 0;
        if (answer != 0) return answer;
        return DefWindowProcA(handle, message, wparam, lparam);
    }
    if (window->proc) return window->proc(handle, message, wparam, lparam);
    return DefWindowProcA(handle, message, wparam, lparam);
}

LRESULT WINAPI DefWindowProcA(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
    Window *window = Find(handle);
    if (!window) return 0;
    switch (message) {
    case WM_PAINT:
        window->has_update = false;
        window->erase_pending = false;
        return 0;
    case WM_ERASEBKGND: {
        RECT area = window->has_update ? window->update : RECT{0, 0, window->width, window->height};
        FillPixels(*window, area, kDialogFaceColour);
        return 1;
    }
    default:
        return 0;
    }
}

}  // extern "C"
