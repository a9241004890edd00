#include "scaled_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace scaled_test {

namespace {

int R(GFX_Color32 c) { return ByteOf(c, 2); }
int G(GFX_Color32 c) { return ByteOf(c, 1); }
int B(GFX_Color32 c) { return ByteOf(c, 0); }
int A(GFX_Color32 c) { return ByteOf(c, 3); }

// The scaled blit's operation table for one sampled colour.
void Combine(GFX_Color32 *p, int r, int g, int b, int a, float alpha, GFX_CombineMode mode, int w) {
    switch (mode & 0x100FF) {
    case 0:
        if (alpha == 1.0f) {
            GFX_PutClamped(p, r, g, b, a);
        } else if (alpha > 0) {
            GFX_MixCopy(p, r, g, b, a, w);
        }
        break;
    case 1: GFX_MixAdd(p, r, g, b, a, w); break;
    case 2: GFX_MixDodge(p, r, g, b, a, w); break;
    case 3: GFX_MixMultiply(p, r, g, b, a, w); break;
    case 4: GFX_MixSoftLight(p, r, g, b, a, w); break;
    case 5: GFX_MixHsvShift(p, r, g, b, a, w); break;
    case 0x10000:
        if (alpha == 1.0f) {
            GFX_MixCopyWithAlphaFull(p, r, g, b, a);
        } else {
            GFX_MixCopyWithAlpha(p, r, g, b, a, w);
        }
        break;
    case 0x10001: GFX_MixAddWithAlpha(p, r, g, b, a, w); break;
    case 0x10002: GFX_MixDodgeWithAlpha(p, r, g, b, a, w); break;
    case 0x10003: GFX_MixMultiplyWithAlpha(p, r, g, b, a, w); break;
    case 0x10004: GFX_MixSoftLight(p, r, g, b, a, w * (a + 1) / 256); break;
    case 0x10005: GFX_MixHsvShift(p, r, g, b, a, w * (a + 1) / 256); break;
    default: break;
    }
}

}  // namespace

int ReferenceShrinkWeight(double scale, int di, int dj) {
    if (di == 0 && dj == 0) return 65536;
    double d = std::sqrt(static_cast<double>(di * di + dj * dj));
    double m = (scale - 1) / d;
    if (m < 0) return 0;
    if (m > 1) return 65536;
    return static_cast<int>(m * 65536);
}

