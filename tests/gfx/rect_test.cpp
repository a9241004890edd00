#include "core_test_bitmap.h"
#include "core_test_formulas.h"
#include "gfx/gfx.h"
#include "gfx/line_internal.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <random>

using namespace core_test;

namespace {

void Noise(TestBitmap &b, unsigned seed) {
    std::mt19937 rng(seed);
    b.Fill([&](int, int) { return static_cast<GFX_Color32>(rng()); });
}

}  // namespace

TEST(SetAllPixels, FillsEveryPixelButNotThePadding) {
    for (bool bottom_up : {false, true}) {
        TestBitmap b(5, 4, bottom_up, 8);
        GFX_SetAllPixels(&b, 0x01020304u);
        for (GFX_Color32 p : b.Image()) EXPECT_EQ(p, 0x01020304u);
        EXPECT_TRUE(b.GuardsIntact());
    }
    TestBitmap no_pixels(3, 3, false, 0, true);
    GFX_SetAllPixels(&no_pixels, 1);
    GFX_SetAllPixels(nullptr, 1);
    TestBitmap empty(0, 3);
    GFX_SetAllPixels(&empty, 1);
    EXPECT_TRUE(empty.GuardsIntact());
}

TEST(BlendRect, OpaqueAndGeneralCopyOfTheAlphaByte) {
    TestBitmap b(4, 4);
    b.Fill(Argb(0x10, 1, 2, 3));
    GFX_BlendRect(&b, 0, 0, 4, 4, Argb(0x80, 0x11, 0x22, 0x33), 1.0f, GFX_COMBINE_COPY);
    EXPECT_EQ(b.At(2, 2), Argb(0x80, 0x11, 0x22, 0x33));
    b.Fill(Argb(0x10, 1, 2, 3));
    GFX_BlendRect(&b, 0, 0, 4, 4, Argb(0x80, 0x11, 0x22, 0x33), 0.9f, GFX_COMBINE_COPY);  // weight 230
    EXPECT_EQ(ChannelOf(b.At(1, 1), 3), (230 * 230 + 0x10 * 26) / 256);
    EXPECT_EQ(ChannelOf(b.At(1, 1), 2), (0x11 * 230 + 1 * 26) / 256);
}

TEST(BlendRect, WordFastPathsAtHalfQuarterAndThreeQuarters) {
    TestBitmap b(256, 256);
    const GFX_Color32 black = 0xFF000000u;
    b.Fill(0xFFFFFFFFu);
    GFX_BlendRect(&b, 0, 0, 256, 256, black, 0.5f, GFX_COMBINE_COPY);
    EXPECT_EQ(b.At(7, 7), Argb(0xFE, 0x7F, 0x7F, 0x7F));

    // Every (colour byte, pixel byte) pair, in all four channels at once.
    for (float alpha : {0.25f, 0.75f, 0.5f}) {
        for (int c = 0; c < 256; ++c) {
            const GFX_Color32 colour = 0x01010101u * static_cast<GFX_Color32>(c);
            b.Fill([](int x, int) { return 0x01010101u * static_cast<GFX_Color32>(x); });
            // Other mode bits do not stop the fast path (only the operation byte matters).
            GFX_BlendRect(&b, 0, c, 256, 1, colour, alpha, GFX_COMBINE_FILTERED);
            for (int d = 0; d < 256; ++d) {
                int expect = alpha == 0.25f ? c / 4 + d / 2 + d / 4
                           : alpha == 0.75f ? c / 2 + c / 4 + d / 4
                                            : c / 2 + d / 2;
                ASSERT_EQ(b.At(d, c), 0x01010101u * static_cast<GFX_Color32>(expect))
                    << "alpha " << alpha << " c=" << c << " d=" << d;
            }
        }
    }
}

