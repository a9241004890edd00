// Builds charts in code: notes, marker notes, text events, controllers, tempo and signature
// changes, on a tick axis. The result is a Standard MIDI File (as a model, as bytes, or written to
// disk) of format 1 with the tempo map in the first track and the chart in the second, or a
// ChartProject ready to be served to a plug-in.
//
// At the same tick, note-offs are placed before everything else, so a note may end exactly where
// the next one of its pitch begins; otherwise events keep the order they were added in.
//
// Plain value; not shared between threads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/chart_project.h"
#include "host/smf_file.h"
#include "host/tempo_map.h"

class ChartBuilder {
public:
    explicit ChartBuilder(int ticks_per_quarter = 480, std::string track_name = "PART GUITAR");

    int ticks_per_quarter() const { return ticks_per_quarter_; }

    // Tempo from `tick` on, in quarter notes per minute (rounded to whole microseconds).
    ChartBuilder &Tempo(int64_t tick, double quarter_notes_per_minute);
    ChartBuilder &TempoMicroseconds(int64_t tick, uint32_t usec_per_quarter);
    // Time signature from `tick` on; `denominator` must be a power of two (else ignored).
    ChartBuilder &Signature(int64_t tick, int numerator, int denominator);

    // A note-on at `tick` and a note-off (status 0x80) `length` ticks later.
    ChartBuilder &Note(int64_t tick, int pitch, int64_t length, int velocity = 100, int channel = 0);
    ChartBuilder &NoteOn(int64_t tick, int pitch, int velocity = 100, int channel = 0);
    // A note-off as status 0x80, or as a note-on with velocity 0 when `as_zero_velocity` is set.
    ChartBuilder &NoteOff(int64_t tick, int pitch, int channel = 0, bool as_zero_velocity = false);
    ChartBuilder &Controller(int64_t tick, int controller, int value, int channel = 0);
    // A text-like meta event (type 0x01 by default) in the chart track.
    ChartBuilder &Text(int64_t tick, const std::string &text, uint8_t type = SMF_META_TEXT);
    // Any channel message, as raw bytes (status first).
    ChartBuilder &Raw(int64_t tick, std::vector<uint8_t> message);

    const std::string &track_name() const { return track_name_; }

    SmfFile ToSmf() const;
    std::vector<uint8_t> ToBytes() const;
    bool WriteFile(const std::string &path, std::string *error) const;
    TempoMap BuildTempoMap() const;
    // The project serving this chart (never null for a builder's own output).
    std::unique_ptr<ChartProject> BuildProject() const;

private:
    struct Entry {
        SmfEvent event;
        bool note_off;
    };
    void Add(SmfEvent event);

    int ticks_per_quarter_;
    std::string track_name_;
    std::vector<TempoChange> tempos_;
    std::vector<SignatureChange> signatures_;
    std::vector<Entry> entries_;
};
