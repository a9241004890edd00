// Lines: clipping, the listed exact pixels of each shape, random segments against the plain
// per-pixel reference, heavy clipping with guard words, and both row orders.
#include "scaled_canvas.h"
#include "scaled_reference.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace scaled_test {
namespace {

struct Segment {
    int x1, y1, x2, y2;
};

Segment Clip(Segment s, int w, int h, bool *accepted) {
    *accepted = GFX_ClipSegment(&s.x1, &s.y1, &s.x2, &s.y2, w, h);
    return s;
}

void ExpectClip(Segment in, int w, int h, Segment out) {
    bool accepted = false;
    Segment got = Clip(in, w, h, &accepted);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(got.x1, out.x1);
    EXPECT_EQ(got.y1, out.y1);
    EXPECT_EQ(got.x2, out.x2);
    EXPECT_EQ(got.y2, out.y2);
}

TEST(ClipSegment, FarEdgesCrossedAtTheSizeAndPlacedOnTheLastRow) {
    // The bottom crossing is computed at y = 10 (x = 20) and placed on row 9; the point is then
    // clipped at x = 9.
    ExpectClip({0, 0, 20, 10}, 10, 10, {0, 0, 9, 4});
    ExpectClip({-5, -5, 20, 20}, 10, 10, {0, 0, 9, 9});
    ExpectClip({-10, 5, 10, 5}, 8, 8, {0, 5, 7, 5});
    // Inside segments are untouched, whichever way round.
    ExpectClip({7, 2, 1, 6}, 10, 10, {7, 2, 1, 6});
}

TEST(ClipSegment, RejectsSegmentsOutsideAndEmptyBitmaps) {
    bool accepted = true;
    Clip({-5, -1, 20, -3}, 10, 10, &accepted);  // both above
    EXPECT_FALSE(accepted);
    Clip({-5, 20, 20, 5}, 10, 10, &accepted);  // passes by the bottom-right corner
    EXPECT_FALSE(accepted);
    Clip({0, 0, 3, 3}, 0, 10, &accepted);
    EXPECT_FALSE(accepted);
    Clip({0, 0, 3, 3}, 10, -1, &accepted);
    EXPECT_FALSE(accepted);
}

TEST(ClipSegment, ExtremeCoordinatesLandInsideTheBitmap) {
    const int values[] = {INT_MIN, INT_MIN + 1, -1000000000, -1, 0, 5, 1000000000, INT_MAX - 1, INT_MAX};
    for (int x1 : values)
        for (int y1 : values)
            for (int x2 : values)
                for (int y2 : values) {
                    Segment s{x1, y1, x2, y2};
                    bool accepted = false;
                    Segment got = Clip(s, 17, 11, &accepted);
                    if (!accepted) continue;
                    for (auto [x, y] : {std::pair{got.x1, got.y1}, std::pair{got.x2, got.y2}}) {
                        EXPECT_TRUE(x >= 0 && x < 17 && y >= 0 && y < 11)
                            << x1 << "," << y1 << " - " << x2 << "," << y2 << " -> " << x << "," << y;
                    }
                }
}

TEST(ClipSegment, MatchesReferenceOnRandomSegments) {
    std::mt19937 rng(0xC11Bu);
    std::uniform_int_distribution<int> coord(-60, 80), size(1, 40);
    for (int n = 0; n < 20000; ++n) {
        int w = size(rng), h = size(rng);
        Segment s{coord(rng), coord(rng), coord(rng), coord(rng)};
        Segment r = s;
        bool lib = GFX_ClipSegment(&s.x1, &s.y1, &s.x2, &s.y2, w, h);
        bool ref = ReferenceClip(&r.x1, &r.y1, &r.x2, &r.y2, w, h);
        ASSERT_EQ(lib, ref) << n;
        if (ref) {
            ASSERT_EQ(s.x1, r.x1) << n;
            ASSERT_EQ(s.y1, r.y1) << n;
            ASSERT_EQ(s.x2, r.x2) << n;
            ASSERT_EQ(s.y2, r.y2) << n;
        }
    }
}

// The set of pixels that differ from the background after drawing.
std::set<std::pair<int, int>> Touched(Canvas &c, GFX_Color32 background) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.At(x, y) != background) out.insert({x, y});
    return out;
}

