// The readers behind the charts authors keep: .chart text and its conversion to the MIDI the
// plug-in reads, song.ini, the choice of a MIDI track and old charts' star power.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "state/midi_list.h"
#include "host/chart_text_convert.h"
#include "host/chart_text_reader.h"
#include "host/legacy_star_power.h"
#include "host/song_ini.h"
#include "host/track_selection.h"
#include "tests/host/chart_text_sample.h"

namespace {

ChartText Parse(const std::string &text) {
    return ParseChartText(reinterpret_cast<const uint8_t *>(text.data()), text.size(), "t.chart");
}

SongIni Ini(const std::string &text) {
    return ParseSongIni(reinterpret_cast<const uint8_t *>(text.data()), text.size(), "song.ini");
}

SmfFile Convert(const ChartText &chart, ChartTextInstrument instrument, ChartTextReport *report,
                int hopo_ticks = 0) {
    ChartTextConversion conversion;
    conversion.instrument = instrument;
    conversion.hopo_ticks = hopo_ticks;
    SmfFile file;
    std::string error;
    EXPECT_TRUE(ConvertChartText(chart, conversion, "t.chart", &file, report, &error)) << error;
    return file;
}

void ExpectSameTrack(const SmfTrack &got, const SmfTrack &want, const char *what) {
    ASSERT_EQ(got.events.size(), want.events.size()) << what;
    for (size_t i = 0; i < got.events.size(); ++i) {
        const SmfEvent &g = got.events[i], &w = want.events[i];
        EXPECT_TRUE(g.tick == w.tick && g.kind == w.kind && g.status == w.status && g.type == w.type && g.data == w.data)
            << what << " event " << i << " at tick " << g.tick << " (expected tick " << w.tick << ")";
    }
}

// Everything the host hands the plug-in over the first minute, as one window of records.
std::vector<std::vector<uint8_t>> Delivered(ChartProject &project) {
    midi_List list;
    project.track().AppendRawMidi(0.0, 44100.0, 44100 * 60, &list);
    std::vector<std::vector<uint8_t>> out;
    int32_t cursor = 0;
    while (const MidiEventRecord *r = list.NextEvent(&cursor)) {
        std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t *>(&r->frame_offset),
                                   reinterpret_cast<const uint8_t *>(&r->frame_offset) + 4);
        bytes.insert(bytes.end(), r->bytes(), r->bytes() + r->size);
        out.push_back(bytes);
    }
    return out;
}

void ExpectConvertsTo(const ChartText &chart, ChartTextInstrument instrument, const ChartBuilder &expected,
                      ChartTextReport *report) {
    const SmfFile got = Convert(chart, instrument, report);
    const SmfFile want = expected.ToSmf();
    ASSERT_GE(got.tracks.size(), 2u);
    EXPECT_EQ(got.ticks_per_quarter, want.ticks_per_quarter);
    ExpectSameTrack(got.tracks[0], want.tracks[0], "tempo track");
    ExpectSameTrack(got.tracks[1], want.tracks[1], expected.track_name().c_str());
    std::string error;
    auto got_project = ChartProject::FromSmf(got, "t.chart", expected.track_name(), &error);
    auto want_project = expected.BuildProject();
    ASSERT_TRUE(got_project && want_project) << error;
    EXPECT_EQ(Delivered(*got_project), Delivered(*want_project));
    for (double s : {0.0, 1.9, 2.0, 3.3, 4.1, 9.0}) {
        EXPECT_EQ(got_project->tempo_map().TimeToQN(s), want_project->tempo_map().TimeToQN(s)) << s;
        EXPECT_EQ(got_project->tempo_map().TimeToBeats(s, nullptr, nullptr, nullptr),
                  want_project->tempo_map().TimeToBeats(s, nullptr, nullptr, nullptr)) << s;
    }
}

