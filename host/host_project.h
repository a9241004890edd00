// The reference host's model of a project: a tempo map and MIDI tracks, reached by the plug-in
// only through the opaque handles the host hands out (a ProjectHandle is a HostProject*, a
// TrackHandle is a HostTrack*). The host functions are process-wide, so everything they need is
// found through these handles, never through a "current host".
//
// Ownership: a HostProject does not own its time map or tracks; whoever builds the project keeps
// them alive as long as any plug-in instance may call into them.
// Threads: the host functions call these from the plug-in's audio thread (under the instance
// lock) and from the main thread; implementations must not change while a plug-in runs.
#pragma once

#include <cstdint>
#include <vector>

#include "state/host_api.h"

class MIDI_eventlist;

// Converts between seconds, quarter notes and beats.
class HostTimeMap {
public:
    virtual ~HostTimeMap() = default;
    // Position in quarter notes at `seconds`.
    virtual double TimeToQN(double seconds) const = 0;
    // Seconds at the absolute beat position `beats`.
    virtual double BeatsToTime(double beats) const = 0;
    // Beats since the start of the measure holding `seconds`. Out pointers may be null: measure
    // index, beats per measure of that measure, absolute beat position.
    virtual double TimeToBeats(double seconds, int *measure, int *beats_per_measure, double *full_beats) const = 0;
};

// A track's MIDI, as the host hands it out.
class HostTrack {
public:
    virtual ~HostTrack() = default;
    // Appends, in time order, one record per event in [start_seconds, start_seconds +
    // length_samples / sample_rate), each with its frame offset from the window start.
    virtual void AppendRawMidi(double start_seconds, double sample_rate, int32_t length_samples,
                               MIDI_eventlist *out) = 0;
};

// The maths used where a project has no tempo map: 120 quarter notes per minute, 4/4, from 0.
class DefaultTimeMap final : public HostTimeMap {
public:
    double TimeToQN(double seconds) const override;
    double BeatsToTime(double beats) const override;
    double TimeToBeats(double seconds, int *measure, int *beats_per_measure, double *full_beats) const override;
};

struct HostProject {
    HostTimeMap *time_map = nullptr;   // null: DefaultTimeMap maths
    std::vector<HostTrack *> tracks;   // not owned

    ProjectHandle Handle() { return reinterpret_cast<ProjectHandle>(this); }
    static TrackHandle HandleOf(HostTrack *track) { return reinterpret_cast<TrackHandle>(track); }
};

// The host functions handed to the plug-in. Plain functions whose addresses the function lookup
// returns. A null handle gives the DefaultTimeMap answer (time maps) or does nothing (MIDI).
const char *HostGetIniFile();
intptr_t HostTrackGetRawMidi(TrackHandle track, RawMidiRequest *request);
double HostTimeMapTimeToQN(ProjectHandle project, double seconds);
double HostTimeMapBeatsToTime(ProjectHandle project, double beats, const int *measure);
double HostTimeMapTimeToBeats(ProjectHandle project, double seconds, int *measure, int *beats_per_measure,
                              double *full_beats, int *denominator);

// The path get_ini_file answers (process-wide, as the function takes no arguments). Main thread.
void SetHostIniFile(const char *path);
// How often get_ini_file has been called in this process (any plug-in, any thread).
int32_t HostIniFileRequests();
