// Vector sampling of the scaled blit's bilinear kernel. Not part of the public interface.
//
// Exactness: each channel is (wTL·tl + wTR·tr + wBL·bl + wBR·br) / 65536 with weights of up to
// 17 bits. The sum is rearranged exactly in integers (bilinear_rows.cpp) into a per-column part
// and one 16-bit multiply-add per sample whose weights are fx − 32768 and wBR − 32768 (both fit
// signed 16-bit lanes; the per-column part absorbs the 32768s). Every partial result and the
// whole sum (at most 65536 × 255) stay exact in 32 bits. wBR = (fx × fy) >> 16 is the high half
// of a 16-bit unsigned product. With a non-negative vertical fraction the sum is non-negative,
// so the quotient is a shift and already a byte.
#pragma once

#include "gfx/gfx.h"

#include <cstdint>

namespace gfx_internal {

// True where the vector form exists in this build (SSE2).
bool HaveBilinearSamplesVector();

// n bilinear samples of one destination row into out[0 .. n): sample k is taken at
// x16 = x_start + k × dx16 with column x16 / 65536 (truncated) and fraction x16 & 0xFFFF from
// the source rows `top` and `bottom` (columns col and col + 1 of each), vertical fraction
// fy in 0..65535. The caller guarantees every column read exists and every sample's
// x16 > −65536. Uses AVX2 at that kernel level.
void BilinearSamples(GFX_Color32 *out, const GFX_Color32 *top, const GFX_Color32 *bottom, int64_t x_start,
                     int64_t dx16, int n, uint32_t fy);

// The per-column terms of one row pair (see bilinear_rows.cpp), shared by the SSE2 and AVX2
// sample loops: V′ as four 32-bit lanes, then (D, E) as four 16-bit pairs.
struct alignas(32) BilinearColumn {
    int32_t v[4];
    int16_t de[8];
};

// Columns per pass: the terms of one pass stay in the first-level cache.
constexpr int kBilinearPassColumns = 256;

// Fills terms[0 .. count) for source columns first .. first + count − 1 of the row pair.
void BilinearColumnTerms(BilinearColumn *terms, const GFX_Color32 *top, const GFX_Color32 *bottom, int first,
                         int count, uint32_t fy);

// The AVX2 form of BilinearColumnTerms for whole groups of eight columns; only where AVX2 runs.
// Returns how many columns it filled; the caller fills the rest.
int BilinearColumnTermsAvx2(BilinearColumn *terms, const GFX_Color32 *top, const GFX_Color32 *bottom, int first,
                            int count, uint32_t fy);

// The AVX2 sample loop over precomputed terms (column c at terms[c − first]); only where AVX2
// runs. Returns how many samples it wrote (a multiple of eight); the caller finishes the rest.
int BilinearSamplesAvx2(GFX_Color32 *out, const BilinearColumn *terms, int first, int64_t x_start, int64_t dx16,
                        int n, uint32_t fy);

}  // namespace gfx_internal
