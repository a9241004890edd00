// The single-column and single-row line shapes: one pixel per row (or column), walked with a
// fixed stride, the operation chosen once per call.
#include "gfx/blend_internal.h"
#include "gfx/line_internal.h"

using namespace gfx_internal;

namespace {

// Applies the line operation to `count` pixels starting at `p`, `stride` pixels apart.
void RunSpan(GFX_Color32 *p, std::ptrdiff_t stride, int count, GFX_Color32 color, float alpha, int op) {
    if (op == static_cast<int>(GFX_COMBINE_COPY)) {
        if (alpha == 1.0f) {
            for (int i = 0; i < count; ++i, p += stride) *p = color;
            return;
        }
        if (alpha == 0.5f) {
            for (int i = 0; i < count; ++i, p += stride) *p = ExactAverage(color, *p);
            return;
        }
    }
    int w = 0;
    if (alpha == 0.0f || !StrengthToWeight(alpha, &w)) return;
    const int r = Red(color), g = Green(color), b = Blue(color), a = Alpha(color);
    void (*mix)(GFX_Color32 *, int, int, int, int, int) = nullptr;
    switch (op) {
    case GFX_COMBINE_COPY:
        if (!(alpha > 0.0f)) return;
        mix = MixCopy;
        break;
    case GFX_COMBINE_ADD: mix = MixAdd; break;
    case GFX_COMBINE_DODGE: mix = MixDodge; break;
    case GFX_COMBINE_MULTIPLY: mix = MixMultiply; break;
    case GFX_COMBINE_SOFT_LIGHT: mix = MixSoftLight; break;
    case GFX_COMBINE_HSV_SHIFT: mix = MixHsvShift; break;
    default: return;
    }
    for (int i = 0; i < count; ++i, p += stride) mix(p, r, g, b, a, w);
}

}  // namespace

void GFX_LineColumn(GFX_Color32 *data, std::ptrdiff_t pitch, int x, int y1, int y2, GFX_Color32 color, float alpha,
                    int op) {
    if (!data) return;
    const int top = y1 < y2 ? y1 : y2;
    const int bottom = y1 < y2 ? y2 : y1;
    RunSpan(data + static_cast<std::ptrdiff_t>(top) * pitch + x, pitch, bottom - top + 1, color, alpha, op);
}

void GFX_LineRow(GFX_Color32 *data, std::ptrdiff_t pitch, int y, int x1, int x2, GFX_Color32 color, float alpha,
                 int op) {
    if (!data) return;
    const int left = x1 < x2 ? x1 : x2;
    const int right = x1 < x2 ? x2 : x1;
    RunSpan(data + static_cast<std::ptrdiff_t>(y) * pitch + left, 1, right - left + 1, color, alpha, op);
}
