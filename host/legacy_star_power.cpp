#include "host/legacy_star_power.h"

namespace {

constexpr uint8_t OLD_STAR_POWER = 103;
constexpr uint8_t STAR_POWER = 116;

bool IsNote(const SmfEvent &e, uint8_t pitch) {
    const uint8_t kind = e.status & 0xF0;
    return e.kind == SmfEventKind::Channel && (kind == 0x80 || kind == 0x90) && e.data.size() == 2 && e.data[0] == pitch;
}

}  // namespace

int PromoteLegacyStarPower(SmfTrack *track) {
    int old_phrases = 0;
    for (const SmfEvent &e : track->events) {
        if (IsNote(e, STAR_POWER)) return 0;
        if (IsNote(e, OLD_STAR_POWER) && (e.status & 0xF0) == 0x90 && e.data[1] > 0) ++old_phrases;
    }
    if (old_phrases == 0) return 0;
    for (SmfEvent &e : track->events)
        if (IsNote(e, OLD_STAR_POWER)) e.data[0] = STAR_POWER;
    return old_phrases;
}
