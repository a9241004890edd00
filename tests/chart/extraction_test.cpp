// Note extraction on chart events placed directly in an instance: lanes, flares, chords, forced
// hammer-ons, style phrases, toms, the drum flip, positions and the trimming of chart_events.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "chart_test_host.h"

namespace {

constexpr double RATE = 44100.0;
constexpr int64_t SEC = 44100;

ChartEvent Note(int64_t time, int32_t note, int64_t length = 0, uint8_t hopo = 0) {
    return ChartEvent{time, note, 0, length, hopo, 0};
}

class Extraction : public ::testing::Test {
protected:
    void SetUp() override {
        host.OpenEditor();
        host.instance().display_position = 0.0;
    }
    void Load(const std::vector<ChartEvent> &events, int32_t mode, int32_t skill) {
        PreviewInstance &inst = host.instance();
        inst.mode = mode;
        inst.skill = skill;
        inst.chart_events.Resize(0, false);
        inst.chart_events.Resize(int32_t(events.size() * sizeof(ChartEvent)), false);
        if (!events.empty()) std::memcpy(inst.chart_events.data, events.data(), events.size() * sizeof(ChartEvent));
    }
    void At(double position) { host.instance().display_position = position; }

    ChartTestHost host;
};

TEST_F(Extraction, GuitarGemApproachesThenFlaresThirtyPaintsThenGoes) {
    Load({Note(SEC, 98)}, 0, 3);
    At(SEC * 0.4);
    std::vector<HighwayItem> items = host.Paint();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].lane, 2);
    EXPECT_EQ(items[0].image, 2);
    EXPECT_DOUBLE_EQ(items[0].pos, 0.6 / 1.2);
    EXPECT_EQ(items[0].len, 0.0);  // no sustain
    EXPECT_EQ(items[0].style, 0);
    // From the first paint at or past the line: three paints per image, 27 to 36.
    for (int call = 0; call < 30; ++call) {
        At(double(SEC + call * 100));
        items = host.Paint();
        ASSERT_EQ(items.size(), 1u) << call;
        EXPECT_EQ(items[0].image, 27 + call / 3) << call;
        EXPECT_EQ(items[0].pos, 0.0);
        EXPECT_EQ(items[0].lane, 2);
    }
    At(double(SEC + 3000));
    EXPECT_TRUE(host.Paint().empty());
    EXPECT_TRUE(host.Events().empty());
}

TEST_F(Extraction, SustainedGemStaysAfterItsFlareUntilTheTailPasses) {
    Load({Note(SEC, 98, SEC)}, 0, 3);
    for (int call = 0; call < 31; ++call) {
        At(double(SEC + call * 100));
        host.Paint();
    }
    std::vector<HighwayItem> items = host.Paint();
    ASSERT_EQ(items.size(), 1u);
    // Flare counted out: the head moves on below the line, still showing the last flare image.
    EXPECT_EQ(items[0].image, 36);
    EXPECT_EQ(host.Events()[0].flare, 30);
    EXPECT_DOUBLE_EQ(items[0].pos, -3000.0 / RATE / 1.2);
    EXPECT_DOUBLE_EQ(items[0].len, 1.0 / 1.2);
    At(double(2 * SEC));
    EXPECT_EQ(host.Paint().size(), 1u);
    At(double(2 * SEC + 1));
    EXPECT_TRUE(host.Paint().empty());
}

TEST_F(Extraction, DrumKickFlaresTwentyOnePaintsSustainOrNot) {
    for (int64_t length : {int64_t(0), SEC}) {
        Load({Note(SEC, 96, length)}, 1, 3);
        for (int call = 0; call < 21; ++call) {
            At(double(SEC + call * 10));
            std::vector<HighwayItem> items = host.Paint();
            ASSERT_EQ(items.size(), 1u);
            EXPECT_EQ(items[0].image, 37 + call / 3);
            EXPECT_EQ(items[0].lane, 0);
            EXPECT_EQ(items[0].hopo_or_tom, 0);
        }
        At(double(SEC + 300));
        EXPECT_TRUE(host.Paint().empty()) << length;
    }
    // In guitar mode the lowest gem is no kick: it flares with the gem images.
    Load({Note(SEC, 96)}, 0, 3);
    At(double(SEC));
    EXPECT_EQ(host.Paint()[0].image, 27);
}