ScalePath ReferenceScaled(Canvas &dst, Canvas &src, int dstX, int dstY, int dstW, int dstH, float srcX, float srcY,
                          float srcW, float srcH, float alpha, GFX_CombineMode mode) {
    if (dstW == 0 || dstH == 0 || alpha == 0.0f) return ScalePath::kNone;
    const bool filter = ((mode >> 8) & 0xFF) == 1;
    if (std::fabs(static_cast<double>(srcW - dstW)) < 0.001 && std::fabs(static_cast<double>(srcH - dstH)) < 0.001) {
        bool snap = !filter || (std::fabs(srcX - floorf(srcX + 0.5)) < 0.03 && std::fabs(srcY - floorf(srcY + 0.5)) < 0.03);
        if (snap) {
            RECT rect;
            rect.left = static_cast<int>(srcX + 0.5);
            rect.top = static_cast<int>(srcY + 0.5);
            rect.right = rect.left + dstW;
            rect.bottom = rect.top + dstH;
            GFX_DrawBitmap(&dst, &src, dstX, dstY, &rect, alpha, mode);
            return ScalePath::kSameSize;
        }
    }
    if (dstW < 0) {
        dstX += dstW;
        dstW = -dstW;
        srcX += srcW;
        srcW = -srcW;
    }
    if (dstH < 0) {
        dstY += dstH;
        dstH = -dstH;
        srcY += srcH;
        srcH = -srcH;
    }
    float fstepX = srcW / dstW;
    float fstepY = srcH / dstH;
    double stepX = fstepX, stepY = fstepY;
    if (dstX < 0) {
        dstW += dstX;
        srcX -= static_cast<float>(dstX * stepX);
        dstX = 0;
    }
    if (dstY < 0) {
        dstH += dstY;
        srcY -= static_cast<float>(dstY * stepY);
        dstY = 0;
    }
    if (dstX + dstW > dst.width()) dstW = dst.width() - dstX;
    if (dstY + dstH > dst.height()) dstH = dst.height() - dstY;
    if (dstW < 1 || dstH < 1) return ScalePath::kNone;

    const int minX = std::max(0, static_cast<int>(srcX));
    const int limX = std::min(src.width(), static_cast<int>(ceilf(srcX + srcW)));
    const int minY = std::max(0, static_cast<int>(srcY));
    const int limY = std::min(src.height(), static_cast<int>(ceilf(srcY + srcH)));
    if (minX >= limX || minY >= limY) return ScalePath::kNone;

    const int w = static_cast<int>(alpha * 256.0);
    const int x16start = static_cast<int>(srcX * 65536);
    const int dx16 = static_cast<int>(stepX * 65536);
    const bool plain = (mode & 0x1FFFF) == 0;

    ScalePath path;
    if (plain && alpha == 0.5f) {
        path = ScalePath::kWordHalf;
    } else if (plain && alpha == 1.0f) {
        path = ScalePath::kWordCopy;
    } else if (stepX >= 1.7 && stepY >= 1.7 && filter) {
        path = ScalePath::kShrink;
    } else if (filter) {
        path = ScalePath::kBilinear;
    } else {
        path = ScalePath::kNearest;
    }

    double sy = srcY;
    for (int i = 0; i < dstH; ++i, sy += stepY) {
        int row = static_cast<int>(sy);
        int fy = static_cast<int>((sy - row) * 65536);
        int x16 = x16start;
        for (int j = 0; j < dstW; ++j, x16 += dx16) {
            GFX_Color32 &d = dst.At(dstX + j, dstY + i);
            if (path == ScalePath::kWordHalf || path == ScalePath::kWordCopy || path == ScalePath::kNearest) {
                int col = x16 >> 16;
                if (row < minY || row >= limY || col < minX || col >= limX) continue;
                GFX_Color32 s = src.At(col, row);
                if (path == ScalePath::kWordCopy) {
                    d = s;
                } else if (path == ScalePath::kWordHalf) {
                    GFX_Color32 out = 0;
                    for (int k = 0; k < 4; ++k) out |= static_cast<GFX_Color32>(ByteOf(s, k) / 2 + ByteOf(d, k) / 2) << (8 * k);
                    d = out;
                } else {
                    Combine(&d, R(s), G(s), B(s), A(s), alpha, mode, w);
                }
            } else if (path == ScalePath::kBilinear) {
                int col = x16 / 65536;
                int fx = x16 & 0xFFFF;
                bool rowPair = row >= minY && row < limY - 1, rowLast = row == limY - 1;
                bool colPair = col >= minX && col < limX - 1, colLast = col == limX - 1;
                int v[4];
                if (rowPair && colPair) {
                    int wBR = static_cast<int>((static_cast<long long>(fx) * fy) >> 16);
                    int wBL = fy - wBR, wTR = fx - wBR, wTL = 65536 - wTR - fy;
                    for (int k = 0; k < 4; ++k)
                        v[k] = (wTL * ByteOf(src.At(col, row), k) + wTR * ByteOf(src.At(col + 1, row), k) +
                                wBL * ByteOf(src.At(col, row + 1), k) + wBR * ByteOf(src.At(col + 1, row + 1), k)) /
                               65536;
                } else if (rowPair && colLast) {
                    for (int k = 0; k < 4; ++k)
                        v[k] = (ByteOf(src.At(col, row), k) * (65536 - fy) + ByteOf(src.At(col, row + 1), k) * fy) / 65536;
                } else if (rowLast && colPair) {
                    for (int k = 0; k < 4; ++k)
                        v[k] = (ByteOf(src.At(col, row), k) * (65536 - fx) + ByteOf(src.At(col + 1, row), k) * fx) >> 16;
                } else if (rowLast && colLast) {
                    for (int k = 0; k < 4; ++k) v[k] = ByteOf(src.At(col, row), k);
                } else {
                    continue;
                }
                // Above the first row (sy in (-1, 0)) the vertical fraction is negative and
                // extrapolates; the sample is clamped to channel values before combining.
                for (int k = 0; k < 4; ++k) v[k] = std::clamp(v[k], 0, 255);
                Combine(&d, v[2], v[1], v[0], v[3], alpha, mode, w);
            } else {
                double scale = std::max(stepX, stepY);
                int size = scale > 3.0 ? 5 : 3;
                int off = -(size / 2);
                int cr = row, cc = x16 / 65536;
                if (cr < minY || cr >= limY || cc < minX || cc >= limX) continue;
                long long sum[4] = {0, 0, 0, 0};
                long long total = 0;
                for (int k = 0; k < size; ++k) {
                    int sr = cr + off + k;
                    if (sr >= limY) break;
                    if (sr < minY) continue;
                    for (int m = 0; m < size; ++m) {
                        int sc = cc + off + m;
                        if (sc < minX || sc >= limX) continue;
                        int wt = ReferenceShrinkWeight(scale, k + off, m + off);
                        for (int c = 0; c < 4; ++c) sum[c] += static_cast<long long>(wt) * ByteOf(src.At(sc, sr), c);
                        total += wt;
                    }
                }
                if (total > 0)
                    Combine(&d, static_cast<int>(sum[2] / total), static_cast<int>(sum[1] / total),
                            static_cast<int>(sum[0] / total), static_cast<int>(sum[3] / total), alpha, mode, w);
            }
        }
    }
    return path;
}

