// Nearest-pixel kernels of the scaled blit: the two word-at-a-time plain copies and the general
// per-operation loop.
//
// Sampling: destination row i reads source row trunc(sy), destination column j reads source
// column floor(x16 / 65536); pixels whose sample falls outside the source limits are left alone.
// The run of columns that sample inside the limits is worked out once per call, so the inner
// loops carry no range tests.
#include "gfx/gather_rows.h"
#include "gfx/kernel_level.h"
#include "gfx/scaled_internal.h"
#include "gfx/scaled_ops.h"

namespace gfx_scaled {

namespace {

using gfx_internal::Alpha;
using gfx_internal::Blue;
using gfx_internal::Green;
using gfx_internal::Red;

// Calls `put(destination pixel, source word)` for every destination pixel whose nearest sample
// lies inside the limits.
template <class Put>
void ForEachNearest(const ScaleJob &job, Put put) {
    const Span span = ColumnSpan(job.x16, job.dx16, job.dst_w, static_cast<int64_t>(job.min_x) * 65536,
                                 static_cast<int64_t>(job.lim_x) * 65536);
    if (span.first >= span.last) return;
    const int64_t x_first = job.x16 + static_cast<int64_t>(span.first) * job.dx16;
    const int64_t dx16 = job.dx16;
    double sy = job.sy;
    for (int i = 0; i < job.dst_h; ++i, sy += job.step_y) {
        const int row = SampleRow(sy, job.min_y, job.lim_y);
        if (row < 0) continue;
        const GFX_Color32 *s = job.src.Row(row);
        GFX_Color32 *d = job.dst.Row(job.dst_y + i) + job.dst_x;
        int64_t x16 = x_first;
        for (int j = span.first; j < span.last; ++j, x16 += dx16) put(d + j, s[x16 >> 16]);
    }
}

// Words sampled per pass of the vector path: a stack buffer that stays in the first-level cache.
constexpr int kChunk = 256;

// Whether the run's positions x_first + k × dx16 all fit 32 bits unsigned: every position of the
// run lies in [min_x, lim_x) × 65536, so with a non-negative step it is enough that the end does.
inline bool Positions32(int64_t x_first, int64_t dx16, int count) {
    return dx16 >= 0 && x_first + static_cast<int64_t>(count) * dx16 < (int64_t{1} << 32);
}

// out[k] = s[(x + k × dx) >> 16] for k in [0, n) from a row of `readable` words: eight at a
// time from one load where AVX2 runs and the step enlarges, then four at a time.
inline void Gather32(GFX_Color32 *__restrict out, const GFX_Color32 *__restrict s, int readable, uint32_t x,
                     uint32_t dx, int n) {
    int k = gfx_internal::Avx2Kernels() ? gfx_internal::GatherRowAvx2(out, s, readable, x, dx, n) : 0;
    x += static_cast<uint32_t>(k) * dx;
    for (; k + 4 <= n; k += 4, x += 4 * dx) {
        const GFX_Color32 a = s[x >> 16], b = s[(x + dx) >> 16], c = s[(x + 2 * dx) >> 16], e = s[(x + 3 * dx) >> 16];
        out[k] = a;
        out[k + 1] = b;
        out[k + 2] = c;
        out[k + 3] = e;
    }
    for (; k < n; ++k, x += dx) out[k] = s[x >> 16];
}

// The same pixels and order as ForEachNearest, but each row's samples are gathered into a
// buffer first and combined by the operation's row kernel.
template <class Op>
void NearestRows(const ScaleJob &job, const Op &op) {
    const Span span = ColumnSpan(job.x16, job.dx16, job.dst_w, static_cast<int64_t>(job.min_x) * 65536,
                                 static_cast<int64_t>(job.lim_x) * 65536);
    if (span.first >= span.last) return;
    const int64_t x_first = job.x16 + static_cast<int64_t>(span.first) * job.dx16;
    const int64_t dx16 = job.dx16;
    const bool narrow = Positions32(x_first, dx16, span.last - span.first);
    GFX_Color32 buffer[kChunk];
    double sy = job.sy;
    for (int i = 0; i < job.dst_h; ++i, sy += job.step_y) {
        const int row = SampleRow(sy, job.min_y, job.lim_y);
        if (row < 0) continue;
        const GFX_Color32 *s = job.src.Row(row);
        GFX_Color32 *d = job.dst.Row(job.dst_y + i) + job.dst_x;
        int64_t x16 = x_first;
        for (int j = span.first; j < span.last; j += kChunk) {
            const int n = span.last - j < kChunk ? span.last - j : kChunk;
            if (narrow) {
                Gather32(buffer, s, job.src.width, static_cast<uint32_t>(x16), static_cast<uint32_t>(dx16), n);
                x16 += n * dx16;
            } else {
                for (int k = 0; k < n; ++k, x16 += dx16) buffer[k] = s[x16 >> 16];
            }
            ApplyRow(op, d + j, buffer, n);
        }
    }
}

}  // namespace

void DrawNearestOpaque(const ScaleJob &job) {
    const Span span = ColumnSpan(job.x16, job.dx16, job.dst_w, static_cast<int64_t>(job.min_x) * 65536,
                                 static_cast<int64_t>(job.lim_x) * 65536);
    const int64_t x_first = job.x16 + static_cast<int64_t>(span.first) * job.dx16;
    // With 32-bit positions the gather is unrolled by four (what lets it keep up with a memory
    // copy).
    if (!gfx_internal::VectorKernels() || span.first >= span.last ||
        !Positions32(x_first, job.dx16, span.last - span.first)) {
        ForEachNearest(job, [](GFX_Color32 *d, GFX_Color32 s) { *d = s; });
        return;
    }
    const auto dx = static_cast<uint32_t>(job.dx16);
    double sy = job.sy;
    for (int i = 0; i < job.dst_h; ++i, sy += job.step_y) {
        const int row = SampleRow(sy, job.min_y, job.lim_y);
        if (row < 0) continue;
        const GFX_Color32 *__restrict s = job.src.Row(row);
        GFX_Color32 *__restrict d = job.dst.Row(job.dst_y + i) + job.dst_x;
        Gather32(d + span.first, s, job.src.width, static_cast<uint32_t>(x_first), dx, span.last - span.first);
    }
}

void DrawNearestHalf(const ScaleJob &job) {
    ForEachNearest(job, [](GFX_Color32 *d, GFX_Color32 s) { *d = gfx_internal::HalfSum(*d, s); });
}

void DrawNearest(const ScaleJob &job, GFX_CombineMode mode, float alpha, int weight) {
    WithOperation(mode, alpha, weight, [&](auto op) {
        if (gfx_internal::VectorKernels()) {
            NearestRows(job, op);
        } else {
            ForEachNearest(job, [op](GFX_Color32 *d, GFX_Color32 s) { op(d, Red(s), Green(s), Blue(s), Alpha(s)); });
        }
    });
}

}  // namespace gfx_scaled
