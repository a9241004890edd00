// Chart acquisition driven through a stand-in host with charts built in code: windows, staleness,
// note pairing, the automatic hammer-on/pull-off decision, the drum "mix" texts and the beat grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "chart/acquisition_steps.h"
#include "chart_test_host.h"
#include "host/chart_builder.h"

namespace {

constexpr double RATE = 44100.0;
constexpr int64_t QN = 22050;  // samples per quarter note at 120 per minute
constexpr int T = 480;         // ticks per quarter note

std::vector<ChartEvent> NotesOnly(const std::vector<ChartEvent> &events) {
    std::vector<ChartEvent> notes;
    for (const ChartEvent &e : events)
        if (e.note >= 0) notes.push_back(e);
    return notes;
}

const ChartEvent *Find(const std::vector<ChartEvent> &events, int32_t note, int64_t time) {
    for (const ChartEvent &e : events)
        if (e.note == note && e.time == time) return &e;
    return nullptr;
}

// Plays the chart from 0 far enough that everything up to `ticks` has been fetched.
std::vector<ChartEvent> FetchAll(ChartTestHost &host, int64_t ticks, int32_t frames = 512) {
    host.OpenEditor();
    host.SetTransport(0, true);
    for (int64_t fetched = 0; fetched < ticks * QN / T + 1; fetched += frames) host.PlayBlock(frames);
    return host.Events();
}

TEST(Acquisition, StoppedTransportFetchesThreeSecondsEarlyAndPrunesWhatEnded) {
    ChartBuilder chart;
    chart.Note(2 * T, 96, T)        // ends at 3 QN: long before the position
        .Note(3 * T, 97, 5 * T)     // ends exactly at the position (8 QN)
        .Note(6 * T, 98, 4 * T)     // crosses the position
        .Note(9 * T, 99, T / 2);    // ahead
    auto project = chart.BuildProject();
    ChartTestHost host(project.get());
    host.OpenEditor();
    host.SetTransport(8 * QN, false);
    host.Block(512);

    const PreviewInstance &inst = host.instance();
    const std::vector<ChartEvent> events = host.Events();
    for (const ChartEvent &e : events) EXPECT_GT(double(e.time) + double(e.length), 8.0 * QN) << e.note;
    EXPECT_EQ(Find(events, 96, 2 * QN), nullptr);
    EXPECT_EQ(Find(events, 97, 3 * QN), nullptr);
    const ChartEvent *crossing = Find(events, 98, 6 * QN);
    ASSERT_NE(crossing, nullptr);
    EXPECT_EQ(crossing->length, 4 * QN);
    ASSERT_NE(Find(events, 99, 9 * QN), nullptr);
    EXPECT_EQ(inst.display_position, 8.0 * QN);
    EXPECT_EQ(inst.last_position, 8.0 * QN);
    // Windows of 512 from three seconds before the position up to the lookahead plus 0.1 s.
    const double start = 8.0 * QN - 3.0 * RATE;
    const double target = 8.0 * QN + (LOOKAHEAD_SECONDS[0] + 0.1) * RATE;
    EXPECT_GE(inst.fetched_end, target);
    EXPECT_LT(inst.fetched_end, target + 512);
    EXPECT_EQ(std::fmod(inst.fetched_end - start, 512.0), 0.0);
}

TEST(Acquisition, SeekRulesBackOneSampleResetsForwardHundredDoesNot) {
    ChartBuilder chart;
    auto project = chart.BuildProject();
    ChartTestHost host(project.get());
    host.OpenEditor();
    host.SetTransport(0, true);
    for (int i = 0; i < 10; ++i) host.PlayBlock(512);
    PreviewInstance &inst = host.instance();
    // Windows so far started at 0, so fetched_end is a whole number of blocks.
    ASSERT_EQ(std::fmod(inst.fetched_end, 512.0), 0.0);

    const double fetched = inst.fetched_end;
    host.SetTransport(fetched + 100, true);  // 100 samples past the fetched span: no reset
    host.Block(512);
    EXPECT_EQ(std::fmod(inst.fetched_end, 512.0), 0.0);
    EXPECT_GT(inst.fetched_end, fetched);

    host.SetTransport(inst.fetched_end + 101, true);  // 101 samples past: reset at the position
    const double reset_at = inst.fetched_end + 101;
    host.Block(512);
    EXPECT_EQ(std::fmod(inst.fetched_end - reset_at, 512.0), 0.0);

    const double before = inst.last_position;
    host.SetTransport(before - 1, true);  // one sample back: reset
    host.Block(512);
    EXPECT_EQ(std::fmod(inst.fetched_end - (before - 1), 512.0), 0.0);
    EXPECT_EQ(inst.last_position, before - 1);
}

TEST(Acquisition, HopoDecisionsAtASixteenthNote) {
    struct Case {
        int first, second, threshold, expected;
    };
    const Case cases[] = {
        {96, 97, 170, 1},  // different pitches within the threshold
        {96, 96, 170, 0},  // equal pitches
        {96, 97, 120, 0},  // distance equal to the threshold is not below it
        {96, 100, 170, 1},
        {96, 101, 170, 0},  // 101 is not a gem of the octave
        {84, 96, 170, 0},   // a whole octave apart
    };
    for (const Case &c : cases) {
        ChartBuilder chart;
        chart.Note(0, c.first, 60).Note(120, c.second, 60);
        auto project = chart.BuildProject();
        ChartTestHost host(project.get());
        host.instance().hopo_threshold = c.threshold;
        const std::vector<ChartEvent> notes = NotesOnly(FetchAll(host, 240));
        ASSERT_EQ(notes.size(), 2u);
        EXPECT_EQ(notes[0].hopo, 0);
        EXPECT_EQ(notes[1].hopo, c.expected) << c.first << " " << c.second << " @" << c.threshold;
    }
}

TEST(Acquisition, HopoAfterChordsAndWithinChords) {
    ChartBuilder chart;
    chart.Note(0, 96, 60).Note(0, 98, 60)  // chord
        .Note(120, 97, 60)                 // follows the chord closely: strummed
        .Note(240, 99, 60).Note(240, 100, 60);  // a chord after a single gem
    auto project = chart.BuildProject();
    ChartTestHost host(project.get());
    const std::vector<ChartEvent> notes = NotesOnly(FetchAll(host, 480));
    ASSERT_EQ(notes.size(), 5u);
    EXPECT_EQ(Find(notes, 97, SampleOfTick(*project, 120))->hopo, 0);
    // The chord's first note is a hammer-on from 97, the second sounds with it and is not.
    EXPECT_EQ(Find(notes, 99, SampleOfTick(*project, 240))->hopo, 1);
    EXPECT_EQ(Find(notes, 100, SampleOfTick(*project, 240))->hopo, 0);
}

TEST(Acquisition, SustainsOfGemsAndMarkers) {
    ChartBuilder chart;
    chart.Note(0, 96, 120)             // gem held 0.25 QN: no sustain
        .Note(480, 97, 150)            // gem held 0.3125 QN: sustains
        .Note(960, 116, 30)            // style marker: keeps its short length
        .Note(1440, 50, 30)            // not a gem: keeps its length
        .NoteOn(1920, 98).NoteOn(2400, 98).NoteOff(3360, 98)  // retriggered without a note-off
        .NoteOn(3840, 99, 100).NoteOff(4800, 99, 0, true)     // ended by a zero-velocity note-on
        .NoteOn(5280, 100);                                   // never ended
    auto project = chart.BuildProject();
    ChartTestHost host(project.get());
    const std::vector<ChartEvent> notes = NotesOnly(FetchAll(host, 5400));
    auto at = [&](int note, int64_t tick) { return Find(notes, note, SampleOfTick(*project, tick)); };
    ASSERT_EQ(notes.size(), 8u);
    EXPECT_EQ(at(96, 0)->length, 0);
    EXPECT_EQ(at(97, 480)->length, SampleOfTick(*project, 630) - SampleOfTick(*project, 480));
    EXPECT_EQ(at(116, 960)->length, SampleOfTick(*project, 990) - SampleOfTick(*project, 960));
    EXPECT_EQ(at(50, 1440)->length, SampleOfTick(*project, 1470) - SampleOfTick(*project, 1440));
    EXPECT_EQ(at(98, 1920)->length, QN);
    EXPECT_EQ(at(98, 2400)->length, 2 * QN);
    EXPECT_EQ(at(99, 3840)->length, 2 * QN);
    EXPECT_EQ(at(100, 5280)->length, OPEN_LENGTH);
}

TEST(Acquisition, AllNotesOffEndsEveryOpenNote) {
    ChartBuilder chart;
    chart.NoteOn(0, 96).NoteOn(0, 116).NoteOn(480, 40).NoteOn(900, 97)
        .Controller(960, 123, 0)
        .NoteOn(1440, 98).Controller(1450, 7, 100);
    auto project = chart.BuildProject();
    ChartTestHost host(project.get());
    const std::vector<ChartEvent> notes = NotesOnly(FetchAll(host, 1500));
    ASSERT_EQ(notes.size(), 5u);
    EXPECT_EQ(Find(notes, 96, 0)->length, 2 * QN);
    EXPECT_EQ(Find(notes, 116, 0)->length, 2 * QN);
    EXPECT_EQ(Find(notes, 40, QN)->length, QN);
    // 60 ticks before the controller: under 0.3 QN, so it ends without sustain.
    EXPECT_EQ(Find(notes, 97, SampleOfTick(*project, 900))->length, 0);
    EXPECT_EQ(Find(notes, 98, 3 * QN)->length, OPEN_LENGTH);
}

std::vector<int32_t> GridKinds(const std::vector<ChartEvent> &events, int64_t end) {
    std::vector<ChartEvent> markers;
    for (const ChartEvent &e : events)
        if (e.note < 0 && e.time < end) markers.push_back(e);
    std::stable_sort(markers.begin(), markers.end(),
                     [](const ChartEvent &a, const ChartEvent &b) { return a.time < b.time; });
    std::vector<int32_t> kinds;
    for (const ChartEvent &e : markers) kinds.push_back(e.note);
    return kinds;
}

TEST(Acquisition, BeatGridPatternsInFourFourThreeFourAndSixEight) {
    const int32_t H = MARKER_HALF_BEAT, B = MARKER_BEAT, M = MARKER_MEASURE;
    {
        ChartBuilder chart;
        auto project = chart.BuildProject();
        ChartTestHost host(project.get());
        const std::vector<ChartEvent> events = FetchAll(host, 8 * T);
        // The grid begins after the project start: a measure's line is drawn where it ends.
        const std::vector<int32_t> expected = {H, B, H, B, H, B, H, M, H, B, H, B, H, B, H, M};
        EXPECT_EQ(GridKinds(events, 8 * QN + 1), expected);
        for (const ChartEvent &e : events) {
            if (e.note < 0 && e.time <= 8 * QN) {
                EXPECT_EQ(e.time % (QN / 2), 0) << e.time;
                EXPECT_EQ(e.length, 0);
            }
        }
    }
    {
        ChartBuilder chart;
        chart.Signature(0, 3, 4);
        auto project = chart.BuildProject();
        ChartTestHost host(project.get());
        const std::vector<int32_t> expected = {H, B, H, B, H, M, H, B, H, B, H, M};
        EXPECT_EQ(GridKinds(FetchAll(host, 6 * T), 6 * QN + 1), expected);
    }
    {
        ChartBuilder chart;
        chart.Signature(0, 6, 8).Signature(3 * T, 2, 4);  // one 6/8 measure, then 2/4
        auto project = chart.BuildProject();
        ChartTestHost host(project.get());
        std::vector<int32_t> expected = {H, B, H, B, H, B, H, B, H, B, H, M};  // eighth-note beats
        for (int32_t k : {H, B, H, M}) expected.push_back(k);
        const std::vector<ChartEvent> events = FetchAll(host, 5 * T);
        EXPECT_EQ(GridKinds(events, 5 * QN + 1), expected);
    }
}

TEST(Acquisition, MixTextsOnlyInProDrumsAndForTheirDifficulty) {
    struct Case {
        const char *text;
        int mode, skill, expected;
    };
    const Case cases[] = {
        {"mix 3 drums0d", 1, 3, MARKER_FLIP_ON},
        {"mix 3 drums0dnoflip", 1, 3, MARKER_FLIP_OFF},
        {"mix 3 drums0", 1, 3, 0},        // 12 characters: too short
        {"mix 3 drums0x", 1, 3, MARKER_FLIP_OFF},
        {"mix 3 drums0dnoflop", 1, 3, MARKER_FLIP_ON},
        {"mix 2 drums0d", 1, 3, 0},       // another difficulty
        {"mix 0 drums0d", 1, 0, MARKER_FLIP_ON},
        {"mix 3 drums0d", 0, 3, 0},       // not Pro Drums
        {"mix 3 drums0d", 2, 3, 0},
        {"mux 3 drums0d", 1, 3, 0},
        {"[mix 3 drums0d]", 1, 3, MARKER_FLIP_ON},
        {"[mix 3 drums0dnoflip]", 1, 3, MARKER_FLIP_OFF},
        {"[mix 1 drums2d]", 1, 1, MARKER_FLIP_ON},
        {"[mix 3 drums0]", 1, 3, MARKER_FLIP_OFF},  // read as "mix 3 drums0]": 13 characters
        {"[mix 3 drums]", 1, 3, 0},
        {"[mix 3 drums0d", 1, 3, MARKER_FLIP_ON},
        {"[[mix 3 drums0d]", 1, 3, 0},    // only one bracket is skipped
    };
    for (const Case &c : cases) {
        ChartBuilder chart;
        chart.Text(960, c.text);
        auto project = chart.BuildProject();
        ChartTestHost host(project.get());
        host.instance().mode = c.mode;
        host.instance().skill = c.skill;
        const std::vector<ChartEvent> events = FetchAll(host, 1000);
        std::vector<ChartEvent> flips;
        for (const ChartEvent &e : events)
            if (e.note == MARKER_FLIP_ON || e.note == MARKER_FLIP_OFF) flips.push_back(e);
        if (c.expected == 0) {
            EXPECT_TRUE(flips.empty()) << c.text;
        } else {
            ASSERT_EQ(flips.size(), 1u) << c.text;
            EXPECT_EQ(flips[0].note, c.expected) << c.text;
            EXPECT_EQ(flips[0].time, 2 * QN);
            EXPECT_EQ(flips[0].length, 0);
        }
    }
}

TEST(Acquisition, MixTextIsComparedOnlyWithinItsOwnBytes) {
    // Exactly sized heap copies: any read past the message is caught by the address sanitizer.
    for (const char *text : {"mix 3 drums0d", "[mix 3 drums0d", "mix 3 drums0dnofli", "[mix 3 drums0dnofl"}) {
        const size_t length = std::strlen(text);
        std::unique_ptr<uint8_t[]> message(new uint8_t[length + 3]);
        message[0] = 0xFF;
        message[1] = 0x01;
        message[2] = uint8_t(length);
        std::memcpy(message.get() + 3, text, length);
        EXPECT_EQ(MixTextMarker(message.get(), int32_t(length + 3), 1, 3), MARKER_FLIP_ON) << text;
    }
    const uint8_t not_text[16] = {0xFF, 0x02, 13, 'm', 'i', 'x', ' ', '3', ' ', 'd', 'r', 'u', 'm', 's', '0', 'd'};
    EXPECT_EQ(MixTextMarker(not_text, 16, 1, 3), 0);
}

TEST(Acquisition, WindowRecordsComeBeforeTheWindowsGridMarkers) {
    ChartBuilder chart;
    chart.Note(T, 96, 60);
    auto project = chart.BuildProject();
    ChartTestHost host(project.get());
    host.OpenEditor();
    host.SetTransport(0, true);
    host.Block(int32_t(2 * QN));  // one window holding the note and four grid markers
    const std::vector<ChartEvent> events = host.Events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].note, 96);
    EXPECT_EQ(events[0].time, QN);
    EXPECT_EQ(events[1].note, MARKER_HALF_BEAT);
    EXPECT_EQ(events[1].time, QN / 2);
}

