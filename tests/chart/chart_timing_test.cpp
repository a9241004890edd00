// Chart timing as workstations run it, through the stand-in host: grid markers whatever the block
// lengths, hammer-ons and sustains at exactly their limits once the host has rounded ticks to
// samples, and hosts that split blocks finely, count in before the project start, stack notes or
// hand out more than the requested window.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "state/midi_list.h"
#include "chart_test_host.h"
#include "host/chart_builder.h"

namespace {

constexpr int T = 480;  // ticks per quarter note

void SetRate(ChartTestHost &host, double rate) {
    host.instance().sample_rate = rate;
    host.time_info.sampleRate = rate;
}

// Plays from 0 in blocks drawn from `next_block` until everything before `until` is fetched.
template <typename NextBlock>
void PlayUntil(ChartTestHost &host, double until, NextBlock next_block) {
    host.OpenEditor();
    host.SetTransport(0, true);
    while (host.instance().fetched_end <= until) host.PlayBlock(next_block());
}

std::vector<ChartEvent> Notes(const std::vector<ChartEvent> &events) {
    std::vector<ChartEvent> notes;
    std::copy_if(events.begin(), events.end(), std::back_inserter(notes), [](const ChartEvent &e) { return e.note >= 0; });
    return notes;
}

// Every half beat of 16 measures of 4/4 lands on a window start for many of these block lengths
// (12,000 samples at 120/min and 48 kHz); each must still be drawn once, of its own kind.
TEST(ChartTiming, GridMarkersComeOnceWhateverTheBlocks) {
    std::mt19937 random(7);
    for (double tempo : {120.0, 150.0}) {
        for (double rate : {44100.0, 48000.0}) {
            const auto beat = int64_t(rate * 60.0 / tempo);  // whole samples at these settings
            const int64_t song = 16 * 4 * beat;
            std::vector<int32_t> sizes = {1, 64, 128, 256, 441, 480, 512, 1000, 1024, 4096, 0};
            for (int32_t size : sizes) {
                ChartBuilder chart;
                chart.Tempo(0, tempo);
                auto project = chart.BuildProject();
                ChartTestHost host(project.get());
                SetRate(host, rate);
                std::uniform_int_distribution<int32_t> any(1, 8192);
                PlayUntil(host, double(song) + 1, [&] { return size ? size : any(random); });

                // A marker's time is its position truncated, so it may sit a sample early.
                const int64_t half = beat / 2;
                std::map<int32_t, int> kinds;
                std::set<int64_t> halves;
                for (const ChartEvent &e : host.Events()) {
                    if (e.note >= 0 || e.time > song) continue;
                    SCOPED_TRACE(testing::Message() << tempo << "/min " << rate << " Hz, blocks " << size << ", at " << e.time);
                    const int64_t index = (e.time + 1) / half;
                    EXPECT_LE(index * half - e.time, 1);
                    EXPECT_TRUE(halves.insert(index).second) << "twice";
                    const int32_t expected = index % 8 == 0 ? MARKER_MEASURE : index % 2 == 0 ? MARKER_BEAT : MARKER_HALF_BEAT;
                    EXPECT_EQ(e.note, expected);
                    ++kinds[e.note];
                }
                EXPECT_EQ(kinds[MARKER_MEASURE], 16) << tempo << " " << rate << " " << size;
                EXPECT_EQ(kinds[MARKER_BEAT], 48) << tempo << " " << rate << " " << size;
                EXPECT_EQ(kinds[MARKER_HALF_BEAT], 64) << tempo << " " << rate << " " << size;
            }
        }
    }
}

// Single gems `gap` ticks apart on alternating lanes, never chords: each after the first is a
// hammer-on exactly when the gap is below the threshold.
TEST(ChartTiming, HammerOnThresholdEqualToTheGapOnceRoundedToSamples) {
    for (double rate : {44100.0, 48000.0}) {
        for (double tempo : {90.0, 120.0, 150.0, 173.5}) {
            for (int gap : {120, 240}) {
                ChartBuilder chart;
                chart.Tempo(0, tempo);
                for (int i = 0; i < 24; ++i) chart.Note(T + int64_t(i) * gap, 96 + i % 2, gap / 2);
                auto project = chart.BuildProject();
                for (int threshold : {gap, gap + 1}) {
                    ChartTestHost host(project.get());
                    SetRate(host, rate);
                    host.instance().hopo_threshold = threshold;
                    PlayUntil(host, double(SampleOfTick(*project, T + 25 * gap, rate)), [] { return 512; });
                    const std::vector<ChartEvent> notes = Notes(host.Events());
                    ASSERT_EQ(notes.size(), 24u);
                    for (size_t i = 1; i < notes.size(); ++i)
                        EXPECT_EQ(notes[i].hopo, threshold > gap ? 1 : 0)
                            << rate << " Hz, " << tempo << "/min, gap " << gap << ", threshold " << threshold << ", gem " << i;
                }
            }
        }
    }
}

// 0.3 quarter notes is 144 ticks; 139 ticks is just under 0.29.
TEST(ChartTiming, GemsHeldExactlyTheMinimumSustainKeepTheirLength) {
    for (double rate : {44100.0, 48000.0}) {
        for (double tempo : {120.0, 173.5}) {
            for (int held : {144, 139}) {
                ChartBuilder chart;
                chart.Tempo(0, tempo);
                for (int i = 0; i < 8; ++i) chart.Note(T + int64_t(i) * 317, 96 + i % 5, held);
                auto project = chart.BuildProject();
                ChartTestHost host(project.get());
                SetRate(host, rate);
                PlayUntil(host, double(SampleOfTick(*project, 10 * T, rate)), [] { return 256; });
                const std::vector<ChartEvent> notes = Notes(host.Events());
                ASSERT_EQ(notes.size(), 8u);
                for (int i = 0; i < 8; ++i) {
                    const int64_t start = T + int64_t(i) * 317;
                    const int64_t length = SampleOfTick(*project, start + held, rate) - SampleOfTick(*project, start, rate);
                    EXPECT_EQ(notes[size_t(i)].length, held == 144 ? length : 0)
                        << rate << " Hz, " << tempo << "/min, held " << held << ", gem " << i;
                }
            }
        }
    }
}

// The chart a host that honours the windows gives with 512-sample blocks: the reference the
// hostile hosts below must reproduce.
std::unique_ptr<ChartProject> BusyChart() {
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    for (int i = 0; i < 200; ++i) chart.Note(int64_t(i) * 120, 96 + (i * 7) % 5, i % 3 ? 60 : 400);
    for (int i = 0; i < 40; ++i) chart.Note(int64_t(i) * 480, 110 + i % 3, 200);
    return chart.BuildProject();
}

// One-sample blocks after a stopped seek fetch what 512-sample blocks fetch, in a few dozen
// requests rather than one per sample of the pre-roll and lookahead.
TEST(ChartTiming, TinyBlocksAfterAStoppedSeekFetchInFewRequests) {
    auto project = BusyChart();
    const double position = 5 * 22050.0 + 3;
    ChartTestHost reference(project.get());
    reference.OpenEditor();
    reference.SetTransport(position, false);
    reference.Block(512);

    ChartTestHost host(project.get());
    host.OpenEditor();
    host.SetTransport(position, false);
    host.Block(1);
    EXPECT_LE(host.track_requests, 5.6 / 0.05 + 2);
    // Not a sample more or less than one-sample windows would have fetched.
    const double start = position - 3 * 44100.0;
    const double target = position + (LOOKAHEAD_SECONDS[0] + 0.1) * 44100.0;
    EXPECT_EQ(host.instance().fetched_end, start + std::ceil(target - start));
    // The same records, up to where the shorter of the two fetches ends.
    const double end = std::min(host.instance().fetched_end, reference.instance().fetched_end);
    auto before = [end](std::vector<ChartEvent> events) {
        std::vector<std::pair<int64_t, int32_t>> kept;
        for (const ChartEvent &e : events)
            if (double(e.time) < end) kept.emplace_back(e.time, e.note);
        std::sort(kept.begin(), kept.end());
        return kept;
    };
    EXPECT_EQ(before(host.Events()), before(reference.Events()));
    EXPECT_FALSE(before(host.Events()).empty());
}

// A count-in plays from before the project start: the window is kept, not fetched again on every
// block, and the chart from 0 on comes out as when playing from 0.
TEST(ChartTiming, CountInBeforeTheProjectStartKeepsItsWindow) {
    auto project = BusyChart();
    ChartTestHost host(project.get());
    host.OpenEditor();
    host.SetTransport(-2 * 44100.0, true);
    host.PlayBlock(512);
    const int first_block = host.track_requests;
    while (host.time_info.samplePos < 4 * 44100.0) host.PlayBlock(512);
    EXPECT_LE(host.track_requests - first_block, int(6 * 44100.0 / 512) + 2);

    ChartTestHost reference(project.get());
    const double end = host.instance().fetched_end;
    PlayUntil(reference, end, [] { return 512; });
    auto from_zero = [end](std::vector<ChartEvent> events) {
        std::vector<std::pair<int64_t, int32_t>> kept;
        for (const ChartEvent &e : events)
            if (e.time >= 0 && double(e.time) < end) kept.emplace_back(e.time, e.note);
        std::sort(kept.begin(), kept.end());
        return kept;
    };
    EXPECT_EQ(from_zero(host.Events()), from_zero(reference.Events()));
}

// Many notes at one tick, then all-notes-off floods: each note of a pitch ends the one before it,
// the last of each pitch keeps its sustain, only the first is a hammer-on (of the earlier gem),
// and a thousand all-notes-off controllers end what one would, again after a later note.
TEST(ChartTiming, StackedNotesAndAllNotesOffFloodsKeepTheirResults) {
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    chart.Note(T - 100, 98, T / 8);  // an earlier neighbour within the threshold
    for (int i = 0; i < 500; ++i) chart.Note(T, 96 + i % 5, T);
    chart.NoteOn(3 * T, 97).NoteOn(3 * T, 116).NoteOn(4 * T - 60, 99);
    for (int i = 0; i < 1000; ++i) chart.Controller(4 * T, 123, 0);
    chart.NoteOn(4 * T + 240, 100);
    for (int i = 0; i < 1000; ++i) chart.Controller(5 * T, 123, 0);
    auto project = chart.BuildProject();
    ChartTestHost host(project.get());
    PlayUntil(host, 6 * 22050.0, [] { return 512; });
    const std::vector<ChartEvent> notes = Notes(host.Events());
    ASSERT_EQ(notes.size(), 505u);
    for (int i = 0; i < 500; ++i) {
        const ChartEvent &e = notes[size_t(i) + 1];
        EXPECT_EQ(e.time, 22050);
        EXPECT_EQ(e.hopo, i == 0 ? 1 : 0) << i;
        EXPECT_EQ(e.length, i >= 495 ? 22050 : 0) << i;
    }
    EXPECT_EQ(notes[501].length, 22050);  // ended by the controllers
    EXPECT_EQ(notes[502].length, 22050);
    EXPECT_EQ(notes[503].length, 0);      // under 0.3 quarter notes before them
    EXPECT_EQ(notes[504].length, 11025);  // ended by the second flood
}

TEST(ChartTiming, RecordsOutsideTheRequestedWindowAreIgnored) {
    auto project = BusyChart();
    WholeTrackEveryTime whole(project->track());
    ChartTestHost host(project.get()), reference(project.get());
    host.track = &whole;
    for (ChartTestHost *h : {&host, &reference}) {
        h->OpenEditor();
        h->SetTransport(3 * 44100.0, false);
        h->Block(512);
        h->SetTransport(3 * 44100.0, true);
        for (int i = 0; i < 300; ++i) {
            h->PlayBlock(512);
            h->Paint();
        }
    }
    const std::vector<ChartEvent> got = host.Events(), expected = reference.Events();
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].time, expected[i].time) << i;
        EXPECT_EQ(got[i].note, expected[i].note) << i;
        EXPECT_EQ(got[i].length, expected[i].length) << i;
        EXPECT_EQ(got[i].hopo, expected[i].hopo) << i;
    }
}

}  // namespace
