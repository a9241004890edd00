// Unscaled blit: combines a source rectangle into the destination at an integer position.
// Clipping is done in 64 bits so that positions and rectangles near the ends of the int range
// cannot wrap past the tests and write outside the bitmap.
#include "gfx/blend_internal.h"
#include "gfx/add_rows.h"
#include "gfx/copy_alpha_rows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace gfx_internal;

namespace {

struct Block {
    GFX_Color32 *dst;
    const GFX_Color32 *src;
    std::ptrdiff_t dst_step;
    std::ptrdiff_t src_step;
    int width;
    int height;
};

// Applies `op(destination pixel pointer, source word)` to every pixel of the block.
template <class Op>
void ForEachPixel(const Block &b, Op op) {
    GFX_Color32 *d = b.dst;
    const GFX_Color32 *s = b.src;
    for (int row = 0; row < b.height; ++row) {
        for (int i = 0; i < b.width; ++i) op(d + i, s[i]);
        d += b.dst_step;
        s += b.src_step;
    }
}

template <void (*Mix)(GFX_Color32 *, int, int, int, int, int)>
void MixRows(const Block &b, int w) {
    ForEachPixel(b, [w](GFX_Color32 *d, GFX_Color32 s) { Mix(d, Red(s), Green(s), Blue(s), Alpha(s), w); });
}

// Source-alpha kernels without the skip: the weight is scaled per pixel and the mixer runs even
// for a transparent source pixel.
template <void (*Mix)(GFX_Color32 *, int, int, int, int, int)>
void MixRowsScaledNoSkip(const Block &b, int w) {
    ForEachPixel(b, [w](GFX_Color32 *d, GFX_Color32 s) {
        int a = Alpha(s);
        Mix(d, Red(s), Green(s), Blue(s), a, AlphaScaledWeight(w, a));
    });
}

// Two pixels per 64-bit word: the byte masks keep every byte's halves apart, so the result is
// the same as pixel by pixel.
void HalfRow(GFX_Color32 *__restrict d, const GFX_Color32 *__restrict s, int width) {
    constexpr uint64_t kMask = 0x7F7F7F7F7F7F7F7Full;
    int i = 0;
    for (; i + 2 <= width; i += 2) {
        uint64_t a, b;
        std::memcpy(&a, s + i, 8);
        std::memcpy(&b, d + i, 8);
        const uint64_t r = ((a >> 1) & kMask) + ((b >> 1) & kMask);
        std::memcpy(d + i, &r, 8);
    }
    if (i < width) d[i] = HalfSum(s[i], d[i]);
}

// Runs a row kernel `row(destination row, source row, width)` over the block.
template <class Row>
void ForEachRow(const Block &b, Row row) {
    GFX_Color32 *d = b.dst;
    const GFX_Color32 *s = b.src;
    for (int r = 0; r < b.height; ++r, d += b.dst_step, s += b.src_step) row(d, s, b.width);
}

void ChannelCopyRows(const Block &b, unsigned op) {
    const unsigned dst_shift = ((op >> 2) & 3) * 8;
    const unsigned src_shift = (op & 3) * 8;
    const GFX_Color32 keep = ~(0xFFu << dst_shift);
    ForEachPixel(b, [=](GFX_Color32 *d, GFX_Color32 s) {
        *d = (*d & keep) | (((s >> src_shift) & 0xFF) << dst_shift);
    });
}

}  // namespace