TEST(BlendRect, GeneralKernelsUseTheWeightAsTheSourceAlpha) {
    using Ref = int (*)(int, int, int);
    struct Case { GFX_CombineMode mode; Ref ref; float alpha; } cases[] = {
        {0, RefCopy, 0.3f}, {1, RefAdd, 0.6f}, {1, RefAdd, -0.4f}, {2, RefDodge, 0.8f}, {3, RefMultiply, 1.0f},
        {4, RefSoftLight, 0.45f}, {4, RefSoftLight, 1.0f}, {2, RefDodge, 3.0f}, {3, RefMultiply, 4.0f},
    };
    const GFX_Color32 colour = Argb(0x33, 200, 90, 17);
    for (const Case &c : cases) {
        TestBitmap b(16, 16);
        Noise(b, 9);
        TestBitmap before = b;
        GFX_BlendRect(&b, 0, 0, 16, 16, colour, c.alpha, c.mode);
        const int w = static_cast<int>(c.alpha * 256.0);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const GFX_Color32 d = before.At(x, y);
                const GFX_Color32 expect = Argb(c.ref(w, ChannelOf(d, 3), w), c.ref(200, ChannelOf(d, 2), w),
                                                c.ref(90, ChannelOf(d, 1), w), c.ref(17, ChannelOf(d, 0), w));
                ASSERT_EQ(b.At(x, y), expect) << c.mode << " alpha " << c.alpha;
            }
    }
    // Hue shift: the alpha byte becomes the low eight bits of the weight.
    TestBitmap h(2, 2);
    h.Fill(0xFFFF0000u);
    GFX_BlendRect(&h, 0, 0, 2, 2, Argb(0x77, 128, 128, 128), 1.0f, GFX_COMBINE_HSV_SHIFT);
    EXPECT_EQ(h.At(1, 1), 0x00FF0000u);
    GFX_BlendRect(&h, 0, 0, 2, 2, Argb(0x77, 128, 128, 128), 0.5f, GFX_COMBINE_HSV_SHIFT);
    EXPECT_EQ(h.At(1, 1), 0x80FF0000u);
}

TEST(BlendRect, SourceAlphaScalesTheStrengthBeforeTheFastPaths) {
    TestBitmap b(3, 1), plain(3, 1);
    b.Fill(Argb(0x11, 0x33, 0x55, 0x77));
    plain.Fill(Argb(0x11, 0x33, 0x55, 0x77));
    const GFX_Color32 colour = Argb(0x80, 0x01, 0x03, 0x05);
    GFX_BlendRect(&b, 0, 0, 3, 1, colour, 1.0f, GFX_COMBINE_SOURCE_ALPHA);
    // Strength 128/255: the general copy with weight 128, not the half-strength word path.
    EXPECT_EQ(b.At(0, 0), Argb(RefCopy(128, 0x11, 128), RefCopy(1, 0x33, 128), RefCopy(3, 0x55, 128),
                               RefCopy(5, 0x77, 128)));
    EXPECT_NE(b.At(0, 0), ((colour >> 1) & 0x7F7F7F7Fu) + ((plain.At(0, 0) >> 1) & 0x7F7F7F7Fu));
    // Colour alpha 0 with the flag makes the strength 0: nothing.
    GFX_BlendRect(&plain, 0, 0, 3, 1, Argb(0, 9, 9, 9), 1.0f, GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_ADD);
    EXPECT_EQ(plain.At(1, 0), Argb(0x11, 0x33, 0x55, 0x77));
}

TEST(BlendRect, ClippingStrengthsAndUnknownOperations) {
    TestBitmap b(10, 4, false, 12);
    b.Fill(0u);
    GFX_BlendRect(&b, -5, 0, 10, 1, 0xFFFFFFFFu, 1.0f, 0);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(b.At(x, 0), x < 5 ? 0xFFFFFFFFu : 0u);
    b.Fill(0u);
    GFX_BlendRect(&b, 10, 0, 5, 4, 0xFFFFFFFFu, 1.0f, 0);
    GFX_BlendRect(&b, 0, 0, 5, 4, 0xFFFFFFFFu, 0.0f, 1);
    GFX_BlendRect(&b, 0, 0, 5, 4, 0xFFFFFFFFu, -0.5f, 0);  // negative copy draws nothing
    GFX_BlendRect(&b, 0, 0, 5, 4, 0xFFFFFFFFu, 1.0f, 6);
    GFX_BlendRect(&b, 0, 0, 5, 4, 0xFFFFFFFFu, std::numeric_limits<float>::quiet_NaN(), 1);
    GFX_BlendRect(&b, 0, 0, 5, 4, 0xFFFFFFFFu, std::numeric_limits<float>::infinity(), 0);
    GFX_BlendRect(&b, 0, 0, 0, 4, 0xFFFFFFFFu, 1.0f, 0);
    GFX_BlendRect(nullptr, 0, 0, 5, 4, 0xFFFFFFFFu, 1.0f, 0);
    for (GFX_Color32 p : b.Image()) EXPECT_EQ(p, 0u);
    // A negative strength in add darkens.
    b.Fill(Argb(0, 100, 100, 100));
    GFX_BlendRect(&b, 0, 0, 1, 1, Argb(0, 200, 0, 0), -0.5f, GFX_COMBINE_ADD);
    EXPECT_EQ(ChannelOf(b.At(0, 0), 2), 0);
    EXPECT_EQ(ChannelOf(b.At(0, 0), 1), 100);
    // Rectangles near the int limits: no wrap past the clip, nothing outside.
    const int v[] = {INT_MIN, INT_MIN + 1, -1, 0, 3, INT_MAX - 1, INT_MAX};
    for (int x : v)
        for (int y : v)
            for (int w : v)
                for (int h : {INT_MAX, 2, INT_MIN}) GFX_BlendRect(&b, x, y, w, h, 0x12345678u, 0.3f, 1);
    EXPECT_TRUE(b.GuardsIntact());
    TestBitmap fresh(4, 4);
    fresh.Fill(0u);
    GFX_BlendRect(&fresh, INT_MAX - 1, 0, INT_MAX, 4, 0xFFFFFFFFu, 1.0f, 0);
    GFX_BlendRect(&fresh, 2, 2, INT_MIN, INT_MIN, 0xFFFFFFFFu, 1.0f, 0);
    for (GFX_Color32 p : fresh.Image()) EXPECT_EQ(p, 0u);
}