TEST(StrokeLine, RowFillStoresTheColourWordAlphaIncluded) {
    Canvas c(8, 6);
    c.Fill(0xFF102030u);
    GFX_StrokeLine(&c, 5, 3, 2, 3, 0x00FFFFFFu, 1.0f, GFX_COMBINE_COPY, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(c.At(x, y), (y == 3 && x >= 2 && x <= 5) ? 0x00FFFFFFu : 0xFF102030u) << x << "," << y;
}

TEST(StrokeLine, PlainSlopeDoesNotStepOnAnExactHalf) {
    Canvas c(6, 3);
    GFX_StrokeLine(&c, 0, 0, 4, 1, 0xFFFFFFFFu, 1.0f, GFX_COMBINE_COPY, 0);
    std::set<std::pair<int, int>> want{{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}};
    EXPECT_EQ(Touched(c, 0), want);
}

TEST(StrokeLine, SmoothSlopeSplitsWeightsAndEndsOnTheRoundedFraction) {
    Canvas c(6, 3);
    GFX_StrokeLine(&c, 0, 0, 4, 1, Argb(0, 255, 0, 0), 1.0f, GFX_COMBINE_ADD, 1);
    auto red = [&](int x, int y) { return ByteOf(c.At(x, y), 2); };
    EXPECT_EQ(red(0, 0), 255);
    EXPECT_EQ(red(1, 0), 191);
    EXPECT_EQ(red(1, 1), 63);
    EXPECT_EQ(red(2, 0), 127);
    EXPECT_EQ(red(2, 1), 127);
    EXPECT_EQ(red(3, 0), 63);
    EXPECT_EQ(red(3, 1), 191);
    EXPECT_EQ(red(4, 0), 0);  // weight 0
    EXPECT_EQ(red(4, 1), 0);  // not drawn
    EXPECT_EQ(red(0, 1), 0);
    EXPECT_EQ(red(5, 0), 0);
}

TEST(StrokeLine, SmoothEndPointFollowsTheDoubleAccumulation) {
    // A transparent black copy onto white shows the final weight: weight 1 leaves 254, weight 0
    // leaves 255, the full weight leaves 0.
    struct End {
        int n;                    // (0, 0) to (n, 1)
        GFX_Color32 short_pixel;  // (n, 0), one minor step short of the end point
        GFX_Color32 end_pixel;    // (n, 1)
    };
    const End ends[] = {
        {10, 0xFEFEFEFEu, 0xFFFFFFFFu},  // nine additions of 0.1 end just below 1.0: weight 1
        {3, 0xFFFFFFFFu, 0xFFFFFFFFu},   // two additions of 1/3 land on exactly 1.0: weight 0
        {9, 0xFFFFFFFFu, 0x00000000u},   // eight additions of 1/9 overshoot and wrap: the end point, full
    };
    for (const End &e : ends) {
        Canvas c(12, 2);
        c.Fill(0xFFFFFFFFu);
        GFX_StrokeLine(&c, 0, 0, e.n, 1, 0x00000000u, 1.0f, GFX_COMBINE_COPY, 1);
        EXPECT_EQ(c.At(e.n, 0), e.short_pixel) << e.n;
        EXPECT_EQ(c.At(e.n, 1), e.end_pixel) << e.n;
        EXPECT_EQ(c.At(0, 0), 0u) << e.n;
    }
}

TEST(StrokeLine, SmoothOpaqueDiagonalUsesTheWordFormulas) {
    Canvas c(4, 4);
    GFX_StrokeLine(&c, 0, 0, 2, 2, 0xFFFFFFFFu, 1.0f, GFX_COMBINE_COPY, 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            GFX_Color32 want = 0;
            if (x == y && x <= 2) want = 0xBEBEBEBEu;  // 127 + 63
            if ((x == y + 1 || y == x + 1) && x <= 2 && y <= 2) want = 0x3F3F3F3Fu;
            EXPECT_EQ(c.At(x, y), want) << x << "," << y;
        }
}

TEST(StrokeLine, SmoothDiagonalOtherOperationsSplitThreeQuartersAndQuarters) {
    Canvas c(5, 5);
    GFX_StrokeLine(&c, 3, 0, 0, 3, Argb(0, 0, 200, 0), 1.0f, GFX_COMBINE_ADD, 1);
    // Going left and down: neighbours are one step left and one step down.
    EXPECT_EQ(ByteOf(c.At(3, 0), 1), 200 * 192 / 256);
    EXPECT_EQ(ByteOf(c.At(2, 0), 1), 200 * 64 / 256);
    EXPECT_EQ(ByteOf(c.At(3, 1), 1), 200 * 64 / 256);
    EXPECT_EQ(ByteOf(c.At(0, 3), 1), 200 * 192 / 256);
    EXPECT_EQ(ByteOf(c.At(4, 0), 1), 0);
    EXPECT_EQ(ByteOf(c.At(0, 4), 1), 0);  // the last pixel has no neighbours
}

TEST(StrokeLine, AntiAliasChangesNothingOnRowsColumnsAndPoints) {
    const Segment segs[] = {{1, 2, 6, 2}, {3, 0, 3, 4}, {4, 4, 4, 4}};
    for (const Segment &s : segs)
        for (int op = 0; op <= 5; ++op)
            for (float alpha : {1.0f, 0.5f, 0.3f}) {
                Canvas a(8, 6), b(8, 6);
                std::mt19937 rng(op);
                a.Randomise(rng);
                b.CopyImage(a);
                GFX_StrokeLine(&a, s.x1, s.y1, s.x2, s.y2, 0x80C04020u, alpha, op, 0);
                GFX_StrokeLine(&b, s.x1, s.y1, s.x2, s.y2, 0x80C04020u, alpha, op, 1);
                EXPECT_EQ(a.Image(), b.Image()) << op << " " << alpha;
            }
}

TEST(StrokeLine, HalfStrengthCopyAveragesExactly) {
    Canvas c(6, 6);
    c.Fill(0xFFFFFFFFu);
    GFX_StrokeLine(&c, 0, 0, 5, 2, 0xFFFFFFFFu, 0.5f, GFX_COMBINE_COPY, 0);
    for (GFX_Color32 p : c.Image()) EXPECT_EQ(p, 0xFFFFFFFFu);
    Canvas d(6, 6);
    d.Fill(0x00000001u);
    GFX_StrokeLine(&d, 0, 0, 4, 4, 0xFF030507u, 0.5f, GFX_COMBINE_COPY, 0);
    EXPECT_EQ(d.At(2, 2), 0x7F010204u);  // (c + d) >> 1 per byte: 7 + 1 gives 4
}

TEST(StrokeLine, HueShiftSetsTheColourAlpha) {
    Canvas c(6, 6);
    c.Fill(Argb(255, 200, 40, 40));
    GFX_StrokeLine(&c, 0, 0, 5, 3, Argb(17, 128, 128, 128), 1.0f, GFX_COMBINE_HSV_SHIFT, 0);
    GFX_StrokeLine(&c, 0, 5, 5, 5, Argb(17, 128, 128, 128), 1.0f, GFX_COMBINE_HSV_SHIFT, 0);
    int touched = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            if (ByteOf(c.At(x, y), 3) == 17) ++touched;
    EXPECT_EQ(touched, 6 + 6);
}

TEST(StrokeLine, NothingForZeroStrengthBadOperationsAndNonPositiveCopies) {
    struct Call {
        float alpha;
        int op;
    };
    const Call calls[] = {{0.0f, 1}, {0.0f, 0}, {-0.5f, 0}, {1.0f, 6}, {1.0f, 0xF2}, {NAN, 1}, {INFINITY, 0}};
    for (const Call &call : calls)
        for (unsigned char aa : {0, 1})
            for (Segment s : {Segment{0, 0, 5, 2}, Segment{0, 0, 4, 4}, Segment{1, 1, 1, 4}}) {
                Canvas c(6, 6);
                c.Fill(0x11223344u);
                GFX_StrokeLine(&c, s.x1, s.y1, s.x2, s.y2, 0xFFFFFFFFu, call.alpha, call.op, aa);
                EXPECT_TRUE(Touched(c, 0x11223344u).empty()) << call.alpha << " " << call.op;
            }
    GFX_StrokeLine(nullptr, 0, 0, 5, 5, 0xFFFFFFFFu, 1.0f, 0, 1);
}

TEST(StrokeLine, NegativeStrengthStillDrawsForOtherOperations) {
    Canvas c(6, 3);
    c.Fill(Argb(0, 100, 0, 0));
    GFX_StrokeLine(&c, 0, 1, 5, 1, Argb(0, 100, 0, 0), -0.5f, GFX_COMBINE_ADD, 0);
    EXPECT_EQ(ByteOf(c.At(3, 1), 2), 100 - 50);
}

// Random segments of every shape, operation and strength against the reference, on canvases of
// either row order with padded rows; coordinates reach well outside the canvas.
TEST(StrokeLine, RandomSegmentsMatchReference) {
    std::mt19937 rng(0x11AEu);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const float alphas[] = {1.0f, 1.0f, 0.5f, 0.5f, 0.75f, 0.3f, -0.5f, 1.5f, 0.0f, 0.01f};
    int failures = 0;
    for (int n = 0; n < 30000 && failures < 5; ++n) {
        const int w = pick(1, 24), h = pick(1, 24);
        const bool bottom_up = pick(0, 2) == 0;
        const int pitch = w + (pick(0, 3) == 0 ? pick(1, 3) : 0);
        Canvas lib(w, h, bottom_up, pitch), ref(w, h, bottom_up, pitch);
        lib.Randomise(rng);
        ref.CopyImage(lib);
        int x1 = pick(-20, w + 20), y1 = pick(-20, h + 20), x2, y2;
        switch (pick(0, 4)) {  // bias toward the special shapes
        case 0: x2 = x1; y2 = pick(-20, h + 20); break;
        case 1: y2 = y1; x2 = pick(-20, w + 20); break;
        case 2: {
            int d = pick(-30, 30);
            x2 = x1 + d;
            y2 = y1 + (pick(0, 1) ? d : -d);
            break;
        }
        default: x2 = pick(-20, w + 20); y2 = pick(-20, h + 20); break;
        }
        const GFX_Color32 color = static_cast<GFX_Color32>(rng());
        const float alpha = pick(0, 4) == 0 ? std::uniform_real_distribution<float>(-1.5f, 1.9f)(rng) : alphas[pick(0, 9)];
        const GFX_CombineMode mode = static_cast<GFX_CombineMode>(pick(0, 6)) | (pick(0, 3) == 0 ? 0x10100u : 0u);
        const bool aa = pick(0, 1) == 1;
        GFX_StrokeLine(&lib, x1, y1, x2, y2, color, alpha, mode, aa ? 1 : 0);
        ReferenceLine(ref, x1, y1, x2, y2, color, alpha, mode, aa);
        if (!lib.GuardsIntact() || lib.Image() != ref.Image()) {
            ++failures;
            ADD_FAILURE() << "segment (" << x1 << ", " << y1 << ") - (" << x2 << ", " << y2 << ") on " << w << " x "
                          << h << (bottom_up ? " bottom-up" : "") << ", colour " << std::hex << color << std::dec
                          << ", alpha " << alpha << ", mode " << mode << ", aa " << aa;
        }
    }
    EXPECT_EQ(failures, 0);
}

// Segments with end points anywhere in the int range: nothing outside the bitmap (guard words
// around it and in its row padding) may change, and every drawn pixel must be one the clipped
// segment can reach.
TEST(StrokeLine, HeavyClippingTouchesOnlyPixelsInside) {
    std::mt19937 rng(0xB16u);
    auto any = [&] {
        switch (rng() % 4) {
        case 0: return static_cast<int>(rng());
        case 1: return static_cast<int>(rng() % 2 ? INT_MAX - rng() % 4 : INT_MIN + rng() % 4);
        default: return static_cast<int>(rng() % 200) - 100;
        }
    };
    for (int n = 0; n < 20000; ++n) {
        const int w = 1 + static_cast<int>(rng() % 20), h = 1 + static_cast<int>(rng() % 20);
        Canvas c(w, h, rng() % 2 == 0, w + 2);
        c.Fill(0);
        const int x1 = any(), y1 = any(), x2 = any(), y2 = any();
        GFX_StrokeLine(&c, x1, y1, x2, y2, 0xFFFFFFFFu, 1.0f, GFX_COMBINE_ADD, static_cast<unsigned char>(rng() % 2));
        ASSERT_TRUE(c.GuardsIntact()) << x1 << "," << y1 << " - " << x2 << "," << y2;
    }
}

TEST(StrokeLine, BottomUpDrawsTheSameImageEvenWhenClipped) {
    std::mt19937 rng(0xF11Bu);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int n = 0; n < 10000; ++n) {
        const int w = pick(1, 20), h = pick(1, 20);
        Canvas top(w, h, false), bottom(w, h, true, w + 1);
        top.Randomise(rng);
        bottom.CopyImage(top);
        const int x1 = pick(-40, 60), y1 = pick(-40, 60), x2 = pick(-40, 60), y2 = pick(-40, 60);
        const int op = pick(0, 5);
        const unsigned char aa = static_cast<unsigned char>(pick(0, 1));
        GFX_StrokeLine(&top, x1, y1, x2, y2, 0xC0804020u, 0.8f, op, aa);
        GFX_StrokeLine(&bottom, x1, y1, x2, y2, 0xC0804020u, 0.8f, op, aa);
        ASSERT_EQ(top.Image(), bottom.Image()) << x1 << "," << y1 << " - " << x2 << "," << y2 << " op " << op;
        ASSERT_TRUE(bottom.GuardsIntact());
    }
}

}  // namespace
}  // namespace scaled_test
