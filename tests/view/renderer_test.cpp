// The highway renderer, checked through the pixels of rendered frames: every picture of the
// test set is one solid colour of its own, so a pixel tells which picture was drawn there.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "chart/acquisition.h"
#include "chart/extraction.h"
#include "gfx/gfx.h"
#include "highway_pictures.h"
#include "highway_scene.h"
#include "state/instance.h"
#include "view/highway_geometry.h"
#include "view/image_set.h"
#include "view/renderer.h"

namespace {

// Expert: gems on notes 96..100, force-hopo 101, style phrase 116, toms 110..112.
constexpr int GREEN = 96, RED = 97, YELLOW = 98, BLUE = 99, ORANGE = 100;
constexpr int FORCE_HOPO = 101, STYLE_PHRASE = 116, TOM_YELLOW = 110;
constexpr int BEAT = -1, FLIP_ON = -4, FLIP_OFF = -5;
// One sample ahead of the strike line: a gem there is drawn at the line's size, not flaring.
constexpr double AT_LINE = 1.0 / 52920.0;

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scene.ok()) << scene.error(); }

    std::string At(int x, int y) const { return SolidPictureAt(scene.Pixel(x, y)); }
    std::set<std::string> Shown() const {
        std::set<std::string> names;
        for (uint32_t px : scene.Frame()) names.insert(SolidPictureAt(px));
        names.erase("");
        return names;
    }

    HighwayScene scene{SolidPictureSet()};
};

TEST(HighwayGeometryTest, EndsOfTheBoardAndFade) {
    EXPECT_EQ(HighwayDepth(0.0), 0.0);
    EXPECT_DOUBLE_EQ(HighwayDepth(1.0), 1.0);
    EXPECT_EQ(HighwayRowFraction(0.0) * 300, 229.6875);
    EXPECT_EQ(HighwayRowFraction(1.0) * 300, 65.625);
    EXPECT_EQ(HighwayUnitWidth(0.0), 0.390625);
    EXPECT_EQ(HighwayUnitWidth(1.0), 0.1865234375);
    EXPECT_EQ(HighwayFade(0.9), 1.0f);
    EXPECT_EQ(HighwayFade(0.95), 0.5f);
    // At the far end the strength rounds to a weight of 0; beyond it nothing goes negative.
    EXPECT_EQ(static_cast<int>(static_cast<double>(HighwayFade(1.0)) * 256.0), 0);
    EXPECT_EQ(HighwayFade(1.5), 0.0f);
}

TEST_F(RendererTest, BoardSquareAndGemsAtTheStrikeLine) {
    for (int lane = 0; lane < 5; ++lane) scene.AddAt(GREEN + lane, AT_LINE);
    scene.Render(400, 300);

    // Background in the side bars, track over the centred 300 x 300 square.
    EXPECT_EQ(At(0, 0), "QLV_background1");
    EXPECT_EQ(At(49, 299), "QLV_background1");
    EXPECT_EQ(At(50, 0), "track_guitar");
    EXPECT_EQ(At(349, 299), "track_guitar");
    EXPECT_EQ(At(350, 150), "QLV_background1");

    // Five 47-pixel gems, 64 x 40 pictures scaled to 29 rows, bottom edge on row 229. Blue's
    // first column is under yellow: the earlier record is drawn over the later one.
    const int left[5] = {83, 130, 177, 223, 270};
    const int hidden[5] = {0, 0, 0, 29, 0};
    const char *names[5] = {"gem_green", "gem_red", "gem_yellow", "gem_blue", "gem_orange"};
    for (int lane = 0; lane < 5; ++lane) {
        SCOPED_TRACE(names[lane]);
        EXPECT_EQ(At(left[lane] + (hidden[lane] ? 1 : 0), 229), names[lane]);
        EXPECT_EQ(At(left[lane] + 46, 201), names[lane]);
        EXPECT_NE(At(left[lane] - 1, 215), names[lane]);
        EXPECT_NE(At(left[lane] + 47, 215), names[lane]);
        EXPECT_NE(At(left[lane] + 23, 230), names[lane]);
        EXPECT_NE(At(left[lane] + 23, 200), names[lane]);
        EXPECT_EQ(scene.Count(names[lane]), 47 * 29 - hidden[lane]);
    }
    EXPECT_EQ(At(82, 215), "track_guitar");
    EXPECT_EQ(At(317, 215), "track_guitar");
}

