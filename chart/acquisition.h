// Chart acquisition: on every audio block, follow the host's transport and fetch the track's
// MIDI ahead of the play position into the instance's chart events.
//
// Threads: ProcessBlock runs on the host's audio thread; it holds the instance lock for its chart
// work, host calls included.
#pragma once

#include <cstdint>

class PreviewInstance;

// One note or marker of the chart. Positions and lengths in samples at the instance's rate.
struct ChartEvent {
    int64_t time;           // start
    int32_t note;           // MIDI note, or a marker kind (negative)
    int32_t flare;          // flare frames counted by note extraction
    int64_t length;         // sustain; OPEN_LENGTH until the note-off arrives
    uint8_t hopo;           // automatic hammer-on/pull-off decision
    uint8_t style_latched;  // set by note extraction
};

// Length of a note whose note-off has not been seen.
constexpr int64_t OPEN_LENGTH = 48000000;

// Seconds the whole highway spans, by difficulty (Easy, Medium, Hard, Expert).
constexpr double LOOKAHEAD_SECONDS[4] = {2.4, 2.0, 1.6, 1.2};

// One audio block: silences the two outputs unless accumulating, then (editor open, time info
// available) fetches chart data for the lookahead and sets the display position. Audio thread;
// takes the instance lock for the chart work, host calls included, and allocates nothing once the
// buffers have reached their working size.
// Blocks that do nothing: a frame count of 0 or less (not even silence). Blocks that only
// silence: no time info, editor closed, a play position that is not finite or lies beyond 2^50
// samples, a sample rate outside (0, 1 MHz], or a host function missing.
void ProcessBlock(PreviewInstance *instance, float **outputs, int32_t frames, bool accumulate);
