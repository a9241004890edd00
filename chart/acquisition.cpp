#include "chart/acquisition.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "chart/acquisition_steps.h"
#include "state/instance.h"
#include "state/vst.h"

namespace {

// Positions beyond this many samples (about 800 years at 44.1 kHz) are not a transport the
// window arithmetic can follow exactly, so such a block is treated as having no time info.
constexpr double MAX_POSITION = 1125899906842624.0;  // 2^50
// Sample rates outside (0, MAX_SAMPLE_RATE] would divide by zero, run the windows backwards or
// make a single block fetch for ever; such a block does no chart work.
constexpr double MAX_SAMPLE_RATE = 1000000.0;
constexpr double MAX_FORWARD_JUMP = 100.0;  // samples past the fetched span before a reset
constexpr double PREROLL_SECONDS = 3.0;     // fetched before a stopped position
constexpr double LOOKAHEAD_MARGIN_SECONDS = 0.1;
// The mark of "no position seen yet" in last_position. A transport may stand before the project
// start (count-in), so a negative position is no such mark by itself.
constexpr double NO_POSITION = -1.0;
// Blocks shorter than TINY_BLOCK_SECONDS are fetched MIN_WINDOW_SECONDS (rounded up to whole
// blocks) at a time: after a reset, blocks of a few samples would otherwise ask the host once per
// block length of the whole lookahead, hundreds of thousands of requests in one callback at high
// rates. Ordinary block lengths keep one window per block.
constexpr double TINY_BLOCK_SECONDS = 0.005;
constexpr double MIN_WINDOW_SECONDS = 0.05;

void Silence(float **outputs, int32_t frames) {
    if (!outputs) return;
    for (int channel = 0; channel < 2; ++channel) {
        if (outputs[channel]) std::memset(outputs[channel], 0, sizeof(float) * static_cast<size_t>(frames));
    }
}

// Removes every event that ended at or before `threshold`, keeping the others in order.
void PruneEnded(GrowBuf &events, double threshold) {
    auto *records = static_cast<ChartEvent *>(events.Get());
    const int32_t count = events.GetSize() / static_cast<int32_t>(sizeof(ChartEvent));
    int32_t kept = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (double(records[i].time) + double(records[i].length) <= threshold) continue;
        if (kept != i) records[kept] = records[i];
        ++kept;
    }
    events.Resize(kept * static_cast<int32_t>(sizeof(ChartEvent)), false);
}

// Fetches [fetched_end, fetched_end + frames) and advances fetched_end past it.
void FetchWindow(const WindowContext &context, int32_t frames) {
    PreviewInstance &instance = *context.instance;
    instance.event_list.Clear();

    RawMidiRequest request;
    std::memset(&request, 0, sizeof request);
    request.start_seconds = instance.fetched_end / context.sample_rate;
    request.sample_rate = context.sample_rate;
    request.kind = 1;
    request.length_samples = frames;
    request.events = &instance.event_list;

    audioMasterCallback callback = instance.host_callback;
    const auto project = reinterpret_cast<ProjectHandle>(
        callback(&instance.effect, HOST_EXT_OPCODE, HOST_EXT_GET_CONTEXT, HOST_CONTEXT_PROJECT, nullptr, 0.0f));
    const auto track = reinterpret_cast<TrackHandle>(
        callback(&instance.effect, HOST_EXT_OPCODE, HOST_EXT_GET_CONTEXT, HOST_CONTEXT_TRACK, nullptr, 0.0f));
    WindowContext window = context;
    window.project = project;
    if (track) HostFunctions.Track_GetRawMIDI(track, &request);

    // A host that honours the window never hands out a record outside it; one that does not
    // would otherwise add the same events again on every request.
    int32_t cursor = 0;
    while (const MidiEventRecord *record = instance.event_list.NextEvent(&cursor)) {
        if (record->frame_offset < 0 || record->frame_offset >= frames) continue;
        ApplyEventRecord(window, *record, instance.fetched_end + record->frame_offset);
    }

    AppendBeatGrid(window, instance.fetched_end, frames);
    instance.fetched_end += frames;
}

