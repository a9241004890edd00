// Update regions, BeginPaint/EndPaint, the paint pass and reading a window's pixels.
#include "pixel_rows.h"
#include "user_objects.h"
#include "qlv_headless.h"

#include <algorithm>
#include <cstring>

namespace qlv::user {
namespace {

RECT Intersect(const RECT &a, const RECT &b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) r = RECT{0, 0, 0, 0};
    return r;
}

bool IsEmpty(const RECT &r) { return r.left >= r.right || r.top >= r.bottom; }

RECT ClientOf(const Window &w) { return RECT{0, 0, w.width, w.height}; }

// Windows in tree order: each top-level window in creation order, parents before children.
void CollectTree(Window *window, std::vector<HWND> &out) {
    out.push_back(window->handle);
    for (Window *child : window->children) CollectTree(child, out);
}

}  // namespace
}  // namespace qlv::user

using namespace qlv::user;

extern "C" {

BOOL WINAPI InvalidateRect(HWND handle, LPCRECT rect, BOOL erase) {
    Window *window = Find(handle);
    if (!window) return FALSE;
    RECT area = Intersect(rect ? *rect : ClientOf(*window), ClientOf(*window));
    if (IsEmpty(area)) return TRUE;
    if (window->has_update) {
        window->update = RECT{std::min(window->update.left, area.left), std::min(window->update.top, area.top),
                              std::max(window->update.right, area.right),
                              std::max(window->update.bottom, area.bottom)};
    } else {
        window->update = area;
        window->has_update = true;
    }
    if (erase) window->erase_pending = true;
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND handle, LPCRECT rect) {
    Window *window = Find(handle);
    if (!window) return FALSE;
    // The update region is kept as one rectangle: validating part of it only ends it when the
    // part covers it all.
    if (!rect || (rect->left <= window->update.left && rect->top <= window->update.top &&
                  rect->right >= window->update.right && rect->bottom >= window->update.bottom)) {
        window->has_update = false;
        window->erase_pending = false;
    }
    return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND handle, LPRECT rect, BOOL) {
    Window *window = Find(handle);
    if (!window) return FALSE;
    RECT area = window->has_update ? Intersect(window->update, ClientOf(*window)) : RECT{0, 0, 0, 0};
    if (rect) *rect = area;
    return IsEmpty(area) ? FALSE : TRUE;
}

HDC WINAPI BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
    Window *window = Find(handle);
    if (!window || !paint) return nullptr;
    std::memset(paint, 0, sizeof(*paint));
    HDC dc = CreateWindowDC(handle);
    if (!dc) return nullptr;
    paint->hdc = dc;
    paint->rcPaint = window->has_update ? Intersect(window->update, ClientOf(*window)) : RECT{0, 0, 0, 0};
    if (window->erase_pending) {
        window->erase_pending = false;
        paint->fErase = SendMessageA(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
        window = Find(handle);
        if (!window) {
            ReleaseWindowDC(dc);
            paint->hdc = nullptr;
            return nullptr;
        }
    }
    window->has_update = false;
    ++window->begin_paints;
    return dc;
}

BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT *paint) {
    if (!paint) return FALSE;
    ReleaseWindowDC(paint->hdc);
    return TRUE;
}

int WINAPI QlvHeadlessRunPaints(void) {
    State &state = GetState();
    std::vector<HWND> order;
    for (auto &entry : state.windows)
        if (!entry.second->parent) CollectTree(entry.second.get(), order);
    int delivered = 0;
    for (HWND handle : order) {
        Window *window = Find(handle);
        if (!window || !window->has_update || !IsVisibleChain(*window)) continue;
        if (IsEmpty(Intersect(window->update, ClientOf(*window)))) {
            window->has_update = false;
            continue;
        }
        ++delivered;
        uint64_t begun = window->begin_paints;
        SendMessageA(handle, WM_PAINT, 0, 0);
        window = Find(handle);
        if (window && window->begin_paints == begun) {
            // A procedure that did not paint would be asked again for ever.
            window->has_update = false;
            window->erase_pending = false;
        }
    }
    return delivered;
}

BOOL WINAPI QlvHeadlessReadPixels(HWND handle, DWORD *out, size_t out_words) {
    Window *window = Find(handle);
    if (!window || (!out && window->width * window->height > 0)) return FALSE;
    size_t needed = static_cast<size_t>(window->width) * static_cast<size_t>(window->height);
    if (out_words < needed) return FALSE;
    if (window->pixels.size() == needed) {
        qlv_gdi::CopyWithoutAlpha(out, window->pixels.data(), needed);  // DWORD is uint32_t
    } else {
        std::fill_n(out, needed, 0u);  // nothing drawn yet
    }
    return TRUE;
}

BOOL WINAPI QlvHeadlessReadFrame(HWND handle, DWORD *out, size_t out_pitch, size_t out_words) {
    Window *window = Find(handle);
    if (!window) return FALSE;
    const size_t width = static_cast<size_t>(window->width), height = static_cast<size_t>(window->height);
    if (width == 0 || height == 0) return TRUE;
    if (!out || out_pitch < width || out_words < width || (out_words - width) / out_pitch < height - 1) return FALSE;
    const bool drawn = window->pixels.size() == width * height;
    for (size_t y = 0; y < height; ++y) {
        DWORD *row = out + y * out_pitch;
        if (drawn) {
            qlv_gdi::CopyOpaque(row, window->pixels.data() + y * width, width);
        } else {
            std::fill_n(row, width, 0xFF000000u);  // nothing drawn yet: black
        }
    }
    return TRUE;
}

}  // extern "C"