TEST_F(RendererTest, NarrowAndTallClientsCentreTheBoardVertically) {
    scene.AddAt(YELLOW, AT_LINE);
    scene.Render(300, 400);
    // S = 300 again, now 50 rows down: the gem's bottom edge is on row 279.
    EXPECT_EQ(At(150, 20), "QLV_background1");
    EXPECT_EQ(At(150, 60), "track_guitar");
    EXPECT_EQ(At(127, 279), "gem_yellow");
    EXPECT_NE(At(150, 280), "gem_yellow");
    EXPECT_EQ(scene.Count("gem_yellow"), 47 * 29);
}

TEST_F(RendererTest, MarkerHeadsSitAtThreeQuartersOfTheirHeight) {
    scene.AddAt(BEAT, 0.5);
    scene.Render(400, 300);
    // A 256 x 8 line at u = 0.5: 157 pixels wide, 5 rows, anchored 0.75 above row 120.
    EXPECT_EQ(scene.Count("beat_marker"), 157 * 5);
    EXPECT_EQ(At(122, 116), "beat_marker");
    EXPECT_EQ(At(278, 120), "beat_marker");
    EXPECT_NE(At(200, 115), "beat_marker");
    EXPECT_NE(At(200, 121), "beat_marker");
}

TEST_F(RendererTest, ItemsFadeInOverTheLastTenthOfTheLookahead) {
    scene.AddAt(YELLOW, 0.95);
    scene.AddAt(RED, 1.0 - AT_LINE);
    scene.Render(400, 300);
    // Half strength over the track: (gem × 128 + track × 128) / 256 per channel.
    const uint32_t gem = SolidColour("gem_yellow"), track = SolidColour("track_guitar");
    uint32_t blend = 0;
    for (int shift = 0; shift < 32; shift += 8)
        blend |= ((((gem >> shift) & 0xFF) * 128 + ((track >> shift) & 0xFF) * 128) / 256) << shift;
    EXPECT_EQ(scene.Pixel(199, 63), blend);
    EXPECT_EQ(scene.Count("gem_yellow"), 0);
    // At the far end the weight is 0: nothing of the red gem shows.
    EXPECT_EQ(scene.Count("gem_red"), 0);
    int off_track = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 50; x < 350; ++x) off_track += scene.Pixel(x, y) != track && scene.Pixel(x, y) != blend;
    EXPECT_EQ(off_track, 0);
}

TEST_F(RendererTest, FlipMarkersAndOtherMarksAreNeverDrawn) {
    scene.SetMode(1);
    scene.Add(FLIP_ON, 2000);
    scene.Add(FLIP_OFF, 9000);
    scene.Render(400, 300);
    EXPECT_EQ(scene.ItemCount(), 2);
    for (uint32_t px : scene.Frame()) {
        const std::string name = SolidPictureAt(px);
        ASSERT_TRUE(name == "QLV_background1" || name == "track_drum") << name;
    }
}

