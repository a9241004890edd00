// The reference host's tempo map: seconds, quarter notes and beats across tempo and signature
// changes, the beat unit of x/8 signatures, exact round trips at downbeats, and odd arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/tempo_map.h"

namespace {

TEST(TempoMap, SecondsAndQuarterNotesAcrossTempoChanges) {
    // 120 per minute for 4 QN, then 60 per minute; tpq 480.
    const TempoMap map(480, {{0, 500000}, {1920, 1000000}}, {});
    EXPECT_EQ(map.TickToSeconds(240), 0.25);
    EXPECT_EQ(map.TickToSeconds(1920), 2.0);
    EXPECT_EQ(map.TickToSeconds(2400), 3.0);
    EXPECT_EQ(map.TimeToQN(3.0), 5.0);
    EXPECT_EQ(map.QNToTime(5.0), 3.0);
    // Before the start: the first tempo continues.
    EXPECT_EQ(map.TimeToQN(-1.0), -2.0);
    EXPECT_EQ(map.TickToSeconds(-480), -0.5);
    // Exact round trips at many positions.
    for (int tick = 0; tick < 10000; tick += 37) EXPECT_NEAR(map.SecondsToTick(map.TickToSeconds(tick)), tick, 1e-9);
}

TEST(TempoMap, ChangesInAnyOrderLastOfATickWinsInvalidOnesIgnored) {
    const TempoMap map(480, {{960, 250000}, {0, 1000000}, {960, 500000}, {480, 0}, {-5, 600000}},
                       {{0, 0, 4}, {0, 3, 5}, {0, 5, 4}});
    // tick -5 counts as 0 and replaces the first 0; 960 keeps the last given (500000).
    EXPECT_DOUBLE_EQ(map.TickToSeconds(960), 2 * 0.6);
    EXPECT_DOUBLE_EQ(map.TickToSeconds(1440), 1.2 + 0.5);
    int bpm = 0;
    map.TimeToBeats(0.0, nullptr, &bpm, nullptr);
    EXPECT_EQ(bpm, 5);
}

TEST(TempoMap, BeatsCountInTheSignatureUnit) {
    // 4/4 for two measures, 6/8 for two, then 3/4.
    const TempoMap map(480, {}, {{0, 4, 4}, {3840, 6, 8}, {3840 + 2 * 1440, 3, 4}});
    int measure = -1, bpm = 0;
    double full = -1;
    // 4/4: quarter-note beats.
    EXPECT_DOUBLE_EQ(map.TimeToBeats(map.TickToSeconds(1200), &measure, &bpm, &full), 2.5);
    EXPECT_EQ(measure, 0);
    EXPECT_EQ(bpm, 4);
    EXPECT_DOUBLE_EQ(full, 2.5);
    // 6/8: eighth-note beats; full beats go on from 8.
    EXPECT_DOUBLE_EQ(map.TimeToBeats(map.TickToSeconds(3840 + 1440 + 240), &measure, &bpm, &full), 1.0);
    EXPECT_EQ(measure, 3);
    EXPECT_EQ(bpm, 6);
    EXPECT_DOUBLE_EQ(full, 8 + 6 + 1);
    EXPECT_EQ(map.DenominatorAt(map.TickToSeconds(3840)), 8);
    // 3/4 after it.
    EXPECT_DOUBLE_EQ(map.TimeToBeats(map.TickToSeconds(6720 + 480 * 4), &measure, &bpm, &full), 1.0);
    EXPECT_EQ(measure, 5);
    EXPECT_EQ(bpm, 3);
    EXPECT_DOUBLE_EQ(full, 20 + 4);
    // Beats back to time, absolute and per measure.
    EXPECT_DOUBLE_EQ(map.BeatsToTime(15.0), map.TickToSeconds(3840 + 1440 + 240));
    EXPECT_DOUBLE_EQ(map.MeasureBeatsToTime(3, 1.0), map.TickToSeconds(3840 + 1440 + 240));
    EXPECT_DOUBLE_EQ(map.MeasureBeatsToTime(6, 0.5), map.TickToSeconds(6720 + 2 * 1440 + 240));
}

TEST(TempoMap, ASignatureChangeInsideAMeasureStartsANewOne) {
    const TempoMap map(480, {}, {{0, 4, 4}, {480 * 6, 3, 4}});  // 4/4 for a measure and a half
    int measure = 0;
    EXPECT_EQ(map.TimeToBeats(map.TickToSeconds(480 * 6), &measure, nullptr, nullptr), 0.0);
    EXPECT_EQ(measure, 2);
    EXPECT_EQ(map.TimeToBeats(map.TickToSeconds(480 * 5), &measure, nullptr, nullptr), 1.0);
    EXPECT_EQ(measure, 1);
}

TEST(TempoMap, DownbeatsComeBackAsDownbeatsThroughSamplePositions) {
    // Odd tempos so that times are not exact binary fractions.
    const TempoMap map(480, {{0, 433333}, {1000, 517241}, {5000, 389999}}, {{0, 4, 4}, {7680, 7, 8}});
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        for (double beats = 0.5; beats < 200; beats += 0.5) {
            const double p = map.BeatsToTime(beats) * rate;
            int measure = 0, bpm = 0;
            double full = 0;
            const double in_measure = map.TimeToBeats(p / rate, &measure, &bpm, &full);
            ASSERT_EQ(full, beats) << rate;
            ASSERT_GE(in_measure, 0.0);
            ASSERT_LT(in_measure, bpm);
        }
    }
}

TEST(TempoMap, OddArgumentsGiveDefinedAnswers) {
    const TempoMap map;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(std::isnan(map.TimeToQN(nan)));
    EXPECT_TRUE(std::isnan(map.BeatsToTime(nan)));
    EXPECT_EQ(map.TimeToQN(inf), inf);
    for (double t : {nan, inf, -inf, 1e300, -1e300}) {
        int measure = 7, bpm = 0;
        double full = 0;
        const double beats = map.TimeToBeats(t, &measure, &bpm, &full);
        EXPECT_EQ(bpm, 4);
        if (!std::isfinite(full)) {
            EXPECT_TRUE(std::isnan(beats));
        } else {
            EXPECT_TRUE(measure == INT_MAX || measure == INT_MIN) << t;
        }
    }
    int measure = 0;
    EXPECT_EQ(map.TimeToBeats(-0.5, &measure, nullptr, nullptr), 3.0);
    EXPECT_EQ(measure, -1);
    // A map built with nonsense falls back to its defaults.
    const TempoMap fallback(0, {{0, 0}}, {{0, 4, 3}});
    EXPECT_EQ(fallback.ticks_per_quarter(), 480);
    EXPECT_EQ(fallback.TimeToQN(1.0), 2.0);
}

}  // namespace
