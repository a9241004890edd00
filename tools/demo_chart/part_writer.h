#pragma once
// Collects one instrument's notes at Expert and writes them, thinned out, for all four
// difficulties into a ChartBuilder.
#include <cstdint>
#include <vector>

#include "host/chart_builder.h"

namespace qlv::demo {

// One hit at Expert: a set of lanes (bit 0 = lane 0 ... bit 4 = lane 4) at a tick, with an
// optional sustain (0 = none).
struct Hit {
  int64_t tick = 0;
  unsigned lanes = 0;
  int64_t sustain = 0;
};

// A marker range written for some difficulties (force HOPO on/off) or all (style, toms).
struct Range {
  int note_offset = 0;  // added to the difficulty's gem base; or an absolute note when absolute
  bool absolute = false;
  int64_t start = 0;
  int64_t end = 0;
  int min_skill = 0;    // written only for difficulties at or above this one
};

// How a difficulty thins the Expert part.
struct Thinning {
  int64_t grid = 0;      // keep hits on this grid (ticks from their measure's start); 0 keeps all
  int max_chord = 5;     // lanes kept per hit (lowest and highest first)
  int max_lane = 4;      // lanes above are folded onto this one
  bool keep_sustains = true;  // sustained hits survive the grid
};

class PartWriter {
 public:
  void Add(int64_t tick, unsigned lanes, int64_t sustain = 0) { hits_.push_back({tick, lanes, sustain}); }
  void AddRange(const Range& r) { ranges_.push_back(r); }

  // Writes all four difficulties into `builder` with the given thinning per skill (0 Easy ..
  // 3 Expert). Sustains are shortened so that no note overlaps the next note of its pitch.
  void WriteTo(ChartBuilder& builder, const Thinning (&thinning)[4]) const;

  // The hits that difficulty `skill` keeps (exposed for the tests).
  std::vector<Hit> Thin(const Thinning& t) const;

 private:
  std::vector<Hit> hits_;
  std::vector<Range> ranges_;
};

}  // namespace qlv::demo
