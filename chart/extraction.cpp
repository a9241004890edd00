#include "chart/extraction.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "chart/acquisition.h"
#include "state/instance.h"

namespace {

constexpr int32_t MODE_PRO_DRUMS = 1;
constexpr int32_t MODE_KEYS = 3;
constexpr int32_t STYLE_NOTE = 116;
constexpr int32_t FIRST_TOM_NOTE = 110;  // 110..112: toms for lanes 2..4
constexpr int32_t FLARE_FRAMES = 30;
constexpr int32_t KICK_FLARE_FRAMES = 21;
// display_position must truncate to a sample that an int64 holds.
constexpr double MAX_DISPLAY_POSITION = 9.0e18;

// Half-open sample range [start, end); empty until set.
struct Range {
    int64_t start = 0;
    int64_t end = 0;
    void Set(const ChartEvent &e) {
        start = e.time;
        end = e.time + e.length;
    }
    bool Contains(int64_t t) const { return t >= start && t < end; }
};

struct Ranges {
    Range style, force_on, force_off, tom[3];
};

struct Group {
    bool set = false;
    int64_t time = 0;
    bool chord = false, style = false, flip = false;
    bool tom[3] = {false, false, false};
};

bool IsTomNote(int32_t note) { return note >= FIRST_TOM_NOTE && note <= FIRST_TOM_NOTE + 2; }

// The drum flip remembered at `time`: the `on` of the last mark at or before it.
bool FlipAt(const PreviewInstance &instance, int64_t time) {
    bool on = false;
    for (int32_t i = 0; i < instance.flip_count && instance.flip_marks[i].time <= time; ++i)
        on = instance.flip_marks[i].on != 0;
    return on;
}

int32_t FlareImage(int32_t flare, bool kick) {
    return (kick ? KICK_FLARE_IMAGE_FIRST : FLARE_IMAGE_FIRST) + (flare - 1) / 3;
}

// Records following `index` that share its time: the group's flags, and the ranges and flip
// marks they set.
void ScanGroup(PreviewInstance &instance, const ChartEvent *events, int32_t count, int32_t index, bool drums,
               int32_t base, Ranges &ranges, Group &group) {
    const int64_t time = events[index].time;
    group = Group{};
    group.set = true;
    group.time = time;
    for (int32_t j = index + 1; j < count && events[j].time == time; ++j) {
        const ChartEvent &f = events[j];
        if (f.note == STYLE_NOTE) group.style = true;
        if (drums) {
            if (f.note == MARKER_FLIP_ON) {
                AddFlipMark(&instance, time, 1);
                group.flip = true;
            } else if (f.note == MARKER_FLIP_OFF) {
                AddFlipMark(&instance, time, 0);
            } else if (IsTomNote(f.note)) {
                group.tom[f.note - FIRST_TOM_NOTE] = true;
            }
        } else {
            if (f.note == base + 5) ranges.force_on.Set(f);
            else if (f.note == base + 6) ranges.force_off.Set(f);
            else if (f.note >= base && f.note <= base + 4) group.chord = true;
        }
    }
}

}  // namespace

void AddFlipMark(PreviewInstance *instance, int64_t time, uint8_t on) {
    if (instance->flip_count > 0 && time <= instance->flip_marks[instance->flip_count - 1].time) return;
    // A full table keeps what it has: later switches are dropped rather than written past it.
    if (instance->flip_count >= FLIP_MARK_CAPACITY) return;
    instance->flip_marks[instance->flip_count] = FlipMark{time, on};
    ++instance->flip_count;
}

