// Line shapes shared inside the graphics library (not public).
//
// Who calls what: GFX_StrokeLine (line.cpp) flips the rows of a bottom-up bitmap, clips the
// segment with GFX_ClipSegment and then picks a shape. The single-column and single-row shapes
// live in line_axis.cpp and are called from there; the diagonal and general shapes live beside
// the dispatcher.
//
// Preconditions for both shapes: `data` is the first stored row of the bitmap, `pitch` its row
// pitch in pixels, and every point from the first to the second coordinate (either order, both
// inclusive) lies inside the bitmap. Row numbers are stored rows (already flipped). `op` is the
// mode's operation byte; values above 5 draw nothing. Alpha exactly 0.0 or non-finite draws
// nothing; operation 0 draws only for alpha > 0 (the word store at exactly 1.0 and the exact
// byte average at exactly 0.5 come first). The anti-alias flag has no effect on these shapes.
#pragma once

#include "gfx/gfx.h"

#include <cstddef>

void GFX_LineColumn(GFX_Color32 *data, std::ptrdiff_t pitch, int x, int y1, int y2, GFX_Color32 color, float alpha,
                    int op);
void GFX_LineRow(GFX_Color32 *data, std::ptrdiff_t pitch, int y, int x1, int x2, GFX_Color32 color, float alpha,
                 int op);
