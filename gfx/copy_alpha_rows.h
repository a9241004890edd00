// Row kernels of the source-alpha copy, the blit's hottest loop (every gem, tail and flare of the
// highway is drawn with it). Not part of the public interface.
//
// Each kernel combines n source words into n destination words, pixel i with pixel i. The rows
// must not overlap. Three forms of each kernel give the same bits:
//   - ...Reference: the plain per-pixel mixer, kept as the definition the fast forms are held to;
//   - ...Swar: one pixel at a time, its four channels spread over the 16-bit lanes of one 64-bit
//     word so that a single multiply weights all of them;
//   - the unsuffixed form: what the blits call; at the vector kernel level (kernel_level.h) four
//     pixels at a time in SSE2 registers (eight in AVX2 ones at that level), the 64-bit form for
//     the rest of the row; at the scalar
//     level, and on targets without SSE2, the reference (or the 64-bit form without SSE2).
//
// Why the fast forms need no clamping and no signed division: with a weight W in 0..256 and bytes
// s, d, s × W + d × (256 − W) lies in 0 .. 255 × 256, so it fits a 16-bit lane, dividing it by 256
// is a shift and the result is already a byte. The alpha rule of the full-strength copy,
// dA × (256 − W) + W × W, stays within the same bound for W in 1..255.
#pragma once

#include "gfx/gfx.h"

namespace gfx_internal {

// Source alpha at exactly full strength: alpha 0 keeps the destination, alpha 255 takes the
// source word, anything between blends the colour bytes with W = alpha + 1 and sets the alpha
// byte to (dA × (256 − W) + W × W) / 256.
void CopyAlphaFullRow(GFX_Color32 *d, const GFX_Color32 *s, int n);
void CopyAlphaFullRowSwar(GFX_Color32 *d, const GFX_Color32 *s, int n);
void CopyAlphaFullRowReference(GFX_Color32 *d, const GFX_Color32 *s, int n);
void CopyAlphaFullRowAvx2(GFX_Color32 *d, const GFX_Color32 *s, int n);  // only where AVX2 runs

// Source alpha at weight w: every channel blends with w′ = w × (alpha + 1) / 256, transparent
// source pixels are skipped. The fast forms require 0 ≤ w ≤ 255, where the skip is what the
// formula gives anyway (w′ = 0); callers use the reference for any other weight.
constexpr int kCopyAlphaFastMaxWeight = 255;
void CopyAlphaRow(GFX_Color32 *d, const GFX_Color32 *s, int n, int w);
void CopyAlphaRowSwar(GFX_Color32 *d, const GFX_Color32 *s, int n, int w);
void CopyAlphaRowReference(GFX_Color32 *d, const GFX_Color32 *s, int n, int w);
void CopyAlphaRowAvx2(GFX_Color32 *d, const GFX_Color32 *s, int n, int w);  // only where AVX2 runs

}  // namespace gfx_internal
