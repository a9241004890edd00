// The beat grid of one fetch window: half-beat, beat and measure markers from the host's time map.
#include <algorithm>
#include <cmath>

#include "chart/acquisition_steps.h"
#include "chart/extraction.h"
#include "state/instance.h"

namespace {

constexpr int32_t MAX_MARKERS_PER_WINDOW = 1000;

int32_t MarkerKind(double in_measure, int beats_per_measure) {
    if (in_measure >= beats_per_measure) return MARKER_MEASURE;
    return std::fmod(in_measure, 1.0) < 0.25 ? MARKER_BEAT : MARKER_HALF_BEAT;
}

}  // namespace

void AppendBeatGrid(const WindowContext &context, double window_start, int32_t frames) {
    const double rate = context.sample_rate;
    const double window_end = window_start + frames;  // the next window's start: not in this one
    if (!(window_end > 0.0)) return;  // no marker lies before the project start
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

    int32_t made = 0;
    // A half beat exactly on the window start is this window's first marker, of the kind the walk
    // from the previous half beat gives it, as if the previous window had reached it. The grid
    // begins after the project start, as each measure's line is drawn where the measure ends.
    const double first = HostFunctions.TimeMap2_beatsToTime(context.project, full_beats, nullptr) * rate;
    if (full_beats >= 0.5 && std::isfinite(first) && first >= window_start && first < window_end) {
        const double before = HostFunctions.TimeMap2_beatsToTime(context.project, full_beats - 0.5, nullptr);
        double unused = 0.0;
        const double previous = HostFunctions.TimeMap2_timeToBeats(context.project, before, &measure,
                                                                   &beats_per_measure, &unused, nullptr);
        if (!std::isfinite(previous)) return;
        AppendChartEvent(context.instance->chart_events, ChartEvent{static_cast<int64_t>(first),
                                                                    MarkerKind(previous + 0.5, beats_per_measure), 0, 0, 0, 0});
        ++made;
        in_measure = HostFunctions.TimeMap2_timeToBeats(context.project, first / rate, &measure, &beats_per_measure,
                                                        &full_beats, nullptr);
        if (!std::isfinite(in_measure) || !std::isfinite(full_beats)) return;
    }

    for (; made < MAX_MARKERS_PER_WINDOW; ++made) {
        in_measure += 0.5;
        full_beats += 0.5;
        const double position = HostFunctions.TimeMap2_beatsToTime(context.project, full_beats, nullptr) * rate;
        // A time map answer that is not a finite time ends the grid of this window.
        if (!std::isfinite(position) || position >= window_end || position < 0.0) return;
        AppendChartEvent(context.instance->chart_events,
                         ChartEvent{static_cast<int64_t>(position), MarkerKind(in_measure, beats_per_measure), 0, 0, 0, 0});
        in_measure = HostFunctions.TimeMap2_timeToBeats(context.project, position / rate, &measure,
                                                        &beats_per_measure, &full_beats, nullptr);
        if (!std::isfinite(in_measure) || !std::isfinite(full_beats)) return;
    }
}
