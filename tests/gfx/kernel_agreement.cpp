#include "kernel_agreement.h"

#include "core_test_bitmap.h"
#include "gfx/gfx.h"
#include "gfx/kernel_level.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace kernel_agreement {

namespace {

using core_test::TestBitmap;
using gfx_internal::KernelLevel;

class Random {
public:
    explicit Random(uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    int Range(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint32_t>(hi - lo + 1)); }
    bool Chance(int percent) { return Range(0, 99) < percent; }
    // Pixels with the runs real pictures have: many fully transparent and fully opaque ones.
    uint32_t Pixel() {
        const uint32_t colour = Next() & 0x00FFFFFFu;
        const int kind = Range(0, 9);
        if (kind < 3) return colour;
        if (kind < 6) return colour | 0xFF000000u;
        if (kind == 6) return colour | (static_cast<uint32_t>(Range(0, 2) == 0 ? 1 : 254) << 24);
        return Next();
    }
    float Strength() {
        static const float kCommon[] = {1.0f, 0.5f, 0.25f, 0.75f, 0.7f, 0.999f, 1.001f, 1.004f, -0.5f, -1.0f, 2.5f, 0.0039f};
        if (Chance(50)) return kCommon[Range(0, static_cast<int>(sizeof kCommon / sizeof kCommon[0]) - 1)];
        return static_cast<float>(Range(-1200, 1200)) / 1000.0f;
    }
    GFX_CombineMode Mode(bool scaled) {
        // Copy and add (the operations with vector kernels) most of the time, the rest sometimes.
        const int op = Chance(80) ? Range(0, 1) : Range(2, 5);
        GFX_CombineMode mode = static_cast<GFX_CombineMode>(op);
        if (Chance(50)) mode |= GFX_COMBINE_SOURCE_ALPHA;
        if (!scaled && Chance(20)) mode |= GFX_COMBINE_FILTERED;
        return mode;
    }

private:
    uint32_t state_;
};

// A bitmap of random geometry (pitch padding, row order) and a recipe to make it again.
struct Shape {
    int width, height, pitch;
    bool bottom_up;
    uint32_t seed;

    static Shape Make(Random &rng, int max_w, int max_h) {
        const int w = rng.Range(1, max_w);
        return Shape{w, rng.Range(1, max_h), w + (rng.Chance(50) ? 0 : rng.Range(1, 5)), rng.Chance(50), rng.Next()};
    }
    std::unique_ptr<TestBitmap> Build() const {
        auto b = std::make_unique<TestBitmap>(width, height, bottom_up, pitch);
        Random pixels(seed);
        b->Fill([&](int, int) { return pixels.Pixel(); });
        return b;
    }
};

// Runs `draw(destination)` on identical destinations, once at the scalar level and once at
// each vector level this build and processor have; "" when every image byte and guard agree.
template <class Draw>
std::string Compare(const Shape &dst, Draw draw, const char *what, int index) {
    auto scalar = dst.Build();
    gfx_internal::SetKernelLevel(KernelLevel::kScalar);
    draw(scalar.get());
    const std::vector<GFX_Color32> expected = scalar->Image();
    std::string failure;
    for (int level = 1; failure.empty() && level <= static_cast<int>(gfx_internal::SupportedKernelLevel()); ++level) {
        auto vector = dst.Build();
        gfx_internal::SetKernelLevel(static_cast<KernelLevel>(level));
        draw(vector.get());
        if (vector->Image() == expected && vector->GuardsIntact()) continue;
        char text[160];
        std::snprintf(text, sizeof text, "%s case %d differs at kernel level %d (destination %dx%d pitch %d%s)", what,
                      index, level, dst.width, dst.height, dst.pitch, dst.bottom_up ? " bottom-up" : "");
        failure = text;
    }
    gfx_internal::SetKernelLevel(gfx_internal::SupportedKernelLevel());
    return failure;
}

std::string Describe(std::string failure, GFX_CombineMode mode, float alpha) {
    if (failure.empty()) return failure;
    char text[80];
    std::snprintf(text, sizeof text, ": mode 0x%X alpha %g", static_cast<unsigned>(mode), static_cast<double>(alpha));
    return failure + text;
}

}  // namespace

