// The steps of one fetch window of chart acquisition, shared by acquisition.cpp (the block and
// its window loop), event_rules.cpp (raw MIDI to chart events) and beat_grid.cpp (grid markers).
//
// Threads: audio thread only, with the instance lock held by the caller.
#pragma once

#include <cstdint>

#include "chart/acquisition.h"
#include "state/host_api.h"

class GrowBuf;
class PreviewInstance;
struct MidiEventRecord;

// What every rule of one block needs, read once per block.
struct WindowContext {
    PreviewInstance *instance;
    ProjectHandle project;     // passed to the time-map functions as it came, null or not
    double sample_rate;        // usable: finite and positive
    int32_t skill;             // clamped to 0..3
    int32_t mode;              // as set; only compared
    double hopo_threshold_qn;  // threshold in quarter notes
};

// Appends one record to a chart event buffer. False, with nothing written, when the buffer cannot
// grow.
bool AppendChartEvent(GrowBuf &events, const ChartEvent &event);

// Applies the event rules to one record delivered by the host at absolute `position` (samples).
void ApplyEventRecord(const WindowContext &context, const MidiEventRecord &record, double position);

// The drum flip marker kind (MARKER_FLIP_ON or MARKER_FLIP_OFF) a text message stands for in this
// mode and difficulty, or 0 when it stands for none. `message` holds `size` bytes (more than 3).
int32_t MixTextMarker(const uint8_t *message, int32_t size, int32_t mode, int32_t skill);

// Appends the beat, half-beat and measure markers of the window [window_start, window_start +
// frames) (samples). Stops at the first position the time map cannot give as a finite sample.
void AppendBeatGrid(const WindowContext &context, double window_start, int32_t frames);
