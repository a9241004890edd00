#include <gtest/gtest.h>

#include <vector>

#include "state/midi_list.h"
#include "host/host_project.h"

namespace {

// A time map at 90 quarter notes per minute in 3/4, to tell delegation from the default maths.
class SlowWaltz : public HostTimeMap {
public:
    double TimeToQN(double s) const override { return s * 1.5; }
    double BeatsToTime(double b) const override { return b / 1.5; }
    double TimeToBeats(double s, int *measure, int *bpm, double *full) const override {
        const double beats = s * 1.5;
        const int bar = static_cast<int>(beats / 3);
        if (measure) *measure = bar;
        if (bpm) *bpm = 3;
        if (full) *full = beats;
        return beats - bar * 3;
    }
};

struct RecordingTrack : HostTrack {
    std::vector<double> starts, rates;
    std::vector<int32_t> lengths;
    void AppendRawMidi(double start, double rate, int32_t length, MIDI_eventlist *out) override {
        starts.push_back(start);
        rates.push_back(rate);
        lengths.push_back(length);
        struct {
            int32_t frame, size;
            uint8_t bytes[4];
        } note = {7, 3, {0x90, 60, 100, 0}};
        out->AppendEvent(reinterpret_cast<const MidiEventRecord *>(&note));
    }
};

TEST(HostFunctions, NullProjectUsesTheDefaultMaths) {
    EXPECT_DOUBLE_EQ(HostTimeMapTimeToQN(nullptr, 3.0), 6.0);
    EXPECT_DOUBLE_EQ(HostTimeMapBeatsToTime(nullptr, 9.0, nullptr), 4.5);
    int measure = -1, bpm = 0, denominator = 0;
    double full = -1.0;
    EXPECT_DOUBLE_EQ(HostTimeMapTimeToBeats(nullptr, 2.75, &measure, &bpm, &full, &denominator), 1.5);
    EXPECT_EQ(measure, 1);
    EXPECT_EQ(bpm, 4);
    EXPECT_DOUBLE_EQ(full, 5.5);
    EXPECT_EQ(denominator, 4);
    // Null outputs are allowed.
    EXPECT_DOUBLE_EQ(HostTimeMapTimeToBeats(nullptr, 0.5, nullptr, nullptr, nullptr, nullptr), 1.0);
    // A project without a map behaves the same.
    HostProject project;
    EXPECT_DOUBLE_EQ(HostTimeMapTimeToQN(project.Handle(), 3.0), 6.0);
}

TEST(HostFunctions, ProjectHandleReachesItsTimeMap) {
    SlowWaltz map;
    HostProject project;
    project.time_map = &map;
    EXPECT_DOUBLE_EQ(HostTimeMapTimeToQN(project.Handle(), 2.0), 3.0);
    EXPECT_DOUBLE_EQ(HostTimeMapBeatsToTime(project.Handle(), 3.0, nullptr), 2.0);
    int measure = 0, bpm = 4;
    double full = 0.0;
    EXPECT_DOUBLE_EQ(HostTimeMapTimeToBeats(project.Handle(), 3.0, &measure, &bpm, &full, nullptr), 1.5);
    EXPECT_EQ(measure, 1);
    EXPECT_EQ(bpm, 3);
    EXPECT_DOUBLE_EQ(full, 4.5);
}

TEST(HostFunctions, RawMidiGoesToTheTrackOfTheHandle) {
    RecordingTrack track;
    midi_List list;
    RawMidiRequest request{};
    request.start_seconds = 1.25;
    request.sample_rate = 48000.0;
    request.kind = 1;
    request.length_samples = 512;
    request.events = &list;
    EXPECT_EQ(HostTrackGetRawMidi(HostProject::HandleOf(&track), &request), 0);
    ASSERT_EQ(track.starts.size(), 1u);
    EXPECT_EQ(track.starts[0], 1.25);
    EXPECT_EQ(track.rates[0], 48000.0);
    EXPECT_EQ(track.lengths[0], 512);
    EXPECT_EQ(list.ByteSize(), 12);

    // Without a track, a request or an event list nothing is called.
    EXPECT_EQ(HostTrackGetRawMidi(nullptr, &request), 0);
    EXPECT_EQ(HostTrackGetRawMidi(HostProject::HandleOf(&track), nullptr), 0);
    request.events = nullptr;
    EXPECT_EQ(HostTrackGetRawMidi(HostProject::HandleOf(&track), &request), 0);
    EXPECT_EQ(track.starts.size(), 1u);
}

TEST(HostFunctions, IniPathIsAnsweredAndCounted) {
    SetHostIniFile("/some/where/host.ini");
    const int32_t before = HostIniFileRequests();
    EXPECT_STREQ(HostGetIniFile(), "/some/where/host.ini");
    EXPECT_EQ(HostIniFileRequests(), before + 1);
    SetHostIniFile(nullptr);
    EXPECT_STREQ(HostGetIniFile(), "");
}

}  // namespace
