// Row kernels of the additive blend (the unscaled blit, and the scaled blit once it has sampled a
// row). Not part of the public interface.
//
// Each kernel combines n source words into n destination words, pixel i with pixel i; the rows
// must not overlap. The ...Reference forms are the per-pixel mixers and define the result; the
// unsuffixed forms are what the blits call: at the vector kernel level (kernel_level.h) they run
// four pixels at a time and give the same bytes, otherwise they run the reference.
//
// Why the vector forms are exact: for |w| ≤ 256 and a byte s, s × |w| ≤ 255 × 256 fits a 16-bit
// lane, and s × w / 256 truncated toward zero is ±(s × |w| >> 8), at most 255 in size. Adding it
// to the destination byte and clamping to 0..255 is then a saturating byte add (or, for a
// negative weight, a saturating byte subtract).
#pragma once

#include "gfx/gfx.h"

namespace gfx_internal {

// Largest |w| the vector forms take; beyond it the unsuffixed forms run the reference.
constexpr int kAddFastMaxWeight = 256;

// Every channel, alpha included: d + s × w / 256, clamped.
void AddRow(GFX_Color32 *d, const GFX_Color32 *s, int n, int w);
void AddRowReference(GFX_Color32 *d, const GFX_Color32 *s, int n, int w);

// Source alpha: a source pixel with alpha 0 is skipped; the others add with
// w′ = w × (alpha + 1) / 256.
void AddAlphaRow(GFX_Color32 *d, const GFX_Color32 *s, int n, int w);
void AddAlphaRowReference(GFX_Color32 *d, const GFX_Color32 *s, int n, int w);

}  // namespace gfx_internal
