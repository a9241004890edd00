// Window objects: registry, creation and destruction, visibility, window data, rectangles,
// coordinates and placement.
#include "user_objects.h"
#include "qlv_headless.h"

#include <algorithm>
#include <new>

namespace qlv::user {

State &GetState() {
    static State state;
    return state;
}

Window *Find(HWND handle) {
    if (!handle) return nullptr;
    auto &windows = GetState().windows;
    auto it = windows.find(reinterpret_cast<uintptr_t>(handle));
    return it == windows.end() ? nullptr : it->second.get();
}

static int ClampSide(int side) { return std::clamp(side, 0, kMaxWindowSide); }

void ResizePixels(Window &window, int width, int height) {
    width = ClampSide(width);
    height = ClampSide(height);
    if (window.pixels.empty() || width == 0 || height == 0) {
        // Storage is made when something first draws (EnsurePixels).
        window.pixels.clear();
        window.pixels.shrink_to_fit();
        window.width = width;
        window.height = height;
        return;
    }
    std::vector<uint32_t> fresh;
    try {
        fresh.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
    } catch (const std::bad_alloc &) {
        fresh.clear();
    }
    if (!fresh.empty()) {
        int keep_w = std::min(width, window.width), keep_h = std::min(height, window.height);
        for (int row = 0; row < keep_h; ++row)
            std::copy_n(window.pixels.begin() + static_cast<size_t>(row) * window.width, keep_w,
                        fresh.begin() + static_cast<size_t>(row) * width);
    }
    window.pixels.swap(fresh);
    window.width = width;
    window.height = height;
}

bool EnsurePixels(Window &window) {
    size_t needed = static_cast<size_t>(window.width) * static_cast<size_t>(window.height);
    if (needed == 0) return false;
    if (window.pixels.size() == needed) return true;
    try {
        window.pixels.assign(needed, 0u);
    } catch (const std::bad_alloc &) {
        window.pixels.clear();
        return false;
    }
    return true;
}

Window *CreateWindowObject(Window *parent, int x, int y, int width, int height, DWORD style) {
    State &state = GetState();
    auto window = std::unique_ptr<Window>(new (std::nothrow) Window);
    if (!window) return nullptr;
    uintptr_t value = state.next_handle;
    state.next_handle += 0x10;
    window->handle = reinterpret_cast<HWND>(value);
    window->parent = parent;
    window->style = style;
    window->x = x;
    window->y = y;
    ResizePixels(*window, width, height);
    Window *raw = window.get();
    state.windows.emplace(value, std::move(window));
    if (parent) parent->children.push_back(raw);
    return raw;
}

bool IsVisibleChain(const Window &window) {
    for (const Window *w = &window; w; w = w->parent)
        if (!w->visible) return false;
    return true;
}

POINT ScreenOrigin(const Window &window) {
    int64_t x = 0, y = 0;
    for (const Window *w = &window; w; w = w->parent) {
        x += w->x;
        y += w->y;
    }
    return POINT{static_cast<LONG>(x), static_cast<LONG>(y)};
}

void FillPixels(Window &window, const RECT &rect, uint32_t colour) {
    if (!EnsurePixels(window)) return;
    LONG left = std::max<LONG>(rect.left, 0), top = std::max<LONG>(rect.top, 0);
    LONG right = std::min<LONG>(rect.right, window.width), bottom = std::min<LONG>(rect.bottom, window.height);
    for (LONG row = top; row < bottom; ++row)
        for (LONG col = left; col < right; ++col)
            window.pixels[static_cast<size_t>(row) * window.width + col] = colour;
}

// Sends WM_DESTROY to the window and then to each of its descendants, parents first.
static void SendDestroyMessages(HWND handle) {
    Window *window = Find(handle);
    if (!window || window->destroying) return;
    window->destroying = true;
    SendMessageA(handle, WM_DESTROY, 0, 0);
    window = Find(handle);
    if (!window) return;
    std::vector<HWND> children;
    for (Window *child : window->children) children.push_back(child->handle);
    for (HWND child : children) SendDestroyMessages(child);
}

// Frees the window's descendants, then the window itself, each after WM_NCDESTROY.
static void FreeWindow(HWND handle) {
    Window *window = Find(handle);
    if (!window) return;
    std::vector<HWND> children;
    for (Window *child : window->children) children.push_back(child->handle);
    for (HWND child : children) {
        // A child created during its parent's WM_DESTROY has not had its own yet.
        SendDestroyMessages(child);
        FreeWindow(child);
    }
    State &state = GetState();
    KillWindowTimers(handle);
    if (state.capture == handle) state.capture = nullptr;
    SendMessageA(handle, WM_NCDESTROY, 0, 0);
    window = Find(handle);
    if (!window) return;
    if (window->parent) {
        auto &siblings = window->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    }
    state.windows.erase(reinterpret_cast<uintptr_t>(handle));
}

static void InvalidateAll(Window &window, bool erase) {
    window.has_update = window.width > 0 && window.height > 0;
    window.update = RECT{0, 0, window.width, window.height};
    if (window.has_update && erase) window.erase_pending = true;
}

}  // namespace qlv::user

