// Properties over long generated charts: steady playback keeps the chart events to what the
// lookahead holds, and random seeks, tempo changes and block sizes always resynchronise: once the
// window after a seek is fetched, the frame equals that of a fresh instance started there.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "chart_test_host.h"
#include "host/chart_generator.h"

namespace {

constexpr int32_t FLARE_PAINTS = 31;

void ExpectSameItems(const std::vector<HighwayItem> &a, const std::vector<HighwayItem> &b, const char *where) {
    ASSERT_EQ(a.size(), b.size()) << where;
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i].image, b[i].image) << where << " item " << i;
        ASSERT_EQ(a[i].lane, b[i].lane) << where << " item " << i;
        ASSERT_EQ(a[i].pos, b[i].pos) << where << " item " << i;
        ASSERT_EQ(a[i].len, b[i].len) << where << " item " << i;
        ASSERT_EQ(a[i].style, b[i].style) << where << " item " << i;
        ASSERT_EQ(a[i].hopo_or_tom, b[i].hopo_or_tom) << where << " item " << i;
    }
}

TEST(ChartProperties, SteadyPlaybackKeepsOnlyWhatTheLookaheadHolds) {
    ChartGeneratorOptions options;
    options.measures = 48;
    auto project = GenerateChart(options).BuildProject();
    for (int32_t skill : {0, 3}) {
        ChartTestHost host(project.get());
        PreviewInstance &inst = host.instance();
        inst.skill = skill;
        inst.mode = 1;
        host.OpenEditor();
        host.SetTransport(0, true);
        const int32_t block = 512;
        size_t largest = 0;
        for (int i = 0; i < 3000; ++i) {
            host.PlayBlock(block);
            host.Paint();
            const double now = inst.display_position;
            const std::vector<ChartEvent> events = host.Events();
            largest = std::max(largest, events.size());
            for (const ChartEvent &e : events) {
                ASSERT_LT(double(e.time), inst.fetched_end);
                ASSERT_GE(double(e.time + e.length), now - FLARE_PAINTS * block) << "block " << i << " note " << e.note;
            }
        }
        // A few seconds of a dense chart: hundreds of records, not the whole song.
        EXPECT_LT(largest, 1500u);
        EXPECT_GT(largest, 20u);
    }
}

void RandomSeeks(int32_t mode, uint32_t seed) {
    ChartGeneratorOptions options;
    options.seed = seed;
    options.measures = 40;
    auto project = GenerateChart(options).BuildProject();
    std::mt19937 random(seed);
    ChartTestHost a(project.get());
    PreviewInstance &inst = a.instance();
    inst.mode = mode;
    a.OpenEditor();
    a.SetTransport(0, true);
    const double song = project->tempo_map().TickToSeconds(40 * 4 * 480) * 44100.0;
    int compared = 0;
    for (int step = 0; step < 120; ++step) {
        const int32_t frames = int32_t(1 + random() % 8192);
        if (random() % 3 != 0) {
            for (int n = int(random() % 8); n >= 0; --n) {
                a.PlayBlock(frames);
                a.Paint();
            }
            continue;
        }
        // A seek that the staleness rules must see: back, or beyond the fetched span.
        const bool playing = random() % 2 == 0;
        const double target = 200 + double(random() % uint32_t(song));
        const bool resets = target < inst.last_position || target > inst.fetched_end + 100;
        const int32_t skill = int32_t(random() % 4);
        inst.skill = skill;
        inst.hopo_threshold = 100 + int32_t(random() % 300);
        a.SetTransport(target, playing);
        a.Block(frames);
        if (!resets) continue;

        ChartTestHost b(project.get());
        PreviewInstance &fresh = b.instance();
        fresh.mode = mode;
        fresh.skill = skill;
        fresh.hopo_threshold = inst.hopo_threshold.load();
        // The drum flip switches the first instance remembers are part of its state.
        fresh.flip_count = inst.flip_count;
        std::memcpy(fresh.flip_marks, inst.flip_marks, sizeof fresh.flip_marks);
        b.OpenEditor();
        b.SetTransport(target, playing);
        b.Block(frames);
        ASSERT_EQ(fresh.fetched_end, inst.fetched_end);
        ASSERT_EQ(fresh.display_position, inst.display_position);
        const std::vector<ChartEvent> ea = a.Events(), eb = b.Events();
        ASSERT_EQ(ea.size(), eb.size()) << "step " << step;
        for (size_t i = 0; i < ea.size(); ++i) {
            ASSERT_EQ(ea[i].time, eb[i].time) << "step " << step << " event " << i;
            ASSERT_EQ(ea[i].note, eb[i].note) << "step " << step << " event " << i;
            ASSERT_EQ(ea[i].length, eb[i].length) << "step " << step << " event " << i;
            ASSERT_EQ(ea[i].hopo, eb[i].hopo) << "step " << step << " event " << i;
            ASSERT_EQ(ea[i].flare, 0);
        }
        ExpectSameItems(a.Paint(), b.Paint(), "after seek");
        ++compared;
        // And they stay together while playing on.
        if (playing) {
            for (int n = 0; n < 4; ++n) {
                a.PlayBlock(frames);
                b.PlayBlock(frames);
                ExpectSameItems(a.Paint(), b.Paint(), "playing on");
            }
        }
    }
    EXPECT_GT(compared, 10);
}

TEST(ChartProperties, RandomSeeksResynchroniseGuitar) { RandomSeeks(0, 11); }
TEST(ChartProperties, RandomSeeksResynchroniseProDrums) { RandomSeeks(1, 12); }
TEST(ChartProperties, RandomSeeksResynchroniseDrums) { RandomSeeks(2, 13); }
TEST(ChartProperties, RandomSeeksResynchroniseKeys) { RandomSeeks(3, 14); }

}  // namespace
