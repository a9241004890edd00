// The reference host's track windows: every event in exactly one window whatever the window
// sizes, frame offsets from the window start, what is delivered and in which form.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "state/midi_list.h"
#include "host/chart_builder.h"
#include "host/midi_track.h"

namespace {

struct Delivered {
    int64_t position;
    std::vector<uint8_t> message;
};

// Collects the window [start, start + length) samples of `track` through a real event list.
std::vector<Delivered> Window(MidiTrack &track, int64_t start, int32_t length, double rate = 44100.0) {
    midi_List list;
    track.AppendRawMidi(double(start) / rate, rate, length, &list);
    std::vector<Delivered> out;
    int32_t cursor = 0;
    while (const MidiEventRecord *record = list.NextEvent(&cursor)) {
        EXPECT_GE(record->frame_offset, 0);
        EXPECT_LT(record->frame_offset, length);
        out.push_back({start + record->frame_offset,
                       std::vector<uint8_t>(record->bytes(), record->bytes() + record->size)});
    }
    return out;
}

TEST(MidiTrack, BackToBackWindowsDeliverEveryEventOnceInOrder) {
    ChartBuilder chart(480);
    chart.Tempo(0, 137).Tempo(2000, 91.5);
    for (int i = 0; i < 400; ++i) chart.Note(i * 37, 60 + i % 40, 11 + i % 5);
    std::unique_ptr<ChartProject> project = chart.BuildProject();
    MidiTrack &track = project->track();
    std::vector<Delivered> whole = Window(track, 0, 2000000);
    ASSERT_EQ(whole.size(), 800u);

    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        const double rate = round % 2 ? 48000.0 : 44100.0;
        const std::vector<Delivered> reference = Window(track, -1000, 4000000, rate);
        std::vector<Delivered> pieces;
        int64_t start = -1000;
        while (start < 3000000) {
            const int32_t length = int32_t(1 + random() % (round < 10 ? 64 : 8192));
            for (Delivered &d : Window(track, start, length, rate)) pieces.push_back(std::move(d));
            start += length;
        }
        ASSERT_EQ(pieces.size(), reference.size()) << round;
        for (size_t i = 0; i < pieces.size(); ++i) {
            ASSERT_EQ(pieces[i].position, reference[i].position);
            ASSERT_EQ(pieces[i].message, reference[i].message);
        }
    }
}

TEST(MidiTrack, AnEventOnAWindowStartIsInThatWindowOnly) {
    ChartBuilder chart(480);
    chart.Note(480, 64, 240);  // exactly 22050 samples at 44.1 kHz
    std::unique_ptr<ChartProject> project = chart.BuildProject();
    EXPECT_EQ(Window(project->track(), 22050 - 512, 512).size(), 0u);
    const std::vector<Delivered> at = Window(project->track(), 22050, 512);
    ASSERT_EQ(at.size(), 1u);
    EXPECT_EQ(at[0].position, 22050);
    EXPECT_EQ(Window(project->track(), 22049, 1).size(), 0u);
    EXPECT_EQ(Window(project->track(), 22050, 1).size(), 1u);
}

TEST(MidiTrack, WhatIsDeliveredAndInWhichForm) {
    ChartBuilder chart(480, "PART KEYS");
    chart.Tempo(0, 120).Signature(0, 3, 4)
        .Text(0, "[mix 3 drums0d]").Text(0, std::string(300, 'y'), 0x05)
        .Controller(0, 123, 0).Raw(0, {0xC1, 0x07}).NoteOn(0, 60, 99, 9);
    SmfFile file = chart.ToSmf();
    SmfEvent sysex;
    sysex.kind = SmfEventKind::SysEx;
    sysex.status = sysex.type = 0xF0;
    sysex.data = {0x7E, 0x01, 0xF7};
    file.tracks[1].events.push_back(sysex);
    SmfEvent other_meta;
    other_meta.kind = SmfEventKind::Meta;
    other_meta.status = 0xFF;
    other_meta.type = 0x7F;
    other_meta.data = {1, 2};
    file.tracks[1].events.push_back(other_meta);
    std::string error;
    std::unique_ptr<ChartProject> project = ChartProject::FromSmf(file, "k.mid", "PART KEYS", &error);
    ASSERT_NE(project, nullptr) << error;
    const std::vector<Delivered> got = Window(project->track(), 0, 100);
    ASSERT_EQ(got.size(), 6u);
    const std::string bracket = "[mix 3 drums0d]";
    std::vector<uint8_t> text(3 + bracket.size());
    text[0] = 0xFF;
    text[1] = 0x01;
    text[2] = uint8_t(bracket.size());
    std::memcpy(text.data() + 3, bracket.data(), bracket.size());
    EXPECT_EQ(got[0].message, text);
    ASSERT_EQ(got[1].message.size(), 258u);  // cut to 255 text bytes
    EXPECT_EQ(got[1].message[1], 0x05);
    EXPECT_EQ(got[1].message[2], 255);
    EXPECT_EQ(got[2].message, (std::vector<uint8_t>{0xB0, 123, 0}));
    EXPECT_EQ(got[3].message, (std::vector<uint8_t>{0xC1, 0x07}));
    EXPECT_EQ(got[4].message, (std::vector<uint8_t>{0x99, 60, 99}));
    EXPECT_EQ(got[5].message, (std::vector<uint8_t>{0xF0, 0x7E, 0x01, 0xF7}));
}

TEST(MidiTrack, UnusableRequestsDeliverNothing) {
    ChartBuilder chart;
    chart.Note(0, 60, 10);
    std::unique_ptr<ChartProject> project = chart.BuildProject();
    midi_List list;
    const double nan = std::nan("");
    const struct {
        double start, rate;
        int32_t length;
    } requests[] = {{0, 44100, 0}, {0, 44100, -5}, {nan, 44100, 512}, {0, nan, 512}, {0, 0, 512},
                    {0, -44100, 512}, {1e300, 44100, 512}, {0, std::numeric_limits<double>::infinity(), 512}};
    for (const auto &r : requests) {
        project->track().AppendRawMidi(r.start, r.rate, r.length, &list);
        EXPECT_EQ(list.ByteSize(), 0);
    }
    project->track().AppendRawMidi(0, 44100, 512, nullptr);
    project->track().AppendRawMidi(0, 44100, 512, &list);
    EXPECT_EQ(list.ByteSize(), 24);
}

}  // namespace
