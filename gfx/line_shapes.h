// The sloped line shapes (exact diagonal and general slope) and the per-pixel operations they
// share. Internal to the graphics library; GFX_StrokeLine (line.cpp) calls them after clipping.
//
// Preconditions for both shapes: `data` is the first stored row, `pitch` the row pitch in
// pixels; both end points lie inside the bitmap and are given in stored rows (already flipped
// for a bottom-up bitmap), so every pixel between them, and every anti-aliasing neighbour, is
// inside too. `op` is the mode's operation byte; above 5 draws nothing. Alpha exactly 0.0 or
// non-finite draws nothing, and operation 0 draws only for alpha above 0 (after the opaque word
// path, which only exactly 1.0 enters).
#pragma once

#include "gfx/blend_internal.h"

#include <cstddef>

namespace gfx_line {

// |x2 − x1| == |y2 − y1| ≥ 1.
void Diagonal(GFX_Color32 *data, std::ptrdiff_t pitch, int x1, int y1, int x2, int y2, GFX_Color32 color,
              float alpha, int op, bool antialias);

// x1 ≠ x2, y1 ≠ y2 and |x2 − x1| ≠ |y2 − y1|.
void Sloped(GFX_Color32 *data, std::ptrdiff_t pitch, int x1, int y1, int x2, int y2, GFX_Color32 color, float alpha,
            int op, bool antialias);

// Calls `run(mix)` with mix(pixel, weight) applying operation `op` (0..5) of `color` with that
// weight; does not call it for any other operation.
template <class Run>
void WithMixer(int op, GFX_Color32 color, Run &&run) {
    const int r = gfx_internal::Red(color), g = gfx_internal::Green(color), b = gfx_internal::Blue(color),
              a = gfx_internal::Alpha(color);
    switch (op) {
    case 0: run([=](GFX_Color32 *p, int w) { gfx_internal::MixCopy(p, r, g, b, a, w); }); return;
    case 1: run([=](GFX_Color32 *p, int w) { gfx_internal::MixAdd(p, r, g, b, a, w); }); return;
    case 2: run([=](GFX_Color32 *p, int w) { gfx_internal::MixDodge(p, r, g, b, a, w); }); return;
    case 3: run([=](GFX_Color32 *p, int w) { gfx_internal::MixMultiply(p, r, g, b, a, w); }); return;
    case 4: run([=](GFX_Color32 *p, int w) { gfx_internal::MixSoftLight(p, r, g, b, a, w); }); return;
    case 5: run([=](GFX_Color32 *p, int w) { gfx_internal::MixHsvShift(p, r, g, b, a, w); }); return;
    default: return;
    }
}

// The weight for a line's strength, or false when nothing is drawn: an operation outside 0..5,
// alpha exactly 0.0 or non-finite, or operation 0 at alpha not above 0.
inline bool LineWeight(int op, float alpha, int *weight) {
    if (op < 0 || op > 5 || alpha == 0.0f) return false;
    if (op == 0 && !(alpha > 0.0f)) return false;
    return gfx_internal::StrengthToWeight(alpha, weight);
}

}  // namespace gfx_line