void GFX_DrawBitmap(GFX_IBitmap *destination, GFX_IBitmap *source, int x, int y, const RECT *source_rect, float alpha,
                    GFX_CombineMode mode) {
    if (!destination || !source || alpha == 0.0f) return;
    int w = 0;
    if (!StrengthToWeight(alpha, &w)) return;

    const int src_w = source->PixelWidth();
    const int src_h = source->PixelHeight();
    int64_t left = 0, top = 0, right = src_w, bottom = src_h;
    if (source_rect) {
        right = std::min<int64_t>(source_rect->right, src_w);
        bottom = std::min<int64_t>(source_rect->bottom, src_h);
        left = source_rect->left < 0 ? 0 : source_rect->left;
        top = source_rect->top < 0 ? 0 : source_rect->top;
    }
    int64_t dx = x, dy = y;
    if (dx < 0) {
        left -= dx;
        dx = 0;
    }
    if (dy < 0) {
        top -= dy;
        dy = 0;
    }
    const int64_t dst_w = destination->PixelWidth();
    const int64_t dst_h = destination->PixelHeight();
    if (dx + (right - left) > dst_w) right = dst_w - dx + left;
    if (dy + (bottom - top) > dst_h) bottom = dst_h - dy + top;
    if (left >= right || top >= bottom) return;

    Surface dst, src;
    if (!OpenSurface(destination, &dst) || !OpenSurface(source, &src)) return;
    if (src.data == dst.data) return;  // the same pixels: rows would be read after being written

    Block b;
    b.width = static_cast<int>(right - left);
    b.height = static_cast<int>(bottom - top);
    b.dst = dst.Row(static_cast<int>(dy)) + dx;
    b.src = src.Row(static_cast<int>(top)) + left;
    b.dst_step = dst.Step();
    b.src_step = src.Step();

    const unsigned op = mode & GFX_COMBINE_OP_MASK;
    if (op >= 0xF0) {
        ChannelCopyRows(b, op);
        return;
    }
    const GFX_CombineMode kind = mode & (GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_OP_MASK);
    if (kind == GFX_COMBINE_COPY && alpha == 1.0f) {
        const size_t bytes = static_cast<size_t>(b.width) * sizeof(GFX_Color32);
        if (b.dst_step == b.width && b.src_step == b.width) {
            // Both blocks are whole rows stored top-down without padding: one contiguous copy.
            std::memcpy(b.dst, b.src, bytes * static_cast<size_t>(b.height));
            return;
        }
        ForEachRow(b, [bytes](GFX_Color32 *d, const GFX_Color32 *s, int) { std::memcpy(d, s, bytes); });
        return;
    }
    if (kind == GFX_COMBINE_COPY && alpha == 0.5f) {
        // Written out with non-aliasing rows so the word loop vectorises.
        GFX_Color32 *d = b.dst;
        const GFX_Color32 *s = b.src;
        for (int row = 0; row < b.height; ++row, d += b.dst_step, s += b.src_step) HalfRow(d, s, b.width);
        return;
    }
    switch (kind) {
    case GFX_COMBINE_COPY:
        if (alpha > 0.0f) MixRows<MixCopy>(b, w);
        return;
    case GFX_COMBINE_ADD:
        ForEachRow(b, [w](GFX_Color32 *d, const GFX_Color32 *s, int n) { AddRow(d, s, n, w); });
        return;
    case GFX_COMBINE_DODGE: MixRows<MixDodge>(b, w); return;
    case GFX_COMBINE_MULTIPLY: MixRows<MixMultiply>(b, w); return;
    case GFX_COMBINE_SOFT_LIGHT: MixRows<MixSoftLight>(b, w); return;
    case GFX_COMBINE_HSV_SHIFT: MixRows<MixHsvShift>(b, w); return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_COPY:
        // The row kernels give the same bits as the per-pixel mixers (see copy_alpha_rows.h);
        // weights outside their range keep the mixer.
        if (alpha == 1.0f) {
            ForEachRow(b, CopyAlphaFullRow);
        } else if (w >= 0 && w <= kCopyAlphaFastMaxWeight) {
            ForEachRow(b, [w](GFX_Color32 *d, const GFX_Color32 *s, int n) { CopyAlphaRow(d, s, n, w); });
        } else {
            MixRows<MixCopyWithAlpha>(b, w);
        }
        return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_ADD:
        ForEachRow(b, [w](GFX_Color32 *d, const GFX_Color32 *s, int n) { AddAlphaRow(d, s, n, w); });
        return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_DODGE: MixRows<MixDodgeWithAlpha>(b, w); return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_MULTIPLY: MixRows<MixMultiplyWithAlpha>(b, w); return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_SOFT_LIGHT: MixRowsScaledNoSkip<MixSoftLight>(b, w); return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_HSV_SHIFT: MixRowsScaledNoSkip<MixHsvShift>(b, w); return;
    default: return;
    }
}