TEST_F(RendererTest, HeldSustainShowsHighlightedTailAndFlareButNoHead) {
    // Flare finished (30 paints), head 0.1 lookahead past the line, tail reaching u = 0.4.
    scene.AddAt(YELLOW, -0.1, 0.5, 0, 30);
    scene.Render(400, 300);
    EXPECT_EQ(Shown(), (std::set<std::string>{"QLV_background1", "track_guitar", "sustain_yellow_hi",
                                               "smash_flare_yellow"}));
    // The tail covers rows 135..229 (the far end truncated, the near end rounded) ...
    EXPECT_EQ(At(200, 135), "sustain_yellow_hi");
    EXPECT_EQ(At(200, 185), "sustain_yellow_hi");
    EXPECT_NE(At(200, 134), "sustain_yellow_hi");
    // ... three quarters as wide as the gem: 25 pixels at its far end, 35 at the line.
    int far_width = 0;
    for (int x = 50; x < 350; ++x) far_width += At(x, 135) == "sustain_yellow_hi";
    EXPECT_EQ(far_width, 25);
    // The flare, 82 pixels square at the line with 0.53 of it above row 230, covers the rest.
    EXPECT_EQ(At(159, 186), "smash_flare_yellow");
    EXPECT_EQ(At(240, 267), "smash_flare_yellow");
    EXPECT_NE(At(200, 268), "smash_flare_yellow");
    EXPECT_EQ(scene.Count("smash_flare_yellow"), 82 * 82);
}

TEST_F(RendererTest, HeldSustainInAStylePhraseUsesTheStylePictures) {
    scene.Add(STYLE_PHRASE, static_cast<int64_t>(-0.2 * scene.LookaheadSamples()), 100000);
    scene.AddAt(BLUE, -0.1, 0.5, 0, 30);
    scene.Render(400, 300);
    EXPECT_EQ(Shown(), (std::set<std::string>{"QLV_background1", "track_guitar", "sustain_style_hi",
                                               "smash_flare_style"}));
}

TEST_F(RendererTest, HeldSustainFallsBackToThePlainTailPicture) {
    delete sustain_hi_images[2];
    sustain_hi_images[2] = nullptr;
    scene.AddAt(YELLOW, -0.1, 0.5, 0, 30);
    scene.Render(400, 300);
    EXPECT_EQ(At(200, 150), "sustain_yellow");
    EXPECT_EQ(scene.Count("sustain_yellow_hi"), 0);
    EXPECT_GT(scene.Count("smash_flare_yellow"), 0);

    // Under the flare, the tail of a note being held starts right at the line (row 229).
    delete slot_images[SLOT_SMASH_FLARE + 2];
    slot_images[SLOT_SMASH_FLARE + 2] = nullptr;
    scene.Render(400, 300);
    EXPECT_EQ(At(200, 229), "sustain_yellow");
    EXPECT_NE(At(200, 230), "sustain_yellow");
}

