// Bilinear kernel of the scaled blit (filtered, not shrinking by 1.7 or more in both directions).
//
// Destination row i samples source row trunc(sy) with the vertical fraction
// fy = trunc((sy − row) × 65536); destination column j samples source column trunc(x16 / 65536)
// with the horizontal fraction fx = x16 & 0xFFFF. The last source column and row of the limits
// are never blended with anything beyond them: there the kernel interpolates in one direction
// only, or takes the pixel itself. All four channels, alpha included, are interpolated.
#include "gfx/bilinear_rows.h"
#include "gfx/kernel_level.h"
#include "gfx/scaled_internal.h"
#include "gfx/scaled_ops.h"

#include <optional>
#include <type_traits>

namespace gfx_scaled {

namespace {

inline int Ch(GFX_Color32 c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

// Four channels of an interpolated sample.
struct Sample {
    int r, g, b, a;
};

// A source y in (−1, 0) samples row 0 with a negative vertical fraction, which extrapolates away
// from row 1 and can leave 0..255; such samples are clamped to channel values before they are
// combined, as the mixers expect.
inline Sample Clamped(Sample s) {
    using gfx_internal::Clamp255;
    return Sample{Clamp255(s.r), Clamp255(s.g), Clamp255(s.b), Clamp255(s.a)};
}

inline Sample Blend4(GFX_Color32 tl, GFX_Color32 tr, GFX_Color32 bl, GFX_Color32 br, int fx, int fy) {
    const int wbr = static_cast<int>((static_cast<int64_t>(fx) * fy) >> 16);
    const int wbl = fy - wbr;
    const int wtr = fx - wbr;
    const int wtl = 65536 - wtr - fy;
    auto mix = [&](int shift) {
        return (wtl * Ch(tl, shift) + wtr * Ch(tr, shift) + wbl * Ch(bl, shift) + wbr * Ch(br, shift)) / 65536;
    };
    return Sample{mix(16), mix(8), mix(0), mix(24)};
}

inline Sample BlendVertical(GFX_Color32 top, GFX_Color32 bottom, int fy) {
    auto mix = [&](int shift) { return (Ch(top, shift) * (65536 - fy) + Ch(bottom, shift) * fy) / 65536; };
    return Sample{mix(16), mix(8), mix(0), mix(24)};
}

// The same blends for non-negative fractions (every row but those above the first), two
// channels per 64-bit multiply: blue and red, or green and alpha, in lanes 32 bits apart. Each
// lane's weighted sum is at most 65536 × 255, so lanes never spill into each other and the lane
// results equal the per-channel sums exactly.
inline uint64_t LanesBR(GFX_Color32 c) {
    const uint64_t s = c & 0x00FF00FFu;
    return (s | (s << 16)) & 0x000000FF000000FFull;
}
inline uint64_t LanesGA(GFX_Color32 c) { return LanesBR(c >> 8); }
inline Sample FromLanes(uint64_t br, uint64_t ga) {
    return Sample{static_cast<int>((br >> 48) & 0xFF), static_cast<int>((ga >> 16) & 0xFF),
                  static_cast<int>((br >> 16) & 0xFF), static_cast<int>((ga >> 48) & 0xFF)};
}

// The four pixels around a sample, already spread into lanes.
struct Taps {
    uint64_t tl_br, tl_ga, tr_br, tr_ga, bl_br, bl_ga, br_br, br_ga;

    static Taps Load(const GFX_Color32 *top, const GFX_Color32 *bottom) {
        return Taps{LanesBR(top[0]),    LanesGA(top[0]),    LanesBR(top[1]),    LanesGA(top[1]),
                    LanesBR(bottom[0]), LanesGA(bottom[0]), LanesBR(bottom[1]), LanesGA(bottom[1])};
    }
    Sample Blend(uint32_t fx, uint32_t fy) const {
        const uint64_t wbr = (fx * fy) >> 16;
        const uint64_t wbl = fy - wbr;
        const uint64_t wtr = fx - wbr;
        const uint64_t wtl = 65536 - wtr - fy;
        return FromLanes(wtl * tl_br + wtr * tr_br + wbl * bl_br + wbr * br_br,
                         wtl * tl_ga + wtr * tr_ga + wbl * bl_ga + wbr * br_ga);
    }
};

inline Sample Blend2Lanes(GFX_Color32 a, GFX_Color32 b, uint32_t f) {
    const uint64_t wa = 65536 - f, wb = f;
    return FromLanes(wa * LanesBR(a) + wb * LanesBR(b), wa * LanesGA(a) + wb * LanesGA(b));
}

// Samples per pass of the vector path: a stack buffer that stays in the first-level cache.
constexpr int kChunk = 256;

inline int Column(int64_t x16) { return static_cast<int>(x16 / 65536); }  // truncating
inline int Fraction(int64_t x16) { return static_cast<int>(x16 & 0xFFFF); }

template <class Op>
void DrawBilinearWith(const ScaleJob &job, Op op) {
    // Columns whose truncated sample lies in [min_x, lim_x); x16 in (−65536, 0) truncates to 0.
    const int64_t lo = job.min_x == 0 ? -65535 : static_cast<int64_t>(job.min_x) * 65536;
    const int64_t hi = static_cast<int64_t>(job.lim_x) * 65536;
    const Span all = ColumnSpan(job.x16, job.dx16, job.dst_w, lo, hi);
    if (all.first >= all.last) return;
    // Of those, the ones with a right-hand neighbour (column < lim_x − 1); the rest sample the
    // last column and sit at one end of `all`.
    const int64_t hi_pair = job.lim_x - 1 == 0 ? lo : static_cast<int64_t>(job.lim_x - 1) * 65536;
    Span pair = ColumnSpan(job.x16, job.dx16, job.dst_w, lo, hi_pair);
    if (pair.first >= pair.last) pair = Span{all.first, all.first};

    const int64_t dx16 = job.dx16;
    const int last_col = job.lim_x - 1;
    const bool vector = gfx_internal::VectorKernels() && gfx_internal::HaveBilinearSamplesVector();
    // The vector samples of the run `pair`, keeping a row pair's column terms for the next
    // destination rows (unless the destination is the source itself: drawing changes them).
    std::optional<gfx_internal::BilinearRun> samples;
    const bool same_bitmap = job.dst.data == job.src.data;
    if (vector && pair.first < pair.last)
        samples.emplace(job.x16 + static_cast<int64_t>(pair.first) * dx16, dx16, pair.last - pair.first);
    double sy = job.sy;
    for (int i = 0; i < job.dst_h; ++i, sy += job.step_y) {
        const int row = SampleRow(sy, job.min_y, job.lim_y);
        if (row < 0) continue;
        const int fy = static_cast<int>((sy - row) * 65536.0);
        const GFX_Color32 *q = job.src.Row(row);
        GFX_Color32 *d = job.dst.Row(job.dst_y + i) + job.dst_x;

        auto run = [&](int j0, int j1, auto sample) {
            int64_t x16 = job.x16 + static_cast<int64_t>(j0) * dx16;
            for (int j = j0; j < j1; ++j, x16 += dx16) {
                const Sample s = sample(x16);
                op(d + j, s.r, s.g, s.b, s.a);
            }
        };

        if (row + 1 < job.lim_y) {
            const GFX_Color32 *r = job.src.Row(row + 1);
            auto vertical = [&](int64_t) { return BlendVertical(q[last_col], r[last_col], fy); };
            auto bilinear = [&](int64_t x16) {
                const int col = Column(x16);
                return Blend4(q[col], q[col + 1], r[col], r[col + 1], Fraction(x16), fy);
            };
            if (fy >= 0) {
                const Sample edge = Blend2Lanes(q[last_col], r[last_col], static_cast<uint32_t>(fy));
                auto vertical_lanes = [&](int64_t) { return edge; };
                run(all.first, pair.first, vertical_lanes);
                // Enlarging samples each source column for several destination pixels in a row:
                // its four pixels are spread into lanes once.
                Taps taps{};
                int cached = -1;
                auto bilinear_lanes = [&](int64_t x16) {
                    const int col = Column(x16);
                    if (col != cached) {
                        taps = Taps::Load(q + col, r + col);
                        cached = col;
                    }
                    return taps.Blend(static_cast<uint32_t>(Fraction(x16)), static_cast<uint32_t>(fy));
                };
                if (samples && std::is_same_v<Op, OpPut> && !same_bitmap) {
                    // A plain copy takes the samples as they are: straight into the destination.
                    samples->Samples(d + pair.first, row, q, r, static_cast<uint32_t>(fy), 0, pair.last - pair.first);
                } else if (samples) {
                    // Samples in chunks, each combined by the operation's row kernel; a
                    // destination drawn over its own source samples each chunk afresh.
                    GFX_Color32 buffer[kChunk];
                    for (int j = pair.first; j < pair.last; j += kChunk) {
                        const int n = pair.last - j < kChunk ? pair.last - j : kChunk;
                        if (same_bitmap) {
                            gfx_internal::BilinearSamples(buffer, q, r, job.x16 + static_cast<int64_t>(j) * dx16, dx16,
                                                          n, static_cast<uint32_t>(fy));
                        } else {
                            samples->Samples(buffer, row, q, r, static_cast<uint32_t>(fy), j - pair.first, n);
                        }
                        ApplyRow(op, d + j, buffer, n);
                    }
                } else {
                    run(pair.first, pair.last, bilinear_lanes);
                }
                run(pair.last, all.last, vertical_lanes);
            } else {
                auto vertical_clamped = [&](int64_t x16) { return Clamped(vertical(x16)); };
                auto bilinear_clamped = [&](int64_t x16) { return Clamped(bilinear(x16)); };
                run(all.first, pair.first, vertical_clamped);
                run(pair.first, pair.last, bilinear_clamped);
                run(pair.last, all.last, vertical_clamped);
            }
        } else {
            const GFX_Color32 corner = q[last_col];
            auto pixel = [&](int64_t) { return Sample{Ch(corner, 16), Ch(corner, 8), Ch(corner, 0), Ch(corner, 24)}; };
            auto horizontal = [&](int64_t x16) {
                const int col = Column(x16);
                return Blend2Lanes(q[col], q[col + 1], static_cast<uint32_t>(Fraction(x16)));
            };
            run(all.first, pair.first, pixel);
            run(pair.first, pair.last, horizontal);
            run(pair.last, all.last, pixel);
        }
    }
}

}  // namespace

void DrawBilinear(const ScaleJob &job, GFX_CombineMode mode, float alpha, int weight) {
    WithOperation(mode, alpha, weight, [&](auto op) { DrawBilinearWith(job, op); });
}

}  // namespace gfx_scaled