TEST(Acquisition, DisplayPositionFollowsLatencyAndTimeOffset) {
    ChartBuilder chart;
    auto project = chart.BuildProject();
    ChartTestHost host(project.get());
    host.OpenEditor();
    host.output_latency = 300;
    time_offset_ms = 10;
    host.SetTransport(50000, true);
    host.Block(256);
    EXPECT_DOUBLE_EQ(host.instance().display_position, 256 + 50000 - 300 - 441.0);
    host.output_latency = -20;  // taken as a signed count
    host.SetTransport(50256, true);
    host.Block(256);
    EXPECT_DOUBLE_EQ(host.instance().display_position, 256 + 50256 + 20 - 441.0);
    host.SetTransport(50256, false);
    host.Block(256);
    EXPECT_EQ(host.instance().display_position, 50256.0);
    time_offset_ms = 0;
}

TEST(Acquisition, BlocksThatDoNoChartWork) {
    ChartBuilder chart;
    chart.Note(0, 96, 60);
    auto project = chart.BuildProject();
    ChartTestHost host(project.get());
    PreviewInstance &inst = host.instance();
    host.SetTransport(1000, true);

    // Editor closed: outputs silenced, nothing fetched.
    host.Block(64);
    EXPECT_EQ(host.left[0], 0.0f);
    EXPECT_EQ(host.left[64], 1.0f);
    EXPECT_EQ(host.track_requests, 0);

    host.OpenEditor();
    host.time_info_available = false;
    host.Block(64);
    EXPECT_EQ(host.track_requests, 0);
    host.time_info_available = true;

    // No frames: nothing silenced, nothing fetched.
    host.left.assign(host.left.size(), 1.0f);
    for (int32_t frames : {0, -1, INT32_MIN}) host.Block(frames);
    EXPECT_EQ(host.left[0], 1.0f);
    EXPECT_EQ(host.track_requests, 0);

    // A position that is not a finite number counts as no time info.
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity(), 1e300}) {
        host.SetTransport(bad, true);
        host.Block(64);
        EXPECT_EQ(host.track_requests, 0);
        EXPECT_EQ(inst.last_position, 0.0);
        EXPECT_EQ(inst.display_position, 0.0);
    }

    // An unusable sample rate: no chart work either.
    host.SetTransport(1000, true);
    for (double rate : {0.0, -44100.0, std::numeric_limits<double>::quiet_NaN(), 1e30}) {
        inst.sample_rate = rate;
        host.Block(64);
        EXPECT_EQ(host.track_requests, 0);
    }
    inst.sample_rate = RATE;
    host.Block(64);
    EXPECT_GT(host.track_requests, 0);
    EXPECT_FALSE(host.Events().empty());
}

