// The reference host's MIDI track: the events of one track of a Standard MIDI File placed on the
// time axis by a tempo map, handed out window by window the way Track_GetRawMIDI delivers them.
//
// What is delivered: every channel message as it stands (status byte first, running status
// already expanded), every text-like meta event (types 0x01..0x0F) in file form (0xFF, type, one
// length byte, text; texts longer than 255 bytes are cut to 255 so the length byte stays true),
// and system-exclusive messages (0xF0 and the payload; an escaped 0xF7 event as its raw payload).
// The track name, tempo, signature, end-of-track and the other non-text meta events are the
// project's business and are not delivered.
//
// Windows. An event's sample position is computed once per sample rate, as an integer:
// floor(seconds x rate + 0.5). A window [start, start + length) starts at the integer nearest its
// start in seconds x rate (halves rounding up, the same rule), so back-to-back windows cover
// every sample exactly once and an event lying exactly on a window start is in that window only.
//
// Threads: AppendRawMidi may be called from any thread; calls are serialised by an internal
// mutex. After construction it allocates nothing (the per-rate positions are rewritten in place).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "host/host_project.h"
#include "host/smf_file.h"
#include "host/tempo_map.h"

class MidiTrack final : public HostTrack {
public:
    // Takes the deliverable events of `track`, placed in time by `tempo_map` (only read here).
    MidiTrack(const SmfTrack &track, const TempoMap &tempo_map);

    void AppendRawMidi(double start_seconds, double sample_rate, int32_t length_samples,
                       MIDI_eventlist *out) override;

    const std::string &name() const { return name_; }
    // Number of deliverable events.
    size_t size() const { return seconds_.size(); }
    // Time of event `index` in seconds.
    double SecondsAt(size_t index) const { return seconds_[index]; }

private:
    void PlaceAtRate(double sample_rate);

    std::string name_;
    std::vector<uint8_t> records_;   // prebuilt records (header + message), back to back, 4-aligned
    std::vector<uint32_t> offsets_;  // start of each record in records_
    std::vector<double> seconds_;    // event times, ascending
    std::vector<int64_t> samples_;   // event positions at placed_rate_
    double placed_rate_ = 0.0;       // 0: not yet placed
    std::mutex mutex_;
};

// The one rounding rule of the host's sample positions (see above). False for a value that is not
// finite or lies beyond +-2^62.
bool HostSamplePosition(double seconds, double sample_rate, int64_t *out);
