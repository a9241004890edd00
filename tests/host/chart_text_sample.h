// A .chart written to use every kind of entry the previewer reads, and the MIDI an author would
// make of it, built by hand with the chart builder: the reader and converter must turn the first
// into exactly the second. Resolution 192; at 120 per minute a second is 384 ticks.
#pragma once

#include <string>

#include "host/chart_builder.h"

namespace chart_text_sample {

// Expert gems 96..100, forced hammer-on 101, forced strum 102; Hard 84.., 89, 90.
inline constexpr int HOPO = 101, STRUM = 102, STAR = 116, TOM_Y = 110, TOM_B = 111, TOM_G = 112;

inline const char *const CHART =
    "\xEF\xBB\xBF[Song]\r\n{\r\n  Name = \"Sample\"\r\n  Artist = \"Nobody\"\r\n  Resolution = 192\r\n"
    "  Offset = 0.5\r\n  MusicStream = \"song.ogg\"\r\n  GuitarStream = \"guitar.ogg\"\r\n}\r\n"
    "[SyncTrack]\r\n{\r\n  0 = TS 4\r\n  0 = B 120000\r\n  0 = A 0\r\n  768 = B 150000\r\n  1152 = TS 3\r\n"
    "  1536 = TS 6 3\r\n}\r\n"
    "[Events]\r\n{\r\n  0 = E \"section Intro\"\r\n  768 = E \"section Verse\"\r\n}\r\n"
    "[ExpertSingle]\r\n{\r\n"
    "  192 = N 0 0\r\n"                              // first note: strummed
    "  240 = N 1 0\r\n"                              // 48 ticks later, another lane: hammer-on
    "  288 = N 1 0\r\n"                              // same lane: strummed
    "  336 = N 2 0\r\n  336 = N 5 0\r\n"             // a hammer-on forced to strum
    "  480 = N 3 0\r\n  480 = N 5 0\r\n"             // far: strum forced to hammer-on
    "  528 = N 0 96\r\n  528 = N 4 96\r\n"           // a sustained chord
    "  576 = N 4 0\r\n"                              // close, but the chord held its lane
    "  624 = N 1 0\r\n  624 = N 6 0\r\n"             // tap: a hammer-on
    "  672 = N 7 0\r\n"                              // open: left out, still the previous note
    "  700 = N 2 0\r\n"                              // close after the open note: hammer-on
    "  720 = N 0 0\r\n  720 = N 1 0\r\n  720 = N 5 0\r\n"  // chord forced to hammer-on
    "  768 = S 2 384\r\n  768 = N 3 200\r\n  800 = E solo\r\n"
    "  960 = N 3 0\r\n"                              // ends the sustain before it
    "  1200 = N 2 0\r\n  1600 = N 4 0\r\n"
    "}\r\n"
    "[HardSingle]\r\n{\r\n  192 = S 2 96\r\n  192 = N 0 0\r\n  288 = N 1 0\r\n}\r\n"
    "[ExpertDrums]\r\n{\r\n"
    "  192 = N 0 0\r\n  192 = N 2 0\r\n  192 = N 66 0\r\n"  // kick and yellow cymbal
    "  288 = N 2 0\r\n"                                      // yellow tom
    "  384 = N 3 0\r\n  384 = N 67 0\r\n"                    // blue cymbal
    "  480 = N 1 0\r\n  480 = N 4 0\r\n"                     // red and green tom
    "  576 = N 4 0\r\n  576 = N 68 0\r\n  576 = N 34 0\r\n"  // green cymbal (with an accent)
    "  672 = N 32 0\r\n  768 = S 2 192\r\n  768 = N 0 0\r\n"  // second-player kick left out
    "}\r\n"
    "[ExpertKeyboard]\r\n{\r\n  192 = N 0 0\r\n  240 = N 1 0\r\n  240 = N 5 0\r\n  300 = N 7 0\r\n}\r\n";

// Five-lane drums: yellow (hi-hat) and orange are cymbals, blue and green toms.
inline const char *const FIVE_LANE_CHART =
    "[Song]\n{\n  Resolution = 192\n}\n[SyncTrack]\n{\n  0 = B 120000\n}\n[ExpertDrums]\n{\n"
    "  192 = N 0 0\n  192 = N 2 0\n"            // kick, yellow cymbal
    "  288 = N 3 0\n"                          // blue tom
    "  384 = N 4 0\n"                          // orange: green cymbal
    "  480 = N 5 0\n"                          // green: green tom
    "  576 = N 4 0\n  576 = N 5 0\n"            // both: the green tom moves to blue
    "  672 = N 3 0\n  672 = N 4 0\n  672 = N 5 0\n"  // no lane left for the green
    "}\n";

inline ChartBuilder Base(const std::string &track) {
    ChartBuilder b(192, track);
    b.TempoMicroseconds(0, 500000).Signature(0, 4, 4).TempoMicroseconds(768, 400000).Signature(1152, 3, 4)
        .Signature(1536, 6, 8);
    return b;
}

inline ChartBuilder Guitar() {
    ChartBuilder b = Base("PART GUITAR");
    b.Note(192, 84, 1).Note(192, 96, 1).Note(192, 90, 1).Note(192, STRUM, 1);
    b.Note(240, 97, 1).Note(240, HOPO, 1);
    b.Note(288, 85, 1).Note(288, 97, 1).Note(288, 90, 1).Note(288, STRUM, 1);
    b.Note(336, 98, 1).Note(336, STRUM, 1);
    b.Note(480, 99, 1).Note(480, HOPO, 1);
    b.Note(528, 96, 96).Note(528, 100, 48);  // the orange ends where the next orange begins
    b.Note(576, 100, 1).Note(576, STRUM, 1);
    b.Note(624, 97, 1).Note(624, HOPO, 1);
    b.Note(700, 98, 1).Note(700, HOPO, 1);
    b.Note(720, 96, 1).Note(720, 97, 1).Note(720, HOPO, 1);
    b.Note(768, 99, 192).Note(768, HOPO, 1).Note(768, STAR, 384);  // close after the chord
    b.Note(960, 99, 1).Note(960, STRUM, 1);
    b.Note(1200, 98, 1).Note(1200, STRUM, 1);
    b.Note(1600, 100, 1).Note(1600, STRUM, 1);
    return b;
}

inline ChartBuilder Drums() {
    ChartBuilder b = Base("PART DRUMS");
    b.Note(192, 96, 1).Note(192, 98, 1);
    b.Note(288, 98, 1).Note(288, TOM_Y, 1);
    b.Note(384, 99, 1);
    b.Note(480, 97, 1).Note(480, 100, 1).Note(480, TOM_G, 1);
    b.Note(576, 100, 1);
    b.Note(768, 96, 1).Note(768, STAR, 192);
    return b;
}

inline ChartBuilder Keys() {
    ChartBuilder b = Base("PART KEYS");
    b.Note(192, 96, 1).Note(240, 97, 1);
    return b;
}

inline ChartBuilder FiveLaneDrums() {
    ChartBuilder b(192, "PART DRUMS");
    b.TempoMicroseconds(0, 500000);
    b.Note(192, 96, 1).Note(192, 98, 1);
    b.Note(288, 99, 1).Note(288, TOM_B, 1);
    b.Note(384, 100, 1);
    b.Note(480, 100, 1).Note(480, TOM_G, 1);
    b.Note(576, 99, 1).Note(576, 100, 1).Note(576, TOM_B, 1);
    b.Note(672, 99, 1).Note(672, 100, 1).Note(672, TOM_B, 1);
    return b;
}

}  // namespace chart_text_sample
