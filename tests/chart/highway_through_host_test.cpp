// From the track's MIDI to the frame's draw list: the drum flip switched by bracketed mix texts,
// through the stand-in host.
#include <gtest/gtest.h>

#include "chart_test_host.h"
#include "host/chart_builder.h"

namespace {

constexpr int T = 480;

// Paints while playing until the gem at `tick` is half a second ahead; returns its item.
HighwayItem ItemAhead(ChartTestHost &host, const ChartProject &project, int64_t tick) {
    const int64_t at = SampleOfTick(project, tick);
    while (host.instance().display_position < at - 22050) {
        host.PlayBlock(256);
        host.Paint();
    }
    for (const HighwayItem &item : host.Paint()) {
        const double ahead = item.pos * LOOKAHEAD_SECONDS[3] * 44100.0;
        if (item.lane >= 0 && std::abs(ahead - double(at - int64_t(host.instance().display_position))) < 1.0)
            return item;
    }
    ADD_FAILURE() << "no gem at tick " << tick;
    return HighwayItem{};
}

TEST(HighwayThroughHost, BracketedMixTextsSwitchTheFlipInProDrumsOnly) {
    ChartBuilder chart(T, "PART DRUMS");
    chart.Text(4 * T, "[mix 3 drums0d]").Note(8 * T, 97, 60).Note(9 * T, 98, 60)
        .Text(12 * T, "[mix 3 drums0dnoflip]").Note(16 * T, 97, 60)
        .Text(18 * T, "[mix 2 drums0d]").Note(20 * T, 97, 60);
    auto project = chart.BuildProject();
    for (int32_t mode : {1, 2}) {
        ChartTestHost host(project.get());
        host.instance().mode = mode;
        host.instance().skill = 3;
        host.OpenEditor();
        host.SetTransport(0, true);
        const HighwayItem red = ItemAhead(host, *project, 8 * T);
        const HighwayItem yellow = ItemAhead(host, *project, 9 * T);
        const HighwayItem red_after = ItemAhead(host, *project, 16 * T);
        const HighwayItem red_other_skill = ItemAhead(host, *project, 20 * T);
        if (mode == 1) {
            EXPECT_EQ(red.lane, 2);
            EXPECT_EQ(red.hopo_or_tom, 0);
            EXPECT_EQ(yellow.lane, 1);
            EXPECT_EQ(yellow.hopo_or_tom, 1);
        } else {
            EXPECT_EQ(red.lane, 1);
            EXPECT_EQ(yellow.lane, 2);
            EXPECT_EQ(yellow.hopo_or_tom, 0);
        }
        EXPECT_EQ(red_after.lane, 1);
        EXPECT_EQ(red_other_skill.lane, 1);
        EXPECT_EQ(host.instance().flip_count, mode == 1 ? 2 : 0);
    }
}

}  // namespace
