// The source-alpha copy's fast row kernels against the per-pixel reference: every source alpha
// over a spread of colours and destination alphas, every weight the fast forms accept, row
// lengths that exercise the four-pixel blocks and the leftover pixels, and seeded random rows.
#include "gfx/copy_alpha_rows.h"
#include "gfx/gfx.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

using namespace gfx_internal;

namespace {

using FullRow = void (*)(GFX_Color32 *, const GFX_Color32 *, int);
using WeightedRow = void (*)(GFX_Color32 *, const GFX_Color32 *, int, int);

const FullRow kFullForms[] = {CopyAlphaFullRow, CopyAlphaFullRowSwar};
const WeightedRow kWeightedForms[] = {CopyAlphaRow, CopyAlphaRowSwar};

// Byte values that reach the ends of the range and both parities in between.
const int kBytes[] = {0, 1, 2, 17, 64, 127, 128, 129, 200, 253, 254, 255};

GFX_Color32 Word(int a, int r, int g, int b) {
    return (static_cast<GFX_Color32>(a) << 24) | (static_cast<GFX_Color32>(r) << 16) |
           (static_cast<GFX_Color32>(g) << 8) | static_cast<GFX_Color32>(b);
}

// One row pairing every source alpha with every destination byte value, the colour bytes of
// both sides varied with the position so that no channel sees the same pair twice in a row. The
// alpha changes from pixel to pixel, so transparent and opaque pixels also sit in blocks with
// others (the blocks of one kind are left to the random rows).
void AllAlphaPairs(std::vector<GFX_Color32> *src, std::vector<GFX_Color32> *dst) {
    src->clear();
    dst->clear();
    int k = 0;
    for (int dv : kBytes)
        for (int sv : kBytes)
            for (int a = 0; a < 256; ++a) {
                ++k;
                src->push_back(Word(a, sv, 255 - sv, kBytes[k % 12]));
                dst->push_back(Word(dv, kBytes[(k + 5) % 12], dv, 255 - dv));
            }
}

std::vector<GFX_Color32> RandomRow(std::mt19937 &rng, size_t n, bool lumpy_alpha) {
    std::vector<GFX_Color32> row(n);
    for (auto &p : row) {
        p = static_cast<GFX_Color32>(rng());
        // Pictures have long runs of fully transparent and fully opaque pixels; make a share of
        // them so that the block shortcuts are taken as well as mixed blocks.
        if (lumpy_alpha) {
            const unsigned pick = rng() % 4;
            if (pick == 0) p &= 0x00FFFFFFu;
            if (pick == 1) p |= 0xFF000000u;
        }
    }
    return row;
}

// Index of the first difference, or -1.
int FirstDifference(const std::vector<GFX_Color32> &a, const std::vector<GFX_Color32> &b) {
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return static_cast<int>(i);
    return a.size() == b.size() ? -1 : static_cast<int>(a.size());
}

}  // namespace

TEST(CopyAlphaRows, FullStrengthMatchesTheMixerForEveryAlphaAndBytePair) {
    std::vector<GFX_Color32> src, dst;
    AllAlphaPairs(&src, &dst);
    std::vector<GFX_Color32> expect = dst;
    CopyAlphaFullRowReference(expect.data(), src.data(), static_cast<int>(src.size()));
    for (FullRow form : kFullForms) {
        std::vector<GFX_Color32> got = dst;
        form(got.data(), src.data(), static_cast<int>(src.size()));
        const int at = FirstDifference(got, expect);
        EXPECT_EQ(at, -1) << "source " << std::hex << src[at] << " over " << dst[at];
    }
}

TEST(CopyAlphaRows, FullStrengthKnownPixels) {
    // Transparent keeps, opaque replaces, and alpha 254 over alpha 0 keeps 254 (W × W / 256).
    const GFX_Color32 src[] = {0x00FFFFFFu, 0xFF102030u, 0xFE808080u, 0x7F000000u};
    const GFX_Color32 before[] = {0x11223344u, 0x11223344u, 0x00000000u, 0xFFFFFFFFu};
    for (FullRow form : kFullForms) {
        GFX_Color32 d[4] = {before[0], before[1], before[2], before[3]};
        form(d, src, 4);
        EXPECT_EQ(d[0], 0x11223344u);
        EXPECT_EQ(d[1], 0xFF102030u);
        EXPECT_EQ(d[2], 0xFE7F7F7Fu);
        // W = 128: colour (255 × 128) / 256 = 127, alpha (255 × 128 + 128 × 128) / 256 = 191.
        EXPECT_EQ(d[3], 0xBF7F7F7Fu);
    }
}

