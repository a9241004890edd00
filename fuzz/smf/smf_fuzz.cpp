// Fuzz target for the MIDI file reader and everything the reference host builds from a file:
// a file is either refused with one message naming it, or it reads, writes back to bytes that
// read the same, and serves its tempo map and track windows without fault.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "state/midi_list.h"
#include "host/chart_project.h"
#include "host/smf_reader.h"
#include "host/smf_writer.h"

namespace {

void Check(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "smf_fuzz: %s\n", what);
        std::abort();
    }
}

// Checks each record as the host hands it over; stores nothing.
class CheckingList final : public MIDI_eventlist {
public:
    explicit CheckingList(int32_t length) : length_(length) {}
    void AppendEvent(const MidiEventRecord *event) override {
        Check(event->frame_offset >= 0 && event->frame_offset < length_, "frame offset outside the window");
        Check(event->size >= 1, "empty message");
        ++count;
    }
    MidiEventRecord *NextEvent(int32_t *) override { return nullptr; }
    void RemoveEventAt(int32_t) override {}
    int32_t ByteSize() override { return 0; }
    void Clear() override { count = 0; }

    long count = 0;

private:
    int32_t length_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    SmfFile file;
    std::string error;
    if (!ParseSmf(data, size, "fuzz.mid", &file, &error)) {
        Check(error.rfind("fuzz.mid: ", 0) == 0 && error.size() > 10, "error without the file's name");
        Check(error.find('\n') == std::string::npos, "error of more than one line");
        return 0;
    }
    const std::vector<uint8_t> bytes = WriteSmf(file);
    SmfFile again;
    Check(ParseSmf(bytes.data(), bytes.size(), "again.mid", &again, &error), "written file does not read");
    Check(WriteSmf(again) == bytes, "written file reads differently");

    std::unique_ptr<ChartProject> project = ChartProject::FromSmf(file, "fuzz.mid", "", &error);
    if (!project) {
        Check(error.rfind("fuzz.mid: ", 0) == 0, "error without the file's name");
        return 0;
    }
    const TempoMap &map = project->tempo_map();
    for (double seconds : {-1.0, 0.0, 0.37, 5.0, 123.456}) {
        int measure = 0, bpm = 4;
        double full = 0;
        const double in_measure = map.TimeToBeats(seconds, &measure, &bpm, &full);
        Check(bpm >= 1, "beats per measure below 1");
        if (std::isfinite(full)) {
            Check(in_measure >= 0 && in_measure <= bpm, "beat outside its measure");
            const double back = map.BeatsToTime(full);
            Check(std::fabs(back - seconds) <= 1e-6 * (1 + std::fabs(seconds)), "beats do not map back");
        }
        Check(map.TimeToQN(seconds) <= map.TimeToQN(seconds + 0.5), "time going backwards");
    }
    // The track's first half minute served in windows: as many events as in one big window.
    const int32_t window = 4093, windows = 330;
    CheckingList whole(window * windows);
    project->track().AppendRawMidi(-1.0, 44100.0, window * windows, &whole);
    long pieces = 0;
    for (int i = 0; i < windows; ++i) {
        CheckingList part(window);
        project->track().AppendRawMidi(double(-44100 + i * window) / 44100.0, 44100.0, window, &part);
        pieces += part.count;
    }
    Check(pieces == whole.count, "windows deliver a different number of events than one big window");
    return 0;
}
