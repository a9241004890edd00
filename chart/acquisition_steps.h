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

// What earlier messages of the same block found out about the chart list, so that a message need
// not walk what cannot concern it. Valid for one block only: the list then only grows at its end
// (the editor does not trim it while the block holds the lock).
struct BlockShortcuts {
    // Index of the latest record of each note number appended in this block; -1 when none was.
    // No record after it has that number.
    int32_t latest_of_note[256];
    // After an all-notes-off at `settled_position` has ended every record that began at or before
    // it, the first `settled` records can not be changed by another at that position or later:
    // their lengths only ever shrink, and one that was not emptied then will not be now.
    int32_t settled = 0;
    double settled_position = 0.0;
    // The time map's last quarter-note answer, and the position in samples it was asked for.
    bool quarter_notes_known = false;
    double quarter_notes_samples = 0.0;
    double quarter_notes = 0.0;

    BlockShortcuts() {
        for (int32_t &index : latest_of_note) index = -1;
    }
};

// What every rule of one block needs, read once per block.
struct WindowContext {
    PreviewInstance *instance;
    ProjectHandle project;     // passed to the time-map functions as it came, null or not
    double sample_rate;        // usable: finite and positive
    int32_t skill;             // clamped to 0..3
    int32_t mode;              // as set; only compared
    double hopo_threshold_qn;  // threshold in quarter notes
    BlockShortcuts *shortcuts;  // the block's, never null
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
// frames) (samples): a marker exactly on the window start belongs to this window, one exactly on
// its end to the next, so back-to-back windows give every marker once. Stops at the first
// position the time map cannot give as a finite sample.
void AppendBeatGrid(const WindowContext &context, double window_start, int32_t frames);
