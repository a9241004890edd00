// Rectangle outlines and framed boxes, drawn with lines.
#include "gfx/gfx.h"

#include <climits>
#include <cstdint>

namespace {

// Far corners are computed in 64 bits and kept inside the int range: a line end beyond the
// bitmap is clipped by the line operation anyway, so moving it to INT_MAX draws the same pixels
// whenever the true end is representable and avoids a wrapped end when it is not.
int FarEdge(int origin, int extent) {
    int64_t v = static_cast<int64_t>(origin) + extent;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace

void GFX_OutlineRect(GFX_IBitmap *bitmap, int x, int y, int w, int h, GFX_Color32 color, float alpha,
                     GFX_CombineMode mode) {
    if (!bitmap) return;
    const int x2 = FarEdge(x, w);
    const int y2 = FarEdge(y, h);
    GFX_StrokeLine(bitmap, x, y, x2, y, color, alpha, mode, 0);
    GFX_StrokeLine(bitmap, x2, y, x2, y2, color, alpha, mode, 0);
    GFX_StrokeLine(bitmap, x2, y2, x, y2, color, alpha, mode, 0);
    GFX_StrokeLine(bitmap, x, y2, x, y, color, alpha, mode, 0);
}

void GFX_FramedBox(GFX_IBitmap *bitmap, int x, int y, int w, int h, GFX_Color32 fill, GFX_Color32 outline, float alpha,
                   GFX_CombineMode mode) {
    if (!bitmap) return;
    // The inside starts one pixel in; near the end of the int range the inside is empty anyway.
    if (x < INT_MAX && y < INT_MAX && w > INT_MIN && h > INT_MIN)
        GFX_BlendRect(bitmap, x + 1, y + 1, w - 1, h - 1, fill, alpha, mode);
    GFX_OutlineRect(bitmap, x, y, w, h, outline, alpha, mode);
}
