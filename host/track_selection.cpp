#include "host/track_selection.h"

#include "host/text_lines.h"

namespace {

std::string Describe(const SmfFile &file, size_t index) {
    const std::string name = file.tracks[index].Name();
    return "track " + std::to_string(index + 1) + (name.empty() ? std::string(" (unnamed)") : " \"" + ToUtf8(name) + "\"");
}

bool AllDigits(const std::string &text) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

bool ByName(const SmfFile &file, const std::string &name, size_t *index) {
    for (size_t i = 0; i < file.tracks.size(); ++i)
        if (file.tracks[i].Name() == name) return *index = i, true;
    const std::string lower = LowerAscii(name);
    for (size_t i = 0; i < file.tracks.size(); ++i)
        if (LowerAscii(file.tracks[i].Name()) == lower) return *index = i, true;
    return false;
}

}  // namespace

int CountNotes(const SmfTrack &track) {
    int count = 0;
    for (const SmfEvent &e : track.events)
        if (e.kind == SmfEventKind::Channel && (e.status & 0xF0) == 0x90 && e.data.size() == 2 && e.data[1] > 0) ++count;
    return count;
}

std::string ListTracks(const SmfFile &file) {
    std::string list;
    for (size_t i = 0; i < file.tracks.size(); ++i) {
        const int notes = CountNotes(file.tracks[i]);
        const std::string name = file.tracks[i].Name();
        list += (i ? ", " : "") + std::to_string(i + 1) + (name.empty() ? std::string(" unnamed") : " \"" + ToUtf8(name) + "\"") +
                " (" + std::to_string(notes) + (notes == 1 ? " note)" : " notes)");
    }
    return list;
}

bool SelectTrack(const SmfFile &file, const std::string &request, const std::vector<std::string> &usual_names,
                 const std::string &source, size_t *index, std::string *how, std::string *error) {
    const std::string tracks = "; tracks: " + ListTracks(file);
    if (!request.empty()) {
        const bool hash = request[0] == '#' && AllDigits(request.substr(1));
        if (!hash && ByName(file, request, index)) {
            *how = Describe(file, *index);
            return true;
        }
        if (hash || AllDigits(request)) {
            const unsigned long number = std::stoul(hash ? request.substr(1) : request);
            if (number >= 1 && number <= file.tracks.size()) {
                *index = number - 1;
                *how = Describe(file, *index);
                return true;
            }
            *error = source + ": no track number " + std::to_string(number) + tracks;
            return false;
        }
        *error = source + ": no track named \"" + request + "\"" + tracks;
        return false;
    }
    for (const std::string &name : usual_names) {
        if (ByName(file, name, index)) {
            *how = Describe(file, *index);
            return true;
        }
    }
    size_t with_notes = 0, found = 0;
    for (size_t i = 0; i < file.tracks.size(); ++i) {
        if (CountNotes(file.tracks[i]) > 0) {
            ++with_notes;
            found = i;
        }
    }
    if (with_notes == 1) {
        *index = found;
        *how = Describe(file, found) + ", the only track with notes";
        return true;
    }
    std::string names;
    for (const std::string &name : usual_names) names += (names.empty() ? "\"" : ", \"") + name + "\"";
    *error = source + ": no track named " + names + (with_notes == 0 ? " and no track has notes" : "") +
             " (choose one with -t NAME or -t NUMBER)" + tracks;
    return false;
}