int32_t BuildHighwayItems(PreviewInstance *instance, bool drums) {
    PreviewInstance &inst = *instance;
    const bool keys = inst.mode.load(std::memory_order_relaxed) == MODE_KEYS;
    const bool pro_drums = inst.mode.load(std::memory_order_relaxed) == MODE_PRO_DRUMS;
    const int32_t skill = std::clamp<int32_t>(inst.skill.load(std::memory_order_relaxed), 0, 3);
    EnterCriticalSection(&inst.lock);

    const int32_t base = 60 + 12 * skill;
    const double lookahead = LOOKAHEAD_SECONDS[skill];
    const double rate = inst.sample_rate;
    const double display = inst.display_position;
    if (!(display > -1.0 && display < MAX_DISPLAY_POSITION) || !(rate > 0.0) || !std::isfinite(rate)) {
        LeaveCriticalSection(&inst.lock);
        return 0;
    }
    const int64_t now = static_cast<int64_t>(display);

    Ranges ranges;
    Group group;
    int32_t count = 0;
    auto *events = static_cast<ChartEvent *>(inst.chart_events.Get());
    const int32_t total = inst.chart_events.GetSize() / static_cast<int32_t>(sizeof(ChartEvent));
    int32_t keep = 0;

    for (int32_t i = 0; i < total; ++i) {
        ChartEvent e = events[i];
        const double seconds_ahead = double(e.time - now) / rate;

        if (e.note == STYLE_NOTE) ranges.style.Set(e);
        if (drums) {
            if (e.note == MARKER_FLIP_ON) AddFlipMark(&inst, e.time, 1);
            else if (e.note == MARKER_FLIP_OFF) AddFlipMark(&inst, e.time, 0);
            else if (IsTomNote(e.note)) ranges.tom[e.note - FIRST_TOM_NOTE].Set(e);
        } else {
            if (e.note == base + 5) ranges.force_on.Set(e);
            else if (e.note == base + 6) ranges.force_off.Set(e);
        }

        const bool gem = e.note >= base && e.note <= base + 4;
        const bool kick = drums && e.note == base;
        double head = seconds_ahead;
        if (gem && seconds_ahead <= 0.0 && e.flare < (kick ? KICK_FLARE_FRAMES : FLARE_FRAMES)) {
            ++e.flare;
            head = 0.0;  // held at the strike line while it flares
        }
        const double sustain = double(e.length) / rate + seconds_ahead - head;
        const double tail = kick ? 0.0 : std::max(sustain, 0.0);
        if (head + tail < 0.0) continue;  // over: dropped

        if (head < lookahead && (e.note < 0 || gem)) {
            const int32_t wanted = (count + 1) * static_cast<int32_t>(sizeof(HighwayItem));
            inst.highway_items.Resize(wanted, false);
            if (inst.highway_items.GetSize() >= wanted) {
                HighwayItem item{};
                if (e.note < 0) {
                    item.image = e.note;
                    item.lane = -1;
                } else {
                    item.lane = e.note - base;
                    item.image = e.flare == 0 ? item.lane : FlareImage(e.flare, kick);
                    if (!group.set || group.time != e.time)
                        ScanGroup(inst, events, total, i, drums, base, ranges, group);

                    item.style = e.style_latched || group.style || ranges.style.Contains(e.time) ? 1 : 0;
                    if (item.style) e.style_latched = 1;

                    if (drums) {
                        if (item.lane >= 2)
                            item.hopo_or_tom = group.tom[item.lane - 2] || ranges.tom[item.lane - 2].Contains(e.time);
                        if (pro_drums && (group.flip || FlipAt(inst, e.time))) {
                            group.flip = true;
                            if (item.lane == 1) {
                                item.lane = 2;
                                item.hopo_or_tom = 0;
                            } else if (item.lane == 2) {
                                item.lane = 1;
                                item.hopo_or_tom = 1;
                            }
                            if (item.lane == 1 || item.lane == 2)
                                item.image = e.flare == 0 ? item.lane : FlareImage(e.flare, false);
                        }
                    } else if (keys) {
                        item.hopo_or_tom = 0;
                    } else if (ranges.force_on.Contains(e.time)) {
                        item.hopo_or_tom = 1;
                    } else if (ranges.force_off.Contains(e.time)) {
                        item.hopo_or_tom = 0;
                    } else {
                        item.hopo_or_tom = group.chord ? 0 : e.hopo;
                    }
                }
                item.pos = head / lookahead;
                item.len = sustain / lookahead;
                std::memcpy(inst.highway_items.data + count * sizeof(HighwayItem), &item, sizeof item);
                ++count;
            }
        }
        events[keep++] = e;
    }
    inst.chart_events.Resize(keep * static_cast<int32_t>(sizeof(ChartEvent)), false);
    LeaveCriticalSection(&inst.lock);
    return count;
}
