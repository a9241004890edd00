// The scaled blit on hostile input: non-finite coordinates, steps and strengths, sizes and
// positions at the 32-bit limits, empty bitmaps, and sources wider than 16.16 fixed point can
// hold in 32 bits. Nothing may be read or written outside either bitmap, and what is drawn must
// be what the coordinates mean.
#include "scaled_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <random>

namespace scaled_test {
namespace {

constexpr GFX_Color32 kBackground = 0x5A5A5A5Au;

bool Untouched(Canvas &c) {
    if (!c.GuardsIntact()) return false;
    for (GFX_Color32 p : c.Image())
        if (p != kBackground) return false;
    return true;
}

TEST(ScaledBadInput, NonFiniteCoordinatesStepsAndStrengthsDrawNothing) {
    const float bad[] = {NAN, INFINITY, -INFINITY};
    Canvas src(6, 6);
    std::mt19937 rng(1);
    src.Randomise(rng);
    for (float b : bad)
        for (int which = 0; which < 5; ++which)
            for (GFX_CombineMode mode : {0u, 0x100u, 0x10101u, 0xF6u})
                for (int size : {6, 12, 2}) {  // same size, enlarging, shrinking
                    float v[5] = {1.0f, 1.0f, 6.0f, 6.0f, 1.0f};
                    v[which] = b;
                    Canvas dst(12, 12);
                    dst.Fill(kBackground);
                    GFX_DrawBitmapScaled(&dst, &src, 0, 0, size, size, v[0], v[1], v[2], v[3], v[4], mode);
                    EXPECT_TRUE(Untouched(dst)) << "argument " << which << " = " << b << ", mode " << mode;
                }
}

TEST(ScaledBadInput, EnormousStepsAndSourceRectanglesAreSafe) {
    Canvas src(5, 4);
    std::mt19937 rng(2);
    src.Randomise(rng);
    const float sizes[] = {FLT_MAX, -FLT_MAX, 1e30f, -1e30f, 3e9f, 1e-30f, -1e-30f, 0.0f};
    const float positions[] = {0.0f, -FLT_MAX, FLT_MAX, 1e12f, -1e12f, 40000.5f, -0.5f};
    for (float sw : sizes)
        for (float sx : positions)
            for (int dw : {1, -1, 7, INT_MAX, INT_MIN})
                for (GFX_CombineMode mode : {0u, 0x100u, 0x10105u}) {
                    Canvas dst(9, 7, true, 11);
                    dst.Fill(kBackground);
                    GFX_DrawBitmapScaled(&dst, &src, -3, 1, dw, 5, sx, 0.0f, sw, 4.0f, 0.75f, mode);
                    GFX_DrawBitmapScaled(&dst, &src, 1, -3, 5, dw, 0.0f, sx, 4.0f, sw, 0.75f, mode);
                    ASSERT_TRUE(dst.GuardsIntact()) << sw << " " << sx << " " << dw << " " << mode;
                }
}

TEST(ScaledBadInput, DestinationRectanglesAtThe32BitLimits) {
    Canvas src(4, 4);
    std::mt19937 rng(3);
    src.Randomise(rng);
    const int edges[] = {INT_MIN, INT_MIN + 1, -1000000000, -5, 0, 3, 1000000000, INT_MAX - 1, INT_MAX};
    for (int x : edges)
        for (int w : edges) {
            if (w == 0) continue;
            for (GFX_CombineMode mode : {0u, 0x100u, 0x10001u}) {
                Canvas dst(8, 8, false, 9);
                dst.Fill(kBackground);
                GFX_DrawBitmapScaled(&dst, &src, x, 2, w, 3, 0.0f, 0.0f, 4.0f, 4.0f, 1.0f, mode);
                GFX_DrawBitmapScaled(&dst, &src, 2, x, 3, w, 0.0f, 0.0f, 4.0f, 4.0f, 1.0f, mode);
                GFX_DrawBitmapScaled(&dst, &src, x, x, w, w, 0.0f, 0.0f, static_cast<float>(w), static_cast<float>(w),
                                     1.0f, mode);
                ASSERT_TRUE(dst.GuardsIntact()) << x << " " << w << " " << mode;
            }
        }
}

TEST(ScaledBadInput, WholeDestinationCoveredFromFarOffPositions) {
    // A rectangle from -10^9 to +10^9 over two source pixels: the visible part starts half-way,
    // at source position 0.5 + 1 = 1.5 in both directions, and stays on pixel (1, 1).
    Canvas src(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) src.At(x, y) = static_cast<GFX_Color32>(10 * y + x);
    Canvas dst(6, 4);
    dst.Fill(kBackground);
    GFX_DrawBitmapScaled(&dst, &src, -1000000000, -1000000000, 2000000000, 2000000000, 0.5f, 0.5f, 2.0f, 2.0f, 1.0f,
                         GFX_COMBINE_COPY);
    ASSERT_TRUE(dst.GuardsIntact());
    for (GFX_Color32 p : dst.Image()) EXPECT_EQ(p, 11u);
}

TEST(ScaledBadInput, EmptyAndMissingBitmapsDrawNothing) {
    Canvas src(4, 4);
    Canvas dst(4, 4);
    dst.Fill(kBackground);
    GFX_MemBitmap empty(0, 0);
    GFX_MemBitmap negative(-3, 5);
    Canvas zero_wide(0, 3);
    for (GFX_CombineMode mode : {0u, 0x100u, 1u}) {
        GFX_DrawBitmapScaled(nullptr, &src, 0, 0, 4, 4, 0, 0, 2, 2, 1.0f, mode);
        GFX_DrawBitmapScaled(&dst, nullptr, 0, 0, 4, 4, 0, 0, 2, 2, 1.0f, mode);
        GFX_DrawBitmapScaled(&dst, &empty, 0, 0, 4, 4, 0, 0, 2, 2, 1.0f, mode);
        GFX_DrawBitmapScaled(&dst, &negative, 0, 0, 4, 4, 0, 0, 2, 2, 1.0f, mode);
        GFX_DrawBitmapScaled(&dst, &zero_wide, 0, 0, 4, 4, 0, 0, 2, 2, 1.0f, mode);
        GFX_DrawBitmapScaled(&empty, &src, 0, 0, 4, 4, 0, 0, 2, 2, 1.0f, mode);
        GFX_DrawBitmapScaled(&zero_wide, &src, 0, 0, 4, 4, 0, 0, 2, 2, 1.0f, mode);
        GFX_DrawBitmapScaled(&dst, &src, 0, 0, 0, 4, 0, 0, 2, 2, 1.0f, mode);
        GFX_DrawBitmapScaled(&dst, &src, 0, 0, 4, 4, 0, 0, 2, 2, 0.0f, mode);
    }
    EXPECT_TRUE(Untouched(dst));
    EXPECT_TRUE(zero_wide.GuardsIntact());
}

TEST(ScaledBadInput, ExtremeStrengthsActAsFour) {
    Canvas src(3, 3);
    std::mt19937 rng(4);
    src.Randomise(rng);
    for (GFX_CombineMode mode : {1u, 3u, 0x101u, 0x10104u}) {
        Canvas huge(7, 7), four(7, 7), low(7, 7), minus_four(7, 7);
        huge.Randomise(rng);
        four.CopyImage(huge);
        low.CopyImage(huge);
        minus_four.CopyImage(huge);
        GFX_DrawBitmapScaled(&huge, &src, 0, 0, 7, 7, 0, 0, 3, 3, 1e30f, mode);
        GFX_DrawBitmapScaled(&four, &src, 0, 0, 7, 7, 0, 0, 3, 3, 4.0f, mode);
        GFX_DrawBitmapScaled(&low, &src, 0, 0, 7, 7, 0, 0, 3, 3, -1e30f, mode);
        GFX_DrawBitmapScaled(&minus_four, &src, 0, 0, 7, 7, 0, 0, 3, 3, -4.0f, mode);
        EXPECT_EQ(huge.Image(), four.Image()) << mode;
        EXPECT_EQ(low.Image(), minus_four.Image()) << mode;
    }
}

// Source columns past 32767 do not fit 16.16 in 32 bits; they must still be sampled exactly.
TEST(ScaledBadInput, SourcesWiderThan32767PixelsSampleTheRightColumns) {
    Canvas src(40000, 1);
    for (int x = 0; x < 40000; ++x) src.At(x, 0) = 0x01010101u * static_cast<GFX_Color32>(x * 7 % 251);
    auto v = [&](int col) { return ByteOf(src.At(col, 0), 0); };

    Canvas nearest(8, 1);
    GFX_DrawBitmapScaled(&nearest, &src, 0, 0, 8, 1, 35000.25f, 0.0f, 4.0f, 1.0f, 1.0f, GFX_COMBINE_COPY);
    Canvas mixed(8, 1);
    GFX_DrawBitmapScaled(&mixed, &src, 0, 0, 8, 1, 35000.25f, 0.0f, 4.0f, 1.0f, 0.75f, GFX_COMBINE_ADD);
    Canvas filtered(8, 1);
    GFX_DrawBitmapScaled(&filtered, &src, 0, 0, 8, 1, 35000.25f, 0.0f, 4.0f, 1.0f, 1.0f, GFX_COMBINE_FILTERED);
    for (int j = 0; j < 8; ++j) {
        const double pos = 35000.25 + 0.5 * j;
        const int col = static_cast<int>(pos);
        const int fx = static_cast<int>((pos - col) * 65536);
        EXPECT_EQ(ByteOf(nearest.At(j, 0), 0), v(col)) << j;
        EXPECT_EQ(ByteOf(mixed.At(j, 0), 0), v(col) * 192 / 256) << j;
        EXPECT_EQ(ByteOf(filtered.At(j, 0), 0), (v(col) * (65536 - fx) + v(col + 1) * fx) >> 16) << j;
    }

    // Shrinking by 4 across the wide source: a plain 5-column box around column 39000 + 4j,
    // cut at the source limits [39000, 39040).
    Canvas shrunk(10, 1);
    GFX_DrawBitmapScaled(&shrunk, &src, 0, 0, 10, 1, 39000.0f, 0.0f, 40.0f, 2.0f, 1.0f, GFX_COMBINE_FILTERED);
    for (int j = 0; j < 10; ++j) {
        const int centre = 39000 + 4 * j;
        int sum = 0, count = 0;
        for (int col = std::max(39000, centre - 2); col <= centre + 2 && col < 39040; ++col, ++count) sum += v(col);
        EXPECT_EQ(ByteOf(shrunk.At(j, 0), 0), sum / count) << j;
    }
}

}  // namespace
}  // namespace scaled_test
