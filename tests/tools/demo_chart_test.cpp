#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/chart_project.h"
#include "host/smf_reader.h"
#include "host/smf_writer.h"
#include "host/tempo_map.h"
#include "tools/demo_chart/demo_song.h"

namespace qlv::demo {
namespace {

struct NoteSpan {
  int64_t tick;
  int pitch;
  int64_t length;
};

// Notes of a track paired on/off, plus any note-on that arrives while its pitch still sounds.
struct TrackNotes {
  std::vector<NoteSpan> notes;
  std::vector<std::string> texts;
  int overlaps = 0;
};

TrackNotes Collect(const SmfTrack& track) {
  TrackNotes out;
  std::map<int, int64_t> open;
  for (const SmfEvent& e : track.events) {
    if (e.kind == SmfEventKind::Meta && e.type == SMF_META_TEXT) {
      out.texts.emplace_back(e.data.begin(), e.data.end());
      continue;
    }
    if (e.kind != SmfEventKind::Channel || e.data.size() < 2) continue;
    const int status = e.status & 0xF0, pitch = e.data[0], velocity = e.data[1];
    if (status == 0x90 && velocity > 0) {
      if (open.count(pitch)) ++out.overlaps;
      open[pitch] = e.tick;
    } else if (status == 0x80 || status == 0x90) {
      auto it = open.find(pitch);
      if (it != open.end()) {
        out.notes.push_back({it->second, pitch, e.tick - it->second});
        open.erase(it);
      }
    }
  }
  out.overlaps += static_cast<int>(open.size());  // never ended
  return out;
}

class DemoSong : public ::testing::Test {
 protected:
  void SetUp() override {
    // Through the bytes and the reader: what the previewer will actually load.
    std::vector<uint8_t> bytes = WriteSmf(BuildDemoSong());
    std::string error;
    ASSERT_TRUE(ParseSmf(bytes.data(), bytes.size(), "demo", &song_, &error)) << error;
    for (const SmfTrack& t : song_.tracks) parts_[t.Name()] = Collect(t);
  }
  const TrackNotes& Part(const std::string& name) { return parts_[name]; }

