// The scaled blit's exact cases: edge columns, the same-size shortcut and its snapping, kernel
// choice, shrink weights, negative sizes, clipping offsets, source-alpha skips and strengths.
#include "scaled_canvas.h"

#include "gfx/scaled_internal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace scaled_test {
namespace {

// One row of pixels whose four bytes all equal the given values.
Canvas GreyRow(std::initializer_list<int> values) {
    Canvas c(static_cast<int>(values.size()), 1);
    int x = 0;
    for (int v : values) c.At(x++, 0) = 0x01010101u * static_cast<GFX_Color32>(v);
    return c;
}

std::vector<int> BlueRow(Canvas &c, int y) {
    std::vector<int> out;
    for (int x = 0; x < c.width(); ++x) out.push_back(ByteOf(c.At(x, y), 0));
    return out;
}

TEST(ScaledBlit, StretchNeverBlendsTheLastColumnWithWhatLiesBeyond) {
    Canvas src = GreyRow({0, 255});
    Canvas filtered(4, 1), plain(4, 1);
    GFX_DrawBitmapScaled(&filtered, &src, 0, 0, 4, 1, 0, 0, 2, 1, 1.0f, GFX_COMBINE_FILTERED);
    GFX_DrawBitmapScaled(&plain, &src, 0, 0, 4, 1, 0, 0, 2, 1, 1.0f, GFX_COMBINE_COPY);
    EXPECT_EQ(BlueRow(filtered, 0), (std::vector<int>{0, 127, 255, 255}));
    EXPECT_EQ(BlueRow(plain, 0), (std::vector<int>{0, 0, 255, 255}));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(filtered.At(x, 0), 0x01010101u * static_cast<GFX_Color32>(BlueRow(filtered, 0)[x]));
}

TEST(ScaledBlit, SameSizeSnapsUnfilteredAndNearWholeFilteredPositions) {
    Canvas src(10, 1);
    for (int x = 0; x < 10; ++x) src.At(x, 0) = 0x01010101u * static_cast<GFX_Color32>(20 * x + 7);
    RECT from3{3, 0, 7, 1};
    Canvas want(4, 1);
    GFX_DrawBitmap(&want, &src, 0, 0, &from3, 1.0f, GFX_COMBINE_COPY);

    Canvas plain(4, 1);
    GFX_DrawBitmapScaled(&plain, &src, 0, 0, 4, 1, 3.4f, 0, 4, 1, 1.0f, GFX_COMBINE_COPY);
    EXPECT_EQ(plain.Image(), want.Image());

    Canvas snapped(4, 1);
    GFX_DrawBitmapScaled(&snapped, &src, 0, 0, 4, 1, 3.02f, 0, 4, 1, 1.0f, GFX_COMBINE_FILTERED);
    EXPECT_EQ(snapped.Image(), want.Image());

    // 3.4 is 0.4 from a whole pixel: the filtered blit interpolates from x16 = trunc(3.4 × 65536).
    Canvas smooth(4, 1);
    GFX_DrawBitmapScaled(&smooth, &src, 0, 0, 4, 1, 3.4f, 0, 4, 1, 1.0f, GFX_COMBINE_FILTERED);
    const int x16 = static_cast<int>(3.4f * 65536.0);
    const int fx = x16 & 0xFFFF;
    for (int j = 0; j < 4; ++j) {
        int col = 3 + j;
        int want_v = (ByteOf(src.At(col, 0), 0) * (65536 - fx) + ByteOf(src.At(col + 1, 0), 0) * fx) >> 16;
        EXPECT_EQ(ByteOf(smooth.At(j, 0), 0), want_v) << j;
    }
    EXPECT_NE(smooth.Image(), want.Image());
}

TEST(ScaledBlit, ShrinkWeightTables) {
    int w[gfx_scaled::kMaxShrinkSize][gfx_scaled::kMaxShrinkSize];
    const int edge18 = static_cast<int>(0.8 * 65536), corner18 = static_cast<int>(0.8 / std::sqrt(2.0) * 65536);
    ASSERT_EQ(gfx_scaled::BuildShrinkWeights(static_cast<double>(18.0f / 10.0f), w), 3);
    const int want18[3][3] = {{corner18, edge18, corner18}, {edge18, 65536, edge18}, {corner18, edge18, corner18}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(w[i][j], want18[i][j]) << i << "," << j;

    ASSERT_EQ(gfx_scaled::BuildShrinkWeights(2.0, w), 3);
    const int c2 = static_cast<int>(65536 / std::sqrt(2.0));
    const int want2[3][3] = {{c2, 65536, c2}, {65536, 65536, 65536}, {c2, 65536, c2}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(w[i][j], want2[i][j]) << i << "," << j;

    // Exactly 3.0 still uses 3 × 3; everything beyond distance 1 reaches full weight there.
    ASSERT_EQ(gfx_scaled::BuildShrinkWeights(3.0, w), 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(w[i][j], 65536);

    ASSERT_EQ(gfx_scaled::BuildShrinkWeights(3.5, w), 5);
    const int c35 = static_cast<int>(2.5 / (2 * std::sqrt(2.0)) * 65536);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
            bool corner = (i == 0 || i == 4) && (j == 0 || j == 4);
            EXPECT_EQ(w[i][j], corner ? c35 : 65536) << i << "," << j;
        }

    for (double scale : {4.0, 5.5, 40.0}) {
        ASSERT_EQ(gfx_scaled::BuildShrinkWeights(scale, w), 5);
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 5; ++j) EXPECT_EQ(w[i][j], 65536) << scale;
    }
}

TEST(ScaledBlit, ShrinkAveragesTheNeighbourhoodClippedToTheSourceLimits) {
    // Scale 2: a 3 × 3 kernel with corners at 1/sqrt(2). The destination pixel at (1, 1) samples
    // source (2, 2); its full neighbourhood is inside.
    Canvas src(8, 8);
    std::mt19937 rng(7);
    src.Randomise(rng);
    Canvas dst(4, 4);
    GFX_DrawBitmapScaled(&dst, &src, 0, 0, 4, 4, 0, 0, 8, 8, 1.0f, GFX_COMBINE_FILTERED);
    const long long corner = static_cast<long long>(65536 / std::sqrt(2.0));
    for (int ch = 0; ch < 4; ++ch) {
        long long sum = 0, total = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                long long wt = (dx != 0 && dy != 0) ? corner : 65536;
                sum += wt * ByteOf(src.At(2 + dx, 2 + dy), ch);
                total += wt;
            }
        EXPECT_EQ(ByteOf(dst.At(1, 1), ch), sum / total) << ch;
        // At (0, 0) the sample is source (0, 0): only the 2 × 2 inside the limits count.
        long long s0 = 65536LL * (ByteOf(src.At(0, 0), ch) + ByteOf(src.At(1, 0), ch) + ByteOf(src.At(0, 1), ch)) +
                       corner * ByteOf(src.At(1, 1), ch);
        EXPECT_EQ(ByteOf(dst.At(0, 0), ch), s0 / (3 * 65536 + corner)) << ch;
    }
}

TEST(ScaledBlit, ShrinkNeedsBothStepsAtLeast1Point7) {
    // stepX 2.0, stepY 1.5: bilinear. Row 0 samples at whole pixels, so it is the source itself
    // (the shrink kernel would average neighbours).
    Canvas src(8, 6);
    std::mt19937 rng(11);
    src.Randomise(rng);
    Canvas dst(4, 4);
    GFX_DrawBitmapScaled(&dst, &src, 0, 0, 4, 4, 0, 0, 8, 6, 1.0f, GFX_COMBINE_FILTERED);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(dst.At(j, 0), src.At(2 * j, 0)) << j;
}

TEST(ScaledBlit, NegativeSizes) {
    Canvas src(10, 10);
    std::mt19937 rng(3);
    src.Randomise(rng);
    Canvas neg(40, 30), pos(40, 30), none(40, 30);
    GFX_DrawBitmapScaled(&none, &src, 30, 25, -20, -10, 0, 0, 10, 5, 1.0f, GFX_COMBINE_FILTERED);
    for (GFX_Color32 p : none.Image()) EXPECT_EQ(p, 0u);

    GFX_DrawBitmapScaled(&neg, &src, 30, 25, -20, -10, 10, 5, -10, -5, 0.7f, GFX_COMBINE_FILTERED);
    GFX_DrawBitmapScaled(&pos, &src, 10, 15, 20, 10, 0, 0, 10, 5, 0.7f, GFX_COMBINE_FILTERED);
    EXPECT_EQ(neg.Image(), pos.Image());
    int drawn = 0;
    for (GFX_Color32 p : pos.Image()) drawn += p != 0;
    EXPECT_GT(drawn, 150);
}

TEST(ScaledBlit, LeftClippingMovesTheSourceByTheStep) {
    Canvas src(40, 1);
    for (int x = 0; x < 40; ++x) src.At(x, 0) = static_cast<GFX_Color32>(x);
    Canvas dst(30, 1);
    GFX_DrawBitmapScaled(&dst, &src, -10, 0, 40, 1, 0, 0, 20, 1, 1.0f, GFX_COMBINE_COPY);
    for (int x = 0; x < 30; ++x) EXPECT_EQ(dst.At(x, 0), static_cast<GFX_Color32>(5 + x / 2)) << x;
}

TEST(ScaledBlit, FullStrengthSourceAlphaSkipsTransparentSamples) {
    Canvas src(2, 1);
    src.At(0, 0) = 0x00FF00FFu;  // transparent, coloured
    src.At(1, 0) = 0xFF204060u;
    Canvas dst(4, 1);
    dst.Fill(0x80112233u);
    GFX_DrawBitmapScaled(&dst, &src, 0, 0, 4, 1, 0, 0, 2, 1, 1.0f, GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_FILTERED);
    EXPECT_EQ(dst.At(0, 0), 0x80112233u);  // interpolated alpha 0
    EXPECT_NE(dst.At(1, 0), 0x80112233u);  // halfway: alpha 127
    EXPECT_EQ(dst.At(3, 0), 0xFF204060u);  // alpha 255 replaces the colour

    Canvas src0(2, 2);
    src0.Fill(0x00FFFFFFu);
    Canvas d2(5, 5);
    d2.Fill(0x12345678u);
    GFX_DrawBitmapScaled(&d2, &src0, 0, 0, 5, 5, 0, 0, 2, 2, 1.0f, GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_FILTERED);
    for (GFX_Color32 p : d2.Image()) EXPECT_EQ(p, 0x12345678u);
}

TEST(ScaledBlit, ChannelCopyOnlyThroughTheSameSizeShortcut) {
    Canvas src(3, 3);
    src.Fill(0xAB000000u);
    Canvas same(3, 3), scaled(6, 6);
    GFX_DrawBitmapScaled(&same, &src, 0, 0, 3, 3, 0, 0, 3, 3, 1.0f, 0xFB);  // source alpha into red
    for (GFX_Color32 p : same.Image()) EXPECT_EQ(p, 0x00AB0000u);
    GFX_DrawBitmapScaled(&scaled, &src, 0, 0, 6, 6, 0, 0, 3, 3, 1.0f, 0xFB);
    GFX_DrawBitmapScaled(&scaled, &src, 0, 0, 6, 6, 0, 0, 3, 3, 1.0f, 0xFB | GFX_COMBINE_FILTERED);
    GFX_DrawBitmapScaled(&scaled, &src, 0, 0, 6, 6, 0, 0, 3, 3, 1.0f, 6);
    for (GFX_Color32 p : scaled.Image()) EXPECT_EQ(p, 0u);
}

TEST(ScaledBlit, NegativeStrengths) {
    Canvas src(2, 2);
    src.Fill(Argb(0, 100, 100, 100));
    Canvas copy(4, 4), add(4, 4);
    copy.Fill(Argb(0, 200, 200, 200));
    add.Fill(Argb(0, 200, 200, 200));
    GFX_DrawBitmapScaled(&copy, &src, 0, 0, 4, 4, 0, 0, 2, 2, -0.5f, GFX_COMBINE_COPY);
    GFX_DrawBitmapScaled(&add, &src, 0, 0, 4, 4, 0, 0, 2, 2, -0.5f, GFX_COMBINE_ADD);
    for (GFX_Color32 p : copy.Image()) EXPECT_EQ(p, Argb(0, 200, 200, 200));
    for (GFX_Color32 p : add.Image()) EXPECT_EQ(p, Argb(0, 150, 150, 150));
}

TEST(ScaledBlit, WordPathsAtFullAndHalfStrength) {
    Canvas src(2, 1);
    src.At(0, 0) = 0xFFFFFFFFu;
    src.At(1, 0) = 0x02040608u;
    Canvas half(4, 1);
    half.Fill(0xFFFFFFFFu);
    GFX_DrawBitmapScaled(&half, &src, 0, 0, 4, 1, 0, 0, 2, 1, 0.5f, GFX_COMBINE_COPY);
    EXPECT_EQ(half.At(0, 0), 0xFEFEFEFEu);  // 127 + 127: each side halved first
    EXPECT_EQ(half.At(3, 0), 0x80818283u);
}

TEST(ScaledBlit, SourceRowOneHighDrawnPerDestinationRowWithSourceAlpha) {
    // A sustain strip: each destination row takes the same one-pixel-high source row, narrowed
    // per row, with source alpha and filtering.
    Canvas src(16, 1);
    for (int x = 0; x < 16; ++x) src.At(x, 0) = Argb(x * 16, 200, 100, 50);
    Canvas dst(24, 10);
    for (int y = 0; y < 10; ++y)
        GFX_DrawBitmapScaled(&dst, &src, 5 - y / 2, y, 10 + y, 1, 0, 0, 16, 1, 1.0f,
                             GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_FILTERED);
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(dst.At(5 - y / 2, y), 0u) << y;  // alpha 0 at the left end is skipped
        EXPECT_NE(dst.At(5 - y / 2 + 9 + y, y), 0u) << y;
        EXPECT_EQ(dst.At(5 - y / 2 + 10 + y, y), 0u) << y;  // one past the right end
    }
}

}  // namespace
}  // namespace scaled_test
