#include "host/chart_text_convert.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "host/chart_builder.h"

namespace {

constexpr const char *DIFFICULTY_NAMES[4] = {"Easy", "Medium", "Hard", "Expert"};
constexpr int STAR_POWER = 116;
constexpr int TOM_BASE = 110;  // 110, 111, 112: yellow, blue and green are toms

// .chart note lanes of the five-fret instruments.
constexpr int FORCED_FLAG = 5, TAP_FLAG = 6, OPEN_LANE = 7;
// .chart drum lanes: 0 kick, 1 red, 2 yellow, 3 blue, 4 green (orange in five-lane), 5 green
// (five-lane only); 66..68 mark yellow, blue and green as cymbals.
constexpr int FIVE_LANE_GREEN = 5, CYMBAL_FLAG_BASE = 66;

// Order of what starts on one tick: gems, then the markers that shape them, then star power.
enum Order { GEM = 0, MARKER = 1, PHRASE = 2 };

struct OutNote {
    int64_t tick;
    int order;
    int pitch;
    int64_t length;
};

struct Group {
    unsigned lanes = 0;  // bit per lane as written in the chart
    std::array<int64_t, 8> length{};
    unsigned cymbals = 0;  // drums: bit 2..4 for yellow, blue, green cymbal flags
    bool forced = false, tap = false;
};

const char *InstrumentSuffix(ChartTextInstrument instrument) {
    switch (instrument) {
        case ChartTextInstrument::kGuitar: return "Single";
        case ChartTextInstrument::kBass: return "DoubleBass";
        case ChartTextInstrument::kRhythm: return "DoubleRhythm";
        case ChartTextInstrument::kDrums: return "Drums";
        case ChartTextInstrument::kKeys: return "Keyboard";
    }
    return "Single";
}

std::map<int64_t, Group> Groups(const ChartTextSection &section) {
    std::map<int64_t, Group> groups;
    for (const ChartTextEntry &e : section.entries) {
        if (e.type != 'N') continue;
        Group &g = groups[e.tick];
        if (e.value >= 0 && e.value <= OPEN_LANE) {
            g.lanes |= 1u << e.value;
            g.length[size_t(e.value)] = std::max(g.length[size_t(e.value)], e.length);
        }
        if (e.value >= CYMBAL_FLAG_BASE && e.value <= CYMBAL_FLAG_BASE + 2) g.cymbals |= 1u << (e.value - CYMBAL_FLAG_BASE + 2);
        g.forced = g.forced || e.value == FORCED_FLAG;
        g.tap = g.tap || e.value == TAP_FLAG;
    }
    return groups;
}

int Count(unsigned bits) {
    int n = 0;
    for (; bits; bits &= bits - 1) ++n;
    return n;
}

// Five-fret parts. Whether a gem is a hammer-on follows the rule of the games that play .chart
// files: a single note (an open note counts as a lane of its own) is naturally a hammer-on when
// it comes at most `hopo_ticks` after the previous note (65/192 of a quarter by default) and
// that note, or chord, does not hold its lane; chords are strummed. The forced flag flips that
// state, and a tap note is always shown as a hammer-on. Every single gem gets a forced hammer-on
// or forced strum marker of one tick and a chord shown as a hammer-on gets the former, so the
// plug-in shows each gem that way whatever its own threshold (which measures distance
// differently). Keys never show hammer-ons and get no markers.
void FretNotes(const std::map<int64_t, Group> &groups, int base, bool markers, const ChartText &chart, int hopo_ticks,
               std::vector<OutNote> *out, ChartTextReport *report) {
    bool have_previous = false;
    int64_t previous_tick = 0;
    unsigned previous_lanes = 0;
    for (const auto &[tick, g] : groups) {
        const unsigned played = g.lanes & (0x1Fu | (1u << OPEN_LANE));
        if (played == 0) continue;
        const unsigned frets = played & 0x1Fu;
        const int64_t gap = tick - previous_tick;
        const bool close = hopo_ticks > 0 ? gap <= hopo_ticks : gap * 192 <= int64_t(65) * chart.resolution;
        const bool natural = have_previous && Count(played) == 1 && close && (previous_lanes & played) == 0;
        const bool hopo = g.tap || (natural != g.forced);
        for (int lane = 0; lane < 5; ++lane)
            if (frets & (1u << lane)) out->push_back({tick, GEM, base + lane, g.length[size_t(lane)]});
        if (played & (1u << OPEN_LANE)) ++report->open_notes_left_out;
        if (markers && Count(frets) == 1) out->push_back({tick, MARKER, base + (hopo ? 5 : 6), 1});
        if (markers && Count(frets) > 1 && hopo) out->push_back({tick, MARKER, base + 5, 1});
        have_previous = true;
        previous_tick = tick;
        previous_lanes = played;
    }
}

// Drums. In a four-lane chart yellow, blue and green are toms unless a cymbal flag marks them;
// in MIDI the pads are cymbals unless a tom marker (110..112) covers them, so the markers are
// the flags inverted, lane by lane. A five-lane chart is folded to four lanes as the games do:
// yellow (hi-hat) stays a yellow cymbal, blue a blue tom, orange (a cymbal) becomes the green
// cymbal and green (a tom) the green tom; when orange and green come together the green tom
// moves to blue if that is free, else it is left out. Toms are marked only for `with_toms`.
void DrumNotes(const std::map<int64_t, Group> &groups, int base, bool five_lane, bool with_toms,
               std::vector<OutNote> *out, ChartTextReport *report) {
    for (const auto &group : groups) {
        const int64_t tick = group.first;
        const Group &g = group.second;  // a plain reference: the lambda below captures it
        unsigned pads = 0;  // four-lane result: bit per lane 0..4
        unsigned toms = 0;  // bits 2..4
        std::array<int64_t, 5> length{};
        auto put = [&](int lane, int from, bool tom) {
            pads |= 1u << lane;
            length[size_t(lane)] = std::max(length[size_t(lane)], g.length[size_t(from)]);
            if (tom) toms |= 1u << lane;
        };
        if (!five_lane) {
            for (int lane = 0; lane < 5; ++lane)
                if (g.lanes & (1u << lane)) put(lane, lane, lane >= 2 && !(g.cymbals & (1u << lane)));
        } else {
            for (int lane = 0; lane < 4; ++lane)
                if (g.lanes & (1u << lane)) put(lane, lane, lane == 3);
            if (g.lanes & (1u << 4)) put(4, 4, false);
            if (g.lanes & (1u << FIVE_LANE_GREEN)) {
                if (!(pads & (1u << 4))) put(4, FIVE_LANE_GREEN, true);
                else if (!(pads & (1u << 3))) put(3, FIVE_LANE_GREEN, true);
                else ++report->drum_notes_left_out;
            }
        }
        for (int lane = 0; lane < 5; ++lane)
            if (pads & (1u << lane)) out->push_back({tick, GEM, base + lane, length[size_t(lane)]});
        if (with_toms)
            for (int lane = 2; lane < 5; ++lane)
                if (toms & (1u << lane)) out->push_back({tick, MARKER, TOM_BASE + lane - 2, 1});
    }
}

}  // namespace