TEST_F(Extraction, ChordsForcedHopoAndKeys) {
    // Two gems at one time: no hammer-on even if acquisition set one.
    Load({Note(SEC / 2, 97, 0, 1), Note(SEC / 2, 99, 0, 1), Note(SEC, 98, 0, 1)}, 0, 3);
    std::vector<HighwayItem> items = host.Paint();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].hopo_or_tom, 0);
    EXPECT_EQ(items[1].hopo_or_tom, 0);
    EXPECT_EQ(items[2].hopo_or_tom, 1);

    // A force-on marker starting at the gems' time applies, before or after them in the list.
    Load({Note(SEC, 101, 10), Note(SEC, 97), Note(SEC, 99)}, 0, 3);
    items = host.Paint();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].hopo_or_tom, 1);
    EXPECT_EQ(items[1].hopo_or_tom, 1);
    Load({Note(SEC, 97), Note(SEC, 99), Note(SEC, 101, 10)}, 0, 3);
    items = host.Paint();
    EXPECT_EQ(items[0].hopo_or_tom, 1);
    EXPECT_EQ(items[1].hopo_or_tom, 1);

    // Force-off beats the automatic decision; the range ends before its end sample.
    Load({Note(SEC, 102, 100), Note(SEC, 97, 0, 1), Note(SEC + 100, 98, 0, 1)}, 0, 3);
    items = host.Paint();
    EXPECT_EQ(items[0].hopo_or_tom, 0);
    EXPECT_EQ(items[1].hopo_or_tom, 1);

    // Force notes of another difficulty do nothing; Easy uses 60..66.
    Load({Note(SEC, 77, 10), Note(SEC, 61), Note(SEC, 65, 10), Note(SEC, 97)}, 0, 0);
    items = host.Paint();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].lane, 1);
    EXPECT_EQ(items[0].hopo_or_tom, 1);

    // Keys never shows a hammer-on.
    Load({Note(SEC, 101, 10), Note(SEC, 97, 0, 1), Note(SEC / 2, 98, 0, 1)}, 3, 3);
    for (const HighwayItem &item : host.Paint()) EXPECT_EQ(item.hopo_or_tom, 0);
}

TEST_F(Extraction, StylePhrasesAndLatching) {
    // Phrase [1 s, 2 s): a gem inside is styled, one at the end sample is not.
    Load({Note(SEC, 116, SEC), Note(SEC + 10, 97), Note(2 * SEC, 98)}, 0, 3);
    At(double(SEC));
    std::vector<HighwayItem> items = host.Paint();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].style, 1);
    EXPECT_EQ(items[1].style, 0);
    // A phrase note after the gem in the same group still counts.
    Load({Note(SEC, 97), Note(SEC, 116, 5)}, 0, 3);
    At(0);
    EXPECT_EQ(host.Paint()[0].style, 1);

    // Once styled, a gem keeps it after the phrase record has been dropped.
    Load({Note(SEC, 116, 1), Note(SEC, 98, 2 * SEC)}, 0, 3);
    At(0);
    EXPECT_EQ(host.Paint()[0].style, 1);
    At(double(SEC + 10));  // the phrase is over and dropped; the gem flares on
    items = host.Paint();
    ASSERT_EQ(host.Events().size(), 1u);
    EXPECT_EQ(host.Events()[0].style_latched, 1);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].style, 1);
}

TEST_F(Extraction, ProDrumsTomsAndFlip) {
    // Yellow (base + 2) under a 110 range is a tom; without one a cymbal. Lanes 0 and 1 stay 0.
    const int64_t S = SEC / 10;  // everything within the Expert lookahead of 1.2 s
    Load({Note(2 * S, 110, 4 * S), Note(2 * S, 98), Note(2 * S, 97), Note(4 * S, 99), Note(6 * S, 98)}, 1, 3);
    std::vector<HighwayItem> items = host.Paint();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].hopo_or_tom, 1);
    EXPECT_EQ(items[1].hopo_or_tom, 0);
    EXPECT_EQ(items[2].hopo_or_tom, 0);  // blue: no 111 range
    EXPECT_EQ(items[3].hopo_or_tom, 0);  // range end excluded
    // A tom marker later in the same group applies too.
    Load({Note(SEC, 100), Note(SEC, 112, 1)}, 1, 3);
    EXPECT_EQ(host.Paint()[0].hopo_or_tom, 1);

    // Flip on: red plays in lane 2 as a cymbal, yellow in lane 1 as a tom.
    const std::vector<ChartEvent> flipped = {Note(2 * S, MARKER_FLIP_ON), Note(4 * S, 97), Note(4 * S, 98),
                                             Note(6 * S, MARKER_FLIP_OFF), Note(8 * S, 97)};
    Load(flipped, 1, 3);
    items = host.Paint();
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].image, MARKER_FLIP_ON);
    EXPECT_EQ(items[0].lane, -1);
    EXPECT_EQ(items[1].lane, 2);
    EXPECT_EQ(items[1].image, 2);
    EXPECT_EQ(items[1].hopo_or_tom, 0);
    EXPECT_EQ(items[2].lane, 1);
    EXPECT_EQ(items[2].image, 1);
    EXPECT_EQ(items[2].hopo_or_tom, 1);
    EXPECT_EQ(items[4].lane, 1);  // after the flip off
    EXPECT_EQ(host.instance().flip_count, 2);

    // Drums (std) never flips, but its marks are still remembered.
    host.instance().flip_count = 0;
    Load(flipped, 2, 3);
    items = host.Paint();
    EXPECT_EQ(items[1].lane, 1);
    EXPECT_EQ(items[2].lane, 2);
    EXPECT_EQ(host.instance().flip_count, 2);

    // A flip-on in the gem's own group, after it in the list.
    host.instance().flip_count = 0;
    Load({Note(SEC, 97), Note(SEC, MARKER_FLIP_ON)}, 1, 3);
    items = host.Paint();
    EXPECT_EQ(items[0].lane, 2);
    // Remembered marks flip gems whose switch record is gone (absolute positions).
    Load({Note(3 * SEC, 98)}, 1, 3);
    At(double(2 * SEC));
    items = host.Paint();
    EXPECT_EQ(items[0].lane, 1);
    EXPECT_EQ(items[0].hopo_or_tom, 1);
    // Flaring flipped gem shows the gem flare images.
    At(double(3 * SEC));
    EXPECT_EQ(host.Paint()[0].image, 27);
}

