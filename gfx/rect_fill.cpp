// Solid-colour area operations: clearing a whole bitmap and blending a colour into a rectangle.
#include "gfx/blend_internal.h"
#include "gfx/fill_rows.h"

#include <cstdint>

using namespace gfx_internal;

void GFX_SetAllPixels(GFX_IBitmap *bitmap, GFX_Color32 pixel) {
    if (!bitmap) return;
    GFX_Color32 *data = bitmap->PixelData();
    const int height = bitmap->PixelHeight();
    const int width = bitmap->PixelWidth();
    const int pitch = bitmap->RowPitch();
    if (!data || width < 1 || height < 1 || pitch < 1 || pitch < width) return;
    for (int row = 0; row < height; ++row, data += pitch) FillRow(data, width, pixel);
}

namespace {

struct Area {
    GFX_Color32 *first;  // top-left pixel of the topmost stored row of the rectangle
    std::ptrdiff_t pitch;
    int width;
    int height;
};

template <class Op>
void ForEachPixel(const Area &a, Op op) {
    GFX_Color32 *row = a.first;
    for (int r = 0; r < a.height; ++r, row += a.pitch)
        for (int i = 0; i < a.width; ++i) row[i] = op(row[i]);
}

// Runs a row kernel `row(first pixel, width)` over the rectangle.
template <class Row>
void ForEachRow(const Area &a, Row row) {
    GFX_Color32 *first = a.first;
    for (int r = 0; r < a.height; ++r, first += a.pitch) row(first, a.width);
}

// One solid-source formula applied to the three colour channels and, with the weight standing
// in for the source alpha, to the alpha channel.
template <int (*Channel)(int, int, int)>
void FillChannels(const Area &a, int r, int g, int b, int w) {
    ForEachPixel(a, [=](GFX_Color32 d) {
        return PackClamped(Channel(r, Red(d), w), Channel(g, Green(d), w), Channel(b, Blue(d), w),
                           Channel(w, Alpha(d), w));
    });
}

}  // namespace

void GFX_BlendRect(GFX_IBitmap *bitmap, int x, int y, int w, int h, GFX_Color32 color, float alpha,
                   GFX_CombineMode mode) {
    if (!bitmap) return;
    if (mode & GFX_COMBINE_SOURCE_ALPHA) alpha = alpha * (static_cast<float>(color >> 24) / 255.0f);

    const int64_t width = bitmap->PixelWidth();
    const int64_t height = bitmap->PixelHeight();
    int64_t x0 = x, y0 = y, cw = w, ch = h;
    if (x0 < 0) {
        cw += x0;
        x0 = 0;
    }
    if (y0 < 0) {
        ch += y0;
        y0 = 0;
    }
    if (x0 + cw > width) cw = width - x0;
    if (y0 + ch > height) ch = height - y0;

    int weight = 0;
    if (alpha == 0.0f || !StrengthToWeight(alpha, &weight)) return;
    Surface s;
    if (!OpenSurface(bitmap, &s) || cw < 1 || ch < 1) return;

    Area a;
    a.width = static_cast<int>(cw);
    a.height = static_cast<int>(ch);
    a.pitch = s.pitch;
    // Every row gets the same treatment, so a bottom-up bitmap is walked downwards in memory from
    // the stored row of the rectangle's bottom image row.
    const int64_t first_stored = s.bottom_up ? height - y0 - ch : y0;
    a.first = s.data + first_stored * s.pitch + x0;

    const unsigned op = mode & GFX_COMBINE_OP_MASK;
    if (op == GFX_COMBINE_COPY) {
        const GFX_Color32 c = color;
        if (alpha == 1.0f) {
            ForEachRow(a, [c](GFX_Color32 *row, int n) { FillRow(row, n, c); });
            return;
        }
        if (alpha == 0.5f) {
            ForEachRow(a, [c](GFX_Color32 *row, int n) { FillRowHalf(row, n, c); });
            return;
        }
        if (alpha == 0.25f) {
            ForEachRow(a, [c](GFX_Color32 *row, int n) { FillRowQuarter(row, n, c); });
            return;
        }
        if (alpha == 0.75f) {
            ForEachRow(a, [c](GFX_Color32 *row, int n) { FillRowThreeQuarters(row, n, c); });
            return;
        }
    }

    const int r = Red(color), g = Green(color), b = Blue(color);
    switch (op) {
    case GFX_COMBINE_COPY:
        if (alpha > 0.0f) ForEachRow(a, [=](GFX_Color32 *row, int n) { FillRowCopy(row, n, color, weight); });
        return;
    case GFX_COMBINE_ADD: ForEachRow(a, [=](GFX_Color32 *row, int n) { FillRowAdd(row, n, color, weight); }); return;
    case GFX_COMBINE_DODGE: FillChannels<DodgeChannel>(a, r, g, b, weight); return;
    case GFX_COMBINE_MULTIPLY: FillChannels<MultiplyChannel>(a, r, g, b, weight); return;
    case GFX_COMBINE_SOFT_LIGHT: FillChannels<SoftLightChannel>(a, r, g, b, weight); return;
    case GFX_COMBINE_HSV_SHIFT:
        ForEachPixel(a, [=](GFX_Color32 d) { return HsvShift(d, r, g, b, weight & 0xFF, weight); });
        return;
    default: return;
    }
}