std::string CheckBlit(uint32_t seed, int cases) {
    Random rng(seed);
    for (int i = 0; i < cases; ++i) {
        const Shape src_shape = Shape::Make(rng, 40, 5), dst_shape = Shape::Make(rng, 40, 5);
        auto src = src_shape.Build();
        const int x = rng.Range(-8, dst_shape.width), y = rng.Range(-3, dst_shape.height);
        RECT rect{rng.Range(-2, src_shape.width), rng.Range(-2, src_shape.height), 0, 0};
        rect.right = rect.left + rng.Range(0, src_shape.width + 2);
        rect.bottom = rect.top + rng.Range(0, src_shape.height + 2);
        const bool with_rect = rng.Chance(50);
        const float alpha = rng.Strength();
        const GFX_CombineMode mode = rng.Mode(false);
        const std::string failure = Compare(
            dst_shape,
            [&](GFX_IBitmap *dst) { GFX_DrawBitmap(dst, src.get(), x, y, with_rect ? &rect : nullptr, alpha, mode); },
            "blit", i);
        if (!failure.empty()) return Describe(failure, mode, alpha);
    }
    return "";
}

std::string CheckFill(uint32_t seed, int cases) {
    Random rng(seed);
    for (int i = 0; i < cases; ++i) {
        const Shape dst_shape = Shape::Make(rng, 40, 5);
        const int x = rng.Range(-8, dst_shape.width), y = rng.Range(-3, dst_shape.height);
        const int w = rng.Range(0, dst_shape.width + 8), h = rng.Range(0, dst_shape.height + 3);
        const GFX_Color32 colour = rng.Pixel();
        const float alpha = rng.Strength();
        const GFX_CombineMode mode = rng.Mode(false);
        const bool clear = rng.Chance(5);
        const std::string failure = Compare(
            dst_shape,
            [&](GFX_IBitmap *dst) {
                if (clear) {
                    GFX_SetAllPixels(dst, colour);
                } else {
                    GFX_BlendRect(dst, x, y, w, h, colour, alpha, mode);
                }
            },
            "fill", i);
        if (!failure.empty()) return Describe(failure, mode, alpha);
    }
    return "";
}

namespace {

std::string CheckScaled(uint32_t seed, int cases, bool filtered) {
    Random rng(seed);
    for (int i = 0; i < cases; ++i) {
        // Enlarging, shrinking a little (bilinear) and by 1.7 or more (the shrink kernel).
        const Shape src_shape = Shape::Make(rng, filtered && rng.Chance(40) ? 60 : 20, filtered ? 12 : 6);
        // Now and then a wide, low destination, so that rows run past the vector kernels' passes.
        const bool wide = rng.Chance(3);
        const Shape dst_shape = wide ? Shape::Make(rng, 700, 3) : Shape::Make(rng, 30, 10);
        auto src = src_shape.Build();
        int dw = rng.Range(1, dst_shape.width + 10), dh = rng.Range(1, dst_shape.height + 4);
        const int dx = rng.Range(-6, dst_shape.width), dy = rng.Range(-3, dst_shape.height);
        float sx = static_cast<float>(rng.Range(-40, src_shape.width * 10)) / 10.0f;
        float sy = static_cast<float>(rng.Range(-20, src_shape.height * 10)) / 10.0f;
        float sw = static_cast<float>(rng.Range(1, src_shape.width * 20)) / 10.0f;
        float sh = static_cast<float>(rng.Range(1, src_shape.height * 20)) / 10.0f;
        if (rng.Chance(10)) {  // mirrored requests, which draw as the set-up decides
            dw = -dw;
            sw = -sw;
        }
        if (rng.Chance(10)) sx = static_cast<float>(rng.Range(0, src_shape.width - 1));  // whole pixels
        const float alpha = rng.Strength();
        GFX_CombineMode mode = rng.Mode(true);
        if (filtered) mode |= GFX_COMBINE_FILTERED;
        const std::string failure = Compare(
            dst_shape,
            [&](GFX_IBitmap *dst) { GFX_DrawBitmapScaled(dst, src.get(), dx, dy, dw, dh, sx, sy, sw, sh, alpha, mode); },
            filtered ? "filtered stretch" : "unfiltered stretch", i);
        if (!failure.empty()) return Describe(failure, mode, alpha);
    }
    return "";
}

}  // namespace

std::string CheckNearest(uint32_t seed, int cases) { return CheckScaled(seed, cases, false); }
std::string CheckFiltered(uint32_t seed, int cases) { return CheckScaled(seed, cases, true); }

}  // namespace kernel_agreement
