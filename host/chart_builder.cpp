#include "host/chart_builder.h"

#include <algorithm>
#include <cmath>

#include "host/smf_writer.h"

namespace {

uint8_t Data7(int value) { return uint8_t(std::clamp(value, 0, 127)); }
uint8_t Channel(int channel) { return uint8_t(std::clamp(channel, 0, 15)); }

SmfEvent Meta(int64_t tick, uint8_t type, std::vector<uint8_t> data) {
    SmfEvent event;
    event.tick = tick;
    event.kind = SmfEventKind::Meta;
    event.status = 0xFF;
    event.type = type;
    event.data = std::move(data);
    return event;
}

bool IsNoteOff(const SmfEvent &event) {
    if (event.kind != SmfEventKind::Channel) return false;
    const uint8_t kind = event.status & 0xF0u;
    return kind == 0x80 || (kind == 0x90 && event.data.size() >= 2 && event.data[1] == 0);
}

}  // namespace

ChartBuilder::ChartBuilder(int ticks_per_quarter, std::string track_name)
    : ticks_per_quarter_(std::clamp(ticks_per_quarter, 1, 32767)), track_name_(std::move(track_name)) {}

ChartBuilder &ChartBuilder::Tempo(int64_t tick, double quarter_notes_per_minute) {
    const double usec = 60e6 / quarter_notes_per_minute;
    if (std::isfinite(usec) && usec >= 1.0 && usec <= 16777215.0)
        tempos_.push_back({tick, uint32_t(std::lround(usec))});
    return *this;
}

ChartBuilder &ChartBuilder::TempoMicroseconds(int64_t tick, uint32_t usec_per_quarter) {
    if (usec_per_quarter >= 1 && usec_per_quarter <= 0xFFFFFFu) tempos_.push_back({tick, usec_per_quarter});
    return *this;
}

ChartBuilder &ChartBuilder::Signature(int64_t tick, int numerator, int denominator) {
    const SignatureChange change{tick, numerator, denominator};
    if (IsValidSignature(change)) signatures_.push_back(change);
    return *this;
}

void ChartBuilder::Add(SmfEvent event) {
    event.tick = std::max<int64_t>(event.tick, 0);
    const bool off = IsNoteOff(event);
    entries_.push_back({std::move(event), off});
}

ChartBuilder &ChartBuilder::Note(int64_t tick, int pitch, int64_t length, int velocity, int channel) {
    NoteOn(tick, pitch, velocity, channel);
    return NoteOff(tick + std::max<int64_t>(length, 0), pitch, channel);
}

ChartBuilder &ChartBuilder::NoteOn(int64_t tick, int pitch, int velocity, int channel) {
    return Raw(tick, {uint8_t(0x90 | Channel(channel)), Data7(pitch), Data7(velocity)});
}

ChartBuilder &ChartBuilder::NoteOff(int64_t tick, int pitch, int channel, bool as_zero_velocity) {
    if (as_zero_velocity) return Raw(tick, {uint8_t(0x90 | Channel(channel)), Data7(pitch), 0});
    return Raw(tick, {uint8_t(0x80 | Channel(channel)), Data7(pitch), 64});
}

ChartBuilder &ChartBuilder::Controller(int64_t tick, int controller, int value, int channel) {
    return Raw(tick, {uint8_t(0xB0 | Channel(channel)), Data7(controller), Data7(value)});
}

ChartBuilder &ChartBuilder::Text(int64_t tick, const std::string &text, uint8_t type) {
    Add(Meta(tick, type, std::vector<uint8_t>(text.begin(), text.end())));
    return *this;
}

ChartBuilder &ChartBuilder::Raw(int64_t tick, std::vector<uint8_t> message) {
    if (message.empty() || message[0] < 0x80 || message[0] >= 0xF0) return *this;
    SmfEvent event;
    event.tick = tick;
    event.kind = SmfEventKind::Channel;
    event.status = message[0];
    event.data.assign(message.begin() + 1, message.end());
    Add(std::move(event));
    return *this;
}

SmfFile ChartBuilder::ToSmf() const {
    SmfFile file;
    file.format = 1;
    file.ticks_per_quarter = ticks_per_quarter_;

    SmfTrack tempo_track;
    std::vector<SmfEvent> map;
    for (const TempoChange &t : tempos_) {
        const uint32_t u = t.usec_per_quarter;
        map.push_back(Meta(std::max<int64_t>(t.tick, 0), SMF_META_TEMPO, {uint8_t(u >> 16), uint8_t(u >> 8), uint8_t(u)}));
    }
    for (const SignatureChange &s : signatures_) {
        uint8_t power = 0;
        while ((1 << power) < s.denominator) ++power;
        map.push_back(Meta(std::max<int64_t>(s.tick, 0), SMF_META_TIME_SIGNATURE, {uint8_t(s.numerator), power, 24, 8}));
    }
    std::stable_sort(map.begin(), map.end(), [](const SmfEvent &a, const SmfEvent &b) { return a.tick < b.tick; });
    tempo_track.events.push_back(Meta(0, SMF_META_TRACK_NAME, {'T', 'E', 'M', 'P', 'O'}));
    tempo_track.events.insert(tempo_track.events.end(), map.begin(), map.end());
    file.tracks.push_back(std::move(tempo_track));

    std::vector<const Entry *> order;
    for (const Entry &entry : entries_) order.push_back(&entry);
    std::stable_sort(order.begin(), order.end(), [](const Entry *a, const Entry *b) {
        if (a->event.tick != b->event.tick) return a->event.tick < b->event.tick;
        return a->note_off && !b->note_off;
    });
    SmfTrack chart;
    chart.events.push_back(
        Meta(0, SMF_META_TRACK_NAME, std::vector<uint8_t>(track_name_.begin(), track_name_.end())));
    for (const Entry *entry : order) chart.events.push_back(entry->event);
    file.tracks.push_back(std::move(chart));
    return file;
}

std::vector<uint8_t> ChartBuilder::ToBytes() const { return WriteSmf(ToSmf()); }

bool ChartBuilder::WriteFile(const std::string &path, std::string *error) const {
    return WriteSmfFile(ToSmf(), path, error);
}

TempoMap ChartBuilder::BuildTempoMap() const { return TempoMap(ticks_per_quarter_, tempos_, signatures_); }

std::unique_ptr<ChartProject> ChartBuilder::BuildProject() const {
    std::string error;
    return ChartProject::FromSmf(ToSmf(), "chart builder", track_name_, &error);
}
