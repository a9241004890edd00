#include "core_test_bitmap.h"
#include "gfx/gfx.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>

using namespace core_test;

namespace {

void Noise(TestBitmap &b, unsigned seed) {
    std::mt19937 rng(seed);
    b.Fill([&](int, int) { return static_cast<GFX_Color32>(rng()); });
}

// Applies a mixer to every pixel, as the reference for a whole-bitmap blit at (0, 0).
template <class F>
std::vector<GFX_Color32> Expected(TestBitmap &dst, TestBitmap &src, F per_pixel) {
    std::vector<GFX_Color32> out;
    for (int y = 0; y < dst.PixelHeight(); ++y)
        for (int x = 0; x < dst.PixelWidth(); ++x) {
            GFX_Color32 d = dst.At(x, y);
            if (x < src.PixelWidth() && y < src.PixelHeight()) per_pixel(&d, src.At(x, y));
            out.push_back(d);
        }
    return out;
}

int R(GFX_Color32 c) { return ChannelOf(c, 2); }
int G(GFX_Color32 c) { return ChannelOf(c, 1); }
int B(GFX_Color32 c) { return ChannelOf(c, 0); }
int A(GFX_Color32 c) { return ChannelOf(c, 3); }

}  // namespace

TEST(DrawBitmap, OpaqueCopyIsAWordCopyAndIgnoresTheFilterField) {
    for (GFX_CombineMode mode : {0x0u, 0x100u, 0x4200u}) {
        TestBitmap src(9, 7), dst(9, 7);
        Noise(src, 1);
        Noise(dst, 2);
        GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, 1.0f, mode);
        EXPECT_EQ(dst.Image(), src.Image()) << mode;
    }
}

TEST(DrawBitmap, HalfStrengthHalvesEachSideFirst) {
    // Every byte pair: floor(s / 2) + floor(d / 2), which is the copy formula at weight 128
    // except where both bytes are odd (one less there).
    TestBitmap src(256, 256), dst(256, 256);
    src.Fill([](int x, int y) { return Argb(x, x, y, (x + y) & 255); });
    dst.Fill([](int x, int y) { return Argb(y, y, x, (x * y) & 255); });
    TestBitmap before = dst;
    GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, 0.5f, GFX_COMBINE_COPY);
    int failures = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            for (int ch = 0; ch < 4; ++ch) {
                int s = ChannelOf(src.At(x, y), ch), d = ChannelOf(before.At(x, y), ch);
                int formula = (s * 128 + d * 128) / 256;
                int expect = formula - ((s & 1) && (d & 1) ? 1 : 0);
                if (ChannelOf(dst.At(x, y), ch) != expect) ++failures;
            }
    EXPECT_EQ(failures, 0);
    TestBitmap white(1, 1), white2(1, 1);
    white.Fill(0xFFFFFFFFu);
    white2.Fill(0xFFFFFFFFu);
    GFX_DrawBitmap(&white2, &white, 0, 0, nullptr, 0.5f, 0);
    EXPECT_EQ(white2.At(0, 0), 0xFEFEFEFEu);
}

TEST(DrawBitmap, GeneralKernelsApplyTheMixersToEveryPixel) {
    struct Case {
        GFX_CombineMode mode;
        float alpha;
        void (*mix)(GFX_Color32 *, int, int, int, int, int);
        bool scale_here;  // the kernel scales the weight by source alpha without skipping
    } cases[] = {
        {0, 0.7f, GFX_MixCopy, false},
        {0x100, 0.3f, GFX_MixCopy, false},
        {1, 0.6f, GFX_MixAdd, false},
        {1, -0.5f, GFX_MixAdd, false},
        {2, 0.8f, GFX_MixDodge, false},
        {3, 1.0f, GFX_MixMultiply, false},
        {4, 0.9f, GFX_MixSoftLight, false},
        {5, 1.0f, GFX_MixHsvShift, false},
        {5, 2.5f, GFX_MixHsvShift, false},
        {0x10000, 0.7f, GFX_MixCopyWithAlpha, false},
        {0x10000, -0.7f, GFX_MixCopyWithAlpha, false},
        {0x10001, 1.0f, GFX_MixAddWithAlpha, false},
        {0x10002, 0.75f, GFX_MixDodgeWithAlpha, false},
        {0x10003, 0.5f, GFX_MixMultiplyWithAlpha, false},
        {0x10004, 1.0f, GFX_MixSoftLight, true},
        {0x10005, 0.6f, GFX_MixHsvShift, true},
    };
    for (const Case &c : cases) {
        TestBitmap src(17, 11), dst(17, 11);
        Noise(src, 3);
        Noise(dst, 4);
        src.At(0, 0) &= 0x00FFFFFFu;  // a transparent source pixel
        const int w = static_cast<int>(c.alpha * 256.0);
        auto expect = Expected(dst, src, [&](GFX_Color32 *d, GFX_Color32 s) {
            int weight = c.scale_here ? w * (A(s) + 1) / 256 : w;
            c.mix(d, R(s), G(s), B(s), A(s), weight);
        });
        GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, c.alpha, c.mode);
        EXPECT_EQ(dst.Image(), expect) << std::hex << c.mode << " alpha " << c.alpha;
    }
}