TEST(BlendRect, BottomUpBitmapsGetTheSameImageRows) {
    const GFX_CombineMode modes[] = {0, 1, 2, 3, 4, 5, 0x10000};
    for (GFX_CombineMode mode : modes)
        for (float alpha : {1.0f, 0.5f, 0.25f, 0.75f, 0.6f}) {
            TestBitmap top(9, 7, false, 10), bottom(9, 7, true, 11);
            Noise(top, 12);
            Noise(bottom, 12);
            GFX_BlendRect(&top, 1, 2, 5, 3, 0xC0406080u, alpha, mode);
            GFX_BlendRect(&bottom, 1, 2, 5, 3, 0xC0406080u, alpha, mode);
            GFX_BlendRect(&top, -2, 5, 4, 9, 0x20FF0011u, alpha, mode);
            GFX_BlendRect(&bottom, -2, 5, 4, 9, 0x20FF0011u, alpha, mode);
            EXPECT_EQ(top.Image(), bottom.Image()) << mode << " " << alpha;
            EXPECT_TRUE(bottom.GuardsIntact());
        }
}

TEST(AxisLines, RowAndColumnShapes) {
    TestBitmap b(8, 6, false, 9);
    b.Fill(Argb(0xFF, 0, 0, 0));
    GFX_LineRow(b.PixelData(), b.RowPitch(), 3, 5, 2, 0x00FFFFFFu, 1.0f, 0);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(b.At(x, 3), x >= 2 && x <= 5 ? 0x00FFFFFFu : 0xFF000000u) << x;
    // The half-strength line averages exactly: 255 over 255 stays 255.
    b.Fill(0xFFFFFFFFu);
    GFX_LineColumn(b.PixelData(), b.RowPitch(), 4, 5, 1, 0xFFFFFF01u, 0.5f, 0);
    for (int y = 0; y < 6; ++y) EXPECT_EQ(b.At(4, y), y >= 1 && y <= 5 ? 0xFFFFFF80u : 0xFFFFFFFFu) << y;
    // A single point.
    GFX_LineColumn(b.PixelData(), b.RowPitch(), 0, 0, 0, 0x11223344u, 1.0f, 0);
    EXPECT_EQ(b.At(0, 0), 0x11223344u);
    EXPECT_EQ(b.At(0, 1), 0xFFFFFFFFu);
    EXPECT_TRUE(b.GuardsIntact());
}

