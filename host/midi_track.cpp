#include "host/midi_track.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "state/midi_list.h"

namespace {

constexpr uint32_t MAX_TEXT_BYTES = 255;

// Record length for a message of `size` bytes: the header and the message rounded up to a
// multiple of 4, never less than 12 (the layout the event list expects).
size_t RecordStride(size_t size) { return std::max<size_t>(12, (8 + size + 3) & ~size_t(3)); }

// The message bytes a DAW would hand out for `event`; empty when it hands out nothing.
std::vector<uint8_t> Message(const SmfEvent &event) {
    std::vector<uint8_t> message;
    switch (event.kind) {
        case SmfEventKind::Channel:
            message.push_back(event.status);
            message.insert(message.end(), event.data.begin(), event.data.end());
            break;
        case SmfEventKind::Meta: {
            // The track name names the track; it is not one of its events.
            if (event.type < SMF_META_TEXT || event.type > SMF_META_LAST_TEXT || event.type == SMF_META_TRACK_NAME)
                break;
            const size_t length = std::min<size_t>(event.data.size(), MAX_TEXT_BYTES);
            message.push_back(0xFF);
            message.push_back(event.type);
            message.push_back(uint8_t(length));
            message.insert(message.end(), event.data.begin(), event.data.begin() + std::ptrdiff_t(length));
            break;
        }
        case SmfEventKind::SysEx:
            if (event.type == 0xF0) message.push_back(0xF0);
            message.insert(message.end(), event.data.begin(), event.data.end());
            break;
    }
    return message;
}

}  // namespace

bool HostSamplePosition(double seconds, double sample_rate, int64_t *out) {
    const double position = std::floor(seconds * sample_rate + 0.5);
    if (!std::isfinite(position) || std::fabs(position) > 4611686018427387904.0) return false;
    *out = static_cast<int64_t>(position);
    return true;
}

MidiTrack::MidiTrack(const SmfTrack &track, const TempoMap &tempo_map) : name_(track.Name()) {
    for (const SmfEvent &event : track.events) {
        const std::vector<uint8_t> message = Message(event);
        if (message.empty()) continue;
        // Records larger than an int32 size field can describe are not deliverable.
        if (message.size() > 0x7FFF0000u) continue;
        const size_t stride = RecordStride(message.size());
        if (records_.size() + stride > 0xFFFFFFFFu) continue;
        const size_t at = records_.size();
        records_.resize(at + stride, 0);
        const int32_t header[2] = {0, int32_t(message.size())};
        std::memcpy(&records_[at], header, sizeof header);
        std::memcpy(&records_[at + 8], message.data(), message.size());
        offsets_.push_back(uint32_t(at));
        seconds_.push_back(tempo_map.TickToSeconds(double(event.tick)));
    }
    samples_.resize(seconds_.size());
}

void MidiTrack::PlaceAtRate(double sample_rate) {
    int64_t previous = INT64_MIN;
    for (size_t i = 0; i < seconds_.size(); ++i) {
        int64_t position;
        if (!HostSamplePosition(seconds_[i], sample_rate, &position)) position = INT64_MAX;
        // Positions never go backwards, so the window search below stays valid.
        previous = std::max(previous, position);
        samples_[i] = previous;
    }
    placed_rate_ = sample_rate;
}

void MidiTrack::AppendRawMidi(double start_seconds, double sample_rate, int32_t length_samples,
                              MIDI_eventlist *out) {
    if (!out || length_samples <= 0 || !std::isfinite(sample_rate) || sample_rate <= 0.0) return;
    int64_t start;
    if (!HostSamplePosition(start_seconds, sample_rate, &start)) return;
    const int64_t end = start + length_samples;

    std::lock_guard<std::mutex> hold(mutex_);
    if (sample_rate != placed_rate_) PlaceAtRate(sample_rate);
    auto it = std::lower_bound(samples_.begin(), samples_.end(), start);
    for (; it != samples_.end() && *it < end; ++it) {
        const size_t index = size_t(it - samples_.begin());
        uint8_t *record = &records_[offsets_[index]];
        const int32_t frame_offset = int32_t(*it - start);
        std::memcpy(record, &frame_offset, sizeof frame_offset);
        out->AppendEvent(reinterpret_cast<const MidiEventRecord *>(record));
    }
}
