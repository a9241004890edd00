// GFX_DrawBitmapScaled: the set-up that turns the caller's rectangles into a clipped destination
// block, source limits and stepping values, and the choice of kernel.
//
// The order of the set-up steps and the precision of each step (single-precision division for
// the steps, single-precision source coordinates, ceilf for the far source limit) decide which
// source pixels are sampled, so they are kept exactly; only the integer sums that could wrap are
// done in 64 bits.
#include "gfx/gfx.h"
#include "gfx/scaled_internal.h"

#include <climits>
#include <cmath>
#include <cstdint>

namespace {

using gfx_internal::OpenSurface;
using gfx_internal::StrengthToWeight;
using gfx_internal::Surface;
using gfx_scaled::ScaleJob;

// Source positions and steps are refused beyond 2^40 pixels: in 16.16 fixed point they then
// stay below 2^56, and nothing that far out can be a meaningful picture position.
constexpr double kPositionLimit = 1099511627776.0;

bool Usable(double v) { return std::isfinite(v) && std::fabs(v) <= kPositionLimit; }

int ClampToInt(double v) {
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

int ClampToInt(int64_t v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// Source columns (or rows) that may be read: from max(0, trunc(pos)) up to, not including,
// min(extent, ceilf(pos + size)). False when that range is empty.
bool SourceLimits(float pos, float size, int extent, int *lo, int *lim) {
    float end = std::ceil(pos + size);  // single-precision sum and ceiling
    if (std::isnan(end)) return false;
    int64_t last;
    if (static_cast<double>(end) >= static_cast<double>(extent)) {
        last = extent;
    } else if (end <= 0.0f) {
        last = 0;
    } else {
        last = static_cast<int64_t>(end);
    }
    double first_d = std::trunc(static_cast<double>(pos));  // |pos| <= 2^40 here
    int64_t first = first_d > 0.0 ? static_cast<int64_t>(first_d) : 0;
    if (first >= last) return false;
    *lo = static_cast<int>(first);
    *lim = static_cast<int>(last);
    return true;
}

// Whole source pixels at the same size: hand the block to the unscaled blit.
void DrawUnscaled(GFX_IBitmap *destination, GFX_IBitmap *source, int dstX, int dstY, int dstW, int dstH, float srcX,
                  float srcY, float alpha, GFX_CombineMode mode) {
    // trunc(srcX + 0.5) in double precision, as the snap to the nearest whole pixel.
    int left = ClampToInt(std::trunc(static_cast<double>(srcX) + 0.5));
    int top = ClampToInt(std::trunc(static_cast<double>(srcY) + 0.5));
    RECT rect;
    rect.left = left;
    rect.top = top;
    rect.right = ClampToInt(static_cast<int64_t>(left) + dstW);
    rect.bottom = ClampToInt(static_cast<int64_t>(top) + dstH);
    GFX_DrawBitmap(destination, source, dstX, dstY, &rect, alpha, mode);
}

bool OffGrid(float v) { return std::fabs(v - std::floor(v + 0.5f)) >= 0.03; }

}  // namespace

void GFX_DrawBitmapScaled(GFX_IBitmap *destination, GFX_IBitmap *source, int dstX, int dstY, int dstW, int dstH,
                          float srcX, float srcY, float srcW, float srcH, float alpha, GFX_CombineMode mode) {
    if (!destination || !source || dstW == 0 || dstH == 0 || alpha == 0.0f) return;
    int weight = 0;
    if (!StrengthToWeight(alpha, &weight)) return;
    // A non-finite source rectangle has no pixels to sample.
    if (!std::isfinite(srcX) || !std::isfinite(srcY) || !std::isfinite(srcW) || !std::isfinite(srcH)) return;

    const bool filtered = (mode & GFX_COMBINE_FILTER_MASK) == GFX_COMBINE_FILTERED;

    // Same size: whole-pixel positions go to the unscaled blit (a filtered blit only when it is
    // within 0.03 of a whole pixel; otherwise it interpolates below).
    if (std::fabs(static_cast<double>(srcW - static_cast<float>(dstW))) < 0.001 &&
        std::fabs(static_cast<double>(srcH - static_cast<float>(dstH))) < 0.001) {
        if (!(filtered && (OffGrid(srcX) || OffGrid(srcY)))) {
            DrawUnscaled(destination, source, dstX, dstY, dstW, dstH, srcX, srcY, alpha, mode);
            return;
        }
    }

    // Negative destination sizes move the origin to the other corner; the source rectangle
    // moves with it. Sums in 64 bits: dstX + dstW may leave the int range.
    int64_t dx = dstX, dy = dstY, dw = dstW, dh = dstH;
    if (dw < 0) {
        dx += dw;
        dw = -dw;
        srcX = srcX + srcW;
        srcW = -srcW;
    }
    if (dh < 0) {
        dy += dh;
        dh = -dh;
        srcY = srcY + srcH;
        srcH = -srcH;
    }

    // Steps: divided in single precision, then widened.
    const double stepX = srcW / static_cast<float>(dw);
    const double stepY = srcH / static_cast<float>(dh);
    if (!Usable(stepX) || !Usable(stepY)) return;

    // Clip to the destination's top-left; the source moves by the product rounded to single
    // precision.
    if (dx < 0) {
        dw += dx;
        srcX = srcX - static_cast<float>(static_cast<double>(dx) * stepX);
        dx = 0;
    }
    if (dy < 0) {
        dh += dy;
        srcY = srcY - static_cast<float>(static_cast<double>(dy) * stepY);
        dy = 0;
    }
    if (!Usable(srcX) || !Usable(srcY) || !std::isfinite(srcW) || !std::isfinite(srcH)) return;

    Surface dst, src;
    if (!OpenSurface(destination, &dst) || !OpenSurface(source, &src)) return;

    // Clip to the far edges.
    if (dx + dw > dst.width) dw = dst.width - dx;
    if (dy + dh > dst.height) dh = dst.height - dy;
    if (dw < 1 || dh < 1) return;

    ScaleJob job;
    job.dst = dst;
    job.src = src;
    job.dst_x = static_cast<int>(dx);
    job.dst_y = static_cast<int>(dy);
    job.dst_w = static_cast<int>(dw);
    job.dst_h = static_cast<int>(dh);
    if (!SourceLimits(srcX, srcW, src.width, &job.min_x, &job.lim_x)) return;
    if (!SourceLimits(srcY, srcH, src.height, &job.min_y, &job.lim_y)) return;
    job.x16 = static_cast<int64_t>(static_cast<double>(srcX) * 65536.0);
    job.dx16 = static_cast<int64_t>(stepX * 65536.0);
    job.sy = srcY;
    job.step_x = stepX;
    job.step_y = stepY;

    const GFX_CombineMode plain = mode & (GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_FILTER_MASK | GFX_COMBINE_OP_MASK);
    if (plain == GFX_COMBINE_COPY && alpha == 0.5f) {
        gfx_scaled::DrawNearestHalf(job);
    } else if (plain == GFX_COMBINE_COPY && alpha == 1.0f) {
        gfx_scaled::DrawNearestOpaque(job);
    } else if (filtered && stepX >= 1.7 && stepY >= 1.7) {
        gfx_scaled::DrawShrink(job, mode, alpha, weight);
    } else if (filtered) {
        gfx_scaled::DrawBilinear(job, mode, alpha, weight);
    } else {
        gfx_scaled::DrawNearest(job, mode, alpha, weight);
    }
}

namespace gfx_scaled {

namespace {
int64_t CeilDiv(int64_t a, int64_t b) { return a / b + (a % b != 0 ? 1 : 0); }  // a >= 0, b > 0
}  // namespace

Span ColumnSpan(int64_t start, int64_t step, int count, int64_t lo, int64_t hi) {
    Span out;
    if (count <= 0 || lo >= hi) return out;
    int64_t first, last;
    if (step == 0) {
        bool inside = start >= lo && start < hi;
        first = 0;
        last = inside ? count : 0;
    } else if (step > 0) {
        first = start >= lo ? 0 : CeilDiv(lo - start, step);
        last = start >= hi ? 0 : CeilDiv(hi - start, step);
    } else {
        int64_t s = -step;
        first = start < hi ? 0 : CeilDiv(start - hi + 1, s);
        last = start < lo ? 0 : CeilDiv(start - lo + 1, s);
    }
    if (last > count) last = count;
    if (first > last) first = last;
    out.first = static_cast<int>(first);
    out.last = static_cast<int>(last);
    return out;
}

}  // namespace gfx_scaled