TEST_F(Extraction, FlipMarksOnlyAscendAndTheTableHoldsAHundred) {
    PreviewInstance &inst = host.instance();
    AddFlipMark(&inst, 100, 1);
    AddFlipMark(&inst, 100, 0);
    AddFlipMark(&inst, 50, 0);
    ASSERT_EQ(inst.flip_count, 1);
    EXPECT_EQ(inst.flip_marks[0].on, 1);
    for (int64_t t = 101; inst.flip_count < FLIP_MARK_CAPACITY; ++t) AddFlipMark(&inst, t, uint8_t(t & 1));
    const FlipMark last = inst.flip_marks[FLIP_MARK_CAPACITY - 1];
    AddFlipMark(&inst, 1000000, 1);
    EXPECT_EQ(inst.flip_count, FLIP_MARK_CAPACITY);
    EXPECT_EQ(inst.flip_marks[FLIP_MARK_CAPACITY - 1].time, last.time);
}

TEST_F(Extraction, MarkersPositionsAndTrimming) {
    // Beat at the display position: an item at 0; one sample later it is over.
    Load({Note(SEC, MARKER_BEAT), Note(SEC + SEC / 2, MARKER_MEASURE), Note(10 * SEC, MARKER_HALF_BEAT),
          Note(SEC / 2, 50, SEC)},
         0, 0);
    At(double(SEC));
    std::vector<HighwayItem> items = host.Paint();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].image, MARKER_BEAT);
    EXPECT_EQ(items[0].pos, 0.0);
    EXPECT_EQ(items[0].lane, -1);
    EXPECT_DOUBLE_EQ(items[1].pos, 0.5 / 2.4);
    // The far marker gets no item but stays; the unused note stays until it is over.
    EXPECT_EQ(host.Events().size(), 4u);
    At(double(SEC + 1));
    items = host.Paint();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].image, MARKER_MEASURE);
    const std::vector<ChartEvent> left = host.Events();
    ASSERT_EQ(left.size(), 3u);  // order kept
    EXPECT_EQ(left[0].note, MARKER_MEASURE);
    EXPECT_EQ(left[1].note, MARKER_HALF_BEAT);
    EXPECT_EQ(left[2].note, 50);
    At(double(SEC + SEC / 2 + 1));
    host.Paint();
    ASSERT_EQ(host.Events().size(), 1u);
    EXPECT_EQ(host.Events()[0].note, MARKER_HALF_BEAT);
}

TEST_F(Extraction, NoDisplayPositionChangesNothing) {
    Load({Note(0, 98), Note(0, MARKER_BEAT)}, 0, 3);
    host.instance().highway_items.Resize(3 * sizeof(HighwayItem), false);
    for (double position : {-1.0, -1.5, std::nan("")}) {
        At(position);
        EXPECT_EQ(BuildHighwayItems(&host.instance(), false), 0);
        EXPECT_EQ(host.Events().size(), 2u);
        EXPECT_EQ(host.Events()[0].flare, 0);
        EXPECT_EQ(host.instance().highway_items.GetSize(), int32_t(3 * sizeof(HighwayItem)));
    }
    // A position just below 0 truncates to sample 0 and draws.
    At(-0.5);
    EXPECT_EQ(host.Paint().size(), 2u);
}

TEST_F(Extraction, OutOfRangeSkillIsClampedAndDrawListKeepsItsSizeWhenEmpty) {
    Load({Note(SEC, 62), Note(SEC, 98)}, 0, -7);
    std::vector<HighwayItem> items = host.Paint();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].lane, 2);
    EXPECT_DOUBLE_EQ(items[0].pos, 1.0 / 2.4);
    Load({Note(SEC, 98)}, 0, 9);
    EXPECT_DOUBLE_EQ(host.Paint()[0].pos, 1.0 / 1.2);
    const int32_t size = host.instance().highway_items.GetSize();
    Load({Note(SEC, 50)}, 0, 3);
    EXPECT_TRUE(host.Paint().empty());
    EXPECT_EQ(host.instance().highway_items.GetSize(), size);
}

TEST_F(Extraction, ItemsThatCannotGrowAreNotWritten) {
    Load({Note(SEC, 96), Note(SEC, 97)}, 0, 3);
    host.instance().highway_items.Free();
    GrowBufFailNextAllocations(1000);
    const int32_t count = BuildHighwayItems(&host.instance(), false);
    GrowBufFailNextAllocations(0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(host.instance().highway_items.GetSize(), 0);
    EXPECT_EQ(host.Events().size(), 2u);
    EXPECT_EQ(host.Paint().size(), 2u);
}

}  // namespace
