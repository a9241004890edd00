// Text with the built-in 8×8 font: every set bit of a glyph is one pixel blended with the colour;
// clear bits leave the bitmap alone.
#include "gfx/blend_internal.h"

#include <cstdint>

using namespace gfx_internal;

namespace {

using Mixer = void (*)(GFX_Color32 *, int, int, int, int, int);

Mixer MixerFor(unsigned op, float alpha) {
    switch (op) {
    case GFX_COMBINE_COPY: return alpha > 0.0f ? MixCopy : nullptr;
    case GFX_COMBINE_ADD: return MixAdd;
    case GFX_COMBINE_DODGE: return MixDodge;
    case GFX_COMBINE_MULTIPLY: return MixMultiply;
    case GFX_COMBINE_SOFT_LIGHT: return MixSoftLight;
    case GFX_COMBINE_HSV_SHIFT: return MixHsvShift;
    default: return nullptr;
    }
}

}  // namespace

void GFX_PrintGlyph(GFX_IBitmap *bitmap, int x, int y, int code, GFX_Color32 color, float alpha,
                    GFX_CombineMode mode) {
    // Only the low byte of the code counts, read as a signed character: 'A' + 256 is still 'A',
    // and every byte from 128 up has no glyph.
    code = static_cast<int8_t>(static_cast<uint8_t>(code));
    if (code < 1 || !bitmap) return;
    Surface s;
    if (!OpenSurface(bitmap, &s)) return;

    // Rows of the glyph inside the bitmap.
    int64_t top = y;
    int first_row = 0;
    int64_t rows = 8;
    if (top < 0) {
        if (top <= -8) return;
        first_row = static_cast<int>(-top);
        rows = 8 + top;
        top = 0;
    }
    if (rows > s.height - top) rows = s.height - top;
    if (rows < 1) return;

    // Columns: the first bit of each row, and how many bits fit before the right edge.
    int64_t left = x;
    unsigned start_mask = 0x80;
    if (left < 0) {
        // A cell starting eight or more pixels to the left has nothing left to draw.
        if (left <= -8) return;
        start_mask >>= static_cast<unsigned>(-left);
        left = 0;
    }
    if (s.width - left < 1) return;
    const int64_t room = s.width - left;

    int weight = 0;
    if (alpha == 0.0f || !StrengthToWeight(alpha, &weight)) return;
    const Mixer mix = MixerFor(mode & GFX_COMBINE_OP_MASK, alpha);
    if (!mix) return;
    const int r = Red(color), g = Green(color), b = Blue(color), a = Alpha(color);

    const unsigned char *glyph = GFX_BuiltinFont8x8[code - 1];
    for (int i = 0; i < rows; ++i) {
        const unsigned bits = glyph[first_row + i];
        GFX_Color32 *p = s.Row(static_cast<int>(top) + i) + left;
        int64_t column = 0;
        for (unsigned m = start_mask; m != 0 && column < room; m >>= 1, ++column)
            if (bits & m) mix(p + column, r, g, b, a, weight);
    }
}

void GFX_PrintString(GFX_IBitmap *bitmap, int x, int y, const char *text, GFX_Color32 color, float alpha,
                     GFX_CombineMode mode) {
    if (!bitmap || !text) return;
    const int64_t width = bitmap->PixelWidth();
    const int64_t height = bitmap->PixelHeight();
    // The cursor is kept in 64 bits so that long strings near the end of the int range do not wrap.
    int64_t cx = x, cy = y;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        switch (*p) {
        case '\t': cx += 40; break;
        case '\n':
            cx = x;
            cy += 8;
            break;
        case '\r': break;
        case ' ': cx += 8; break;
        default:
            if (cx >= -8 && cx < width && cy >= -8 && cy < height)
                GFX_PrintGlyph(bitmap, static_cast<int>(cx), static_cast<int>(cy), *p, color, alpha, mode);
            cx += 8;
            break;
        }
    }
}