bool ReferenceClip(int *x1, int *y1, int *x2, int *y2, int width, int height) {
    auto outcode = [&](int x, int y) {
        return (x < 0 ? 1 : 0) | (x >= width ? 2 : 0) | (y < 0 ? 4 : 0) | (y >= height ? 8 : 0);
    };
    int c1 = outcode(*x1, *y1), c2 = outcode(*x2, *y2);
    while (c1 != 0 || c2 != 0) {
        if (c1 & c2) return false;
        int c = c1 != 0 ? c1 : c2;
        double dx = *x2 - *x1, dy = *y2 - *y1;
        int x, y;
        if (c & 8) {
            y = height - 1;
            x = *x1 + static_cast<int>(dx * (height - *y1) / dy);
        } else if (c & 4) {
            y = 0;
            x = *x1 - static_cast<int>(dx * *y1 / dy);
        } else if (c & 2) {
            x = width - 1;
            y = *y1 + static_cast<int>(dy * (width - *x1) / dx);
        } else {
            x = 0;
            y = *y1 - static_cast<int>(dy * *x1 / dx);
        }
        if (c == c1) {
            *x1 = x;
            *y1 = y;
            c1 = outcode(x, y);
        } else {
            *x2 = x;
            *y2 = y;
            c2 = outcode(x, y);
        }
    }
    return true;
}

