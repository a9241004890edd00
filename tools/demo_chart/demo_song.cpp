#include "tools/demo_chart/demo_song.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "host/chart_builder.h"
#include "tools/demo_chart/part_writer.h"
#include "tools/demo_chart/song_form.h"

namespace qlv::demo {
namespace {

constexpr unsigned G = 1, R = 2, Y = 4, B = 8, O = 16;
constexpr unsigned kKick = 1;       // drums: lane 0
constexpr unsigned kGreenPad = 16;  // drums: lane 4

// Tick of measure m, beat b, plus s sixteenths.
int64_t At(int m, int b, int s = 0) { return MeasureTick(m) + b * kQ + s * (kQ / 4); }
// A style phrase over measures [first, last].
Range Style(int first, int last) { return Range{kStyleNote, true, MeasureTick(first), MeasureTick(last + 1), 0}; }
Range ForceOn(int64_t start, int64_t end) { return Range{5, false, start, end, 2}; }
Range ForceOff(int64_t start, int64_t end) { return Range{6, false, start, end, 2}; }

// Guitar and bass thin out alike: Hard keeps eighths and two-note chords, Medium quarters
// without orange, Easy half notes on three lanes with single notes.
constexpr Thinning kStringThinning[4] = {
    {2 * kQ, 1, 2, true}, {kQ, 2, 3, true}, {kQ / 2, 2, 4, true}, {0, 5, 4, true}};
constexpr Thinning kKeysThinning[4] = {
    {2 * kQ, 1, 2, true}, {kQ, 2, 3, true}, {kQ / 2, 3, 4, true}, {0, 5, 4, true}};
// Drums keep every lane; thinning drops the fast notes.
constexpr Thinning kDrumThinning[4] = {
    {kQ, 2, 4, false}, {kQ, 3, 4, false}, {kQ / 2, 5, 4, false}, {0, 5, 4, false}};

void Run(PartWriter& p, int m, int beat, std::initializer_list<unsigned> lanes) {
  int s = 0;
  for (unsigned l : lanes) {
    p.Add(At(m, beat) + s * (kQ / 4), l);
    ++s;
  }
}

void WriteGuitar(ChartBuilder& b) {
  PartWriter p;
  // Intro: chords and single notes with sustains of several lengths.
  p.Add(At(1, 0), G | R, 2 * kQ);
  p.Add(At(1, 2), Y, kQ);
  p.Add(At(1, 3), B);
  for (int i = 0; i < 4; ++i) p.Add(At(2, i), (i % 2) ? R : G | (i == 2 ? Y : 0));
  p.Add(At(3, 0), R | Y, 4 * kQ - 120);
  // Eighth-note riff.
  const unsigned riff[8] = {G, G, Y, R, G, G, B, Y};
  for (int m = 4; m < 6; ++m)
    for (int e = 0; e < 8; ++e) p.Add(MeasureTick(m) + e * kQ / 2, riff[e]);
  // Sixteenth runs: natural hammer-ons and pull-offs, chords in between.
  for (int m = 6; m < 8; ++m) {
    Run(p, m, 0, {G, R, Y, B});
    p.Add(At(m, 1), G | Y);
    Run(p, m, 2, {B, Y, R, G});
    p.Add(At(m, 3), O, kQ - 60);
  }
  p.AddRange(Style(6, 7));
  // Eighths turned into hammer-ons by a forced marker.
  const unsigned climb[8] = {R, Y, B, Y, R, Y, B, O};
  for (int m = 8; m < 10; ++m)
    for (int e = 0; e < 8; ++e) p.Add(MeasureTick(m) + e * kQ / 2, climb[e]);
  p.AddRange(ForceOn(At(8, 1), At(9, 0)));
  // A fast run forced back to strums.
  Run(p, 10, 0, {Y, B, Y, B});
  Run(p, 10, 1, {Y, B, Y, B});
  p.AddRange(ForceOff(At(10, 0), At(10, 2)));
  p.Add(At(10, 2), G | R, kQ);
  p.Add(At(10, 3), R | Y);
  p.Add(At(11, 0), G | Y | O, 3 * kQ);
  // 3/4: chord, then two notes; runs at the phrase ends.
  for (int m = kWaltzFirst; m < kFastFirst; ++m) {
    unsigned root = (m % 2) ? R : G;
    p.Add(At(m, 0), root | (root << 2), kQ);
    if (m == 15 || m == 19) {
      Run(p, m, 1, {Y, B, O, B});
      Run(p, m, 2, {Y, R, Y, R});
    } else {
      p.Add(At(m, 1), root << 1);
      p.Add(At(m, 2), root << 2, kQ / 2);
    }
  }
  p.AddRange(Style(16, 17));
  // Fast section.
  for (int m = kFastFirst; m < 30; ++m) {
    if (m == 24 || m == 25) {
      const unsigned hop[8] = {G, R, G, R, Y, R, Y, B};
      for (int e = 0; e < 8; ++e) p.Add(MeasureTick(m) + e * kQ / 2, hop[e]);
      continue;
    }
    if (m % 4 == 3) {
      Run(p, m, 0, {O, B, Y, R});
      Run(p, m, 1, {G, R, Y, B});
      p.Add(At(m, 2), B | O, kQ + kQ / 2);
      continue;
    }
    for (int e = 0; e < 8; ++e) {
      unsigned lane = (e % 4 == 0) ? (G | Y) : (e % 2 ? R : Y);
      p.Add(MeasureTick(m) + e * kQ / 2, lane);
    }
  }
  p.AddRange(ForceOn(At(24, 0), At(26, 0)));
  p.AddRange(Style(26, 27));
  p.Add(At(30, 0), G | Y | B, 7 * kQ);
  p.WriteTo(b, kStringThinning);
}

void WriteBass(ChartBuilder& b) {
  PartWriter p;
  p.Add(At(1, 0), G, 4 * kQ - 120);
  p.Add(At(2, 0), R, 2 * kQ);
  p.Add(At(2, 2), Y, 2 * kQ - 120);
  p.Add(At(3, 0), G, 3 * kQ);
  for (int m = 4; m < kWaltzFirst; ++m) {
    unsigned root = (m % 4 < 2) ? G : R;
    if (m == 7 || m == 10) {
      Run(p, m, 0, {root, root << 1, root << 2, root << 1});
      Run(p, m, 1, {root, root << 1, root << 2, root << 3});
      p.Add(At(m, 2), root << 2, 2 * kQ - 60);
      continue;
    }
    for (int e = 0; e < 8; ++e) p.Add(MeasureTick(m) + e * kQ / 2, e == 6 ? root << 1 : root);
  }
  p.AddRange(Style(8, 9));
  for (int m = kWaltzFirst; m < kFastFirst; ++m) {
    p.Add(At(m, 0), (m % 2) ? Y : G, 3 * kQ - 120);
  }
  for (int m = kFastFirst; m < 30; ++m) {
    for (int e = 0; e < 8; ++e) {
      unsigned lane = (m % 2) ? R : G;
      if (e >= 6) lane = lane << 2;
      p.Add(MeasureTick(m) + e * kQ / 2, lane);
    }
  }
  p.AddRange(ForceOn(At(28, 0), At(29, 0)));
  p.AddRange(Style(22, 23));
  p.Add(At(30, 0), G, 7 * kQ);
  p.WriteTo(b, kStringThinning);
}

void WriteKeys(ChartBuilder& b) {
  PartWriter p;
  const unsigned chords[4] = {G | Y, R | B, Y | O, R | Y | B};
  for (int m = 1; m < kWaltzFirst; ++m) {
    if (m == 6 || m == 7 || m == 10) {
      for (int s = 0; s < 16; ++s) p.Add(MeasureTick(m) + s * kQ / 4, 1u << ((s % 8) < 5 ? s % 8 : 8 - s % 8));
      continue;
    }
    p.Add(At(m, 0), chords[m % 4], 2 * kQ - 120);
    p.Add(At(m, 2), chords[(m + 1) % 4], kQ);
    p.Add(At(m, 3), chords[(m + 2) % 4] & (G | R | Y));
  }
  for (int m = kWaltzFirst; m < kFastFirst; ++m) {
    p.Add(At(m, 0), chords[m % 4], 2 * kQ - 60);
    p.Add(At(m, 2), (m % 2) ? B : Y);
  }
  p.AddRange(Style(14, 15));
  for (int m = kFastFirst; m < 30; ++m) {
    if (m == 24 || m == 25) {
      for (int s = 0; s < 16; ++s) p.Add(MeasureTick(m) + s * kQ / 4, 1u << (s % 5));
      continue;
    }
    for (int q = 0; q < 4; ++q) p.Add(At(m, q), chords[(m + q) % 4], q == 0 ? kQ - 60 : 0);
  }
  p.AddRange(Style(26, 27));
  p.Add(At(30, 0), G | Y | O, 7 * kQ);
  p.WriteTo(b, kKeysThinning);
}

// Drum lanes: 0 kick, 1 red (snare), 2 yellow, 3 blue, 4 green. Yellow, blue and green are
// cymbals unless a tom marker covers them.
void RockBeat(PartWriter& p, int m, unsigned ride) {
  int beats = BeatsIn(m);
  for (int e = 0; e < beats * 2; ++e) {
    int64_t t = MeasureTick(m) + e * kQ / 2;
    unsigned lanes = ride;
    if (beats == 4) {
      if (e == 0 || e == 4 || e == 5) lanes |= kKick;
      if (e == 2 || e == 6) lanes |= R;  // snare
    } else {
      if (e == 0) lanes |= kKick;
      if (e == 4) lanes |= R;
    }
    p.Add(t, lanes);
  }
}

void TomFill(PartWriter& p, int m, int from_beat) {
  const unsigned toms[3] = {Y, B, kGreenPad};
  int beats = BeatsIn(m);
  int index = 0;
  for (int beat = from_beat; beat < beats; ++beat) {
    for (int s = 0; s < 4; ++s) {
      p.Add(At(m, beat, s), toms[std::min(index / 3, 2)] | (s == 0 ? kKick : 0u));
      ++index;
    }
  }
  for (int tom = 0; tom < 3; ++tom) {
    p.AddRange(Range{kTomYellow + tom, true, At(m, from_beat), MeasureTick(m + 1), 0});
  }
}

void WriteDrums(ChartBuilder& b) {
  PartWriter p;
  for (int m = 1; m < 32; ++m) {
    bool fill = (m == 7 || m == 11 || m == 19 || m == 23 || m == 31);
    if (m >= 24 && m < 28) {
      // Disco beat, charted for the flip: red carries the hi-hat and yellow the snare.
      for (int e = 0; e < 8; ++e) {
        unsigned lanes = R;
        if (e % 2 == 0) lanes |= kKick;
        if (e == 2 || e == 6) lanes |= Y;
        p.Add(MeasureTick(m) + e * kQ / 2, lanes);
      }
      continue;
    }
    unsigned ride = (m >= 8 && m < 12) ? B : Y;
    if (fill) {
      // Half a measure of beat, then toms.
      p.Add(At(m, 0), kKick | ride);
      p.Add(At(m, 1), R | ride);
      TomFill(p, m, 2);
    } else {
      RockBeat(p, m, ride);
    }
    if (m == 1 || m == 4 || m == 8 || m == kWaltzFirst || m == 16 || m == kFastFirst || m == 28) {
      p.Add(At(m, 0), kKick | kGreenPad);
    }
  }
  p.Add(MeasureTick(32), kKick | kGreenPad);
  p.AddRange(Style(8, 9));
  p.AddRange(Style(22, 23));
  p.WriteTo(b, kDrumThinning);
  // The flip for every difficulty: on for the disco measures, then explicitly off.
  for (int skill = 0; skill < 4; ++skill) {
    const std::string digit(1, static_cast<char>('0' + skill));
    b.Text(MeasureTick(24), "mix " + digit + " drums0d");
    b.Text(MeasureTick(28), "mix " + digit + " drums0dnoflip");
  }
}

ChartBuilder NewPart(const char* name) {
  ChartBuilder b(static_cast<int>(kQ), name);
  b.Tempo(0, 120.0);
  b.Signature(0, 4, 4);
  b.Signature(MeasureTick(kWaltzFirst), 3, 4);
  b.Signature(MeasureTick(kFastFirst), 4, 4);
  b.Tempo(MeasureTick(kFastFirst), 150.0);
  return b;
}

}  // namespace

SmfFile BuildDemoSong() {
  ChartBuilder guitar = NewPart("PART GUITAR");
  WriteGuitar(guitar);
  ChartBuilder bass = NewPart("PART BASS");
  WriteBass(bass);
  ChartBuilder drums = NewPart("PART DRUMS");
  WriteDrums(drums);
  ChartBuilder keys = NewPart("PART KEYS");
  WriteKeys(keys);
  SmfFile song = guitar.ToSmf();
  for (const ChartBuilder* part : {&bass, &drums, &keys}) {
    SmfFile one = part->ToSmf();
    song.tracks.push_back(one.tracks.back());
  }
  return song;
}

}  // namespace qlv::demo
