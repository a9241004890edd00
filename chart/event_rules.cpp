// Raw MIDI of one fetch window to chart events: the drum "mix" texts, and note-on/note-off
// pairing with the automatic hammer-on/pull-off decision.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "chart/acquisition_steps.h"
#include "chart/extraction.h"
#include "state/midi_list.h"
#include "state/instance.h"

namespace {

constexpr int32_t MODE_PRO_DRUMS = 1;
constexpr int32_t LOWEST_GEM_NOTE = 60;
constexpr int32_t HIGHEST_GEM_NOTE = 107;
constexpr int32_t CONTROLLER_ALL_NOTES_OFF = 123;
constexpr double MIN_SUSTAIN_QN = 0.3;
// The host places ticks on whole samples, so a gap written as exactly the threshold (or a hold
// of exactly the minimum sustain) comes back a little over or under it. Within half a tick (at
// 480 per quarter note) of the limit, a measure counts as equal to it.
constexpr double HALF_TICK_QN = 1.0 / 960.0;
constexpr int32_t MIX_TEXT_MIN_CHARS = 13;  // up to and including the 'd' of "drums0d"

bool InGemRange(int32_t note) { return note >= LOWEST_GEM_NOTE && note <= HIGHEST_GEM_NOTE; }

// Gem of one difficulty octave: the first five notes of each octave from 60.
bool IsGemOfOctave(int32_t note) { return InGemRange(note) && (note - LOWEST_GEM_NOTE) % 12 <= 4; }

// The time map's answer for a position in samples. Chords and stacked notes ask for the same
// position over and over, so the last answer is kept for the block.
double QuarterNotesAt(const WindowContext &context, double samples) {
    BlockShortcuts &shortcuts = *context.shortcuts;
    if (shortcuts.quarter_notes_known && samples == shortcuts.quarter_notes_samples) return shortcuts.quarter_notes;
    const double answer = HostFunctions.TimeMap2_timeToQN(context.project, samples / context.sample_rate);
    shortcuts.quarter_notes_known = true;
    shortcuts.quarter_notes_samples = samples;
    shortcuts.quarter_notes = answer;
    return answer;
}

}  // namespace

int32_t MixTextMarker(const uint8_t *message, int32_t size, int32_t mode, int32_t skill) {
    if (mode != MODE_PRO_DRUMS || size < 4 || message[1] != 1) return 0;
    // File form: 0xFF, type, length byte, then the text. Chart tools write these texts in
    // brackets; a leading bracket is skipped and every position counts from the next character.
    const uint8_t *text = message + 3;
    int32_t length = size - 3;
    if (text[0] == '[') {
        ++text;
        --length;
    }
    if (length < MIX_TEXT_MIN_CHARS || std::memcmp(text, "mix", 3) != 0) return 0;
    if (text[4] != '0' + skill) return 0;
    // Whatever follows the 'd' is compared only as far as the text goes.
    const bool noflip = length >= MIX_TEXT_MIN_CHARS + 6 && std::memcmp(text + 13, "noflip", 6) == 0;
    return text[12] == 'd' && !noflip ? MARKER_FLIP_ON : MARKER_FLIP_OFF;
}

void ApplyEventRecord(const WindowContext &context, const MidiEventRecord &record, double position) {
    GrowBuf &events = context.instance->chart_events;
    const uint8_t *message = record.bytes();
    const int32_t size = record.size;

    if (size > 3) {
        const int32_t kind = MixTextMarker(message, size, context.mode, context.skill);
        if (kind != 0) AppendChartEvent(events, ChartEvent{static_cast<int64_t>(position), kind, 0, 0, 0, 0});
        return;
    }
    // Every message counted below carries two data bytes; a shorter one (which would leave its
    // data in the record's padding) counts as nothing.
    if (size < 3) return;
    const uint8_t status = message[0];
    const uint8_t status_class = status & 0xF0u;
    const int32_t number = message[1];
    const int32_t velocity = message[2];
    const bool note_message = status >= 0x80 && status <= 0x9F;
    const bool all_notes_off = status_class == 0xB0 && number == CONTROLLER_ALL_NOTES_OFF;
    if (!note_message && !all_notes_off) return;
    const bool note_on = status_class == 0x90;

    const double beat = QuarterNotesAt(context, position);
    // Only a gem of a difficulty octave can be a hammer-on; for any other note the check below
    // never passes.
    bool candidate = note_on && IsGemOfOctave(number);
    bool matched = false;
    int64_t matched_time = 0;
    bool hopo = false;
    int32_t seen = 0;
    double last_distance = 0.0;
    const double hopo_limit = context.hopo_threshold_qn - HALF_TICK_QN;
    // The latest start found too far back for a hammer-on: the time map only moves forwards, so
    // whatever began at or before it is too far back as well, and needs no conversion.
    int64_t too_far_from = INT64_MIN;

    auto *records = static_cast<ChartEvent *>(events.Get());
    const int32_t count = events.GetSize() / static_cast<int32_t>(sizeof(ChartEvent));
    BlockShortcuts &shortcuts = *context.shortcuts;
    // An all-notes-off at or after the last one need not look at what that one settled.
    const int32_t first =
        all_notes_off && position >= shortcuts.settled_position ? std::min(shortcuts.settled, count) : 0;
    int32_t lowest_unended = count;
    for (int32_t i = count - 1; i >= first; --i) {
        // Only looking for the partner now: go straight to the latest record of its number, as
        // nothing after that one has it.
        if (!candidate && !matched && !all_notes_off) {
            const int32_t latest = shortcuts.latest_of_note[number];
            if (latest >= 0 && latest < i) i = latest;
        }
        ChartEvent &r = records[i];
        if (matched && r.time != matched_time) break;
        // Paired, and the hammer-on decision taken: nothing further back can change either.
        if (matched && !candidate) break;

        if (candidate && r.time > too_far_from && InGemRange(r.note) && std::abs(r.note - number) < 5 &&
            IsGemOfOctave(r.note)) {
            const double distance = beat - QuarterNotesAt(context, double(r.time));
            if (distance >= hopo_limit) too_far_from = r.time;
            if (distance < hopo_limit) {
                if (r.note != number && distance != last_distance) {
                    hopo = true;
                    ++seen;
                    last_distance = distance;
                } else if (r.note != number) {
                    // Same earlier chord as the neighbour already counted, or sounding together
                    // with the new note.
                    hopo = false;
                    candidate = false;
                    last_distance = distance;
                } else {
                    hopo = seen > 0 && distance != last_distance;
                    candidate = false;
                }
            }
        }

        if (!matched && (r.note == number || all_notes_off)) {
            if (position < double(r.time)) {
                lowest_unended = i;
                continue;
            }
            int64_t sustain = static_cast<int64_t>(position - double(r.time));
            if ((InGemRange(number) && number % 12 < 5) || all_notes_off) {
                if (beat - QuarterNotesAt(context, double(r.time)) < MIN_SUSTAIN_QN - HALF_TICK_QN) sustain = 0;
            }
            if (r.length > sustain) r.length = sustain;
            if (!all_notes_off) {
                matched = true;
                matched_time = r.time;
            }
        }
    }
    if (all_notes_off) {
        shortcuts.settled = lowest_unended;
        shortcuts.settled_position = position;
    }

    if (note_on && velocity != 0 &&
        AppendChartEvent(events, ChartEvent{static_cast<int64_t>(position), number, 0, OPEN_LENGTH,
                                            hopo ? uint8_t(1) : uint8_t(0), 0}))
        shortcuts.latest_of_note[number] = count;
}
