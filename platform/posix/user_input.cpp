// Mouse capture and mouse input from the host.
#include "user_objects.h"
#include "qlv_headless.h"

#include <algorithm>

namespace qlv::user {
namespace {

// The deepest visible window under a point given in `window`'s client coordinates; topmost
// siblings are tried first.
Window *HitTest(Window *window, int64_t x, int64_t y) {
    for (auto it = window->children.rbegin(); it != window->children.rend(); ++it) {
        Window *child = *it;
        if (!child->visible) continue;
        int64_t cx = x - child->x, cy = y - child->y;
        if (cx >= 0 && cy >= 0 && cx < child->width && cy < child->height) return HitTest(child, cx, cy);
    }
    return window;
}

WORD Signed16(int64_t v) { return static_cast<WORD>(static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767))); }

}  // namespace
}  // namespace qlv::user

using namespace qlv::user;

extern "C" {

HWND WINAPI SetCapture(HWND handle) {
    State &state = GetState();
    HWND previous = state.capture;
    if (!Find(handle)) return previous;
    state.capture = handle;
    if (previous && previous != handle) SendMessageA(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(handle));
    return previous;
}

BOOL WINAPI ReleaseCapture(void) {
    State &state = GetState();
    HWND previous = state.capture;
    state.capture = nullptr;
    if (previous) SendMessageA(previous, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND WINAPI GetCapture(void) {
    State &state = GetState();
    if (state.capture && !Find(state.capture)) state.capture = nullptr;
    return state.capture;
}

BOOL WINAPI QlvHeadlessMouse(HWND top_handle, UINT message, int x, int y) {
    if (message != WM_LBUTTONDOWN && message != WM_MOUSEMOVE && message != WM_LBUTTONUP) return FALSE;
    Window *top = Find(top_handle);
    if (!top || top->parent) return FALSE;
    State &state = GetState();

    Window *target = nullptr;
    int64_t tx = 0, ty = 0;
    if (Window *capture = Find(GetCapture())) {
        POINT top_origin = ScreenOrigin(*top), origin = ScreenOrigin(*capture);
        target = capture;
        tx = static_cast<int64_t>(x) + top_origin.x - origin.x;
        ty = static_cast<int64_t>(y) + top_origin.y - origin.y;
    } else {
        if (x < 0 || y < 0 || x >= top->width || y >= top->height || !top->visible) return FALSE;
        target = HitTest(top, x, y);
        POINT top_origin = ScreenOrigin(*top), origin = ScreenOrigin(*target);
        tx = static_cast<int64_t>(x) + top_origin.x - origin.x;
        ty = static_cast<int64_t>(y) + top_origin.y - origin.y;
    }
    if (message == WM_LBUTTONDOWN) state.button_down = true;
    if (message == WM_LBUTTONUP) state.button_down = false;
    WPARAM keys = state.button_down ? MK_LBUTTON : 0;
    SendMessageA(target->handle, message, keys, MAKELPARAM(Signed16(tx), Signed16(ty)));
    return TRUE;
}

}  // extern "C"