TEST(Acquisition, NoTrackStillMakesTheGridAndAdvances) {
    ChartBuilder chart;
    chart.Note(0, 96, 60);
    auto project = chart.BuildProject();
    ChartTestHost host(project.get());
    host.track = nullptr;
    host.OpenEditor();
    host.SetTransport(0, true);
    host.Block(512);
    EXPECT_GE(host.instance().fetched_end, (LOOKAHEAD_SECONDS[0] + 0.1) * RATE);
    const std::vector<ChartEvent> events = host.Events();
    EXPECT_TRUE(NotesOnly(events).empty());
    EXPECT_EQ(GridKinds(events, QN + 1), (std::vector<int32_t>{MARKER_HALF_BEAT, MARKER_BEAT}));
}

// A time map whose answers are not finite numbers.
class BrokenTimeMap final : public HostTimeMap {
public:
    explicit BrokenTimeMap(double answer) : answer_(answer) {}
    double TimeToQN(double) const override { return answer_; }
    double BeatsToTime(double) const override { return answer_; }
    double TimeToBeats(double, int *, int *bpm, double *full) const override {
        if (full) *full = 1.0;
        if (bpm) *bpm = 4;
        return 1.0;
    }

private:
    double answer_;
};

class BeatlessTimeMap final : public HostTimeMap {
public:
    double TimeToQN(double seconds) const override { return seconds * 2; }
    double BeatsToTime(double beats) const override { return beats / 2; }
    double TimeToBeats(double, int *, int *, double *full) const override {
        if (full) *full = std::numeric_limits<double>::quiet_NaN();
        return std::numeric_limits<double>::infinity();
    }
};

