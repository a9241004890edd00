// Pieces of the scaled blit shared between its set-up (scaled.cpp) and its kernels
// (scaled_nearest.cpp, scaled_bilinear.cpp, scaled_shrink.cpp). Not part of the public interface.
//
// Positions: the running source x is 16.16 fixed point held in 64 bits, so sources wider than
// 32767 pixels and far-off start positions stay exact instead of wrapping; the set-up keeps
// |start| and |step| below 2^56 in that format, and the kernels only ever advance it across the
// destination columns whose samples lie inside the source limits (see ColumnSpan), so it can
// never leave the 64-bit range. The running source y is a double advanced once per destination
// row by repeated addition.
#pragma once

#include "gfx/blend_internal.h"
#include "gfx/shrink_rows.h"

#include <cstdint>

namespace gfx_scaled {

// Everything one call carries from the set-up into a kernel. Destination coordinates are
// already clipped: every column dst_x .. dst_x + dst_w − 1 and row dst_y .. dst_y + dst_h − 1
// lies inside `dst`.
struct ScaleJob {
    gfx_internal::Surface dst;
    gfx_internal::Surface src;
    int dst_x = 0;
    int dst_y = 0;
    int dst_w = 0;
    int dst_h = 0;
    // Source columns [min_x, lim_x) and rows [min_y, lim_y) that may be read; never empty, and
    // always inside the source bitmap.
    int min_x = 0;
    int lim_x = 0;
    int min_y = 0;
    int lim_y = 0;
    int64_t x16 = 0;   // source x of every row's first destination pixel, 16.16
    int64_t dx16 = 0;  // source x step per destination pixel, 16.16
    double sy = 0.0;   // source y of the first destination row
    double step_y = 0.0;
    double step_x = 0.0;
};

// A half-open run [first, last) of destination columns.
struct Span {
    int first = 0;
    int last = 0;
};

// The destination columns j in [0, count) whose position x16 = start + j × step satisfies
// lo ≤ x16 < hi. The positions are monotonic in j, so the columns form one run. The caller
// guarantees |start|, |step|, |lo|, |hi| < 2^57.
Span ColumnSpan(int64_t start, int64_t step, int count, int64_t lo, int64_t hi);

// The source row sampled at sy (truncated toward zero) when it lies in [lo, lim); −1 otherwise
// (also for a non-finite sy). lo is never negative.
inline int SampleRow(double sy, int lo, int lim) {
    if (!(sy > -1.0 && sy < static_cast<double>(lim))) return -1;
    int row = static_cast<int>(sy);
    return row >= lo ? row : -1;
}

// The largest neighbourhood the shrink kernel averages.
constexpr int kMaxShrinkSize = gfx_internal::kShrinkMaxSize;

// Fills the shrink kernel's 16.16 weights for a shrink factor and returns the kernel size
// (3 or 5; only the first size × size entries are set). Entry [k][m] weights the source pixel
// at offset (k − size / 2, m − size / 2) from the centre.
int BuildShrinkWeights(double scale, int weights[kMaxShrinkSize][kMaxShrinkSize]);

// Kernels. `mode` and `alpha` select the operation (see scaled_ops.h); a mode outside the table
// draws nothing.
void DrawNearestOpaque(const ScaleJob &job);  // destination word := source word
void DrawNearestHalf(const ScaleJob &job);    // destination word := half of each, per byte
void DrawNearest(const ScaleJob &job, GFX_CombineMode mode, float alpha, int weight);
void DrawBilinear(const ScaleJob &job, GFX_CombineMode mode, float alpha, int weight);
void DrawShrink(const ScaleJob &job, GFX_CombineMode mode, float alpha, int weight);

}  // namespace gfx_scaled