TEST(ChartText, EveryEntryKindBecomesTheMidiAnAuthorWouldWrite) {
    const ChartText chart = Parse(chart_text_sample::CHART);
    EXPECT_TRUE(chart.problems.empty()) << chart.problems[0];
    EXPECT_EQ(chart.resolution, 192);
    EXPECT_EQ(chart.name, "Sample");
    EXPECT_EQ(chart.artist, "Nobody");
    EXPECT_TRUE(chart.has_offset);
    EXPECT_EQ(chart.offset_seconds, 0.5);
    ASSERT_EQ(chart.streams.size(), 2u);
    EXPECT_EQ(chart.streams[1], std::make_pair(std::string("GuitarStream"), std::string("guitar.ogg")));

    ChartTextReport report;
    {
        SCOPED_TRACE("guitar");
        ExpectConvertsTo(chart, ChartTextInstrument::kGuitar, chart_text_sample::Guitar(), &report);
        EXPECT_EQ(report.open_notes_left_out, 1);
        const SmfFile file = Convert(chart, ChartTextInstrument::kGuitar, &report);
        ASSERT_EQ(file.tracks.size(), 3u);
        EXPECT_EQ(file.tracks[2].Name(), "EVENTS");
        ASSERT_EQ(file.tracks[2].events.size(), 3u);
        EXPECT_EQ(std::string(file.tracks[2].events[2].data.begin(), file.tracks[2].events[2].data.end()),
                  "[section Verse]");
    }
    {
        SCOPED_TRACE("four-lane drums");
        ExpectConvertsTo(chart, ChartTextInstrument::kDrums, chart_text_sample::Drums(), &report);
        EXPECT_FALSE(report.five_lane);
    }
    {
        SCOPED_TRACE("keys");
        ExpectConvertsTo(chart, ChartTextInstrument::kKeys, chart_text_sample::Keys(), &report);
        EXPECT_EQ(report.open_notes_left_out, 1);
    }
    {
        SCOPED_TRACE("five-lane drums");
        ExpectConvertsTo(Parse(chart_text_sample::FIVE_LANE_CHART), ChartTextInstrument::kDrums,
                         chart_text_sample::FiveLaneDrums(), &report);
        EXPECT_TRUE(report.five_lane);
        EXPECT_EQ(report.drum_notes_left_out, 1);
    }
}

// Whether the second of two notes is a hammer-on, read from its marker.
int SecondMarker(int resolution, int gap, int hopo_ticks = 0) {
    const std::string text = "[Song]\n{\nResolution = " + std::to_string(resolution) +
                             "\n}\n[ExpertSingle]\n{\n0 = N 0 0\n" + std::to_string(gap) + " = N 1 0\n}\n";
    ChartTextReport report;
    const SmfFile file = Convert(Parse(text), ChartTextInstrument::kGuitar, &report, hopo_ticks);
    int marker = 0;
    for (const SmfEvent &e : file.tracks[1].events)
        if (e.tick == gap && (e.status & 0xF0) == 0x90 && (e.data[0] == 101 || e.data[0] == 102)) marker = e.data[0];
    return marker;
}

TEST(ChartText, NaturalHammerOnReachesSixtyFiveOneNinetySecondsOfAQuarterAtAnyResolution) {
    EXPECT_EQ(SecondMarker(192, 65), 101);
    EXPECT_EQ(SecondMarker(192, 66), 102);
    EXPECT_EQ(SecondMarker(480, 162), 101);  // 162.5 ticks at 480
    EXPECT_EQ(SecondMarker(480, 163), 102);
    EXPECT_EQ(SecondMarker(192, 48, 40), 102);  // song.ini's hopo_frequency
    EXPECT_EQ(SecondMarker(192, 96, 96), 101);
}

