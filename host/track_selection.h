// Which track of a MIDI file holds the chart to show.
//
// A request names a track or gives its number (1 = the file's first track): "#2" is always a
// number; "2" is the track literally named "2" when there is one, else track 2; anything else is
// a name, matched exactly and then without regard to ASCII case. With no request, the
// instrument's usual names are tried in order (e.g. "PART GUITAR", then "T1 GEMS"), then the only
// track holding notes, if exactly one does. Format 0 files and unnamed tracks are tracks like any
// other.
//
// Plain functions; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/smf_file.h"

// Note-ons with a velocity above 0.
int CountNotes(const SmfTrack &track);

// "1 \"TEMPO\" (0 notes), 2 unnamed (120 notes)": every track with its number, name and notes.
std::string ListTracks(const SmfFile &file);

// On success sets *index (0-based) and *how ("track 2 \"T1 GEMS\", the usual name for ...") and
// returns true. Otherwise returns false with a one-line *error naming `source`, the request and
// listing the tracks.
bool SelectTrack(const SmfFile &file, const std::string &request, const std::vector<std::string> &usual_names,
                 const std::string &source, size_t *index, std::string *how, std::string *error);