  SmfFile song_;
  std::map<std::string, TrackNotes> parts_;
};

int CountPitch(const TrackNotes& t, int lo, int hi) {
  int n = 0;
  for (const NoteSpan& s : t.notes) n += (s.pitch >= lo && s.pitch <= hi);
  return n;
}

TEST_F(DemoSong, HasEveryPartAtEveryDifficulty) {
  ASSERT_EQ(song_.tracks.size(), 5u);
  for (const char* name : {"PART GUITAR", "PART BASS", "PART DRUMS", "PART KEYS"}) {
    const TrackNotes& part = Part(name);
    int previous = 0;
    for (int skill = 0; skill < 4; ++skill) {
      const int base = 60 + 12 * skill;
      const int gems = CountPitch(part, base, base + 4);
      EXPECT_GT(gems, 40) << name << " skill " << skill;
      EXPECT_GE(gems, previous) << name << ": a harder difficulty must not have fewer notes";
      previous = gems;
    }
    EXPECT_EQ(part.overlaps, 0) << name << ": a note starting while its pitch still sounds cuts it short";
    EXPECT_GT(CountPitch(part, 116, 116), 0) << name << " has no style phrase";
  }
}

TEST_F(DemoSong, PlaysAboutAMinuteWithATempoChangeAndAThreeFourSection) {
  TempoMap map;
  std::string error;
  ASSERT_TRUE(ReadTempoMap(song_, "demo", &map, &error)) << error;
  int64_t last = 0;
  for (auto& [name, part] : parts_)
    for (const NoteSpan& s : part.notes) last = std::max(last, s.tick + s.length);
  const double seconds = map.TickToSeconds(static_cast<double>(last));
  EXPECT_GT(seconds, 50.0);
  EXPECT_LT(seconds, 75.0);
  // 120 per minute at the start, faster later; a stretch of 3/4 in between.
  EXPECT_NEAR(map.TimeToQN(1.0), 2.0, 1e-9);
  EXPECT_GT(map.TimeToQN(seconds) - map.TimeToQN(seconds - 1.0), 2.2);
  bool three_four = false;
  for (double t = 0.0; t < seconds; t += 0.5) {
    int per_measure = 0;
    map.TimeToBeats(t, nullptr, &per_measure, nullptr);
    three_four |= per_measure == 3;
  }
  EXPECT_TRUE(three_four);
}

TEST_F(DemoSong, GuitarShowsChordsSustainsAndBothKindsOfHammerOns) {
  const TrackNotes& g = Part("PART GUITAR");
  std::map<int64_t, int> per_tick;
  std::set<int64_t> sustain_lengths;
  std::vector<NoteSpan> expert;
  for (const NoteSpan& s : g.notes) {
    if (s.pitch < 96 || s.pitch > 100) continue;
    expert.push_back(s);
    ++per_tick[s.tick];
    if (s.length >= 144) sustain_lengths.insert(s.length);  // 0.3 quarter notes and longer
  }
  int chords = 0;
  for (auto& [tick, n] : per_tick) chords += n >= 2;
  EXPECT_GE(chords, 10);
  EXPECT_GE(sustain_lengths.size(), 4u) << "sustains of several lengths";
  // Natural hammer-ons: a single note of another pitch within the default threshold (170).
  int natural = 0;
  for (auto it = per_tick.begin(); it != per_tick.end(); ++it) {
    auto next = std::next(it);
    if (next != per_tick.end() && it->second == 1 && next->second == 1 && next->first - it->first < 170) ++natural;
  }
  EXPECT_GE(natural, 10);
  EXPECT_GT(CountPitch(g, 101, 101), 0) << "forced hammer-on marker";
  EXPECT_GT(CountPitch(g, 102, 102), 0) << "forced strum marker";
}

TEST_F(DemoSong, DrumsHaveKicksTomsAndFlipEventsThePluginRecognises) {
  const TrackNotes& d = Part("PART DRUMS");
  for (int skill = 0; skill < 4; ++skill) EXPECT_GT(CountPitch(d, 60 + 12 * skill, 60 + 12 * skill), 20);
  for (int tom = 110; tom <= 112; ++tom) EXPECT_GT(CountPitch(d, tom, tom), 0);
  // The plug-in reads a flip from "mix" texts of at least 13 characters: the fifth is the
  // difficulty digit, the thirteenth 'd', and "noflip" after it switches the flip off.
  std::map<int, int> on, off;
  for (const std::string& text : d.texts) {
    if (text.rfind("mix", 0) != 0) continue;
    ASSERT_GE(text.size(), 13u) << text;
    const int skill = text[4] - '0';
    ASSERT_TRUE(skill >= 0 && skill <= 3) << text;
    ASSERT_EQ(text[12], 'd') << text;
    if (text.compare(13, 6, "noflip") == 0) {
      ++off[skill];
    } else {
      ++on[skill];
    }
  }
  for (int skill = 0; skill < 4; ++skill) {
    EXPECT_EQ(on[skill], 1) << skill;
    EXPECT_EQ(off[skill], 1) << skill;
  }
}

TEST_F(DemoSong, EveryTrackLoadsAsAProject) {
  for (const char* name : {"PART GUITAR", "PART BASS", "PART DRUMS", "PART KEYS"}) {
    std::string error;
    auto project = ChartProject::FromSmf(song_, "demo", name, &error);
    ASSERT_NE(project, nullptr) << error;
    EXPECT_GT(project->track().size(), 100u) << name;
  }
}

}  // namespace
}  // namespace qlv::demo

#include "tools/demo_chart/part_writer.h"

namespace qlv::demo {
namespace {

TEST(PartWriter, ThinningKeepsTheGridFoldsLanesAndNeverLetsASustainRunIntoItsLane) {
  PartWriter p;
  p.Add(0, 0b00001, 4 * 480);  // would run into the next green
  p.Add(120, 0b00010);         // off the quarter grid
  p.Add(480, 0b10101);         // three-lane chord with orange
  p.Add(960, 0b00001);
  const Thinning medium{480, 2, 3, true};
  std::vector<Hit> hits = p.Thin(medium);
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[0].tick, 0);
  EXPECT_EQ(hits[0].sustain, 480 - 60) << "ends before the chord's green";
  EXPECT_EQ(hits[1].tick, 480);
  EXPECT_EQ(hits[1].lanes, 0b01001u) << "orange folds onto blue; lowest and highest kept";
  EXPECT_EQ(hits[2].tick, 960);

  // Everything survives at Expert, and a sustain off the grid survives thinning.
  p.Add(600, 0b00100, 480);
  EXPECT_EQ(p.Thin(Thinning{}).size(), 5u);
  EXPECT_EQ(p.Thin(medium).size(), 4u);
}

}  // namespace
}  // namespace qlv::demo
