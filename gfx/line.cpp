// GFX_StrokeLine: clips the segment, maps it to stored rows and picks one of the four shapes.
#include "gfx/gfx.h"
#include "gfx/blend_internal.h"
#include "gfx/line_internal.h"
#include "gfx/line_shapes.h"

void GFX_StrokeLine(GFX_IBitmap *bitmap, int x1, int y1, int x2, int y2, GFX_Color32 color, float alpha,
                    GFX_CombineMode mode, unsigned char antialias) {
    gfx_internal::Surface s;
    if (!gfx_internal::OpenSurface(bitmap, &s)) return;
    // Clipped in image rows and only then mapped to stored rows: clipping rounds toward the
    // first end point and treats the top and bottom edges differently, so clipping stored rows
    // of a bottom-up bitmap would draw a different image than on a top-down one.
    if (!GFX_ClipSegment(&x1, &y1, &x2, &y2, s.width, s.height)) return;
    if (s.bottom_up) {
        y1 = s.height - 1 - y1;
        y2 = s.height - 1 - y2;
    }
    const int op = static_cast<int>(mode & GFX_COMBINE_OP_MASK);
    const int adx = x2 > x1 ? x2 - x1 : x1 - x2;
    const int ady = y2 > y1 ? y2 - y1 : y1 - y2;
    if (x1 == x2) {
        GFX_LineColumn(s.data, s.pitch, x1, y1, y2, color, alpha, op);
    } else if (y1 == y2) {
        GFX_LineRow(s.data, s.pitch, y1, x1, x2, color, alpha, op);
    } else if (adx == ady) {
        gfx_line::Diagonal(s.data, s.pitch, x1, y1, x2, y2, color, alpha, op, antialias != 0);
    } else {
        gfx_line::Sloped(s.data, s.pitch, x1, y1, x2, y2, color, alpha, op, antialias != 0);
    }
}
