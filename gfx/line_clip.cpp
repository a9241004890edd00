// GFX_ClipSegment: outcode clipping of a segment to [0, W) × [0, H).
//
// A crossing with a far edge is computed at W (or H) and the point is placed on column W − 1
// (row H − 1). Offsets are computed in double precision and truncated toward zero, always
// measured from the first end point; a moved point therefore lies between the two current end
// points, so the results stay in the int range whatever the input.
#include "gfx/gfx.h"

#include <cmath>
#include <cstdint>

namespace {

int Outcode(int x, int y, int width, int height) {
    int code = 0;
    if (x < 0) code |= 1;
    if (x >= width) code |= 2;
    if (y < 0) code |= 4;
    if (y >= height) code |= 8;
    return code;
}

// |v| never exceeds the distance between the end points (up to 2^32).
int64_t Offset(double v) { return static_cast<int64_t>(std::trunc(v)); }

// Each pass moves one end point onto an edge; a handful of passes always settles the segment.
// The bound only guards against an endless loop, which the geometry rules out.
constexpr int kMaxPasses = 32;

}  // namespace

bool GFX_ClipSegment(int *x1, int *y1, int *x2, int *y2, int width, int height) {
    if (width <= 0 || height <= 0) return false;  // nothing is inside an empty bitmap
    int ax = *x1, ay = *y1, bx = *x2, by = *y2;
    int code_a = Outcode(ax, ay, width, height);
    int code_b = Outcode(bx, by, width, height);
    bool accepted = false;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        if (code_a == 0 && code_b == 0) {
            accepted = true;
            break;
        }
        if (code_a & code_b) break;
        const bool move_a = code_a != 0;
        const int code = move_a ? code_a : code_b;
        const double dx = static_cast<double>(bx) - static_cast<double>(ax);
        const double dy = static_cast<double>(by) - static_cast<double>(ay);
        // Int-valued doubles: the differences below cannot wrap.
        const double fx = ax, fy = ay;
        int64_t x, y;
        if (code & 8) {
            y = height - 1;
            x = static_cast<int64_t>(ax) + Offset(dx * (height - fy) / dy);
        } else if (code & 4) {
            y = 0;
            x = static_cast<int64_t>(ax) - Offset(dx * fy / dy);
        } else if (code & 2) {
            x = width - 1;
            y = static_cast<int64_t>(ay) + Offset(dy * (width - fx) / dx);
        } else {
            x = 0;
            y = static_cast<int64_t>(ay) - Offset(dy * fx / dx);
        }
        // Between the two end points, hence in the int range.
        if (move_a) {
            ax = static_cast<int>(x);
            ay = static_cast<int>(y);
            code_a = Outcode(ax, ay, width, height);
        } else {
            bx = static_cast<int>(x);
            by = static_cast<int>(y);
            code_b = Outcode(bx, by, width, height);
        }
    }
    *x1 = ax;
    *y1 = ay;
    *x2 = bx;
    *y2 = by;
    return accepted;
}
