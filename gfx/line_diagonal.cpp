// The exact 45-degree line shape. Anti-aliased, each visited pixel but the last also tints its
// two staircase neighbours (one step along x, one step along y, both toward the end point), so
// the line reads as a smooth band of three-quarter centre and quarter-strength sides.
#include "gfx/line_shapes.h"

namespace gfx_line {

namespace {

using gfx_internal::ExactAverage;
using gfx_internal::Half;
using gfx_internal::Quarter;

// Calls visit(p) for the n + 1 pixels of the path.
template <class Visit>
void Walk(GFX_Color32 *p, std::ptrdiff_t step, int n, Visit visit) {
    for (int i = 0; i < n; ++i, p += step) visit(p);
    visit(p);
}

}  // namespace

void Diagonal(GFX_Color32 *data, std::ptrdiff_t pitch, int x1, int y1, int x2, int y2, GFX_Color32 color,
              float alpha, int op, bool antialias) {
    if (!data || op < 0 || op > 5) return;
    const int n = x2 > x1 ? x2 - x1 : x1 - x2;
    const std::ptrdiff_t sx = x2 > x1 ? 1 : -1;
    const std::ptrdiff_t sy = y2 > y1 ? pitch : -pitch;
    GFX_Color32 *p = data + static_cast<std::ptrdiff_t>(y1) * pitch + x1;

    if (op == 0 && alpha == 1.0f) {
        if (!antialias) {
            Walk(p, sx + sy, n, [color](GFX_Color32 *q) { *q = color; });
            return;
        }
        // Per byte: centre c/2 + c/4 + d/4, neighbours d/2 + c/4 + d/4 (each term floored).
        const GFX_Color32 c_centre = Half(color) + Quarter(color);
        const GFX_Color32 c_side = Quarter(color);
        for (int i = 0; i < n; ++i, p += sx + sy) {
            *p = c_centre + Quarter(*p);
            p[sx] = Half(p[sx]) + c_side + Quarter(p[sx]);
            p[sy] = Half(p[sy]) + c_side + Quarter(p[sy]);
        }
        *p = c_centre + Quarter(*p);
        return;
    }
    if (op == 0 && alpha == 0.5f && !antialias) {
        Walk(p, sx + sy, n, [color](GFX_Color32 *q) { *q = ExactAverage(color, *q); });
        return;
    }
    int w = 0;
    if (!LineWeight(op, alpha, &w)) return;
    WithMixer(op, color, [&](auto mix) {
        if (!antialias) {
            Walk(p, sx + sy, n, [&](GFX_Color32 *q) { mix(q, w); });
            return;
        }
        const int centre = w * 3 / 4;
        const int side = w / 4;
        GFX_Color32 *q = p;
        for (int i = 0; i < n; ++i, q += sx + sy) {
            mix(q, centre);
            mix(q + sx, side);
            mix(q + sy, side);
        }
        mix(q, centre);
    });
}

}  // namespace gfx_line
