#pragma once
// What a live run measures: how late each frame reached the screen against its timer tick, and
// how far the display position the plug-in paints with was from the sound being heard.
//
// Plain value; main thread.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace qlv::live {

struct FrameStats {
  int64_t frames = 0;          // frames shown
  int64_t late = 0;            // shown more than one timer period after their tick
  int64_t skipped = 0;         // ticks passed over because the loop was a period behind
  double worst_late_ms = 0.0;  // the latest frame, from its tick to the screen
  int64_t sync_checks = 0;     // frames shown while playing
  int64_t worst_sync = 0;      // samples between display and sound, the largest seen

  void Frame(double late_ms, double period_ms) {
    ++frames;
    worst_late_ms = std::max(worst_late_ms, late_ms);
    if (late_ms > period_ms) ++late;
  }
  void Sync(int64_t display_sample, int64_t heard_sample) {
    ++sync_checks;
    worst_sync = std::max<int64_t>(worst_sync, std::llabs(display_sample - heard_sample));
  }
};

}  // namespace qlv::live
