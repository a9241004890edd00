#pragma once
// The demo song's form: where its sections start on the tick axis and how long a measure is
// in each. Shared by every part so that all instruments follow the same map.
#include <cstdint>

namespace qlv::demo {

constexpr int64_t kQ = 480;           // ticks per quarter note
constexpr int64_t kBar44 = 4 * kQ;    // a 4/4 measure
constexpr int64_t kBar34 = 3 * kQ;    // a 3/4 measure

// Sections (measures): 0-11 in 4/4 at 120 per minute, 12-19 in 3/4, 20-31 in 4/4 at 150.
constexpr int kWaltzFirst = 12;
constexpr int kFastFirst = 20;
constexpr int kMeasures = 32;

// Tick at the start of measure m (0-based).
constexpr int64_t MeasureTick(int m) {
  if (m <= kWaltzFirst) return m * kBar44;
  if (m <= kFastFirst) return kWaltzFirst * kBar44 + (m - kWaltzFirst) * kBar34;
  return kWaltzFirst * kBar44 + (kFastFirst - kWaltzFirst) * kBar34 + (m - kFastFirst) * kBar44;
}
constexpr int BeatsIn(int m) { return (m >= kWaltzFirst && m < kFastFirst) ? 3 : 4; }

// Marker notes of the chart conventions.
constexpr int kStyleNote = 116;
constexpr int kTomYellow = 110;
constexpr int kTomBlue = 111;
constexpr int kTomGreen = 112;
constexpr int GemBase(int skill) { return 60 + 12 * skill; }
constexpr int ForceHopoOn(int skill) { return GemBase(skill) + 5; }
constexpr int ForceHopoOff(int skill) { return GemBase(skill) + 6; }

}  // namespace qlv::demo
