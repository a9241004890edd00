// A project the reference host can serve: a tempo map and one chart track, both taken from a
// Standard MIDI File (read from disk, or built in code by ChartBuilder). The tempo map comes from
// the file's first track; the chart is the track with the requested name (such as "PART DRUMS").
//
// Ownership: the object owns its tempo map and track; `project()` points into them, so the
// ChartProject must outlive every plug-in instance that was given its handles.
// Threads: built on one thread; afterwards only the host functions read it (see MidiTrack).
#pragma once

#include <memory>
#include <string>

#include "host/host_project.h"
#include "host/midi_track.h"
#include "host/smf_file.h"
#include "host/tempo_map.h"

class ChartProject {
public:
    // The chart is the first track named `track_name`. An empty name picks the only track of a
    // format 0 file, or the second track of a format 1 file (the first when there is only one).
    // On failure returns null and sets *error to one line naming `source` and the problem: an
    // unreadable tempo or signature event, or no track of that name.
    static std::unique_ptr<ChartProject> FromSmf(const SmfFile &file, const std::string &source,
                                                 const std::string &track_name, std::string *error);
    // The chart is track `index` (0-based) of `file`; the tempo map still comes from the first
    // track. Null with *error for an unusable tempo map or an index past the last track.
    static std::unique_ptr<ChartProject> FromSmfTrack(const SmfFile &file, size_t index, const std::string &source,
                                                      std::string *error);
    // Reads the file first; its errors are reported the same way.
    static std::unique_ptr<ChartProject> Load(const std::string &path, const std::string &track_name,
                                              std::string *error);

    const TempoMap &tempo_map() const { return tempo_map_; }
    MidiTrack &track() { return *track_; }
    // time_map = the tempo map, tracks = { the chart track }.
    HostProject &project() { return project_; }
    ProjectHandle project_handle() { return project_.Handle(); }
    TrackHandle track_handle() { return HostProject::HandleOf(track_.get()); }

private:
    explicit ChartProject(TempoMap map) : tempo_map_(std::move(map)) {}

    TempoMap tempo_map_;
    std::unique_ptr<MidiTrack> track_;
    HostProject project_;
};

// Reads the tempo map of `file` from its first track. False with *error ("source: ...") when a
// tempo or time-signature event there cannot be used.
bool ReadTempoMap(const SmfFile &file, const std::string &source, TempoMap *out, std::string *error);