TEST(CopyAlphaRows, EveryFastWeightMatchesTheMixerForEveryAlpha) {
    std::vector<GFX_Color32> src, dst;
    AllAlphaPairs(&src, &dst);
    const int n = static_cast<int>(src.size());
    for (int w = 0; w <= kCopyAlphaFastMaxWeight; ++w) {
        std::vector<GFX_Color32> expect = dst;
        CopyAlphaRowReference(expect.data(), src.data(), n, w);
        for (WeightedRow form : kWeightedForms) {
            std::vector<GFX_Color32> got = dst;
            form(got.data(), src.data(), n, w);
            const int at = FirstDifference(got, expect);
            ASSERT_EQ(at, -1) << "weight " << w << " source " << std::hex << src[at] << " over " << dst[at];
        }
    }
}

TEST(CopyAlphaRows, RandomRowsOfEveryLengthUpToAFewBlocks) {
    // Lengths 0..19 cover no block, whole blocks and every leftover count; the rows are written
    // inside a larger buffer so that a kernel touching a word past its row is caught.
    std::mt19937 rng(20261207);
    for (int n = 0; n < 20; ++n)
        for (int round = 0; round < 200; ++round) {
            const bool lumpy = round % 2 == 0;
            const std::vector<GFX_Color32> src = RandomRow(rng, static_cast<size_t>(n) + 2, lumpy);
            const std::vector<GFX_Color32> dst = RandomRow(rng, static_cast<size_t>(n) + 2, lumpy);
            const int w = static_cast<int>(rng() % 256);

            std::vector<GFX_Color32> full_expect = dst, weighted_expect = dst;
            CopyAlphaFullRowReference(full_expect.data() + 1, src.data() + 1, n);
            CopyAlphaRowReference(weighted_expect.data() + 1, src.data() + 1, n, w);
            for (FullRow form : kFullForms) {
                std::vector<GFX_Color32> got = dst;
                form(got.data() + 1, src.data() + 1, n);
                ASSERT_EQ(FirstDifference(got, full_expect), -1) << "length " << n << " round " << round;
            }
            for (WeightedRow form : kWeightedForms) {
                std::vector<GFX_Color32> got = dst;
                form(got.data() + 1, src.data() + 1, n, w);
                ASSERT_EQ(FirstDifference(got, weighted_expect), -1)
                    << "length " << n << " round " << round << " weight " << w;
            }
        }
}

TEST(CopyAlphaRows, BlitMatchesTheMixersOnRandomBitmaps) {
    // Through the public blit, at full strength, at strengths whose weights take the fast rows,
    // and at strengths outside their range, with offsets and clipping that start the rows at
    // unaligned columns.
    std::mt19937 rng(7);
    const float strengths[] = {1.0f, 0.7f, 0.5f, 0.999f, 0.003f, 1.0001f, 1.5f, -0.4f};
    for (float strength : strengths)
        for (int round = 0; round < 6; ++round) {
            const int sw = 5 + static_cast<int>(rng() % 40), sh = 1 + static_cast<int>(rng() % 9);
            const int dw = 5 + static_cast<int>(rng() % 40), dh = 1 + static_cast<int>(rng() % 9);
            const int x = static_cast<int>(rng() % 11) - 5, y = static_cast<int>(rng() % 5) - 2;
            GFX_MemBitmap src(sw, sh), dst(dw, dh);
            for (int i = 0; i < sw * sh; ++i) src.PixelData()[i] = RandomRow(rng, 1, true)[0];
            for (int i = 0; i < dw * dh; ++i) dst.PixelData()[i] = static_cast<GFX_Color32>(rng());

            std::vector<GFX_Color32> expect(dst.PixelData(), dst.PixelData() + dw * dh);
            const int weight = static_cast<int>(static_cast<double>(strength) * 256.0);
            for (int row = 0; row < dh; ++row)
                for (int col = 0; col < dw; ++col) {
                    const int sx = col - x, sy = row - y;
                    if (sx < 0 || sy < 0 || sx >= sw || sy >= sh) continue;
                    const GFX_Color32 s = src.PixelData()[sy * sw + sx];
                    GFX_Color32 *p = &expect[static_cast<size_t>(row * dw + col)];
                    if (strength == 1.0f) {
                        CopyAlphaFullRowReference(p, &s, 1);
                    } else {
                        CopyAlphaRowReference(p, &s, 1, weight);
                    }
                }
            GFX_DrawBitmap(&dst, &src, x, y, nullptr, strength, GFX_COMBINE_COPY | GFX_COMBINE_SOURCE_ALPHA);
            const std::vector<GFX_Color32> got(dst.PixelData(), dst.PixelData() + dw * dh);
            ASSERT_EQ(FirstDifference(got, expect), -1) << "strength " << strength << " round " << round;
        }
}
