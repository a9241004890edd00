// The general line shape (neither axis-aligned nor 45 degrees). One pixel per step along the
// major axis; a double-precision error term decides the steps along the minor axis.
//
// Plain: the error grows by the slope after each pixel and a minor step is taken once it passes
// one half (exactly one half does not step).
//
// Anti-aliased: the fractional minor position f splits the weight between the pixel on the path
// and its neighbour one minor step further. The first pixel takes the full weight; the last one
// takes what remains of f after the repeated additions, so whether the end point itself is drawn
// depends on their rounding (f ends within rounding of 1.0), and that same sequence of additions
// is kept here.
#include "gfx/line_shapes.h"

namespace gfx_line {

namespace {

struct Path {
    GFX_Color32 *start;
    std::ptrdiff_t major;  // one pixel along the major axis, toward the end point
    std::ptrdiff_t minor;  // one pixel along the minor axis, toward the end point
    int n;                 // pixels after the first along the major axis
    double slope;          // minor distance / major distance, below 1
};

// Calls put(p) for the n + 1 pixels of the plain path.
template <class Put>
void WalkPlain(const Path &path, Put put) {
    GFX_Color32 *p = path.start;
    double e = 0.0;
    for (int i = 0; i < path.n; ++i) {
        put(p);
        e += path.slope;
        if (e > 0.5) {
            p += path.minor;
            e -= 1.0;
        }
        p += path.major;
    }
    put(p);
}

// Calls mix(p, weight) along the anti-aliased path.
template <class Mix>
void WalkSmooth(const Path &path, int w, Mix mix) {
    GFX_Color32 *p = path.start;
    mix(p, w);
    p += path.major;
    double f = path.slope;
    for (int i = 1; i < path.n; ++i) {
        const int c = static_cast<int>(f * 256.0);
        mix(p, (256 - c) * w / 256);
        if (c != 0) mix(p + path.minor, w * c / 256);
        f += path.slope;
        if (f > 1.0) {
            p += path.minor;
            f -= 1.0;
        }
        p += path.major;
    }
    mix(p, (256 - static_cast<int>(f * 256.0)) * w / 256);
}

}  // namespace

void Sloped(GFX_Color32 *data, std::ptrdiff_t pitch, int x1, int y1, int x2, int y2, GFX_Color32 color, float alpha,
            int op, bool antialias) {
    if (!data || op < 0 || op > 5) return;
    const int dx = x2 > x1 ? x2 - x1 : x1 - x2;
    const int dy = y2 > y1 ? y2 - y1 : y1 - y2;
    const std::ptrdiff_t step_x = x2 > x1 ? 1 : -1;
    const std::ptrdiff_t step_y = y2 > y1 ? pitch : -pitch;
    Path path;
    path.start = data + static_cast<std::ptrdiff_t>(y1) * pitch + x1;
    if (dx > dy) {
        path.major = step_x;
        path.minor = step_y;
        path.n = dx;
        path.slope = static_cast<double>(dy) / dx;
    } else {
        path.major = step_y;
        path.minor = step_x;
        path.n = dy;
        path.slope = static_cast<double>(dx) / dy;
    }

    if (!antialias && op == 0) {
        if (alpha == 1.0f) {
            WalkPlain(path, [color](GFX_Color32 *p) { *p = color; });
            return;
        }
        if (alpha == 0.5f) {
            WalkPlain(path, [color](GFX_Color32 *p) { *p = gfx_internal::ExactAverage(color, *p); });
            return;
        }
    }
    int w = 0;
    if (!LineWeight(op, alpha, &w)) return;
    WithMixer(op, color, [&](auto mix) {
        if (antialias) {
            WalkSmooth(path, w, mix);
        } else {
            WalkPlain(path, [&](GFX_Color32 *p) { mix(p, w); });
        }
    });
}

}  // namespace gfx_line