TEST_F(RendererTest, ApproachingSustainStartsBehindItsGem) {
    scene.AddAt(BLUE, 0.2, 0.5);
    scene.Render(400, 300);
    EXPECT_GT(scene.Count("gem_blue"), 0);
    EXPECT_EQ(scene.Count("sustain_blue_hi"), 0);
    EXPECT_EQ(scene.Count("smash_flare_blue"), 0);
    EXPECT_EQ(scene.Count("sustain_style"), 0);

    // Without the gem picture the whole tail shows: from u = 0.25 (rounded, row 163) to
    // u = 0.7 (truncated, row 94), never its picture's outer thirds.
    delete slot_images[SLOT_GEM + 3];
    slot_images[SLOT_GEM + 3] = nullptr;
    scene.Render(400, 300);
    int top = 300, bottom = -1;
    for (int y = 0; y < 300; ++y)
        for (int x = 50; x < 350; ++x)
            if (At(x, y) == "sustain_blue") {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_EQ(top, 94);
    EXPECT_EQ(bottom, 163);
    for (uint32_t px : scene.Frame()) ASSERT_NE(px, SUSTAIN_EDGE_COLOUR);

    // A tail reaching past the far end stops there, at row 65 (truncated, where a head would
    // sit on row 66).
    scene.ClearChart();
    scene.AddAt(BLUE, 0.3, 5.0);
    scene.Render(400, 300);
    top = 300;
    for (int y = 0; y < 300; ++y)
        for (int x = 50; x < 350; ++x)
            if (At(x, y) == "sustain_blue") top = std::min(top, y);
    EXPECT_EQ(top, 65);
}

TEST_F(RendererTest, CymbalsOnlyInProDrums) {
    // Lane 3 (blue) and lane 4 (green) without tom markers are cymbals in Pro Drums; a yellow
    // under a tom marker stays a pad.
    for (int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        scene.ClearChart();
        scene.SetMode(mode);
        scene.AddAt(BLUE, 0.1);
        scene.AddAt(ORANGE, 0.3);
        scene.Add(TOM_YELLOW, static_cast<int64_t>(0.45 * scene.LookaheadSamples()), 4000);
        scene.AddAt(YELLOW, 0.5);
        scene.Render(400, 300);
        const std::set<std::string> shown = Shown();
        if (mode == 1) {
            EXPECT_TRUE(shown.count("gem_cym_blue"));
            EXPECT_TRUE(shown.count("gem_cym_green"));
            EXPECT_FALSE(shown.count("gem_blue"));
        } else {
            EXPECT_TRUE(shown.count("gem_blue"));
            EXPECT_TRUE(shown.count("gem_green"));
            EXPECT_FALSE(shown.count("gem_cym_blue"));
            EXPECT_FALSE(shown.count("gem_cym_green"));
        }
        EXPECT_TRUE(shown.count("gem_yellow"));
        EXPECT_FALSE(shown.count("gem_cym_yellow"));
        EXPECT_FALSE(shown.count("gem_orange"));
    }
}

TEST_F(RendererTest, DrumLanesAndTheKickBar) {
    scene.SetMode(2);
    scene.AddAt(GREEN, AT_LINE);  // the kick
    scene.AddAt(RED, AT_LINE);
    scene.AddAt(ORANGE, AT_LINE);
    scene.Render(400, 300);
    // Lane 1 red at -0.7125, lane 4 drawn with the green picture at +0.7125.
    EXPECT_EQ(At(93, 229), "gem_red");
    EXPECT_EQ(At(139, 201), "gem_red");
    EXPECT_EQ(At(260, 229), "gem_green");
    EXPECT_EQ(At(306, 201), "gem_green");
    // The kick: 2.15 board units (252 pixels) of a 256 x 16 bar, 16 rows, under the gems.
    EXPECT_EQ(At(74, 229), "gem_kick");
    EXPECT_EQ(At(325, 214), "gem_kick");
    EXPECT_EQ(At(200, 220), "gem_kick");
    EXPECT_EQ(scene.Count("gem_kick"), 252 * 16 - 2 * (47 * 16));
}

TEST_F(RendererTest, StyleAndHopoPictures) {
    scene.Add(STYLE_PHRASE, 0, static_cast<int64_t>(0.6 * scene.LookaheadSamples()));
    scene.Add(FORCE_HOPO, static_cast<int64_t>(0.15 * scene.LookaheadSamples()), 3000);
    scene.AddAt(RED, 0.15);             // forced hopo inside the style phrase
    scene.AddAt(BLUE, 0.35, 0.2);       // sustained gem inside the style phrase
    scene.AddAt(YELLOW, 0.8, 0.0, 1);   // automatic hopo after the phrase
    scene.Render(400, 300);
    const std::set<std::string> shown = Shown();
    EXPECT_TRUE(shown.count("gem_hopo_style"));
    EXPECT_TRUE(shown.count("gem_style"));
    EXPECT_TRUE(shown.count("gem_hopo_yellow"));
    EXPECT_TRUE(shown.count("sustain_style"));
    EXPECT_FALSE(shown.count("sustain_blue"));
    EXPECT_FALSE(shown.count("gem_red"));
    EXPECT_FALSE(shown.count("gem_blue"));
    EXPECT_FALSE(shown.count("gem_yellow"));

    scene.ClearChart();
    scene.SetMode(1);
    scene.Add(STYLE_PHRASE, 0, static_cast<int64_t>(0.6 * scene.LookaheadSamples()));
    scene.AddAt(GREEN, 0.2);   // kick
    scene.AddAt(BLUE, 0.4);    // cymbal in a style phrase
    scene.Render(400, 300);
    std::set<std::string> drums = Shown();
    EXPECT_TRUE(drums.count("gem_kick_style"));
    EXPECT_TRUE(drums.count("gem_cym_style"));
    EXPECT_FALSE(drums.count("gem_kick"));
    EXPECT_FALSE(drums.count("gem_style"));
    // The red pad is never a cymbal, style phrase or not.
    scene.AddAt(RED, 0.3);
    scene.Render(400, 300);
    drums = Shown();
    EXPECT_TRUE(drums.count("gem_style"));
    EXPECT_TRUE(drums.count("gem_cym_style"));
}

TEST_F(RendererTest, NoTailsOrSustainFlaresInDrumModes) {
    for (int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        scene.ClearChart();
        scene.SetMode(mode);
        scene.AddAt(RED, 0.2, 0.6);
        scene.AddAt(BLUE, -0.1, 0.5, 0, 30);  // would be a held sustain on guitar
        scene.Render(400, 300);
        for (const std::string &name : Shown()) {
            EXPECT_EQ(name.rfind("sustain_", 0), std::string::npos) << name;
            EXPECT_EQ(name.rfind("smash_flare_", 0), std::string::npos) << name;
        }
        EXPECT_GT(scene.Count("gem_red"), 0);
    }
}

TEST_F(RendererTest, HitAnimationFramesAtTheStrikeLine) {
    // A gem reaching the line flares: frame 1 for three paints, then frame 2, at 2.05 times the
    // gem width (96 pixels) centred on its lane, 0.53 of it above the line.
    scene.AddAt(YELLOW, 0.0);
    scene.Render(400, 300);
    EXPECT_EQ(scene.Count("smash_1"), 96 * 96);
    EXPECT_EQ(At(152, 179), "smash_1");
    EXPECT_EQ(At(247, 274), "smash_1");
    EXPECT_EQ(scene.Count("gem_yellow"), 0);
    scene.Render(400, 300);
    scene.Render(400, 300);
    scene.Render(400, 300);
    EXPECT_EQ(scene.Count("smash_1"), 0);
    EXPECT_EQ(scene.Count("smash_2"), 96 * 96);

    // The kick flash is three board units wide and centred.
    scene.ClearChart();
    scene.SetMode(1);
    scene.AddAt(GREEN, 0.0);
    scene.Render(400, 300);
    // 352 x 44 from column 25, 0.55 of it above the line.
    EXPECT_EQ(scene.Count("kick_flash_1"), 352 * 44);
    EXPECT_EQ(At(25, 205), "kick_flash_1");
    EXPECT_EQ(At(376, 248), "kick_flash_1");
}

TEST_F(RendererTest, LinesAndKickBarsLieUnderGems) {
    scene.SetMode(2);
    scene.AddAt(RED, 0.3);
    scene.AddAt(BEAT, 0.3);
    scene.AddAt(GREEN, 0.3);  // kick
    scene.Render(400, 300);
    // At u = 0.3: red gem columns 119..154, rows 131..153; kick bar rows 142..153; line rows
    // 149..154. Gems lie over both; within the back layer the earlier record (the line) is drawn
    // over the later one (the kick).
    EXPECT_EQ(At(136, 150), "gem_red");
    EXPECT_EQ(At(136, 154), "beat_marker");
    EXPECT_EQ(At(200, 150), "beat_marker");
    EXPECT_EQ(At(200, 145), "gem_kick");
    EXPECT_EQ(At(200, 141), "track_drum");
}

TEST_F(RendererTest, BackgroundRebuiltOncePerResize) {
    scene.AddAt(YELLOW, 0.2);
    scene.Render(400, 300);
    GFX_MemBitmap *board = scene.instance()->highway_image;
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(scene.instance()->highway_dirty, 0);

    // Mark the cached board and the scaled-copy cache; an unchanged size keeps both.
    board->PixelData()[0] = 0xFF123456u;
    GFX_MemBitmap scratch(8, 8);
    DrawImageScaled(&scratch, SLOT_MEASURE, 0, 0, 64, 1.0f, 0.0f);
    ASSERT_EQ(ScaledCopyCount(SLOT_MEASURE), 1);
    scene.Render(400, 300);
    EXPECT_EQ(scene.Pixel(0, 0), 0xFF123456u);
    EXPECT_EQ(ScaledCopyCount(SLOT_MEASURE), 1);
    EXPECT_EQ(scene.instance()->highway_image, board);

    // A new size rebuilds the board in place and empties the cache.
    scene.Render(500, 300);
    EXPECT_EQ(scene.instance()->highway_image, board);
    EXPECT_EQ(board->PixelWidth(), 500);
    EXPECT_EQ(At(0, 0), "QLV_background1");
    EXPECT_EQ(ScaledCopyCount(SLOT_MEASURE), 0);
    // The gem's copy was made again at the new size only.
    EXPECT_EQ(ScaledCopyCount(SLOT_GEM + 2), 1);

    // The dirty flag forces a rebuild at the same size, once.
    board->PixelData()[0] = 0xFF123456u;
    scene.instance()->highway_dirty = 1;
    scene.Render(500, 300);
    EXPECT_EQ(At(0, 0), "QLV_background1");
    EXPECT_EQ(scene.instance()->highway_dirty, 0);
}

TEST_F(RendererTest, MissingPicturesGiveABlackBoardAndClearOnesShowWhatIsUnder) {
    delete background_image;
    background_image = nullptr;
    delete guitar_track_image;
    guitar_track_image = nullptr;
    delete slot_images[SLOT_GEM + 2];
    slot_images[SLOT_GEM + 2] = nullptr;
    scene.AddAt(YELLOW, 0.2);
    scene.Render(400, 300);
    for (uint32_t px : scene.Frame()) ASSERT_EQ(px, 0xFF000000u);

    // The track is laid over the background by its own alpha: a clear track leaves it alone.
    background_image = new GFX_MemBitmap(4, 4);
    GFX_SetAllPixels(background_image, SolidColour("QLV_background1"));
    guitar_track_image = new GFX_MemBitmap(4, 4);
    GFX_SetAllPixels(guitar_track_image, SolidColour("track_guitar") & 0x00FFFFFFu);
    scene.instance()->highway_dirty = 1;
    scene.Render(400, 300);
    for (uint32_t px : scene.Frame()) ASSERT_EQ(SolidPictureAt(px), "QLV_background1");
}

TEST_F(RendererTest, NothingToDrawInto) {
    scene.AddAt(YELLOW, 0.0);
    const auto flare = [&] { return reinterpret_cast<ChartEvent *>(scene.instance()->chart_events.data)->flare; };
    // No back buffer: extraction still runs (the flare counts), nothing is drawn.
    RenderHighway(scene.instance(), 400, 300);
    EXPECT_EQ(scene.instance()->highway_image, nullptr);
    EXPECT_EQ(flare(), 1);
    // Empty or negative client sizes.
    scene.Render(0, 0);
    scene.Render(-5, 300);
    EXPECT_EQ(scene.instance()->highway_image, nullptr);
    EXPECT_EQ(flare(), 3);
    // A back buffer without pixels under a real client size: drawing is clipped away entirely.
    ASSERT_EQ(scene.instance()->back_buffer->PixelData(), nullptr);
    RenderHighway(scene.instance(), 400, 300);
    EXPECT_EQ(flare(), 4);
    RenderHighway(nullptr, 400, 300);
}

}  // namespace
