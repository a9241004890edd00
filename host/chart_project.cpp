#include "host/chart_project.h"

#include "host/smf_reader.h"

bool ReadTempoMap(const SmfFile &file, const std::string &source, TempoMap *out, std::string *error) {
    std::vector<TempoChange> tempos;
    std::vector<SignatureChange> signatures;
    if (!file.tracks.empty()) {
        for (const SmfEvent &event : file.tracks[0].events) {
            if (event.kind != SmfEventKind::Meta) continue;
            const std::string at = " at tick " + std::to_string(event.tick);
            if (event.type == SMF_META_TEMPO) {
                if (event.data.size() != 3) {
                    if (error) *error = source + ": tempo event" + at + " has " + std::to_string(event.data.size()) +
                                        " bytes instead of 3";
                    return false;
                }
                TempoChange change{event.tick, (uint32_t(event.data[0]) << 16) | (uint32_t(event.data[1]) << 8) |
                                                   event.data[2]};
                if (!IsValidTempo(change)) {
                    if (error) *error = source + ": tempo of 0 microseconds per quarter note" + at;
                    return false;
                }
                tempos.push_back(change);
            } else if (event.type == SMF_META_TIME_SIGNATURE) {
                // Numerator and the denominator's power of two; the metronome bytes are not needed.
                const bool long_enough = event.data.size() >= 2;
                SignatureChange change{event.tick, long_enough ? event.data[0] : 0,
                                       long_enough && event.data[1] < 8 ? 1 << event.data[1] : 0};
                if (!long_enough || !IsValidSignature(change)) {
                    if (error) *error = source + ": unusable time signature event" + at;
                    return false;
                }
                signatures.push_back(change);
            }
        }
    }
    *out = TempoMap(file.ticks_per_quarter, std::move(tempos), std::move(signatures));
    return true;
}

std::unique_ptr<ChartProject> ChartProject::FromSmf(const SmfFile &file, const std::string &source,
                                                    const std::string &track_name, std::string *error) {
    TempoMap map;
    if (!ReadTempoMap(file, source, &map, error)) return nullptr;  // reported before a missing track
    const SmfTrack *chart = nullptr;
    if (track_name.empty()) {
        if (!file.tracks.empty()) chart = &file.tracks[file.format == 1 && file.tracks.size() > 1 ? 1 : 0];
    } else {
        for (const SmfTrack &track : file.tracks) {
            if (track.Name() == track_name) {
                chart = &track;
                break;
            }
        }
    }
    if (!chart) {
        if (error) {
            std::string names;
            for (const SmfTrack &track : file.tracks) {
                const std::string name = track.Name();
                if (name.empty()) continue;
                names += names.empty() ? "" : ", ";
                names += "\"" + name + "\"";
            }
            *error = source + ": no track named \"" + track_name + "\"" +
                     (names.empty() ? std::string(" (no track has a name)") : " (tracks: " + names + ")");
        }
        return nullptr;
    }
    return FromSmfTrack(file, size_t(chart - file.tracks.data()), source, error);
}

std::unique_ptr<ChartProject> ChartProject::FromSmfTrack(const SmfFile &file, size_t index, const std::string &source,
                                                         std::string *error) {
    TempoMap map;
    if (!ReadTempoMap(file, source, &map, error)) return nullptr;
    if (index >= file.tracks.size()) {
        if (error) *error = source + ": no track number " + std::to_string(index + 1);
        return nullptr;
    }
    std::unique_ptr<ChartProject> project(new ChartProject(std::move(map)));
    project->track_ = std::make_unique<MidiTrack>(file.tracks[index], project->tempo_map_);
    project->project_.time_map = &project->tempo_map_;
    project->project_.tracks.push_back(project->track_.get());
    return project;
}

std::unique_ptr<ChartProject> ChartProject::Load(const std::string &path, const std::string &track_name,
                                                 std::string *error) {
    SmfFile file;
    if (!ReadSmfFile(path, &file, error)) return nullptr;
    return FromSmf(file, path, track_name, error);
}
