// The charts the frame tests show through the real plug-in binary, natively against stored
// references and under Wine against the native build, each with its notes between 3.4 s and 5.2 s
// so that watching from 2.5 s for 1.5 s shows held notes, the strike line and the far end at once.
// At 120 quarter notes a minute and 480 ticks each, a second is 960 ticks.
#pragma once

#include <cstdint>

#include "host/chart_builder.h"

namespace highway_charts {

// Expert notes and markers.
inline constexpr int GREEN = 96, RED = 97, YELLOW = 98, BLUE = 99, ORANGE = 100;
inline constexpr int KICK = 96, FORCE_HOPO = 101, STYLE_PHRASE = 116, TOM_YELLOW = 110, TOM_BLUE = 111;

inline int64_t Ticks(double seconds) { return static_cast<int64_t>(seconds * 960.0 + 0.5); }

// A note `seconds` long; anything under 0.3 quarter notes (0.15 s) carries no sustain.
inline void Note(ChartBuilder &chart, double at, int pitch, double seconds = 0.05) {
    chart.Note(Ticks(at), pitch, Ticks(seconds) > 0 ? Ticks(seconds) : 1);
}

inline ChartBuilder GuitarChordsHoposAndSustains() {
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    Note(chart, 3.4, ORANGE, 1.6);  // held, its hit animation over
    Note(chart, 3.95, RED);         // at the line
    Note(chart, 4.3, GREEN, 0.4);   // a sustained chord
    Note(chart, 4.3, RED, 0.4);
    Note(chart, 4.55, BLUE);
    Note(chart, 4.65, YELLOW);      // close after the blue: a hammer-on
    Note(chart, 4.8, FORCE_HOPO, 0.02);
    Note(chart, 4.8, ORANGE);       // forced
    Note(chart, 4.88, STYLE_PHRASE, 0.25);
    Note(chart, 4.92, GREEN, 0.2);
    Note(chart, 5.02, YELLOW);      // a hammer-on in the style phrase
    Note(chart, 5.14, BLUE);        // fading in at the far end
    return chart;
}

inline ChartBuilder ProDrumsCymbalsTomsKickAndFlip() {
    ChartBuilder chart(480, "PART DRUMS");
    chart.Tempo(0, 120.0);
    Note(chart, 3.97, KICK);
    Note(chart, 3.96, RED);
    Note(chart, 4.1, KICK);
    Note(chart, 4.2, RED);
    Note(chart, 4.3, YELLOW);  // cymbal
    Note(chart, 4.4, BLUE);    // cymbal
    Note(chart, 4.5, KICK);
    Note(chart, 4.5, ORANGE);  // green cymbal
    Note(chart, 4.7, TOM_YELLOW, 0.02);
    Note(chart, 4.7, YELLOW);  // tom
    Note(chart, 4.8, TOM_BLUE, 0.02);
    Note(chart, 4.8, BLUE);    // tom
    chart.Text(Ticks(4.9), "mix 3 drums0d");
    Note(chart, 4.95, RED);     // flipped: the yellow cymbal
    Note(chart, 5.0, YELLOW);   // flipped: a red pad
    chart.Text(Ticks(5.05), "mix 3 drums0dnoflip");
    Note(chart, 5.1, RED);
    return chart;
}

inline ChartBuilder StandardDrumsShowNoCymbals() {
    ChartBuilder chart(480, "PART DRUMS");
    chart.Tempo(0, 120.0);
    Note(chart, 4.1, KICK);
    Note(chart, 4.2, RED);
    Note(chart, 4.3, YELLOW);
    Note(chart, 4.4, BLUE);
    Note(chart, 4.5, KICK);
    Note(chart, 4.5, ORANGE);
    Note(chart, 4.75, STYLE_PHRASE, 0.2);
    Note(chart, 4.8, KICK);
    Note(chart, 4.85, BLUE);
    chart.Text(Ticks(4.9), "mix 3 drums0d");  // no flip outside Pro Drums
    Note(chart, 4.95, RED);
    return chart;
}

inline ChartBuilder KeysChordsAndSustains() {
    ChartBuilder chart(480, "PART KEYS");
    chart.Tempo(0, 120.0);
    Note(chart, 3.4, BLUE, 1.2);  // held
    Note(chart, 4.2, GREEN, 0.5);
    Note(chart, 4.2, YELLOW, 0.5);
    Note(chart, 4.6, RED);
    Note(chart, 4.6, BLUE);
    Note(chart, 4.6, ORANGE);
    Note(chart, 4.9, FORCE_HOPO, 0.02);
    Note(chart, 4.9, YELLOW, 0.3);  // keys never show hammer-ons
    return chart;
}

}  // namespace highway_charts
