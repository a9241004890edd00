// Vector sampling of the scaled blit's shrink kernel (the weighted 3 × 3 or 5 × 5 average). Not
// part of the public interface.
//
// Exactness: as in bilinear_rows.h, each 16.16 weight (at most 65536) is split into its high
// part and low byte so that 16-bit multiply-add lanes form both partial sums exactly; the whole
// sum is at most 25 × 65536 × 255 < 2^31. Each average is sum / total truncated, computed as a
// double quotient truncated to an integer: for positive integers below 2^31 a quotient that is
// not whole lies at least 1 / total below the next integer, far more than the rounding of one
// double division, so truncation gives the integer quotient exactly.
#pragma once

#include "gfx/gfx.h"

#include <cstdint>

namespace gfx_internal {

// The largest neighbourhood.
constexpr int kShrinkMaxSize = 5;

// True where the vector form exists in this build (SSE2).
bool HaveShrinkSamplesVector();

// n averages of one destination row into out[0 .. n), all of whose neighbourhoods lie wholly
// inside the source: sample k has its centre column x16 / 65536 (truncated) at
// x16 = x_start + k × dx16, and averages rows[r][centre − size / 2 + m] with weights[r][m] for
// r, m in 0 .. size − 1. `total` is the sum of all the weights (positive).
// Uses AVX2 at that kernel level.
void ShrinkSamples(GFX_Color32 *out, const GFX_Color32 *const rows[kShrinkMaxSize], int64_t x_start, int64_t dx16,
                   int n, const int weights[kShrinkMaxSize][kShrinkMaxSize], int size, int total);

// The AVX2 form for whole pairs of samples; only where AVX2 runs. Returns how many samples it
// wrote; the caller finishes the rest.
int ShrinkSamplesAvx2(GFX_Color32 *out, const GFX_Color32 *const rows[kShrinkMaxSize], int64_t x_start, int64_t dx16,
                      int n, const int weights[kShrinkMaxSize][kShrinkMaxSize], int size, int total);

}  // namespace gfx_internal
