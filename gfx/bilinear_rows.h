// Vector sampling of the scaled blit's bilinear kernel. Not part of the public interface.
//
// Exactness: each channel is (wTL·tl + wTR·tr + wBL·bl + wBR·br) / 65536 with weights of up to
// 17 bits. The sum is rearranged exactly in integers (bilinear_rows.cpp) into two 16-bit
// multiply-adds per sample: per-column differences that depend only on the source row pair,
// against the sample's weights offset by −32768 so that they fit signed 16-bit lanes. Every
// partial result and the whole sum (at most 65536 × 255) stay exact in 32 bits. wBR =
// (fx × fy) >> 16 is the high half of a 16-bit unsigned product. With a non-negative vertical
// fraction the sum is non-negative, so the quotient is a shift and already a byte.
#pragma once

#include "gfx/gfx.h"

#include <cstdint>
#include <memory>

namespace gfx_internal {

// True where the vector form exists in this build (SSE2).
bool HaveBilinearSamplesVector();

// The per-column terms of one source row pair (see bilinear_rows.cpp), shared by the SSE2 and
// AVX2 sample loops: (B, D) and (E, K) as four 16-bit pairs each, one pair per channel.
struct alignas(32) BilinearColumn {
    int16_t bd[8];
    int16_t ek[8];
};

// Fills terms[0 .. count) for source columns first .. first + count − 1 of the row pair (each
// reads its column and the next one of both rows). Uses AVX2 at that kernel level.
void BilinearColumnTerms(BilinearColumn *terms, const GFX_Color32 *top, const GFX_Color32 *bottom, int first,
                         int count);

// n bilinear samples into out[0 .. n): sample k is taken at x16 = x_start + k × dx16 with column
// x16 / 65536 (truncated) and fraction x16 & 0xFFFF from the source rows `top` and `bottom`
// (columns col and col + 1 of each), vertical fraction fy in 0..65535. The caller guarantees
// every column read exists and every sample's x16 > −65536. Uses AVX2 at that kernel level.
void BilinearSamples(GFX_Color32 *out, const GFX_Color32 *top, const GFX_Color32 *bottom, int64_t x_start,
                     int64_t dx16, int n, uint32_t fy);

// The samples of one destination run (as BilinearSamples) over many destination rows, keeping
// the column terms while consecutive rows read the same source row pair (when enlarging
// vertically, several do). Threads: one per drawing call.
class BilinearRun {
public:
    // Samples x_start + k × dx16 for k in [0, n), as BilinearSamples requires. Keeps a table of
    // the columns in reach when the step is below two pixels and the memory is there; otherwise
    // every row is sampled afresh.
    BilinearRun(int64_t x_start, int64_t dx16, int n);

    // Samples k0 .. k0 + count − 1 of the row pair (top, bottom), which `pair` names (the same
    // value for the same rows of the same source), at vertical fraction fy into out.
    void Samples(GFX_Color32 *out, int pair, const GFX_Color32 *top, const GFX_Color32 *bottom, uint32_t fy, int k0,
                 int count);

private:
    int64_t x_start_, dx16_;
    int first_ = 0, columns_ = 0, pair_ = -1;
    std::unique_ptr<BilinearColumn[]> terms_;
};

// The widest table a run keeps (sample positions relative to its first column stay within 31
// bits).
constexpr int kBilinearMaxTableColumns = 16384;

// The AVX2 form of BilinearColumnTerms for whole groups of eight columns; only where AVX2 runs.
// Returns how many columns it filled; the caller fills the rest.
int BilinearColumnTermsAvx2(BilinearColumn *terms, const GFX_Color32 *top, const GFX_Color32 *bottom, int first,
                            int count);

// The AVX2 sample loop over precomputed terms (column c at terms[c − first], every sample within
// kBilinearMaxTableColumns columns of `first`); only where AVX2 runs. Returns how many samples it wrote (a multiple of
// eight); the caller finishes the rest.
int BilinearSamplesAvx2(GFX_Color32 *out, const BilinearColumn *terms, int first, int64_t x_start, int64_t dx16,
                        int n, uint32_t fy);

}  // namespace gfx_internal