TEST(ChartText, BadLinesAreReportedWithTheirNumbersAndSkipped) {
    const ChartText chart = Parse(
        "[SyncTrack]\n{\n0 = B 0\n0 = B -120000\n0 = B 10000001\n10 = B 90000\n-4 = B 100000\n20 = TS 4 9\n"
        "junk\n}\n[ExpertSingle]\n{\n0 = N 0 0\nx = N 1 0\n5 = N 1 -3\n7 = N\n}\n[ExpertSingle]\n{\n9 = N 2 0\n}\n"
        "}\n[Events]\n{\n3 = E \"section A\"");
    EXPECT_EQ(chart.resolution, 192);
    ASSERT_EQ(chart.tempos.size(), 1u);
    EXPECT_EQ(chart.tempos[0].millibeats_per_minute, 90000);
    EXPECT_TRUE(chart.signatures.empty());
    ASSERT_EQ(chart.sections.size(), 1u);
    EXPECT_EQ(chart.sections[0].entries.size(), 1u);  // the second [ExpertSingle] is not merged in
    ASSERT_EQ(chart.events.size(), 1u);
    std::string all;
    for (const std::string &p : chart.problems) all += p + "\n";
    for (const char *line : {"t.chart:3:", "t.chart:4:", "t.chart:5:", "t.chart:7:", "t.chart:8:", "t.chart:9:",
                             "t.chart:14:", "t.chart:15:", "t.chart:16:", "t.chart:18:", "t.chart:22:", "Resolution",
                             "has no closing"})
        EXPECT_NE(all.find(line), std::string::npos) << line << " in\n" << all;

    // A file of nothing but bad lines gives a short list, not one message per line.
    std::string junk = "[ExpertSingle]\n{\n";
    for (int i = 0; i < 20000; ++i) junk += "?\n";
    EXPECT_LE(Parse(junk).problems.size(), 52u);

    // The instrument asked for is not there: the sections that are.
    ChartTextReport report;
    SmfFile file;
    std::string error;
    ChartTextConversion conversion;
    conversion.instrument = ChartTextInstrument::kBass;
    EXPECT_FALSE(ConvertChartText(chart, conversion, "t.chart", &file, &report, &error));
    EXPECT_NE(error.find("[ExpertDoubleBass]"), std::string::npos) << error;
    EXPECT_NE(error.find("ExpertSingle"), std::string::npos) << error;
}

TEST(SongIni, KeysOfTheSongSectionInAnyCaseAndBadLinesNamed) {
    const SongIni ini = Ini(
        "\xEF\xBB\xBF[Song]\r\nNAME = Caf\xE9\r\nArtist=\r\nDelay = -250\r\nHopo_Frequency = 80\r\n"
        "eighthnote_hopo = 1\r\nbroken line\r\npro_drums = True\r\nfive_lane_drums = maybe\r\n"
        "[other]\r\ndelay = 999\r\n");
    EXPECT_EQ(ini.name, "Caf\xC3\xA9");  // Latin-1 turned into UTF-8
    EXPECT_EQ(ini.artist, "");
    EXPECT_EQ(ini.delay_ms, -250);
    EXPECT_EQ(ini.hopo_frequency, 80);
    EXPECT_EQ(ini.eighthnote_hopo, true);
    EXPECT_EQ(ini.pro_drums, true);
    EXPECT_FALSE(ini.five_lane_drums.has_value());
    ASSERT_EQ(ini.problems.size(), 2u);
    EXPECT_EQ(ini.problems[0].rfind("song.ini:7: ", 0), 0u) << ini.problems[0];
    EXPECT_EQ(ini.problems[1].rfind("song.ini:9: five_lane_drums", 0), 0u) << ini.problems[1];

    EXPECT_FALSE(Ini("[song]\ndelay=12x\n").delay_ms.has_value());
    EXPECT_EQ(Ini("[song]\ndelay=120.0\n").delay_ms, 120);
    SongIni missing;
    std::string error;
    EXPECT_FALSE(ReadSongIni(::testing::TempDir() + "no/such/song.ini", &missing, &error));
    EXPECT_NE(error.find("song.ini"), std::string::npos);
}

