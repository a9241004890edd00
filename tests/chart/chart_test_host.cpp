#include "chart_test_host.h"

#include <cmath>
#include <map>

#include "host/midi_track.h"

namespace {

std::map<const AEffect *, ChartTestHost *> &Hosts() {
    static std::map<const AEffect *, ChartTestHost *> hosts;
    return hosts;
}

HWND DummyWindow() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1000)); }

}  // namespace

ChartTestHost::ChartTestHost(ChartProject *chart) : left(65536, 1.0f), right(65536, 1.0f) {
    HostFunctions.get_ini_file = HostGetIniFile;
    HostFunctions.Track_GetRawMIDI = HostTrackGetRawMidi;
    HostFunctions.TimeMap2_timeToQN = HostTimeMapTimeToQN;
    HostFunctions.TimeMap2_beatsToTime = HostTimeMapBeatsToTime;
    HostFunctions.TimeMap2_timeToBeats = HostTimeMapTimeToBeats;
    if (chart) {
        project = &chart->project();
        track = &chart->track();
    }
    time_info.sampleRate = 44100.0;
    instance_ = std::make_unique<PreviewInstance>(&ChartTestHost::Callback);
    Hosts()[&instance_->effect] = this;
}

ChartTestHost::~ChartTestHost() {
    CloseEditor();
    Hosts().erase(&instance_->effect);
}

void ChartTestHost::OpenEditor() {
    EnterCriticalSection(&instance_->lock);
    instance_->display_position = 0.0;
    instance_->fetched_end = 0.0;
    instance_->last_position = 0.0;
    instance_->chart_events.Resize(0, false);
    LeaveCriticalSection(&instance_->lock);
    instance_->editor_window.store(DummyWindow());
}

void ChartTestHost::CloseEditor() { instance_->editor_window.store(nullptr); }

void ChartTestHost::SetTransport(double sample_pos, bool playing) {
    time_info.samplePos = sample_pos;
    time_info.flags = playing ? kVstTransportPlaying : 0;
}

void ChartTestHost::Block(int32_t frames) {
    float *outputs[2] = {left.data(), right.data()};
    ProcessBlock(instance_.get(), outputs, frames, false);
}

void ChartTestHost::PlayBlock(int32_t frames) {
    Block(frames);
    time_info.samplePos += frames;
}

std::vector<ChartEvent> ChartTestHost::Events() const {
    const auto *events = static_cast<const ChartEvent *>(instance_->chart_events.Get());
    const size_t count = size_t(instance_->chart_events.GetSize()) / sizeof(ChartEvent);
    return events ? std::vector<ChartEvent>(events, events + count) : std::vector<ChartEvent>();
}

std::vector<HighwayItem> ChartTestHost::Paint() {
    const int32_t mode = instance_->mode.load();
    const int32_t count = BuildHighwayItems(instance_.get(), mode == 1 || mode == 2);
    const auto *items = static_cast<const HighwayItem *>(instance_->highway_items.Get());
    return count > 0 ? std::vector<HighwayItem>(items, items + count) : std::vector<HighwayItem>();
}

intptr_t ChartTestHost::Callback(AEffect *effect, int32_t opcode, int32_t index, intptr_t value, void *, float) {
    auto found = Hosts().find(effect);
    if (found == Hosts().end()) return 0;
    ChartTestHost &host = *found->second;
    switch (opcode) {
        case audioMasterGetTime:
            return host.time_info_available ? reinterpret_cast<intptr_t>(&host.time_info) : 0;
        case audioMasterGetOutputLatency:
            return host.output_latency;
        default:
            break;
    }
    if (opcode == HOST_EXT_OPCODE && index == HOST_EXT_GET_CONTEXT) {
        if (value == HOST_CONTEXT_PROJECT) return reinterpret_cast<intptr_t>(host.project);
        if (value == HOST_CONTEXT_TRACK) {
            ++host.track_requests;
            return reinterpret_cast<intptr_t>(host.track);
        }
    }
    return 0;
}

int64_t SampleOfTick(const ChartProject &project, int64_t tick, double rate) {
    int64_t position = 0;
    HostSamplePosition(project.tempo_map().TickToSeconds(double(tick)), rate, &position);
    return position;
}
