// Row kernels of the solid-colour rectangle fill. Not part of the public interface.
//
// Each kernel changes n destination words in place. The ...Reference forms are the per-pixel
// formulas and define the result; the unsuffixed forms are what the fill calls: at the vector
// kernel level (kernel_level.h) they work on four words at a time and give the same bytes,
// otherwise they run the reference.
//
// The word-at-a-time fractions shift whole 32-bit words and mask off what crossed a byte border,
// which is the same in a 32-bit vector lane. The blended copy keeps s × w + d × (256 − w) in a
// 16-bit lane: for 0 < w < 256 it is at most 255 × 256 (the alpha channel, whose source is w
// itself, at most w × w + 255 × (256 − w) ≤ 255 × 256 too). The additive fill adds the same
// amount k = s × w / 256 to every pixel, so it is a saturating byte add of k clamped to 255 (or
// subtract of −k), exact for any weight.
#pragma once

#include "gfx/gfx.h"

namespace gfx_internal {

// Every word := c.
void FillRow(GFX_Color32 *d, int n, GFX_Color32 c);
void FillRowReference(GFX_Color32 *d, int n, GFX_Color32 c);

// Strength 0.5, 0.25 and 0.75 of a copy (the fill's word-at-a-time fast paths):
// d := c/2 + d/2, c/4 + d/2 + d/4, c/2 + c/4 + d/4, each fraction taken per byte, rounded down.
void FillRowHalf(GFX_Color32 *d, int n, GFX_Color32 c);
void FillRowHalfReference(GFX_Color32 *d, int n, GFX_Color32 c);
void FillRowQuarter(GFX_Color32 *d, int n, GFX_Color32 c);
void FillRowQuarterReference(GFX_Color32 *d, int n, GFX_Color32 c);
void FillRowThreeQuarters(GFX_Color32 *d, int n, GFX_Color32 c);
void FillRowThreeQuartersReference(GFX_Color32 *d, int n, GFX_Color32 c);

// Copy with weight w: colour channels (s × w + d × (256 − w)) / 256, the alpha channel with w in
// place of the source alpha, clamped. The vector form takes 0 < w < 256.
void FillRowCopy(GFX_Color32 *d, int n, GFX_Color32 c, int w);
void FillRowCopyReference(GFX_Color32 *d, int n, GFX_Color32 c, int w);

// Add with weight w (any sign): colour channels d + s × w / 256, alpha d + w × w / 256, clamped.
void FillRowAdd(GFX_Color32 *d, int n, GFX_Color32 c, int w);
void FillRowAddReference(GFX_Color32 *d, int n, GFX_Color32 c, int w);

}  // namespace gfx_internal