// A file with a tempo track and "T1 GEMS" holding three notes.
SmfFile TwoTracks(const std::string &name) {
    ChartBuilder b(480, name);
    b.Note(0, 96, 100).Note(480, 97, 100).Note(960, 103, 480);
    return b.ToSmf();
}

TEST(TrackSelection, ByNameNumberUsualNameOrTheOnlyTrackWithNotes) {
    const SmfFile file = TwoTracks("T1 GEMS");
    const std::vector<std::string> guitar = {"PART GUITAR", "T1 GEMS"};
    size_t index = 9;
    std::string how, error;
    for (const char *request : {"2", "#2", "T1 GEMS", "t1 gems", ""}) {
        index = 9;
        EXPECT_TRUE(SelectTrack(file, request, guitar, "a.mid", &index, &how, &error)) << request << error;
        EXPECT_EQ(index, 1u) << request;
    }
    // A track literally named "1" wins over track number 1, unless "#1" is asked for.
    const SmfFile named = TwoTracks("1");
    EXPECT_TRUE(SelectTrack(named, "1", guitar, "a.mid", &index, &how, &error));
    EXPECT_EQ(index, 1u);
    EXPECT_TRUE(SelectTrack(named, "#1", guitar, "a.mid", &index, &how, &error));
    EXPECT_EQ(index, 0u);

    // Format 0, one unnamed track: the only one with notes.
    SmfFile single = TwoTracks("");
    single.format = 0;
    single.tracks.erase(single.tracks.begin());
    single.tracks[0].events.erase(single.tracks[0].events.begin());
    EXPECT_TRUE(SelectTrack(single, "", {"PART DRUMS"}, "a.mid", &index, &how, &error)) << error;
    EXPECT_EQ(index, 0u);

    // Nothing fits: every track with its number, name and notes.
    SmfFile two = TwoTracks("PART BASS");
    two.tracks.push_back(TwoTracks("").tracks[1]);
    two.tracks[2].events.erase(two.tracks[2].events.begin());
    EXPECT_FALSE(SelectTrack(two, "", guitar, "a.mid", &index, &how, &error));
    EXPECT_NE(error.find("1 \"TEMPO\" (0 notes), 2 \"PART BASS\" (3 notes), 3 unnamed (3 notes)"), std::string::npos)
        << error;
    EXPECT_FALSE(SelectTrack(two, "#4", guitar, "a.mid", &index, &how, &error));
    EXPECT_NE(error.find("no track number 4"), std::string::npos) << error;
    EXPECT_FALSE(SelectTrack(two, "PART TUBA", guitar, "a.mid", &index, &how, &error));
    EXPECT_EQ(error.rfind("a.mid: no track named \"PART TUBA\"; tracks: 1 ", 0), 0u) << error;
}

TEST(LegacyStarPower, NoteOneHundredThreeBecomesStarPowerOnlyWhenNoPhraseUsesOneSixteen) {
    SmfTrack old = TwoTracks("T1 GEMS").tracks[1];
    EXPECT_EQ(PromoteLegacyStarPower(&old), 1);
    int on = 0, off = 0;
    for (const SmfEvent &e : old.events) {
        if (e.kind != SmfEventKind::Channel) continue;
        EXPECT_NE(e.data[0], 103);
        if (e.data[0] == 116) ((e.status & 0xF0) == 0x90 ? on : off)++;
    }
    EXPECT_EQ(on + off, 2);
    ChartBuilder both(480, "PART GUITAR");
    both.Note(0, 103, 100).Note(0, 116, 100);
    SmfTrack modern = both.ToSmf().tracks[1];
    const SmfTrack before = modern;
    EXPECT_EQ(PromoteLegacyStarPower(&modern), 0);
    EXPECT_EQ(modern.events.size(), before.events.size());
    EXPECT_EQ(modern.events[1].data, before.events[1].data);
}

}  // namespace
