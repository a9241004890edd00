#pragma once
// The bundled demo chart: about a minute of music for guitar, bass, drums and keys at all four
// difficulties, written to show everything the highway draws: single notes, chords, natural and
// forced hammer-ons/pull-offs, sustains of several lengths, style phrases, tom markers, kicks,
// "mix" events switching the drum flip on and off, a tempo change and a 3/4 section.
#include "host/smf_file.h"

namespace qlv::demo {

constexpr int kTicksPerQuarter = 480;

// The whole song as a format 1 file: the tempo map first, then "PART GUITAR", "PART BASS",
// "PART DRUMS" and "PART KEYS".
SmfFile BuildDemoSong();

}  // namespace qlv::demo