TEST(AxisLines, OperationsUseTheMixersAndRefuseWhatDrawsNothing) {
    struct Case { int op; float alpha; void (*mix)(GFX_Color32 *, int, int, int, int, int); } cases[] = {
        {0, 0.3f, GFX_MixCopy}, {1, 0.7f, GFX_MixAdd}, {1, -0.7f, GFX_MixAdd}, {2, 1.0f, GFX_MixDodge},
        {3, 0.5f, GFX_MixMultiply}, {4, 0.9f, GFX_MixSoftLight}, {5, 1.0f, GFX_MixHsvShift},
    };
    const GFX_Color32 colour = Argb(0x90, 250, 30, 128);
    for (const Case &c : cases) {
        TestBitmap b(6, 6);
        Noise(b, 13);
        TestBitmap before = b;
        GFX_LineRow(b.PixelData(), b.RowPitch(), 2, 0, 5, colour, c.alpha, c.op);
        GFX_LineColumn(b.PixelData(), b.RowPitch(), 1, 3, 5, colour, c.alpha, c.op);
        const int w = static_cast<int>(c.alpha * 256.0);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) {
                GFX_Color32 e = before.At(x, y);
                if (y == 2 || (x == 1 && y >= 3)) c.mix(&e, 250, 30, 128, 0x90, w);
                ASSERT_EQ(b.At(x, y), e) << c.op << " at " << x << "," << y;
            }
    }
    TestBitmap b(4, 4);
    Noise(b, 14);
    const auto before = b.Image();
    GFX_LineRow(b.PixelData(), b.RowPitch(), 1, 0, 3, colour, 0.0f, 1);
    GFX_LineRow(b.PixelData(), b.RowPitch(), 1, 0, 3, colour, -1.0f, 0);
    GFX_LineRow(b.PixelData(), b.RowPitch(), 1, 0, 3, colour, 1.0f, 6);
    GFX_LineColumn(b.PixelData(), b.RowPitch(), 1, 0, 3, colour, std::numeric_limits<float>::quiet_NaN(), 2);
    GFX_LineColumn(nullptr, 4, 1, 0, 3, colour, 1.0f, 0);
    EXPECT_EQ(b.Image(), before);
}

TEST(OutlineRect, CoversOneMorePixelEachWayAndBlendsCornersTwice) {
    TestBitmap b(20, 20);
    b.Fill(0u);
    GFX_OutlineRect(&b, 2, 3, 5, 4, Argb(0, 0x10, 0, 0), 1.0f, GFX_COMBINE_ADD);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool on_x = x == 2 || x == 7, on_y = y == 3 || y == 7;
            const bool inside_x = x >= 2 && x <= 7, inside_y = y >= 3 && y <= 7;
            int expect = 0;
            if (on_x && on_y) expect = 0x20;
            else if ((on_x && inside_y) || (on_y && inside_x)) expect = 0x10;
            EXPECT_EQ(ChannelOf(b.At(x, y), 2), expect) << x << "," << y;
        }
}

TEST(FramedBox, FillsTheInsideAndOutlinesTheEdges) {
    for (bool bottom_up : {false, true}) {
        TestBitmap b(10, 10, bottom_up, 12);
        b.Fill(0u);
        GFX_FramedBox(&b, 0, 0, 10, 10, 0xFF0000FFu, 0xFFFFFFFFu, 1.0f, GFX_COMBINE_COPY);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(b.At(x, y), x == 0 || y == 0 ? 0xFFFFFFFFu : 0xFF0000FFu) << x << "," << y;
        EXPECT_TRUE(b.GuardsIntact());
    }
    // Near the int limits nothing wraps onto the bitmap.
    TestBitmap e(6, 6, false, 8);
    e.Fill(0u);
    const int v[] = {INT_MIN, -1, 2, INT_MAX - 1, INT_MAX};
    for (int x : v)
        for (int w : v) {
            GFX_FramedBox(&e, x, x, w, w, 0xFFFFFFFFu, 0xFFFFFFFFu, 0.5f, 1);
            GFX_OutlineRect(&e, x, 1, w, 3, 0xFFFFFFFFu, 1.0f, 0);
        }
    EXPECT_TRUE(e.GuardsIntact());
    TestBitmap f(6, 6);
    f.Fill(0u);
    GFX_OutlineRect(&f, INT_MAX - 1, 0, INT_MAX, 5, 0xFFFFFFFFu, 1.0f, 0);  // right edge would wrap to negative
    GFX_OutlineRect(&f, 0, INT_MIN, 5, INT_MIN, 0xFFFFFFFFu, 1.0f, 0);       // bottom edge would wrap to positive
    for (GFX_Color32 p : f.Image()) EXPECT_EQ(p, 0u);
    GFX_OutlineRect(nullptr, 0, 0, 1, 1, 1, 1.0f, 0);
    GFX_FramedBox(nullptr, 0, 0, 1, 1, 1, 1, 1.0f, 0);
}
