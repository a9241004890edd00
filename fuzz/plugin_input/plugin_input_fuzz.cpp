// Fuzz target for what a host hands the plug-in: a settings chunk of any length, then raw MIDI
// records with any frame offset answering the chart requests of audio blocks, with note
// extraction and a paint of the open editor between blocks (layout in plugin_input.h). Checks:
// the chunk reads back as loaded, the replacing routine writes exact silence over exactly the
// block, the accumulating one leaves the outputs alone.
#include <dlfcn.h>
#include <qlv_headless.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "fuzz/plugin_input/plugin_input.h"
#include "host/host_project.h"
#include "plugin/entry.h"
#include "state/instance.h"

namespace {

using namespace plugin_input;

void Check(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "plugin_input_fuzz: %s\n", what);
        std::abort();
    }
}

class FuzzTrack final : public HostTrack {
public:
    void AppendRawMidi(double start_seconds, double sample_rate, int32_t length_samples, MIDI_eventlist *out) override {
        const bool raw = raw_offsets && requests++ < 3;
        const double start = start_seconds * sample_rate;
        for (const Record &r : records) {
            const double offset = std::floor(r.frame_offset - start);
            if (offset >= 0 && offset < length_samples) Append(static_cast<int32_t>(offset), r.message, out);
            if (raw) Append(r.frame_offset, r.message, out);
        }
    }
    static void Append(int32_t offset, const std::vector<uint8_t> &message, MIDI_eventlist *out) {
        alignas(4) uint8_t record[8 + 32 + 4] = {};
        const auto size = static_cast<int32_t>(message.size());
        std::memcpy(record, &offset, 4);
        std::memcpy(record + 4, &size, 4);
        if (size > 0) std::memcpy(record + 8, message.data(), message.size());
        out->AppendEvent(reinterpret_cast<const MidiEventRecord *>(record));
    }
    std::vector<Record> records;
    bool raw_offsets = false;
    int requests = 0;
};

struct Host {
    FuzzTrack track;
    HostProject project;  // default tempo map
    VstTimeInfo time{};
    bool time_available = true;
    int32_t latency = 0;
};
Host *g_host = nullptr;

intptr_t Callback(AEffect *, int32_t opcode, int32_t index, intptr_t value, void *ptr, float) {
    if (opcode == HOST_EXT_OPCODE && index == HOST_EXT_GET_FUNCTION && ptr) {
        const char *name = static_cast<const char *>(ptr);
        if (!std::strcmp(name, "get_ini_file")) return reinterpret_cast<intptr_t>(&HostGetIniFile);
        if (!std::strcmp(name, "Track_GetRawMIDI")) return reinterpret_cast<intptr_t>(&HostTrackGetRawMidi);
        if (!std::strcmp(name, "TimeMap2_timeToQN")) return reinterpret_cast<intptr_t>(&HostTimeMapTimeToQN);
        if (!std::strcmp(name, "TimeMap2_beatsToTime")) return reinterpret_cast<intptr_t>(&HostTimeMapBeatsToTime);
        if (!std::strcmp(name, "TimeMap2_timeToBeats")) return reinterpret_cast<intptr_t>(&HostTimeMapTimeToBeats);
        return 0;
    }
    if (!g_host) return 0;
    if (opcode == HOST_EXT_OPCODE && index == HOST_EXT_GET_CONTEXT) {
        if (value == HOST_CONTEXT_PROJECT) return reinterpret_cast<intptr_t>(g_host->project.Handle());
        if (value == HOST_CONTEXT_TRACK) return reinterpret_cast<intptr_t>(HostProject::HandleOf(&g_host->track));
        return 0;
    }
    if (opcode == audioMasterGetTime) return g_host->time_available ? reinterpret_cast<intptr_t>(&g_host->time) : 0;
    if (opcode == audioMasterGetOutputLatency) return g_host->latency;
    return 0;
}

