// Shrink kernel of the scaled blit (filtered, shrinking by 1.7 or more in both directions): each
// destination pixel is a weighted average of the 3 × 3 or 5 × 5 source neighbourhood around its
// sample, clipped to the source limits. The weights depend only on the distance from the centre
// and the shrink factor and are built once per call on the stack.
#include "gfx/kernel_level.h"
#include "gfx/scaled_internal.h"
#include "gfx/shrink_rows.h"
#include "gfx/scaled_ops.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace gfx_scaled {

int BuildShrinkWeights(double scale, int weights[kMaxShrinkSize][kMaxShrinkSize]) {
    const int size = scale > 3.0 ? 5 : 3;
    const int offset = -(size / 2);
    for (int i = 0; i < size; ++i) {
        for (int j = 0; j < size; ++j) {
            const int di = i + offset;
            const int dj = j + offset;
            if (di == 0 && dj == 0) {
                weights[i][j] = 65536;
                continue;
            }
            const double distance = std::sqrt(static_cast<double>(di * di + dj * dj));
            const double m = (scale - 1.0) / distance;
            if (m < 0.0) {
                weights[i][j] = 0;
            } else if (m > 1.0) {
                weights[i][j] = 65536;
            } else {
                weights[i][j] = static_cast<int>(m * 65536.0);
            }
        }
    }
    return size;
}

namespace {

// Bytes 0 and 2 of a word in the low halves of two 32-bit lanes.
inline uint64_t Lanes(GFX_Color32 c) {
    const uint64_t s = c & 0x00FF00FFu;
    return (s | (s << 16)) & 0x000000FF000000FFull;
}

// Averages per pass of the vector path: a stack buffer that stays in the first-level cache.
constexpr int kChunk = 256;

template <class Op>
void DrawShrinkWith(const ScaleJob &job, Op op) {
    int weights[kMaxShrinkSize][kMaxShrinkSize];
    const double scale = job.step_x > job.step_y ? job.step_x : job.step_y;
    const int size = BuildShrinkWeights(scale, weights);
    const int offset = -(size / 2);

    // Centre column trunc(x16 / 65536) inside [min_x, lim_x); (−65536, 0) truncates to 0.
    const int64_t lo = job.min_x == 0 ? -65535 : static_cast<int64_t>(job.min_x) * 65536;
    const Span span = ColumnSpan(job.x16, job.dx16, job.dst_w, lo, static_cast<int64_t>(job.lim_x) * 65536);
    if (span.first >= span.last) return;

    const bool vector = gfx_internal::VectorKernels() && gfx_internal::HaveShrinkSamplesVector();
    int inner_total = 0;
    for (int k = 0; k < size; ++k)
        for (int m = 0; m < size; ++m) inner_total += weights[k][m];

    double sy = job.sy;
    for (int i = 0; i < job.dst_h; ++i, sy += job.step_y) {
        const int centre_row = SampleRow(sy, job.min_y, job.lim_y);
        if (centre_row < 0) continue;
        // Kernel rows inside [min_y, lim_y).
        const int top = centre_row + offset;
        const int k0 = top < job.min_y ? job.min_y - top : 0;
        const int k1 = top + size > job.lim_y ? job.lim_y - top : size;
        GFX_Color32 *d = job.dst.Row(job.dst_y + i) + job.dst_x;

        // One destination pixel with its neighbourhood clipped to the limits (the definition).
        auto one = [&](int j, int64_t x16) {
            const int left = static_cast<int>(x16 / 65536) + offset;
            const int m0 = left < job.min_x ? job.min_x - left : 0;
            const int m1 = left + size > job.lim_x ? job.lim_x - left : size;
            // Two channels per 64-bit lane pair (see Lanes): each lane's sum stays below
            // 25 × 65536 × 255 < 2^32.
            uint64_t sum_br = 0, sum_ga = 0;
            int total = 0;
            for (int k = k0; k < k1; ++k) {
                const GFX_Color32 *s = job.src.Row(top + k) + static_cast<std::ptrdiff_t>(left);
                const int *wk = weights[k];
                for (int m = m0; m < m1; ++m) {
                    const GFX_Color32 c = s[m];
                    const uint64_t w = static_cast<uint32_t>(wk[m]);
                    sum_br += w * Lanes(c);
                    sum_ga += w * Lanes(c >> 8);
                    total += wk[m];
                }
            }
            if (total > 0) {
                const uint32_t t = static_cast<uint32_t>(total);
                op(d + j, static_cast<int>((sum_br >> 32) / t), static_cast<int>((sum_ga & 0xFFFFFFFFu) / t),
                   static_cast<int>((sum_br & 0xFFFFFFFFu) / t), static_cast<int>((sum_ga >> 32) / t));
            }
        };
        auto scalar = [&](int j0, int j1) {
            int64_t x16 = job.x16 + static_cast<int64_t>(j0) * job.dx16;
            for (int j = j0; j < j1; ++j, x16 += job.dx16) one(j, x16);
        };

        // Pixels whose whole neighbourhood lies inside the limits go through the vector averages
        // in chunks, each combined by the operation's row kernel.
        Span inner{span.first, span.first};
        if (vector && k0 == 0 && k1 == size) {
            inner = ColumnSpan(job.x16, job.dx16, job.dst_w, static_cast<int64_t>(job.min_x - offset) * 65536,
                               static_cast<int64_t>(job.lim_x - offset - size + 1) * 65536);
            if (inner.first < span.first) inner.first = span.first;
            if (inner.last > span.last) inner.last = span.last;
            if (inner.first >= inner.last) inner = Span{span.first, span.first};
        }
        scalar(span.first, inner.first);
        if (inner.first < inner.last) {
            const GFX_Color32 *rows[kMaxShrinkSize];
            for (int k = 0; k < size; ++k) rows[k] = job.src.Row(top + k);
            GFX_Color32 buffer[kChunk];
            for (int j = inner.first; j < inner.last; j += kChunk) {
                const int n = inner.last - j < kChunk ? inner.last - j : kChunk;
                gfx_internal::ShrinkSamples(buffer, rows, job.x16 + static_cast<int64_t>(j) * job.dx16, job.dx16, n,
                                            weights, size, inner_total);
                ApplyRow(op, d + j, buffer, n);
            }
        }
        scalar(inner.last, span.last);
    }
}

}  // namespace

void DrawShrink(const ScaleJob &job, GFX_CombineMode mode, float alpha, int weight) {
    WithOperation(mode, alpha, weight, [&](auto op) { DrawShrinkWith(job, op); });
}

}  // namespace gfx_scaled
