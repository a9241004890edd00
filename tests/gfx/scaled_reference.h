// Plain references for the scaled blit and lines, written from the behaviour they must have,
// one pixel at a time, with no fast paths, no spans and no 64-bit position tricks. They use the
// public mixers for the per-pixel formulas and draw through Canvas::At (image coordinates).
// Inputs must stay small (coordinates within a few thousand, strengths within ±2) so that
// plain int arithmetic cannot overflow.
#pragma once

#include "scaled_canvas.h"

namespace scaled_test {

// Which path a reference scaled blit took (for counting coverage).
enum class ScalePath { kNone, kSameSize, kWordCopy, kWordHalf, kNearest, kBilinear, kShrink };

ScalePath ReferenceScaled(Canvas &dst, Canvas &src, int dstX, int dstY, int dstW, int dstH, float srcX, float srcY,
                          float srcW, float srcH, float alpha, GFX_CombineMode mode);

// The shrink kernel weight at offset (di, dj) from the centre for a shrink factor.
int ReferenceShrinkWeight(double scale, int di, int dj);

bool ReferenceClip(int *x1, int *y1, int *x2, int *y2, int width, int height);

void ReferenceLine(Canvas &bm, int x1, int y1, int x2, int y2, GFX_Color32 color, float alpha, GFX_CombineMode mode,
                   bool antialias);

}  // namespace scaled_test
