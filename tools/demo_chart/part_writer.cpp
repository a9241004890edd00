#include "tools/demo_chart/part_writer.h"

#include <algorithm>
#include <bit>

#include "tools/demo_chart/song_form.h"

namespace qlv::demo {
namespace {

// Ticks from the start of the measure holding `tick`.
int64_t InMeasure(int64_t tick) {
  int m = 0;
  while (m + 1 < kMeasures + 4 && MeasureTick(m + 1) <= tick) ++m;
  return tick - MeasureTick(m);
}

unsigned LimitChord(unsigned lanes, int max_chord) {
  int count = std::popcount(lanes);
  if (count <= max_chord) return lanes;
  if (max_chord <= 1) return lanes & (~lanes + 1);  // lowest lane
  unsigned low = lanes & (~lanes + 1);
  unsigned high = 1u << (31 - std::countl_zero(lanes));
  return low | high;
}

unsigned FoldLanes(unsigned lanes, int max_lane) {
  unsigned out = 0;
  for (int lane = 0; lane < 5; ++lane) {
    if (lanes & (1u << lane)) out |= 1u << std::min(lane, max_lane);
  }
  return out;
}

constexpr int64_t kShortNote = 60;   // a note-off this soon gives no sustain
constexpr int64_t kSustainGap = 60;  // space left before the next note of the same lane

}  // namespace

std::vector<Hit> PartWriter::Thin(const Thinning& t) const {
  std::vector<Hit> out;
  for (const Hit& h : hits_) {
    bool on_grid = t.grid == 0 || InMeasure(h.tick) % t.grid == 0;
    if (!on_grid && !(t.keep_sustains && h.sustain > 0)) continue;
    Hit k = h;
    k.lanes = LimitChord(FoldLanes(h.lanes, t.max_lane), t.max_chord);
    if (!t.keep_sustains) k.sustain = 0;
    out.push_back(k);
  }
  std::stable_sort(out.begin(), out.end(), [](const Hit& a, const Hit& b) { return a.tick < b.tick; });
  // Drop duplicates at the same tick (merge their lanes), then clip sustains.
  std::vector<Hit> merged;
  for (const Hit& h : out) {
    if (!merged.empty() && merged.back().tick == h.tick) {
      merged.back().lanes = LimitChord(merged.back().lanes | h.lanes, t.max_chord);
      merged.back().sustain = std::max(merged.back().sustain, h.sustain);
    } else {
      merged.push_back(h);
    }
  }
  for (size_t i = 0; i < merged.size(); ++i) {
    for (size_t j = i + 1; j < merged.size(); ++j) {
      if (merged[j].lanes & merged[i].lanes) {
        int64_t room = merged[j].tick - merged[i].tick - kSustainGap;
        merged[i].sustain = std::min(merged[i].sustain, std::max<int64_t>(room, 0));
        break;
      }
    }
  }
  return merged;
}

void PartWriter::WriteTo(ChartBuilder& builder, const Thinning (&thinning)[4]) const {
  for (int skill = 3; skill >= 0; --skill) {
    const int base = GemBase(skill);
    for (const Hit& h : Thin(thinning[skill])) {
      for (int lane = 0; lane < 5; ++lane) {
        if (!(h.lanes & (1u << lane))) continue;
        builder.Note(h.tick, base + lane, h.sustain > 0 ? h.sustain : kShortNote);
      }
    }
  }
  for (const Range& r : ranges_) {
    if (r.absolute) {
      builder.Note(r.start, r.note_offset, r.end - r.start);
      continue;
    }
    for (int skill = r.min_skill; skill < 4; ++skill) {
      builder.Note(r.start, GemBase(skill) + r.note_offset, r.end - r.start);
    }
  }
}

}  // namespace qlv::demo
