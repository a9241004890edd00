#include "host/tempo_map.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace {

constexpr double BEAT_GRID = 16777216.0;  // 2^24 steps per beat

double SnapBeats(double beats) { return std::nearbyint(beats * BEAT_GRID) / BEAT_GRID; }

int ClampToInt(double value) {
    if (!std::isfinite(value)) return 0;
    if (value <= double(INT_MIN)) return INT_MIN;
    if (value >= double(INT_MAX)) return INT_MAX;
    return static_cast<int>(value);
}

template <class Change>
std::vector<Change> Normalise(std::vector<Change> changes, bool (*valid)(const Change &), Change first) {
    std::vector<Change> kept;
    kept.push_back(first);
    for (Change change : changes) {
        if (!valid(change)) continue;
        change.tick = std::max<int64_t>(change.tick, 0);
        kept.push_back(change);
    }
    // Stable: of equal ticks the one given last ends up last and replaces the others below.
    std::stable_sort(kept.begin(), kept.end(), [](const Change &a, const Change &b) { return a.tick < b.tick; });
    std::vector<Change> unique;
    for (const Change &change : kept) {
        if (!unique.empty() && unique.back().tick == change.tick)
            unique.back() = change;
        else
            unique.push_back(change);
    }
    return unique;
}

}  // namespace

bool IsValidTempo(const TempoChange &change) { return change.usec_per_quarter >= 1; }

bool IsValidSignature(const SignatureChange &change) {
    const int d = change.denominator;
    return change.numerator >= 1 && change.numerator <= 255 && d >= 1 && d <= 128 && (d & (d - 1)) == 0;
}

TempoMap::TempoMap(int ticks_per_quarter, std::vector<TempoChange> tempos, std::vector<SignatureChange> signatures)
    : ticks_per_quarter_(ticks_per_quarter >= 1 ? ticks_per_quarter : 480) {
    const double tpq = ticks_per_quarter_;

    const std::vector<TempoChange> t = Normalise<TempoChange>(std::move(tempos), IsValidTempo, TempoChange{});
    double seconds = 0.0;
    for (size_t i = 0; i < t.size(); ++i) {
        if (i > 0) seconds += double(t[i].tick - t[i - 1].tick) * tempo_.back().usec_per_quarter / (1e6 * tpq);
        tempo_.push_back({t[i].tick, seconds, double(t[i].usec_per_quarter)});
    }

    const std::vector<SignatureChange> s =
        Normalise<SignatureChange>(std::move(signatures), IsValidSignature, SignatureChange{});
    for (size_t i = 0; i < s.size(); ++i) {
        SignatureSegment segment{s[i].tick, 0.0, 0, s[i].numerator, s[i].denominator, tpq * 4.0 / s[i].denominator};
        if (i > 0) {
            const SignatureSegment &prev = signature_.back();
            const double beats = SnapBeats(double(s[i].tick - prev.tick) / prev.ticks_per_beat);
            segment.full_beats = prev.full_beats + beats;
            // The stretch before the change ends with its last, possibly partial, measure.
            segment.measure = prev.measure + static_cast<int64_t>(std::ceil(beats / prev.numerator));
        }
        signature_.push_back(segment);
    }
}

const TempoMap::TempoSegment &TempoMap::TempoAtTick(double tick) const {
    auto it = std::upper_bound(tempo_.begin() + 1, tempo_.end(), tick,
                               [](double value, const TempoSegment &seg) { return value < double(seg.tick); });
    return *(it - 1);
}

const TempoMap::TempoSegment &TempoMap::TempoAtSeconds(double seconds) const {
    auto it = std::upper_bound(tempo_.begin() + 1, tempo_.end(), seconds,
                               [](double value, const TempoSegment &seg) { return value < seg.seconds; });
    return *(it - 1);
}

const TempoMap::SignatureSegment &TempoMap::SignatureAtBeats(double full_beats) const {
    auto it = std::upper_bound(signature_.begin() + 1, signature_.end(), full_beats,
                               [](double value, const SignatureSegment &seg) { return value < seg.full_beats; });
    return *(it - 1);
}

const TempoMap::SignatureSegment &TempoMap::SignatureAtTick(double tick) const {
    auto it = std::upper_bound(signature_.begin() + 1, signature_.end(), tick,
                               [](double value, const SignatureSegment &seg) { return value < double(seg.tick); });
    return *(it - 1);
}

double TempoMap::TickToSeconds(double tick) const {
    if (std::isnan(tick)) return tick;
    const TempoSegment &seg = TempoAtTick(tick);
    // One rounding for the product of whole numbers: a tempo of 500000 puts tick 240 of 480 at
    // exactly 0.25 s.
    return seg.seconds + (tick - double(seg.tick)) * seg.usec_per_quarter / (1e6 * ticks_per_quarter_);
}

double TempoMap::SecondsToTick(double seconds) const {
    if (std::isnan(seconds)) return seconds;
    const TempoSegment &seg = TempoAtSeconds(seconds);
    return double(seg.tick) + (seconds - seg.seconds) * (1e6 * ticks_per_quarter_) / seg.usec_per_quarter;
}

double TempoMap::TimeToQN(double seconds) const { return SecondsToTick(seconds) / ticks_per_quarter_; }

double TempoMap::QNToTime(double quarter_notes) const { return TickToSeconds(quarter_notes * ticks_per_quarter_); }

double TempoMap::TimeToBeats(double seconds, int *measure, int *beats_per_measure, double *full_beats) const {
    const double tick = SecondsToTick(seconds);
    const SignatureSegment &by_tick = SignatureAtTick(tick);
    const double beats = SnapBeats(by_tick.full_beats + (tick - double(by_tick.tick)) / by_tick.ticks_per_beat);
    // Chosen again by the snapped position: a time a hair before a signature change belongs to
    // the new signature when it snaps onto the change.
    const SignatureSegment &seg = SignatureAtBeats(beats);
    const double into_segment = beats - seg.full_beats;
    const double measures = std::floor(into_segment / seg.numerator);
    double in_measure = into_segment - measures * seg.numerator;
    if (std::isfinite(in_measure)) in_measure = std::clamp(in_measure, 0.0, double(seg.numerator));
    if (measure) *measure = ClampToInt(double(seg.measure) + measures);
    if (beats_per_measure) *beats_per_measure = seg.numerator;
    if (full_beats) *full_beats = beats;
    return std::isfinite(beats) ? in_measure : std::numeric_limits<double>::quiet_NaN();
}

int TempoMap::DenominatorAt(double seconds) const {
    double beats = 0.0;
    TimeToBeats(seconds, nullptr, nullptr, &beats);
    return SignatureAtBeats(beats).denominator;
}

double TempoMap::MeasureBeatsToTime(int measure, double beats) const {
    auto it = std::upper_bound(signature_.begin() + 1, signature_.end(), int64_t(measure),
                               [](int64_t value, const SignatureSegment &seg) { return value < seg.measure; });
    const SignatureSegment &seg = *(it - 1);
    return BeatsToTime(beats + seg.full_beats + double(int64_t(measure) - seg.measure) * seg.numerator);
}

double TempoMap::BeatsToTime(double beats) const {
    if (std::isnan(beats)) return beats;
    const SignatureSegment &seg = SignatureAtBeats(beats);
    return TickToSeconds(double(seg.tick) + (beats - seg.full_beats) * seg.ticks_per_beat);
}