void ReferenceLine(Canvas &bm, int x1, int y1, int x2, int y2, GFX_Color32 color, float alpha, GFX_CombineMode mode,
                   bool antialias) {
    const int W = bm.width(), H = bm.height();
    if (!ReferenceClip(&x1, &y1, &x2, &y2, W, H)) return;
    const int op = mode & 0xFF;
    const int w = static_cast<int>(alpha * 256.0);
    const int r = R(color), g = G(color), b = B(color), a = A(color);

    auto at = [&](int x, int y) -> GFX_Color32 & {
        if (x < 0 || y < 0 || x >= W || y >= H) {
            ADD_FAILURE() << "reference line touches (" << x << ", " << y << ") outside " << W << " x " << H;
            static GFX_Color32 dummy;
            return dummy;
        }
        return bm.At(x, y);
    };
    auto mix = [&](int x, int y, int weight) {
        GFX_Color32 *p = &at(x, y);
        switch (op) {
        case 0: GFX_MixCopy(p, r, g, b, a, weight); break;
        case 1: GFX_MixAdd(p, r, g, b, a, weight); break;
        case 2: GFX_MixDodge(p, r, g, b, a, weight); break;
        case 3: GFX_MixMultiply(p, r, g, b, a, weight); break;
        case 4: GFX_MixSoftLight(p, r, g, b, a, weight); break;
        case 5: GFX_MixHsvShift(p, r, g, b, a, weight); break;
        default: break;
        }
    };
    // The per-pixel operation of the plain shapes.
    auto plain = [&](int x, int y) {
        GFX_Color32 &d = at(x, y);
        if (op == 0) {
            if (alpha == 1.0f) {
                d = color;
            } else if (alpha == 0.5f) {
                GFX_Color32 out = 0;
                for (int k = 0; k < 4; ++k)
                    out |= static_cast<GFX_Color32>((ByteOf(color, k) + ByteOf(d, k)) >> 1) << (8 * k);
                d = out;
            } else if (alpha > 0) {
                mix(x, y, w);
            }
        } else if (op <= 5 && alpha != 0.0f) {
            mix(x, y, w);
        }
    };
    const bool smoothDraws = op <= 5 && alpha != 0.0f && (op != 0 || alpha > 0);

    if (x1 == x2) {
        for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y) plain(x1, y);
        return;
    }
    if (y1 == y2) {
        for (int x = std::min(x1, x2); x <= std::max(x1, x2); ++x) plain(x, y1);
        return;
    }
    const int sx = x2 > x1 ? 1 : -1, sy = y2 > y1 ? 1 : -1;
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    if (dx == dy) {
        const int n = dx;
        if (!antialias) {
            for (int i = 0; i <= n; ++i) plain(x1 + i * sx, y1 + i * sy);
            return;
        }
        if (op == 0 && alpha == 1.0f) {
            for (int i = 0; i <= n; ++i) {
                int x = x1 + i * sx, y = y1 + i * sy;
                GFX_Color32 &d = at(x, y);
                GFX_Color32 out = 0;
                for (int k = 0; k < 4; ++k) {
                    int c = ByteOf(color, k), v = ByteOf(d, k);
                    out |= static_cast<GFX_Color32>(c / 2 + c / 4 + v / 4) << (8 * k);
                }
                d = out;
                if (i == n) break;
                for (GFX_Color32 *q : {&at(x + sx, y), &at(x, y + sy)}) {
                    GFX_Color32 o = 0;
                    for (int k = 0; k < 4; ++k) {
                        int c = ByteOf(color, k), v = ByteOf(*q, k);
                        o |= static_cast<GFX_Color32>(v / 2 + c / 4 + v / 4) << (8 * k);
                    }
                    *q = o;
                }
            }
            return;
        }
        if (!smoothDraws) return;
        for (int i = 0; i <= n; ++i) {
            int x = x1 + i * sx, y = y1 + i * sy;
            mix(x, y, w * 3 / 4);
            if (i == n) break;
            mix(x + sx, y, w / 4);
            mix(x, y + sy, w / 4);
        }
        return;
    }
    // General slope.
    const bool majorX = dx > dy;
    const int n = majorX ? dx : dy;
    const double slope = static_cast<double>(majorX ? dy : dx) / n;
    int x = x1, y = y1;
    auto majorStep = [&] { if (majorX) x += sx; else y += sy; };
    auto minorStep = [&] { if (majorX) y += sy; else x += sx; };
    if (!antialias) {
        double e = 0;
        for (int i = 0; i <= n; ++i) {
            plain(x, y);
            e += slope;
            if (e > 0.5) {
                minorStep();
                e -= 1;
            }
            majorStep();
        }
        return;
    }
    if (!smoothDraws) return;
    mix(x, y, w);
    majorStep();
    double f = slope;
    for (int i = 0; i < n - 1; ++i) {
        int c = static_cast<int>(f * 256);
        mix(x, y, (256 - c) * w / 256);
        if (c != 0) {
            if (majorX) mix(x, y + sy, w * c / 256);
            else mix(x + sx, y, w * c / 256);
        }
        f += slope;
        if (f > 1) {
            minorStep();
            f -= 1;
        }
        majorStep();
    }
    mix(x, y, (256 - static_cast<int>(f * 256)) * w / 256);
}

}  // namespace scaled_test