TEST(DrawBitmap, FullStrengthSourceAlphaCopy) {
    TestBitmap src(3, 1), dst(3, 1);
    src.At(0, 0) = Argb(0, 1, 2, 3);
    src.At(1, 0) = Argb(255, 10, 20, 30);
    src.At(2, 0) = Argb(254, 200, 100, 50);
    dst.Fill(Argb(0, 90, 90, 90));
    GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, 1.0f, GFX_COMBINE_SOURCE_ALPHA);
    EXPECT_EQ(dst.At(0, 0), Argb(0, 90, 90, 90));
    EXPECT_EQ(dst.At(1, 0), Argb(255, 10, 20, 30));
    EXPECT_EQ(A(dst.At(2, 0)), 254);
    EXPECT_EQ(R(dst.At(2, 0)), (200 * 255 + 90) / 256);
}

TEST(DrawBitmap, ChannelCopyMovesOneByte) {
    TestBitmap src(2, 1), dst(2, 1);
    src.Fill(Argb(0x11, 0x22, 0x33, 0x44));
    dst.Fill(Argb(0xA0, 0xB0, 0xC0, 0xD0));
    GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, 0.25f, 0xFB);  // source alpha -> destination red
    EXPECT_EQ(dst.At(0, 0), Argb(0xA0, 0x11, 0xC0, 0xD0));
    GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, 1.0f, 0xF2);   // source red -> destination blue
    EXPECT_EQ(dst.At(1, 0), Argb(0xA0, 0x11, 0xC0, 0x22));
}

TEST(DrawBitmap, NothingDrawnForUnknownOperationsZeroOrBadStrengths) {
    TestBitmap src(4, 4), dst(4, 4);
    Noise(src, 5);
    Noise(dst, 6);
    const auto before = dst.Image();
    for (GFX_CombineMode mode : {6u, 0x7Fu, 0xEFu, 0x10006u}) GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, 1.0f, mode);
    GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, 0.0f, GFX_COMBINE_ADD);
    GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, -0.0f, GFX_COMBINE_ADD);
    GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, -0.5f, GFX_COMBINE_COPY);
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()})
        for (GFX_CombineMode mode : {0u, 1u, 5u, 0x10000u}) GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, bad, mode);
    GFX_DrawBitmap(nullptr, &src, 0, 0, nullptr, 1.0f, 0);
    GFX_DrawBitmap(&dst, nullptr, 0, 0, nullptr, 1.0f, 0);
    TestBitmap no_pixels(4, 4, false, 0, true);
    GFX_DrawBitmap(&dst, &no_pixels, 0, 0, nullptr, 1.0f, 0);
    GFX_DrawBitmap(&no_pixels, &src, 0, 0, nullptr, 1.0f, 0);
    GFX_DrawBitmap(&dst, &dst, 1, 1, nullptr, 1.0f, 0);  // same bitmap: refused
    EXPECT_EQ(dst.Image(), before);
    // Huge strengths act as the limit and still give clamped bytes.
    GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, 1e30f, GFX_COMBINE_MULTIPLY);
    GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, -1e30f, GFX_COMBINE_SOFT_LIGHT);
    EXPECT_TRUE(dst.GuardsIntact());
}