// Once per process: the plug-in's module is this program (the editor's dialog template is built
// in; the pictures fall back to their placeholders), and one instance stays alive so the shared
// image set is not loaded again for every input. It is closed at exit, as a host closes its
// instances, which releases the pictures and their scaled copies.
AEffect *g_anchor = nullptr;

void CloseAnchor() {
    if (g_anchor) g_anchor->dispatcher(g_anchor, effClose, 0, 0, nullptr, 0.0f);
    g_anchor = nullptr;
}

AEffect *Anchor() {
    static const bool made = [] {
        Dl_info info{};
        if (!module_handle && dladdr(reinterpret_cast<void *>(&Callback), &info)) {
            module_handle = static_cast<HMODULE>(info.dli_fbase);
        }
        SetHostIniFile("/dev/null");
        g_anchor = VSTPluginMain(&Callback);
        std::atexit(CloseAnchor);
        return true;
    }();
    return made ? g_anchor : nullptr;
}

struct Reader {
    const uint8_t *data;
    size_t size, at = 0;
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    bool Done() const { return at >= size; }
};

// Samples after the block that must stay untouched, and the longest block with them.
constexpr size_t MARGIN = 16;
constexpr size_t LONGEST = static_cast<size_t>(BLOCK_SIZES[std::size(BLOCK_SIZES) - 1]) + MARGIN;

// Runs of the values the blocks are filled with and compared against. Filling and comparing go
// through memcpy and memcmp: the sanitizers check each range once, and the coverage hooks do not
// see a loop per sample, which otherwise costs more than the plug-in's own work on the block.
const float *RunOf(float value) {
    static const std::vector<float> zero(LONGEST, 0.0f), half(LONGEST, 0.5f), minus_half(LONGEST, -0.5f),
        quarter(LONGEST, 0.25f);
    const std::vector<float> &run = value == 0.5f ? half : value == -0.5f ? minus_half : value == 0.25f ? quarter : zero;
    return run.data();
}

// True when the n samples at `p` are all `value`, bit for bit (memset silence is +0.0).
bool AllAre(const float *p, size_t n, float value) {
    return n == 0 || std::memcmp(p, RunOf(value), n * sizeof(float)) == 0;
}

void Fill(std::vector<float> &samples, float value) {
    std::memcpy(samples.data(), RunOf(value), samples.size() * sizeof(float));
}