using namespace qlv::user;

extern "C" {

HWND WINAPI QlvHeadlessCreateWindow(int x, int y, int width, int height, WNDPROC proc) {
    Window *window = CreateWindowObject(nullptr, x, y, width, height, WS_POPUP | WS_VISIBLE);
    if (!window) return nullptr;
    window->proc = proc;
    window->visible = true;
    InvalidateAll(*window, true);
    return window->handle;
}

int WINAPI QlvHeadlessWindowCount(void) { return static_cast<int>(GetState().windows.size()); }

BOOL WINAPI DestroyWindow(HWND handle) {
    Window *window = Find(handle);
    if (!window || window->destroying) return FALSE;
    window->visible = false;
    SendDestroyMessages(handle);
    FreeWindow(handle);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND handle) { return Find(handle) ? TRUE : FALSE; }

BOOL WINAPI IsWindowVisible(HWND handle) {
    Window *window = Find(handle);
    return window && IsVisibleChain(*window) ? TRUE : FALSE;
}

HWND WINAPI GetParent(HWND handle) {
    Window *window = Find(handle);
    return window && window->parent ? window->parent->handle : nullptr;
}

HWND WINAPI GetWindow(HWND handle, UINT command) {
    Window *window = Find(handle);
    if (!window) return nullptr;
    if (command == GW_CHILD) return window->children.empty() ? nullptr : window->children.back()->handle;
    if (command == GW_HWNDNEXT && window->parent) {
        const auto &siblings = window->parent->children;
        auto it = std::find(siblings.begin(), siblings.end(), window);
        return it == siblings.begin() || it == siblings.end() ? nullptr : (*(it - 1))->handle;
    }
    return nullptr;
}

BOOL WINAPI ShowWindow(HWND handle, int command) {
    Window *window = Find(handle);
    if (!window) return FALSE;
    bool was_visible = window->visible;
    bool show = command != SW_HIDE;
    if (show != was_visible) {
        window->visible = show;
        if (show) InvalidateAll(*window, true);
        SendMessageA(handle, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    }
    return was_visible ? TRUE : FALSE;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
    Window *window = Find(handle);
    if (!window) return 0;
    LONG_PTR *slot = nullptr;
    if (index == GWLP_USERDATA) slot = &window->user_data;
    else if (window->is_dialog && index == DWLP_MSGRESULT) slot = &window->msg_result;
    else if (window->is_dialog && index == DWLP_USER) slot = &window->dialog_user;
    if (!slot) return 0;
    LONG_PTR previous = *slot;
    *slot = value;
    return previous;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND handle, int index) {
    Window *window = Find(handle);
    if (!window) return 0;
    if (index == GWLP_USERDATA) return window->user_data;
    if (window->is_dialog && index == DWLP_MSGRESULT) return window->msg_result;
    if (window->is_dialog && index == DWLP_USER) return window->dialog_user;
    return 0;
}

BOOL WINAPI GetClientRect(HWND handle, LPRECT rect) {
    Window *window = Find(handle);
    if (!window || !rect) return FALSE;
    *rect = RECT{0, 0, window->width, window->height};
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND handle, LPRECT rect) {
    Window *window = Find(handle);
    if (!window || !rect) return FALSE;
    POINT origin = ScreenOrigin(*window);
    *rect = RECT{origin.x, origin.y, origin.x + window->width, origin.y + window->height};
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND handle, LPPOINT point) {
    Window *window = Find(handle);
    if (!window || !point) return FALSE;
    POINT origin = ScreenOrigin(*window);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND handle, LPPOINT point) {
    Window *window = Find(handle);
    if (!window || !point) return FALSE;
    POINT origin = ScreenOrigin(*window);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND handle, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
    Window *window = Find(handle);
    if (!window) return FALSE;
    if (!(flags & SWP_NOMOVE)) {
        window->x = x;
        window->y = y;
    }
    if (!(flags & SWP_NOZORDER) && window->parent &&
        (insert_after == HWND_TOP || insert_after == HWND_BOTTOM)) {
        auto &siblings = window->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
        if (insert_after == HWND_TOP) siblings.push_back(window);
        else siblings.insert(siblings.begin(), window);
    }
    bool resized = false;
    if (!(flags & SWP_NOSIZE)) {
        int width = std::clamp(cx, 0, kMaxWindowSide), height = std::clamp(cy, 0, kMaxWindowSide);
        if (width != window->width || height != window->height) {
            ResizePixels(*window, width, height);
            resized = true;
        }
    }
    if (flags & SWP_SHOWWINDOW) window->visible = true;
    if (flags & SWP_HIDEWINDOW) window->visible = false;
    if (resized) {
        if (!(flags & SWP_NOREDRAW)) InvalidateAll(*window, true);
        SendMessageA(handle, WM_SIZE, 0, MAKELPARAM(window->width, window->height));
    }
    return TRUE;
}

}  // extern "C"
