#include <atomic>
#include <cmath>
#include <mutex>
#include <string>

#include "state/midi_list.h"
#include "host/host_project.h"

namespace {

std::mutex g_ini_mutex;
std::atomic<int32_t> g_ini_requests{0};
std::string g_ini_file;

const HostTimeMap &MapOf(ProjectHandle project) {
    static const DefaultTimeMap default_map;
    const auto *p = reinterpret_cast<const HostProject *>(project);
    if (p && p->time_map) return *p->time_map;
    return default_map;
}

constexpr double kDefaultQuarterNotesPerSecond = 2.0;  // 120 per minute
constexpr int kDefaultBeatsPerMeasure = 4;

}  // namespace

double DefaultTimeMap::TimeToQN(double seconds) const { return seconds * kDefaultQuarterNotesPerSecond; }

double DefaultTimeMap::BeatsToTime(double beats) const { return beats / kDefaultQuarterNotesPerSecond; }

double DefaultTimeMap::TimeToBeats(double seconds, int *measure, int *beats_per_measure, double *full_beats) const {
    const double beats = seconds * kDefaultQuarterNotesPerSecond;
    const double bar = std::floor(beats / kDefaultBeatsPerMeasure);
    if (measure) *measure = static_cast<int>(bar);
    if (beats_per_measure) *beats_per_measure = kDefaultBeatsPerMeasure;
    if (full_beats) *full_beats = beats;
    return beats - bar * kDefaultBeatsPerMeasure;
}

void SetHostIniFile(const char *path) {
    std::lock_guard<std::mutex> guard(g_ini_mutex);
    g_ini_file = path ? path : "";
}

int32_t HostIniFileRequests() { return g_ini_requests.load(); }

const char *HostGetIniFile() {
    g_ini_requests.fetch_add(1);
    std::lock_guard<std::mutex> guard(g_ini_mutex);
    // The string is only replaced on the host's main thread between plug-in calls.
    return g_ini_file.c_str();
}

intptr_t HostTrackGetRawMidi(TrackHandle track, RawMidiRequest *request) {
    auto *t = reinterpret_cast<HostTrack *>(track);
    if (!t || !request || !request->events) return 0;
    t->AppendRawMidi(request->start_seconds, request->sample_rate, request->length_samples, request->events);
    return 0;
}

double HostTimeMapTimeToQN(ProjectHandle project, double seconds) { return MapOf(project).TimeToQN(seconds); }

double HostTimeMapBeatsToTime(ProjectHandle project, double beats, const int *measure) {
    return MapOf(project).BeatsToTime(beats);
}

double HostTimeMapTimeToBeats(ProjectHandle project, double seconds, int *measure, int *beats_per_measure,
                              double *full_beats, int *denominator) {
    if (denominator) *denominator = 4;
    return MapOf(project).TimeToBeats(seconds, measure, beats_per_measure, full_beats);
}
