// The beat grid of one fetch window: half-beat, beat and measure markers from the host's time map.
#include <algorithm>
#include <cmath>

#include "chart/acquisition_steps.h"
#include "chart/extraction.h"
#include "state/instance.h"

namespace {

constexpr int32_t MAX_MARKERS_PER_WINDOW = 1000;

}  // namespace

void AppendBeatGrid(const WindowContext &context, double window_start, int32_t frames) {
    const double rate = context.sample_rate;
    int measure = 0;
    int beats_per_measure = 4;
    double full_beats = 0.0;
    double in_measure = HostFunctions.TimeMap2_timeToBeats(context.project, std::max(0.0, window_start / rate),
                                                           &measure, &beats_per_measure, &full_beats, nullptr);
    if (!std::isfinite(in_measure) || !std::isfinite(full_beats)) return;
    // Back to the half beat at or before the window start.
    const double offset = std::fmod(full_beats, 0.5);
    in_measure -= offset;
    full_beats -= offset;

    const double last_sample = window_start + frames - 1;
    for (int32_t i = 0; i < MAX_MARKERS_PER_WINDOW; ++i) {
        in_measure += 0.5;
        full_beats += 0.5;
        const double position = HostFunctions.TimeMap2_beatsToTime(context.project, full_beats, nullptr) * rate;
        // A time map answer that is not a finite time ends the grid of this window.
        if (!std::isfinite(position) || position > last_sample || position < 0.0) return;
        int32_t kind;
        if (in_measure >= beats_per_measure)
            kind = MARKER_MEASURE;
        else if (std::fmod(in_measure, 1.0) < 0.25)
            kind = MARKER_BEAT;
        else
            kind = MARKER_HALF_BEAT;
        AppendChartEvent(context.instance->chart_events,
                         ChartEvent{static_cast<int64_t>(position), kind, 0, 0, 0, 0});
        in_measure = HostFunctions.TimeMap2_timeToBeats(context.project, position / rate, &measure,
                                                        &beats_per_measure, &full_beats, nullptr);
        if (!std::isfinite(in_measure) || !std::isfinite(full_beats)) return;
    }
}
