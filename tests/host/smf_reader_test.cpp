// The MIDI file reader and writer: formats, running status, time division, the tempo map taken
// from a file, and one clear error per kind of malformed file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "host/chart_builder.h"
#include "host/chart_project.h"
#include "host/smf_reader.h"
#include "host/smf_writer.h"

namespace {

std::vector<uint8_t> Header(uint16_t format, uint16_t tracks, uint16_t division) {
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, uint8_t(format >> 8), uint8_t(format), uint8_t(tracks >> 8),
            uint8_t(tracks), uint8_t(division >> 8), uint8_t(division)};
}

void AddTrack(std::vector<uint8_t> &file, const std::vector<uint8_t> &body) {
    const uint32_t n = uint32_t(body.size());
    file.insert(file.end(), {'M', 'T', 'r', 'k', uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    file.insert(file.end(), body.begin(), body.end());
}

std::string ParseError(const std::vector<uint8_t> &bytes) {
    SmfFile file;
    std::string error;
    EXPECT_FALSE(ParseSmf(bytes.data(), bytes.size(), "song.mid", &file, &error));
    EXPECT_TRUE(file.tracks.empty());
    return error;
}

TEST(SmfReader, FormatZeroWithRunningStatusAndMetaEvents) {
    std::vector<uint8_t> file = Header(0, 1, 96);
    AddTrack(file, {
                       0x00, 0xFF, 0x03, 0x04, 'D', 'R', 'U', 'M',  // track name
                       0x00, 0x90, 60, 100,                          // note-on
                       0x10, 62, 90,                                 // running status note-on
                       0x81, 0x00, 60, 0,                            // delta 128, running status
                       0x00, 0xFF, 0x01, 0x03, 'a', 'b', 'c',        // text keeps running status
                       0x05, 64, 1,                                  // still note-on
                       0x00, 0xC3, 0x05,                             // program change: one data byte
                       0x00, 0x35,                                   // running program change
                       0x00, 0xF0, 0x02, 0x7E, 0xF7,                 // system exclusive
                       0x00, 0xFF, 0x2F, 0x00,                       // end of track
                       0x12, 0x34,                                   // ignored after the end
                   });
    SmfFile smf;
    std::string error;
    ASSERT_TRUE(ParseSmf(file.data(), file.size(), "a.mid", &smf, &error)) << error;
    EXPECT_EQ(smf.format, 0);
    EXPECT_EQ(smf.ticks_per_quarter, 96);
    ASSERT_EQ(smf.tracks.size(), 1u);
    const std::vector<SmfEvent> &e = smf.tracks[0].events;
    ASSERT_EQ(e.size(), 9u);
    EXPECT_EQ(smf.tracks[0].Name(), "DRUM");
    EXPECT_EQ(e[2].tick, 16);
    EXPECT_EQ(e[2].status, 0x90);
    EXPECT_EQ(e[2].data, (std::vector<uint8_t>{62, 90}));
    EXPECT_EQ(e[3].tick, 144);
    EXPECT_EQ(e[3].data, (std::vector<uint8_t>{60, 0}));
    EXPECT_EQ(e[4].kind, SmfEventKind::Meta);
    EXPECT_EQ(e[4].type, 0x01);
    EXPECT_EQ(e[5].tick, 149);
    EXPECT_EQ(e[5].status, 0x90);
    EXPECT_EQ(e[6].data, (std::vector<uint8_t>{0x05}));
    EXPECT_EQ(e[7].status, 0xC3);
    EXPECT_EQ(e[7].data, (std::vector<uint8_t>{0x35}));
    EXPECT_EQ(e[8].kind, SmfEventKind::SysEx);
    EXPECT_EQ(e[8].data, (std::vector<uint8_t>{0x7E, 0xF7}));
}

TEST(SmfReader, BuilderFilesRoundTripThroughWriterAndReader) {
    ChartBuilder chart(192, "PART DRUMS");
    chart.Tempo(0, 150).Signature(0, 7, 8).Tempo(768, 90).Signature(672, 4, 4)
        .Note(0, 96, 48).Note(100000000, 97, 10)  // a delta longer than three VLQ bytes
        .Text(50, std::string(300, 'x')).Controller(60, 123, 0).NoteOff(70, 40, 2, true);
    const std::vector<uint8_t> bytes = chart.ToBytes();
    SmfFile smf;
    std::string error;
    ASSERT_TRUE(ParseSmf(bytes.data(), bytes.size(), "b.mid", &smf, &error)) << error;
    const SmfFile expected = chart.ToSmf();
    EXPECT_EQ(smf.format, 1);
    EXPECT_EQ(smf.ticks_per_quarter, 192);
    ASSERT_EQ(smf.tracks.size(), 2u);
    for (size_t t = 0; t < 2; ++t) {
        ASSERT_EQ(smf.tracks[t].events.size(), expected.tracks[t].events.size());
        for (size_t i = 0; i < smf.tracks[t].events.size(); ++i) {
            const SmfEvent &a = smf.tracks[t].events[i], &b = expected.tracks[t].events[i];
            EXPECT_EQ(a.tick, b.tick);
            EXPECT_EQ(a.kind, b.kind);
            EXPECT_EQ(a.status, b.status);
            EXPECT_EQ(a.type, b.type);
            EXPECT_EQ(a.data, b.data);
        }
    }
    EXPECT_EQ(smf.tracks[1].Name(), "PART DRUMS");
    // Writing what was read gives the same bytes again.
    EXPECT_EQ(WriteSmf(smf), bytes);
}

TEST(SmfReader, TempoMapAndChartTrackFromAFile) {
    ChartBuilder chart(960, "PART DRUMS");
    chart.Tempo(0, 100).Tempo(1920, 200).Signature(0, 3, 4).Note(3840, 98, 100);
    const auto path = std::filesystem::temp_directory_path() / "qlv_chart_reader_test.mid";
    std::string error;
    ASSERT_TRUE(chart.WriteFile(path.string(), &error)) << error;
    std::unique_ptr<ChartProject> project = ChartProject::Load(path.string(), "PART DRUMS", &error);
    ASSERT_NE(project, nullptr) << error;
    // Two quarter notes at 100 per minute, then two at 200: 1.2 s + 0.6 s.
    EXPECT_NEAR(project->tempo_map().TickToSeconds(3840), 1.8, 1e-12);
    EXPECT_NEAR(project->tempo_map().TimeToQN(1.5), 3.0, 1e-12);
    ASSERT_EQ(project->track().size(), 2u);
    EXPECT_NEAR(project->track().SecondsAt(0), 1.8, 1e-12);
    int bpm = 0;
    project->tempo_map().TimeToBeats(0.1, nullptr, &bpm, nullptr);
    EXPECT_EQ(bpm, 3);

    EXPECT_EQ(ChartProject::Load(path.string(), "PART KEYS", &error), nullptr);
    EXPECT_EQ(error, path.string() + ": no track named \"PART KEYS\" (tracks: \"TEMPO\", \"PART DRUMS\")");
    std::filesystem::remove(path);
    EXPECT_EQ(ChartProject::Load(path.string(), "PART DRUMS", &error), nullptr);
    EXPECT_EQ(error.rfind(path.string() + ": cannot open", 0), 0u) << error;
    const std::string folder = std::filesystem::temp_directory_path().string();
    EXPECT_EQ(ChartProject::Load(folder, "PART DRUMS", &error), nullptr);
    EXPECT_EQ(error, folder + ": not a regular file");
}

TEST(SmfReader, UnusableTempoOrSignatureEventsAreReported) {
    auto with_meta = [](uint8_t type, std::vector<uint8_t> data) {
        SmfFile file;
        file.tracks.resize(2);
        SmfEvent e;
        e.tick = 7;
        e.kind = SmfEventKind::Meta;
        e.status = 0xFF;
        e.type = type;
        e.data = std::move(data);
        file.tracks[0].events.push_back(e);
        std::string error;
        EXPECT_EQ(ChartProject::FromSmf(file, "t.mid", "", &error), nullptr);
        return error;
    };
    EXPECT_EQ(with_meta(0x51, {0, 0, 0}), "t.mid: tempo of 0 microseconds per quarter note at tick 7");
    EXPECT_EQ(with_meta(0x51, {1, 2}), "t.mid: tempo event at tick 7 has 2 bytes instead of 3");
    EXPECT_EQ(with_meta(0x58, {0, 2, 24, 8}), "t.mid: unusable time signature event at tick 7");
    EXPECT_EQ(with_meta(0x58, {4, 9, 24, 8}), "t.mid: unusable time signature event at tick 7");
    EXPECT_EQ(with_meta(0x58, {4}), "t.mid: unusable time signature event at tick 7");
}

TEST(SmfReader, EveryKindOfMalformedFileGetsOneClearError) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char *message;
    };
    auto file_with = [](std::vector<uint8_t> body, uint16_t format = 1, uint16_t tracks = 1) {
        std::vector<uint8_t> f = Header(format, tracks, 480);
        AddTrack(f, body);
        return f;
    };
    std::vector<uint8_t> cut_chunk = Header(1, 1, 480);
    cut_chunk.insert(cut_chunk.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 9, 0x00, 0x90});
    std::vector<uint8_t> alien = Header(1, 2, 480);
    alien.insert(alien.end(), {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2});
    AddTrack(alien, {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> long_header = Header(1, 1, 480);
    long_header[7] = 5;
    const Case cases[] = {
        {{}, "song.mid: not a Standard MIDI File (no MThd header)"},
        {{'R', 'I', 'F', 'F', 0, 0, 0, 6}, "song.mid: not a Standard MIDI File (no MThd header)"},
        {{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}, "song.mid: file ends inside the header"},
        {long_header, "song.mid: header chunk too short (5 bytes)"},
        {Header(2, 1, 480), "song.mid: format 2 (independent sequences) is not supported"},
        {Header(7, 1, 480), "song.mid: unknown format 7"},
        {Header(1, 1, 0xE728), "song.mid: SMPTE time division is not supported (only ticks per quarter note)"},
        {Header(1, 1, 0), "song.mid: time division of 0 ticks per quarter note"},
        {Header(1, 0, 480), "song.mid: the file declares no tracks"},
        {Header(0, 2, 480), "song.mid: format 0 file declares 2 tracks instead of 1"},
        {Header(1, 1, 480), "song.mid: file ends after 0 of 1 tracks"},
        {alien, "song.mid: file ends after 1 of 2 tracks"},
        {cut_chunk, "song.mid: chunk at byte 14 declares 9 bytes but only 2 remain"},
        {file_with({0x00, 0x90, 60}), "song.mid: track 1 ends inside an event at byte 22"},
        {file_with({0x00, 0x90, 60, 0x90}), "song.mid: track 1: status byte 0x90 where a data byte belongs at byte 25"},
        {file_with({0x00, 0x40, 0x40}), "song.mid: track 1: data byte 0x40 without a running status at byte 23"},
        {file_with({0xFF, 0xFF, 0xFF, 0xFF, 0x00}), "song.mid: track 1: delta time longer than four bytes at byte 22"},
        {file_with({0x81}), "song.mid: track 1 ends inside a delta time at byte 22"},
        {file_with({0x00}), "song.mid: track 1 ends after a delta time at byte 22"},
        {file_with({0x00, 0xF4}), "song.mid: track 1: unsupported status byte 0xF4 at byte 22"},
        {file_with({0x00, 0xFF, 0x01, 0x05, 'a'}),
         "song.mid: track 1: event at byte 22 declares 5 bytes but the track has 1 left"},
        {file_with({0x00, 0xF0, 0x80, 0x80, 0x80, 0x80}),
         "song.mid: track 1: event length longer than four bytes at byte 22"},
        {file_with({0x00, 0xFF}), "song.mid: track 1 ends inside an event at byte 22"},
    };
    for (const Case &c : cases) EXPECT_EQ(ParseError(c.bytes), c.message);
}

TEST(SmfReader, TracksWithoutEndOfTrackEndWithTheirChunk) {
    std::vector<uint8_t> file = Header(1, 2, 480);
    AddTrack(file, {0x00, 0x90, 60, 100});
    AddTrack(file, {0x00, 0xFF, 0x03, 0x01, 'B', 0x60, 0x80, 60, 0});
    SmfFile smf;
    std::string error;
    ASSERT_TRUE(ParseSmf(file.data(), file.size(), "c.mid", &smf, &error)) << error;
    ASSERT_EQ(smf.tracks.size(), 2u);
    EXPECT_EQ(smf.tracks[0].events.size(), 1u);
    ASSERT_EQ(smf.tracks[1].events.size(), 2u);
    EXPECT_EQ(smf.tracks[1].events[1].tick, 0x60);
    // The default chart of a format 1 file is its second track.
    std::unique_ptr<ChartProject> project = ChartProject::FromSmf(smf, "c.mid", "", &error);
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(project->track().name(), "B");
}

}  // namespace