// Fetches up to `target` the way block-length windows would: it ends where the first window to
// reach the target would end, but a tiny block is fetched as a whole number of blocks per
// request.
void FetchUpTo(const WindowContext &context, double target, int32_t frames) {
    PreviewInstance &instance = *context.instance;
    if (!(target > instance.fetched_end)) return;
    // Counted in whole samples, so that rounding in fetched_end can never leave a window of 0.
    auto remaining = static_cast<int64_t>(std::ceil((target - instance.fetched_end) / frames)) * frames;
    const double rate = context.sample_rate;
    const int64_t window = frames >= TINY_BLOCK_SECONDS * rate
                               ? frames
                               : static_cast<int64_t>(std::ceil(MIN_WINDOW_SECONDS * rate / frames)) * frames;
    while (remaining > 0) {
        // A block, or 50 ms of samples rounded up to blocks: fits an int32 at any usable rate.
        const int64_t length = std::min(remaining, window);
        FetchWindow(context, static_cast<int32_t>(length));
        remaining -= length;
    }
}

// Remembers the block's position. A real position of exactly NO_POSITION is kept one step below
// it, so a transport standing there is not taken for "none" on every block.
double RememberedPosition(double position) {
    return position == NO_POSITION ? std::nextafter(NO_POSITION, -2.0) : position;
}

}  // namespace

bool AppendChartEvent(GrowBuf &events, const ChartEvent &event) {
    const int32_t old_size = events.GetSize();
    constexpr int32_t record = static_cast<int32_t>(sizeof(ChartEvent));
    if (old_size > INT32_MAX - record) return false;
    events.Resize(old_size + record, false);
    if (events.GetSize() != old_size + record) return false;
    std::memcpy(events.data + old_size, &event, sizeof event);
    return true;
}

void ProcessBlock(PreviewInstance *instance, float **outputs, int32_t frames, bool accumulate) {
    // A block without frames has nothing to silence and no window to fetch.
    if (!instance || frames <= 0) return;
    if (!accumulate) Silence(outputs, frames);
    if (!instance->host_callback) return;

    auto *time_info = reinterpret_cast<const VstTimeInfo *>(
        instance->host_callback(&instance->effect, audioMasterGetTime, 0, 0, nullptr, 0.0f));
    if (!time_info || !instance->editor_window.load(std::memory_order_relaxed)) return;
    const double position = time_info->samplePos;
    const bool playing = (time_info->flags & kVstTransportPlaying) != 0;
    if (!std::isfinite(position) || std::fabs(position) > MAX_POSITION) return;
    if (!HostFunctions.Track_GetRawMIDI || !HostFunctions.TimeMap2_timeToQN || !HostFunctions.TimeMap2_beatsToTime ||
        !HostFunctions.TimeMap2_timeToBeats)
        return;

    const int32_t skill = std::clamp<int32_t>(instance->skill.load(std::memory_order_relaxed), 0, 3);
    EnterCriticalSection(&instance->lock);
    const double rate = instance->sample_rate;
    if (!(rate > 0.0 && rate <= MAX_SAMPLE_RATE)) {
        LeaveCriticalSection(&instance->lock);
        return;
    }

    // Staleness: nothing seen yet, the position went back, or it jumped past what was fetched.
    bool prune = false;
    if (instance->last_position == NO_POSITION || instance->last_position > position ||
        position > instance->fetched_end + MAX_FORWARD_JUMP) {
        instance->last_position = position;
        instance->fetched_end = position;
        instance->chart_events.Resize(0, false);
        if (!playing) {
            // Stopped: start three seconds early so notes sounding at the position are found,
            // then drop what already ended.
            prune = true;
            instance->fetched_end -= PREROLL_SECONDS * rate;
        }
    }
    instance->last_position = RememberedPosition(position);

    BlockShortcuts shortcuts;
    const WindowContext context{instance, nullptr, rate, skill, instance->mode.load(std::memory_order_relaxed),
                                instance->hopo_threshold.load(std::memory_order_relaxed) / 480.0, &shortcuts};
    FetchUpTo(context, position + (LOOKAHEAD_SECONDS[skill] + LOOKAHEAD_MARGIN_SECONDS) * rate, frames);

    if (prune) PruneEnded(instance->chart_events, position);

    if (playing) {
        const intptr_t latency_answer =
            instance->host_callback(&instance->effect, audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f);
        const auto latency = static_cast<int32_t>(static_cast<uint32_t>(latency_answer));
        instance->display_position = frames + position - latency -
                                     time_offset_ms.load(std::memory_order_relaxed) * rate / 1000.0;
    } else {
        instance->display_position = position;
    }
    LeaveCriticalSection(&instance->lock);
}
