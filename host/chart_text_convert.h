// Turns a .chart (chart_text_reader.h) into the MIDI file an author converting it would make for
// one instrument: a tempo track with every tempo and signature change at its tick, an "EVENTS"
// track with the [Events] texts, and the instrument's track ("PART GUITAR", ...) holding the
// notes of all four difficulties (gems on 60..64, 72..76, 84..88, 96..100) and the markers the
// plug-in reads.
//
// Difficulty-wide markers in MIDI (star power 116, pro-drum toms 110..112) are shared by the four
// difficulties while a .chart keeps them per difficulty, so they are taken from the difficulty
// being shown. What the plug-in has no lane for (open notes, six-fret parts, a second kick) is
// left out and counted.
//
// Plain values and functions; any thread.
#pragma once

#include <string>

#include "host/chart_text_reader.h"
#include "host/smf_file.h"

enum class ChartTextInstrument { kGuitar, kBass, kRhythm, kDrums, kKeys };

struct ChartTextConversion {
    ChartTextInstrument instrument = ChartTextInstrument::kGuitar;
    int difficulty = 3;  // 0 Easy .. 3 Expert: the one whose star power and toms are used
    // Hammer-on distance at the chart's resolution; 0 means 65/192 of a quarter note.
    int hopo_ticks = 0;
    // Drums written for five lanes (song.ini five_lane_drums); a chart with a lane-5 drum note is
    // taken as five-lane anyway.
    bool five_lane = false;
};

struct ChartTextReport {
    int open_notes_left_out = 0;
    int drum_notes_left_out = 0;  // five-lane notes with no free lane after folding
    bool five_lane = false;
    std::string section;          // the section shown, e.g. "ExpertSingle"
};

// The section name of an instrument at a difficulty ("ExpertSingle", "HardDrums", ...).
std::string ChartTextSectionName(ChartTextInstrument instrument, int difficulty);
// The MIDI track the conversion makes ("PART GUITAR", ...).
std::string ChartTextTrackName(ChartTextInstrument instrument);

// False with *error ("source: no [ExpertSingle] section (sections: ...)") when the chart has no
// section for the instrument at `conversion.difficulty`.
bool ConvertChartText(const ChartText &chart, const ChartTextConversion &conversion, const std::string &source,
                      SmfFile *out, ChartTextReport *report, std::string *error);