std::string ChartTextSectionName(ChartTextInstrument instrument, int difficulty) {
    return std::string(DIFFICULTY_NAMES[std::clamp(difficulty, 0, 3)]) + InstrumentSuffix(instrument);
}

std::string ChartTextTrackName(ChartTextInstrument instrument) {
    switch (instrument) {
        case ChartTextInstrument::kGuitar: return "PART GUITAR";
        case ChartTextInstrument::kBass: return "PART BASS";
        case ChartTextInstrument::kRhythm: return "PART RHYTHM";
        case ChartTextInstrument::kDrums: return "PART DRUMS";
        case ChartTextInstrument::kKeys: return "PART KEYS";
    }
    return "PART GUITAR";
}

bool ConvertChartText(const ChartText &chart, const ChartTextConversion &conversion, const std::string &source,
                      SmfFile *out, ChartTextReport *report, std::string *error) {
    *report = ChartTextReport();
    const int shown = std::clamp(conversion.difficulty, 0, 3);
    report->section = ChartTextSectionName(conversion.instrument, shown);
    const ChartTextSection *chosen = chart.Find(report->section);
    if (!chosen) {
        std::string names;
        for (const ChartTextSection &s : chart.sections) names += (names.empty() ? "" : ", ") + s.name;
        *error = source + ": no [" + report->section + "] section (" +
                 (names.empty() ? std::string("the chart has no note sections") : "sections: " + names) + ")";
        return false;
    }
    const bool drums = conversion.instrument == ChartTextInstrument::kDrums;
    if (drums) {
        report->five_lane = conversion.five_lane;
        for (int d = 0; d < 4 && !report->five_lane; ++d) {
            const ChartTextSection *s = chart.Find(ChartTextSectionName(conversion.instrument, d));
            if (!s) continue;
            for (const ChartTextEntry &e : s->entries)
                if (e.type == 'N' && e.value == FIVE_LANE_GREEN) report->five_lane = true;
        }
    }

    std::vector<OutNote> notes;
    for (int d = 0; d < 4; ++d) {
        const ChartTextSection *section = chart.Find(ChartTextSectionName(conversion.instrument, d));
        if (!section) continue;
        const int base = 60 + 12 * d;
        ChartTextReport counted;
        const std::map<int64_t, Group> groups = Groups(*section);
        if (drums)
            DrumNotes(groups, base, report->five_lane, d == shown, &notes, &counted);
        else
            FretNotes(groups, base, conversion.instrument != ChartTextInstrument::kKeys, chart, conversion.hopo_ticks,
                      &notes, &counted);
        if (d == shown) {
            report->open_notes_left_out = counted.open_notes_left_out;
            report->drum_notes_left_out = counted.drum_notes_left_out;
        }
    }
    for (const ChartTextEntry &e : chosen->entries)
        if (e.type == 'S' && e.value == 2) notes.push_back({e.tick, PHRASE, STAR_POWER, e.length});

    // One note per pitch and tick (the longest); a note ends no later than the next of its pitch
    // begins, and lasts at least one tick so that its note-off comes after its note-on.
    std::stable_sort(notes.begin(), notes.end(), [](const OutNote &a, const OutNote &b) {
        if (a.pitch != b.pitch) return a.pitch < b.pitch;
        if (a.tick != b.tick) return a.tick < b.tick;
        return a.length > b.length;
    });
    std::vector<OutNote> kept;
    for (size_t i = 0; i < notes.size(); ++i) {
        if (i > 0 && notes[i].pitch == notes[i - 1].pitch && notes[i].tick == notes[i - 1].tick) continue;
        OutNote n = notes[i];
        size_t next = i + 1;
        while (next < notes.size() && notes[next].pitch == n.pitch && notes[next].tick == n.tick) ++next;
        if (next < notes.size() && notes[next].pitch == n.pitch) n.length = std::min(n.length, notes[next].tick - n.tick);
        n.length = std::max<int64_t>(n.length, 1);
        kept.push_back(n);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const OutNote &a, const OutNote &b) {
        if (a.tick != b.tick) return a.tick < b.tick;
        if (a.order != b.order) return a.order < b.order;
        return a.pitch < b.pitch;
    });

    ChartBuilder builder(chart.resolution, ChartTextTrackName(conversion.instrument));
    // MIDI holds a tempo as whole microseconds per quarter note: 6e10 / (thousandths of a beat
    // per minute), rounded, which stays within half a microsecond per quarter of the chart's.
    for (const ChartTextTempo &t : chart.tempos)
        builder.TempoMicroseconds(t.tick, uint32_t(std::llround(6e10 / double(t.millibeats_per_minute))));
    for (const ChartTextSignature &s : chart.signatures) builder.Signature(s.tick, s.numerator, s.denominator);
    for (const OutNote &n : kept) builder.Note(n.tick, n.pitch, n.length);
    *out = builder.ToSmf();
    if (!chart.events.empty()) {
        SmfTrack events;
        auto text = [](int64_t tick, uint8_t type, const std::string &value) {
            SmfEvent e;
            e.tick = tick;
            e.kind = SmfEventKind::Meta;
            e.status = 0xFF;
            e.type = type;
            e.data.assign(value.begin(), value.end());
            return e;
        };
        events.events.push_back(text(0, SMF_META_TRACK_NAME, "EVENTS"));
        std::vector<std::pair<int64_t, std::string>> sorted = chart.events;
        std::stable_sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        for (const auto &[tick, value] : sorted)
            events.events.push_back(text(tick, SMF_META_TEXT, value.size() > 1 && value.front() == '[' ? value : "[" + value + "]"));
        out->tracks.push_back(std::move(events));
    }
    return true;
}
