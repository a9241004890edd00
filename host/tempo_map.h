// The reference host's tempo map: tempo changes and time-signature changes on a tick axis, and
// the conversions between seconds, quarter notes and beats that the host functions answer.
//
// What a beat is. A beat is one unit of the denominator of the time signature in force: a quarter
// note in 3/4 and 4/4, an eighth note in 6/8 and 7/8, a half note in 2/2. "Beats within the
// measure" and "full beats" count in that same unit, so that both step together: adding half a
// beat to each moves both by the same amount of music, which is what the plug-in's beat grid
// assumes (a 4/4 measure gives half beat, beat, half beat, beat, half beat, beat, half beat, then
// the measure's end; 3/4 gives six marks and 6/8 twelve). Full beats accumulate over signature
// changes, each stretch counting in its own unit. A signature change always starts a new measure
// at its tick; the stretch before it ends with a (possibly partial) measure.
//
// Beat positions are reported on a grid of 2^-24 beat, far finer than a sample, so that a time
// obtained from a beat position converts back to exactly that beat position: a downbeat never
// comes back as "just before the end of the previous measure".
//
// Before tick 0 the map continues with its first tempo and signature (negative times give
// negative quarter notes and beats). Non-finite arguments give NaN results (measure index 0).
//
// Immutable after construction; const members may be called from any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "host/host_project.h"

struct TempoChange {
    int64_t tick = 0;
    uint32_t usec_per_quarter = 500000;  // 120 beats per minute of quarter notes
};

struct SignatureChange {
    int64_t tick = 0;
    int numerator = 4;    // beats per measure
    int denominator = 4;  // note value of one beat: 1, 2, 4, ... 128
};

// Whether a change can be used (a tempo of at least 1 microsecond per quarter note; a numerator
// of 1..255 and a denominator that is a power of two from 1 to 128).
bool IsValidTempo(const TempoChange &change);
bool IsValidSignature(const SignatureChange &change);

class TempoMap final : public HostTimeMap {
public:
    // 120 beats per minute in 4/4 at 480 ticks per quarter note.
    TempoMap() : TempoMap(480, {}, {}) {}
    // Changes may come in any order; of several at the same tick the last one given wins.
    // Negative ticks count as 0; invalid changes (see above) and a ticks_per_quarter below 1
    // (taken as 480) are ignored, so callers that must report them check first.
    TempoMap(int ticks_per_quarter, std::vector<TempoChange> tempos, std::vector<SignatureChange> signatures);

    int ticks_per_quarter() const { return ticks_per_quarter_; }

    double TickToSeconds(double tick) const;
    double SecondsToTick(double seconds) const;
    double TimeToQN(double seconds) const override;
    double QNToTime(double quarter_notes) const;

    // Beats since the start of the measure at `seconds`. Any out pointer may be null: *measure
    // gets the measure index (0 = the measure starting at tick 0; clamped to the int range),
    // *beats_per_measure the measure's numerator, *full_beats the absolute beat position.
    double TimeToBeats(double seconds, int *measure, int *beats_per_measure, double *full_beats) const override;
    // The note value of one beat at `seconds` (4 in 3/4, 8 in 6/8).
    int DenominatorAt(double seconds) const;
    // Seconds at the absolute beat position `beats`.
    double BeatsToTime(double beats) const override;
    // Seconds at `beats` counted from the start of measure `measure`.
    double MeasureBeatsToTime(int measure, double beats) const;

private:
    struct TempoSegment {
        int64_t tick;
        double seconds;        // time at `tick`
        double usec_per_quarter;
    };
    struct SignatureSegment {
        int64_t tick;
        double full_beats;        // beat position at `tick`
        int64_t measure;          // index of the measure starting at `tick`
        int numerator;
        int denominator;
        double ticks_per_beat;
    };

    const TempoSegment &TempoAtTick(double tick) const;
    const TempoSegment &TempoAtSeconds(double seconds) const;
    const SignatureSegment &SignatureAtBeats(double full_beats) const;
    const SignatureSegment &SignatureAtTick(double tick) const;

    int ticks_per_quarter_;
    std::vector<TempoSegment> tempo_;          // ascending, first at tick 0
    std::vector<SignatureSegment> signature_;  // ascending, first at tick 0
};