TEST(DrawBitmap, SourceRectangleAndDestinationClipping) {
    TestBitmap src(8, 4), dst(10, 6);
    src.Fill([](int x, int y) { return static_cast<GFX_Color32>(100 + 10 * y + x); });
    dst.Fill(0u);
    RECT r = {-3, 1, 5, 3};  // negative left clamps to 0 without moving the destination
    GFX_DrawBitmap(&dst, &src, 2, 1, &r, 1.0f, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) {
            bool inside = x >= 2 && x < 7 && y >= 1 && y < 3;
            EXPECT_EQ(dst.At(x, y), inside ? 100u + 10 * (y - 1 + 1) + (x - 2) : 0u) << x << "," << y;
        }
    dst.Fill(0u);
    GFX_DrawBitmap(&dst, &src, -5, -2, nullptr, 1.0f, 0);  // skips five columns and two rows
    EXPECT_EQ(dst.At(0, 0), 100u + 20 + 5);
    EXPECT_EQ(dst.At(2, 1), 100u + 30 + 7);
    EXPECT_EQ(dst.At(3, 0), 0u);
    dst.Fill(0u);
    GFX_DrawBitmap(&dst, &src, 7, 4, nullptr, 1.0f, 0);  // cut at the far edges
    EXPECT_EQ(dst.At(9, 5), 100u + 10 + 2);
    EXPECT_EQ(dst.At(6, 5), 0u);
    RECT past = {2, 0, 100, 100};  // right and bottom limited by the source size
    dst.Fill(0u);
    GFX_DrawBitmap(&dst, &src, 0, 0, &past, 1.0f, 0);
    EXPECT_EQ(dst.At(5, 3), 100u + 30 + 7);
    EXPECT_EQ(dst.At(6, 0), 0u);
    EXPECT_TRUE(dst.GuardsIntact());
}

TEST(DrawBitmap, PositionsAndRectanglesNearTheIntLimitsStayInside) {
    TestBitmap src(6, 6), dst(5, 5, false, 7);
    Noise(src, 8);
    dst.Fill(0u);
    const RECT rects[] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {INT_MAX - 1, 0, INT_MAX, 6}, {0, 0, INT_MIN, 5},
                          {3, 3, 2, 2}};
    const int positions[] = {INT_MIN, INT_MIN + 1, -7, -1, 0, 4, 5, INT_MAX - 3, INT_MAX};
    for (const RECT &r : rects)
        for (int x : positions)
            for (int y : positions) {
                GFX_DrawBitmap(&dst, &src, x, y, &r, 1.0f, 0);
                GFX_DrawBitmap(&dst, &src, x, y, &r, 0.4f, GFX_COMBINE_ADD);
            }
    EXPECT_TRUE(dst.GuardsIntact());
    // The whole-source rectangle at INT_MIN skips everything (the clipped source starts past it).
    TestBitmap fresh(5, 5);
    fresh.Fill(0u);
    GFX_DrawBitmap(&fresh, &src, INT_MIN, 0, &rects[0], 1.0f, 0);
    for (GFX_Color32 p : fresh.Image()) EXPECT_EQ(p, 0u);
    // Near INT_MAX a wrapped "x + width" must not bypass the far-edge clip.
    GFX_DrawBitmap(&fresh, &src, INT_MAX - 2, 0, nullptr, 1.0f, 0);
    for (GFX_Color32 p : fresh.Image()) EXPECT_EQ(p, 0u);
    EXPECT_TRUE(fresh.GuardsIntact());
}

TEST(DrawBitmap, RowOrderOfEitherBitmapNeverFlipsTheImage) {
    const GFX_CombineMode modes[] = {0, 1, 2, 3, 4, 5, 0x10000, 0x10001, 0x10004, 0xF9};
    const float alphas[] = {1.0f, 0.5f, 0.37f};
    for (GFX_CombineMode mode : modes)
        for (float alpha : alphas) {
            std::vector<GFX_Color32> reference;
            for (int variant = 0; variant < 4; ++variant) {
                TestBitmap src(9, 8, variant & 1, 11), dst(12, 10, (variant & 2) != 0, 13);
                Noise(src, 10);
                Noise(dst, 11);
                RECT r = {1, 2, 8, 7};
                GFX_DrawBitmap(&dst, &src, 3, -1, &r, alpha, mode);
                GFX_DrawBitmap(&dst, &src, -2, 6, nullptr, alpha, mode);
                EXPECT_TRUE(dst.GuardsIntact());
                if (variant == 0) reference = dst.Image();
                else EXPECT_EQ(dst.Image(), reference) << std::hex << mode << " variant " << variant;
            }
        }
}