void RunBlock(AEffect *effect, int32_t frames, std::vector<float> &left, std::vector<float> &right) {
    const size_t used = static_cast<size_t>(frames), margin = left.size() - used;
    Fill(left, 0.5f);
    Fill(right, -0.5f);
    float *outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outputs, frames);
    Check(AllAre(left.data(), used, 0.0f) && AllAre(right.data(), used, 0.0f) &&
              AllAre(left.data() + used, margin, 0.5f) && AllAre(right.data() + used, margin, -0.5f),
          "replacing block is not exact silence over exactly its frames");
    Fill(left, 0.25f);
    effect->process(effect, nullptr, outputs, frames);
    Check(AllAre(left.data(), used, 0.25f) && AllAre(right.data(), used, 0.0f), "accumulating block wrote");
    if (g_host->time.flags & kVstTransportPlaying) g_host->time.samplePos += frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (!Anchor()) return 0;
    time_offset_ms.store(0);  // a drag in the previous input may have moved it
    Host host;
    g_host = &host;
    Reader in{data, size};
    AEffect *effect = VSTPluginMain(&Callback);
    Check(effect != nullptr, "no instance");
    auto dispatch = [&](int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    };

    // The chunk, and what reads back.
    void *before_ptr = nullptr;
    Check(dispatch(effGetChunk, 0, 0, &before_ptr, 0) == 4 && before_ptr, "no chunk");
    uint8_t before[4];
    std::memcpy(before, before_ptr, 4);
    const uint8_t head = in.Byte();
    std::vector<uint8_t> chunk;
    intptr_t length = 0;
    if (head == 255) {
        length = 4;
    } else if (head >= 128) {
        length = -static_cast<intptr_t>(head - 127);
    } else {
        while (chunk.size() < head && !in.Done()) chunk.push_back(in.Byte());
        length = static_cast<intptr_t>(chunk.size());
    }
    dispatch(effSetChunk, 0, length, head == 255 ? nullptr : chunk.data(), 0);
    void *after_ptr = nullptr;
    Check(dispatch(effGetChunk, 0, 0, &after_ptr, 0) == 4 && after_ptr, "no chunk after loading");
    uint8_t expected[4];
    std::memcpy(expected, before, 4);
    if (length >= 2 && head != 255) std::memcpy(expected, chunk.data(), length >= 4 ? 4 : 2);
    Check(std::memcmp(after_ptr, expected, 4) == 0, "chunk does not read back as loaded");

    // Transport and processing set up while suspended.
    const double rate = RATES[in.Byte() % std::size(RATES)];
    const int32_t block = BLOCK_SIZES[in.Byte() % std::size(BLOCK_SIZES)];
    const uint8_t flags = in.Byte();
    host.time.sampleRate = rate;
    host.time.samplePos = in.Byte() * 10000.0;
    host.time.flags = (flags & FLAG_PLAYING) ? kVstTransportPlaying : 0;
    host.time_available = !(flags & FLAG_NO_TIME_INFO);
    host.latency = (flags & FLAG_LATENCY) ? 100000 : 0;
    host.track.raw_offsets = flags & FLAG_RAW;
    while (!in.Done()) {
        uint32_t offset = 0;
        for (int i = 0; i < 4; ++i) offset |= uint32_t{in.Byte()} << (8 * i);
        Record record{static_cast<int32_t>(offset), {}};
        record.message.resize(in.Byte() % 32);
        for (uint8_t &b : record.message) b = in.Byte();
        host.track.records.push_back(std::move(record));
    }
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    dispatch(effSetBlockSize, 0, block, nullptr, 0);
    dispatch(effMainsChanged, 0, 1, nullptr, 0);

    // Blocks, with a frame of the open editor (timer tick, note extraction, paint) between them.
    // A small editor: each new instance rebuilds its board and the scaled pictures, which costs
    // in proportion to the area.
    HWND parent = QlvHeadlessCreateWindow(0, 0, 64, 50, nullptr);
    Check(dispatch(effEditOpen, 0, 0, parent, 0) == 1, "editor did not open");
    std::vector<float> left(static_cast<size_t>(block) + MARGIN), right(left.size());
    for (int i = 0; i < 6; ++i) {
        RunBlock(effect, block, left, right);
        if ((flags & FLAG_RESIZE) && i == 3) SetWindowPos(parent, nullptr, 0, 0, 3 + data[0] % 150, 120 - data[0] % 113, SWP_NOMOVE | SWP_NOZORDER);
        if ((flags & FLAG_DRAG) && i == 2) {
            QlvHeadlessMouse(parent, WM_LBUTTONDOWN, 20 + 60 * (data[0] & 3), 15);
            QlvHeadlessMouse(parent, WM_MOUSEMOVE, 300, 2);
            QlvHeadlessMouse(parent, WM_LBUTTONUP, 300, 2);
        }
        QlvHeadlessAdvanceClock(15);
        QlvHeadlessRunPaints();
    }
    // Suspend, reset, resume: the chart state is rebuilt from nothing.
    dispatch(effMainsChanged, 0, 0, nullptr, 0);
    dispatch(effMainsChanged, 0, 1, nullptr, 0);
    RunBlock(effect, block, left, right);
    QlvHeadlessAdvanceClock(15);
    QlvHeadlessRunPaints();

    dispatch(effEditClose, 0, 0, nullptr, 0);
    DestroyWindow(parent);
    dispatch(effClose, 0, 0, nullptr, 0);
    g_host = nullptr;
    return 0;
}
