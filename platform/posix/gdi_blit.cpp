// Window drawing contexts (made by BeginPaint) and BitBlt between memory DCs and windows.
#include "gdi_objects.h"
#include "pixel_rows.h"
#include "user_objects.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

using namespace qlv_gdi;

namespace qlv::user {

HDC CreateWindowDC(HWND window) {
    GdiBitmap *stock = GdiStockBitmap();
    if (!stock) return nullptr;
    auto *dc = new (std::nothrow) GdiDC;
    if (!dc) return nullptr;
    dc->dc_kind = DcKind::Window;
    dc->window = window;
    dc->bitmap = stock;
    if (!GdiRegister(dc)) {
        delete dc;
        return nullptr;
    }
    return reinterpret_cast<HDC>(dc);
}

void ReleaseWindowDC(HDC handle) {
    std::lock_guard<std::recursive_mutex> hold(GdiLock());
    GdiDC *dc = GdiFindDC(handle);
    if (!dc || dc->dc_kind != DcKind::Window) return;
    if (dc->bitmap && !dc->bitmap->stock) dc->bitmap->selected_into = nullptr;
    GdiUnregister(dc);
    delete dc;
}

}  // namespace qlv::user

namespace {

// Copies into a window of at least this many bytes use streaming stores: twice a typical
// last-level cache share, so frames up to 1920 × 1080 stay cached for reading back.
constexpr int64_t kStreamBlitBytes = int64_t{24} << 20;

// A surface a DC draws on: rows of 32-bit words, top row first through Row().
struct Surface {
    int width = 0, height = 0;
    uint32_t *top = nullptr;       // first word of the top row
    std::ptrdiff_t step = 0;       // words from one row to the next lower one
    bool window = false;           // windows keep no alpha
    const void *identity = nullptr;

    uint32_t *Row(int y) const { return top + y * step; }
};

bool SurfaceOf(GdiDC *dc, Surface &out) {
    if (dc->dc_kind == DcKind::Window) {
        qlv::user::Window *w = qlv::user::Find(dc->window);
        if (!w || !qlv::user::EnsurePixels(*w)) return false;
        out = Surface{w->width, w->height, w->pixels.data(), w->width, true, w};
        return true;
    }
    GdiBitmap *b = dc->bitmap;
    if (!b || !b->bits || b->width <= 0 || b->height <= 0) return false;
    out = Surface{b->width, b->height, b->Row(0), b->top_down ? b->stride : -b->stride, false, b};
    return true;
}

}  // namespace

extern "C" {

BOOL WINAPI BitBlt(HDC dst_handle, int x, int y, int cx, int cy, HDC src_handle, int x1, int y1, DWORD rop) {
    if (rop != SRCCOPY) return FALSE;
    std::lock_guard<std::recursive_mutex> hold(GdiLock());
    GdiDC *dst_dc = GdiFindDC(dst_handle);
    GdiDC *src_dc = GdiFindDC(src_handle);
    if (!dst_dc || !src_dc) return FALSE;
    Surface dst, src;
    if (!SurfaceOf(dst_dc, dst) || !SurfaceOf(src_dc, src)) return TRUE;  // nothing to copy
    if (cx <= 0 || cy <= 0) return TRUE;

    // Clip both rectangles in 64 bits: the same offset moves source and destination.
    int64_t dx0 = x, dy0 = y, sx0 = x1, sy0 = y1, w = cx, h = cy;
    int64_t shift = std::max<int64_t>({0, -dx0, -sx0});
    dx0 += shift, sx0 += shift, w -= shift;
    shift = std::max<int64_t>({0, -dy0, -sy0});
    dy0 += shift, sy0 += shift, h -= shift;
    w = std::min<int64_t>({w, dst.width - dx0, src.width - sx0});
    h = std::min<int64_t>({h, dst.height - dy0, src.height - sy0});
    if (w <= 0 || h <= 0) return TRUE;

    // Copying within one surface goes through a copy of the source rows.
    std::vector<uint32_t> staging;
    const bool same = dst.identity == src.identity;
    if (same) {
        try {
            staging.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
        } catch (const std::bad_alloc &) {
            return FALSE;
        }
        for (int64_t row = 0; row < h; ++row)
            std::memcpy(&staging[row * w], src.Row(static_cast<int>(sy0 + row)) + sx0, w * 4);
    }
    // A copy into a window far larger than the last-level cache streams past the caches.
    const bool stream = dst.window && w * h * 4 >= kStreamBlitBytes;
    for (int64_t row = 0; row < h; ++row) {
        const uint32_t *from = same ? &staging[row * w] : src.Row(static_cast<int>(sy0 + row)) + sx0;
        uint32_t *to = dst.Row(static_cast<int>(dy0 + row)) + dx0;
        if (dst.window) {
            CopyWithoutAlpha(to, from, static_cast<size_t>(w), stream);
        } else {
            std::memcpy(to, from, static_cast<size_t>(w) * 4);
        }
    }
    if (stream) StreamFence();
    return TRUE;
}

}  // extern "C"
