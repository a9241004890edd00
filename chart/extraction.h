// Note extraction: turns the chart events ahead of the display position into the draw list of one
// highway frame, for the instance's mode and difficulty.
//
// Threads: BuildHighwayItems runs on the editor's (main) thread, inside the renderer, and holds
// the instance lock from start to end; the audio thread appends chart events under the same lock.
#pragma once

#include <cstdint>

class PreviewInstance;

// One thing to draw in the current frame. Positions are fractions of the lookahead time.
struct HighwayItem {
    // Gem before the strike line: its lane 0..4. Gem flaring: 27..36 (27 + (flare - 1) / 3), the
    // drum kick 37..43. Marker: its negative kind (-1 beat, -2 half beat, -3 measure, -4 flip on,
    // -5 flip off; kinds below -3 are not drawn).
    int32_t image;
    int32_t lane;         // 0..4 for a gem (after the drum flip); -1 for a marker
    double pos;           // head's distance from the strike line: 0 at the line, 1 a lookahead ahead
    double len;           // sustain from `pos`; not clamped, may be 0 or negative
    uint8_t style;        // 1: gem belongs to a style phrase
    uint8_t hopo_or_tom;  // guitar/bass: hammer-on/pull-off; drums: tom (1) or cymbal (0); keys: 0
};

// Marker kinds stored in ChartEvent::note and HighwayItem::image.
constexpr int32_t MARKER_BEAT = -1;
constexpr int32_t MARKER_HALF_BEAT = -2;
constexpr int32_t MARKER_MEASURE = -3;
constexpr int32_t MARKER_FLIP_ON = -4;
constexpr int32_t MARKER_FLIP_OFF = -5;

// Flare images: the first image of a gem's flare and of the drum kick's.
constexpr int32_t FLARE_IMAGE_FIRST = 27;
constexpr int32_t KICK_FLARE_IMAGE_FIRST = 37;

// Builds the frame's draw list in `highway_items` from index 0 and returns how many items are
// valid (the buffer may be longer). `drums` is true for Pro Drums and Drums (std). Advances the
// flare counters, latches style, remembers drum flip switches and removes finished events from
// `chart_events`. Returns 0 and changes nothing while there is no display position.
int32_t BuildHighwayItems(PreviewInstance *instance, bool drums);

// Remembers a drum flip switch at `time` (samples): ignored unless later than the last one kept,
// and ignored once all the slots are in use.
void AddFlipMark(PreviewInstance *instance, int64_t time, uint8_t on);
