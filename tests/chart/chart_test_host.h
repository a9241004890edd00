// A stand-in for the workstation around a PreviewInstance built from the static libraries: it
// answers the instance's callback (transport, latency, project and track context) and installs
// the reference host's functions, so chart acquisition and note extraction can be driven block
// by block with charts built in code. The editor is "open" while editor_window holds a dummy
// handle, which is cleared again before the instance is destroyed.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "chart/acquisition.h"
#include "chart/extraction.h"
#include "host/chart_project.h"
#include "state/instance.h"

class ChartTestHost {
public:
    // `project` may be null (no project, no track). Installs HostFunctions and builds one instance.
    explicit ChartTestHost(ChartProject *project = nullptr);
    ~ChartTestHost();
    ChartTestHost(const ChartTestHost &) = delete;
    ChartTestHost &operator=(const ChartTestHost &) = delete;

    PreviewInstance &instance() { return *instance_; }

    // What opening the editor does: positions to 0, chart events emptied, editor marked open.
    void OpenEditor();
    void CloseEditor();

    void SetTransport(double sample_pos, bool playing);
    // One processReplacing call of `frames` frames (outputs large enough for any test size).
    void Block(int32_t frames);
    // Advances the play position by `frames` after the block, as a playing host does.
    void PlayBlock(int32_t frames);

    std::vector<ChartEvent> Events() const;
    // One paint: BuildHighwayItems with drums from the instance's mode.
    std::vector<HighwayItem> Paint();

    // Callback knobs.
    bool time_info_available = true;
    int32_t output_latency = 0;
    HostProject *project = nullptr;  // answered to context value 3
    HostTrack *track = nullptr;      // answered to context value 1
    int track_requests = 0;          // context value 1 requests seen
    VstTimeInfo time_info{};

    std::vector<float> left, right;

private:
    static intptr_t Callback(AEffect *effect, int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt);

    std::unique_ptr<PreviewInstance> instance_;
};

// Sample position of a tick in `project` at 44.1 kHz (the host's rounding rule).
int64_t SampleOfTick(const ChartProject &project, int64_t tick, double rate = 44100.0);

// A host track that answers every request with all of its events, their frame offsets counted
// from the requested window's start, so most lie before or after the window: a host that ignores
// the window it was asked for.
class WholeTrackEveryTime final : public HostTrack {
public:
    explicit WholeTrackEveryTime(HostTrack &inner) : inner_(inner) {}
    void AppendRawMidi(double start_seconds, double sample_rate, int32_t, MIDI_eventlist *out) override {
        int32_t cursor = out->ByteSize();
        inner_.AppendRawMidi(0.0, sample_rate, INT32_MAX, out);
        const auto start = static_cast<int32_t>(start_seconds * sample_rate + 0.5);
        while (MidiEventRecord *record = out->NextEvent(&cursor)) record->frame_offset -= start;
    }

private:
    HostTrack &inner_;
};
