// Charts made for the older games mark star power with note 103, where later files use 116 (and
// 103 means a solo). A five-fret track with no 116 at all but some 103 is such a chart.
//
// Plain function; any thread.
#pragma once

#include "host/smf_file.h"

// When `track` has no note 116 and has note-ons of 103, renumbers its 103 notes (on and off) to
// 116 and returns how many note-ons it renumbered; otherwise changes nothing and returns 0.
int PromoteLegacyStarPower(SmfTrack *track);
