// Building blocks shared by the drawing operations of the graphics library (not part of its
// public interface). Everything here is inline so that kernels can call it per pixel.
//
// Arithmetic: per-pixel work is int arithmetic. Divisions truncate toward zero (C++ `/`), so a
// negative product divided by 256 rounds toward zero. Weights are limited to ±kWeightLimit so
// that no formula here can overflow an int, whatever the strength the caller passed.
#pragma once

#include "gfx/gfx.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace gfx_internal {

// Weight of full strength.
constexpr int kFullWeight = 256;
// Strengths are limited to ±4.0 before they become weights: the largest intermediate value of
// any formula (the solid-fill multiply with the weight as its own alpha) then stays below 2^31.
constexpr int kWeightLimit = 1024;

// The weight for a strength: trunc(strength × 256), limited to ±kWeightLimit. Returns false for
// a strength that draws nothing (non-finite); 0.0 is left to the callers because several of them
// test it only after their fast paths.
inline bool StrengthToWeight(float strength, int *weight) {
    if (!std::isfinite(strength)) return false;
    double scaled = static_cast<double>(strength) * 256.0;
    if (scaled > kWeightLimit) scaled = kWeightLimit;
    if (scaled < -kWeightLimit) scaled = -kWeightLimit;
    *weight = static_cast<int>(scaled);
    return true;
}

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Channel access on the word value (independent of byte order): 0 blue, 1 green, 2 red, 3 alpha.
inline int Blue(GFX_Color32 c) { return static_cast<int>(c & 0xFF); }
inline int Green(GFX_Color32 c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int Red(GFX_Color32 c) { return static_cast<int>((c >> 16) & 0xFF); }
inline int Alpha(GFX_Color32 c) { return static_cast<int>(c >> 24); }

inline GFX_Color32 PackClamped(int r, int g, int b, int a) {
    return static_cast<GFX_Color32>(Clamp255(b)) | (static_cast<GFX_Color32>(Clamp255(g)) << 8) |
           (static_cast<GFX_Color32>(Clamp255(r)) << 16) | (static_cast<GFX_Color32>(Clamp255(a)) << 24);
}

// ---- One channel: s source byte (or stand-in), d destination byte, w weight. Unclamped. ----

inline int CopyChannel(int s, int d, int w) { return (s * w + d * (256 - w)) / 256; }
inline int AddChannel(int s, int d, int w) { return d + s * w / 256; }
inline int DodgeChannel(int s, int d, int w) {
    int k = s * w / 256;
    if (k > 254) return d * 256;
    return d * 256 / (256 - k);
}
inline int MultiplyChannel(int s, int d, int w) { return (s * w + 256 * (256 - w)) * d / 65536; }
inline int SoftLightChannel(int s, int d, int w) {
    int t = s * w + 128 * (256 - w);
    return ((32768 - t) * d / 256 + t) * d / 32768;
}

// The weight scaled by a source alpha byte.
inline int AlphaScaledWeight(int w, int a) { return w * (a + 1) / 256; }

// ---- Hue wheel ----

struct Hsv {
    int h, s, v;
};

inline Hsv RgbToHsv(int r, int g, int b) {
    int max, min, base, num;
    if (g > r) {
        if (g > b) {
            max = g; min = b < r ? b : r; base = 128; num = b - r;
        } else {
            max = b; min = r; base = 256; num = r - g;
        }
    } else if (r > b) {
        if (g < b) {
            max = r; min = g; base = 383; num = g - b;
        } else {
            max = r; min = b; base = 0; num = g - b;
        }
    } else {
        max = b; min = r < g ? r : g; base = 256; num = r - g;
    }
    int delta = max - min;
    Hsv out;
    out.h = base + num * (GFX_InverseTable[delta] + 1) / 1024;
    out.s = delta * GFX_InverseTable[max] / 256;
    out.v = max;
    return out;
}

inline GFX_Color32 PackHsv(int h, int s, int v, int a) {
    int p = (256 - s) * v / 256;
    auto f = [&](int k) { return v * (16384 - k * s) / 16384; };
    int r, g, b;
    if (h < 64) {
        r = v; g = f(64 - h); b = p;
    } else if (h < 128) {
        r = f(h - 64); g = v; b = p;
    } else if (h < 192) {
        r = p; g = v; b = f(192 - h);
    } else if (h < 256) {
        r = p; g = f(h - 192); b = v;
    } else if (h < 320) {
        r = f(320 - h); g = p; b = v;
    } else {
        r = v; g = p; b = f(h - 320);
    }
    return (static_cast<GFX_Color32>(b) & 0xFF) | ((static_cast<GFX_Color32>(g) & 0xFF) << 8) |
           ((static_cast<GFX_Color32>(r) & 0xFF) << 16) | ((static_cast<GFX_Color32>(a) & 0xFF) << 24);
}

// The hue/saturation/value shift of one pixel word by source (r, g, b) with weight w; the result
// takes alpha a. A hue pushed off the wheel wraps around it (one turn suffices for weights up to
// full strength; larger weights wrap as often as needed).
inline GFX_Color32 HsvShift(GFX_Color32 pixel, int r, int g, int b, int a, int w) {
    Hsv x = RgbToHsv(Red(pixel), Green(pixel), Blue(pixel));
    int h = x.h + w * (r + r / 2 - 192) / 256;
    if (h < 0) {
        h += 384;
        if (h < 0) h = h % 384 + 384;
    } else if (h >= 384) {
        h -= 384;
        if (h >= 384) h %= 384;
    }
    if (h == 384) h = 0;
    int s = Clamp255(x.s + w * (g - 128) / 256);
    int v = Clamp255(x.v + w * (b - 128) / 256);
    return PackHsv(h, s, v, a);
}

// ---- Whole-pixel mixers (source channels r, g, b, a; weight w) ----

inline void MixCopy(GFX_Color32 *p, int r, int g, int b, int a, int w) {
    GFX_Color32 d = *p;
    *p = PackClamped(CopyChannel(r, Red(d), w), CopyChannel(g, Green(d), w), CopyChannel(b, Blue(d), w),
                     CopyChannel(a, Alpha(d), w));
}
inline void MixAdd(GFX_Color32 *p, int r, int g, int b, int a, int w) {
    GFX_Color32 d = *p;
    *p = PackClamped(AddChannel(r, Red(d), w), AddChannel(g, Green(d), w), AddChannel(b, Blue(d), w),
                     AddChannel(a, Alpha(d), w));
}
inline void MixDodge(GFX_Color32 *p, int r, int g, int b, int a, int w) {
    GFX_Color32 d = *p;
    *p = PackClamped(DodgeChannel(r, Red(d), w), DodgeChannel(g, Green(d), w), DodgeChannel(b, Blue(d), w),
                     DodgeChannel(a, Alpha(d), w));
}
inline void MixMultiply(GFX_Color32 *p, int r, int g, int b, int a, int w) {
    GFX_Color32 d = *p;
    *p = PackClamped(MultiplyChannel(r, Red(d), w), MultiplyChannel(g, Green(d), w),
                     MultiplyChannel(b, Blue(d), w), MultiplyChannel(a, Alpha(d), w));
}
inline void MixSoftLight(GFX_Color32 *p, int r, int g, int b, int a, int w) {
    GFX_Color32 d = *p;
    *p = PackClamped(SoftLightChannel(r, Red(d), w), SoftLightChannel(g, Green(d), w),
                     SoftLightChannel(b, Blue(d), w), SoftLightChannel(a, Alpha(d), w));
}
inline void MixHsvShift(GFX_Color32 *p, int r, int g, int b, int a, int w) { *p = HsvShift(*p, r, g, b, a, w); }

inline void MixCopyWithAlpha(GFX_Color32 *p, int r, int g, int b, int a, int w) {
    if (a == 0) return;
    MixCopy(p, r, g, b, a, AlphaScaledWeight(w, a));
}
inline void MixAddWithAlpha(GFX_Color32 *p, int r, int g, int b, int a, int w) {
    if (a == 0) return;
    MixAdd(p, r, g, b, a, AlphaScaledWeight(w, a));
}
inline void MixDodgeWithAlpha(GFX_Color32 *p, int r, int g, int b, int a, int w) {
    MixDodge(p, r, g, b, a, AlphaScaledWeight(w, a));
}
inline void MixMultiplyWithAlpha(GFX_Color32 *p, int r, int g, int b, int a, int w) {
    if (a == 0) return;
    MixMultiply(p, r, g, b, a, AlphaScaledWeight(w, a));
}
// Full-strength source-alpha copy: W = a + 1 directly, with its own alpha rule.
inline void MixCopyWithAlphaFull(GFX_Color32 *p, int r, int g, int b, int a) {
    if (a == 0) return;
    GFX_Color32 d = *p;
    if (a == 255) {
        *p = (static_cast<GFX_Color32>(r & 0xFF) << 16) | (static_cast<GFX_Color32>(g & 0xFF) << 8) |
             static_cast<GFX_Color32>(b & 0xFF) | 0xFF000000u;
        return;
    }
    int W = a + 1;
    *p = PackClamped(CopyChannel(r, Red(d), W), CopyChannel(g, Green(d), W), CopyChannel(b, Blue(d), W),
                     (Alpha(d) * (256 - W) + W * W) / 256);
}

// ---- Word-at-a-time averages (no carry between bytes) ----

// floor(a / 2) + floor(b / 2) per byte.
inline GFX_Color32 HalfSum(GFX_Color32 a, GFX_Color32 b) { return ((a >> 1) & 0x7F7F7F7Fu) + ((b >> 1) & 0x7F7F7F7Fu); }
inline GFX_Color32 Quarter(GFX_Color32 a) { return (a >> 2) & 0x3F3F3F3Fu; }
inline GFX_Color32 Half(GFX_Color32 a) { return (a >> 1) & 0x7F7F7F7Fu; }
// (a + b) >> 1 per byte, exact (255 and 255 give 255).
inline GFX_Color32 ExactAverage(GFX_Color32 a, GFX_Color32 b) {
    return (a & b) + (((a ^ b) >> 1) & 0x7F7F7F7Fu);
}

// ---- Row addressing ----

// A bitmap's pixels read once through its interface. Image row y (0 = top) is Row(y); the next
// image row is `step` pixels further (negative for a bottom-up bitmap).
struct Surface {
    GFX_Color32 *data = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t pitch = 0;
    bool bottom_up = false;

    std::ptrdiff_t Step() const { return bottom_up ? -pitch : pitch; }
    // Requires 0 <= y < height.
    GFX_Color32 *Row(int y) const {
        std::ptrdiff_t stored = bottom_up ? static_cast<std::ptrdiff_t>(height) - 1 - y : y;
        return data + stored * pitch;
    }
};

// Reads the bitmap's geometry. False (nothing to draw) for a null bitmap, null pixels, a
// non-positive size, or a pitch shorter than a row.
inline bool OpenSurface(GFX_IBitmap *bitmap, Surface *out) {
    if (!bitmap) return false;
    Surface s;
    s.width = bitmap->PixelWidth();
    s.height = bitmap->PixelHeight();
    int pitch = bitmap->RowPitch();
    s.bottom_up = bitmap->IsBottomUp();
    s.data = bitmap->PixelData();
    if (!s.data || s.width < 1 || s.height < 1 || pitch < s.width) return false;
    s.pitch = pitch;
    *out = s;
    return true;
}

}  // namespace gfx_internal
