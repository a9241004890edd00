// Fuzz target for the .chart reader and its conversion: any input reads with bounded memory and
// messages that name it, and every instrument and difficulty either converts to a MIDI chart
// that writes, reads back the same and is served without fault, or is refused with one line.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "state/midi_list.h"
#include "host/chart_project.h"
#include "host/chart_text_convert.h"
#include "host/chart_text_reader.h"
#include "host/smf_reader.h"
#include "host/smf_writer.h"
#include "host/text_lines.h"

namespace {

void Check(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "chart_text_fuzz: %s\n", what);
        std::abort();
    }
}

class CountingList final : public MIDI_eventlist {
public:
    void AppendEvent(const MidiEventRecord *event) override {
        Check(event->size >= 1, "empty message");
        ++count;
    }
    MidiEventRecord *NextEvent(int32_t *) override { return nullptr; }
    void RemoveEventAt(int32_t) override {}
    int32_t ByteSize() override { return 0; }
    void Clear() override { count = 0; }
    long count = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const ChartText chart = ParseChartText(data, size, "fuzz.chart");
    Check(chart.resolution >= 1 && chart.resolution <= 32767, "resolution out of range");
    Check(chart.problems.size() <= 52, "unbounded problem list");
    for (const std::string &p : chart.problems) {
        Check(p.rfind("fuzz.chart", 0) == 0, "message without the file's name");
        Check(p.find('\n') == std::string::npos, "message of more than one line");
    }
    // Every kept item comes from a line of at least three bytes ("0=E"); texts at most double
    // (Latin-1 to UTF-8).
    size_t items = chart.tempos.size() + chart.signatures.size() + chart.events.size(), text = 0;
    for (const auto &e : chart.events) text += e.second.size();
    for (const ChartTextSection &s : chart.sections) {
        items += s.entries.size() + 1;
        for (const ChartTextEntry &e : s.entries) {
            text += e.text.size();
            Check(e.tick >= 0 && e.tick <= CHART_TEXT_MAX_TICK && e.length >= 0, "tick or length out of range");
        }
    }
    Check(items <= size / 3 + 1 && text <= 2 * size, "more kept than the input holds");
    Check(ToUtf8(chart.name) == chart.name && ToUtf8(chart.artist) == chart.artist, "text not UTF-8");

    for (int instrument = 0; instrument < 5; ++instrument) {
        for (int difficulty = 0; difficulty < 4; ++difficulty) {
            ChartTextConversion conversion;
            conversion.instrument = static_cast<ChartTextInstrument>(instrument);
            conversion.difficulty = difficulty;
            conversion.five_lane = difficulty == 1;
            SmfFile file;
            ChartTextReport report;
            std::string error;
            if (!ConvertChartText(chart, conversion, "fuzz.chart", &file, &report, &error)) {
                Check(error.rfind("fuzz.chart: ", 0) == 0 && error.find('\n') == std::string::npos, "bad error");
                continue;
            }
            const std::vector<uint8_t> bytes = WriteSmf(file);
            SmfFile again;
            Check(ParseSmf(bytes.data(), bytes.size(), "again.mid", &again, &error), "converted chart does not read");
            Check(WriteSmf(again) == bytes, "converted chart reads differently");
            auto project = ChartProject::FromSmf(file, "fuzz.chart", ChartTextTrackName(conversion.instrument), &error);
            Check(project != nullptr, "converted chart has no usable track");
            CountingList list;
            project->track().AppendRawMidi(0.0, 44100.0, 44100 * 30, &list);
        }
    }
    return 0;
}