TEST(Acquisition, NonFiniteTimeMapAnswersStopTheGrid) {
    ChartBuilder chart;
    chart.Note(0, 96, 60).Note(120, 97, 240);
    auto project = chart.BuildProject();
    for (double answer : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()}) {
        BrokenTimeMap map(answer);
        HostProject broken{&map, {&project->track()}};
        ChartTestHost host(project.get());
        host.project = &broken;
        const std::vector<ChartEvent> events = FetchAll(host, 480);
        EXPECT_TRUE(GridKinds(events, INT64_MAX).empty()) << answer;
        // The notes still arrive; with no usable distance no decision is made.
        const std::vector<ChartEvent> notes = NotesOnly(events);
        ASSERT_EQ(notes.size(), 2u);
        EXPECT_EQ(notes[1].hopo, 0);
    }
    BeatlessTimeMap beatless;
    HostProject project2{&beatless, {&project->track()}};
    ChartTestHost host(project.get());
    host.project = &project2;
    EXPECT_TRUE(GridKinds(FetchAll(host, 480), INT64_MAX).empty());
}

TEST(Acquisition, ChartEventsThatCannotGrowAreNotWritten) {
    ChartBuilder chart;
    for (int i = 0; i < 8; ++i) chart.Note(i * 60, 96 + i % 3, 30);
    auto project = chart.BuildProject();
    ChartTestHost host(project.get());
    host.OpenEditor();
    host.SetTransport(0, true);
    GrowBufFailNextAllocations(1000);
    host.Block(512);
    GrowBufFailNextAllocations(0);
    EXPECT_TRUE(host.Events().empty());
    EXPECT_EQ(host.instance().chart_events.GetSize(), 0);
    // Once memory is back the chart continues with the next windows.
    for (int i = 0; i < 40; ++i) host.PlayBlock(512);
    EXPECT_FALSE(host.Events().empty());
}

}  // namespace
