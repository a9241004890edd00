// PreviewInstance: everything one plug-in instance owns, and the process-wide state shared by
// all instances.
//
// Threads: the host's main thread constructs and destroys instances and runs the dispatcher and
// the editor; the host's audio thread runs the audio routines. `lock` is a recursive mutex held by
// the audio thread for its whole chart work (host calls included), by note extraction while it
// reads `chart_events` and writes `highway_items`/`flip_marks`, by the editor's opening reset, and
// by the sample-rate and processing-switch requests. `skill`, `mode`, `hopo_threshold`,
// `editor_window` and `time_offset_ms` are written by the main thread without the lock and read by
// the audio thread: they are relaxed atomics of their plain size (single indivisible reads and
// writes; no ordering between them is relied on).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "state/midi_list.h"
#include "state/growbuf.h"
#include "state/host_api.h"
#include "state/vst.h"

class GFX_SysBitmap;
class GFX_MemBitmap;

// A drum flip switch position.
struct FlipMark {
    int64_t time;  // samples
    uint8_t on;    // 1 = flip on, 0 = flip off
};

constexpr int32_t FLIP_MARK_CAPACITY = 100;
constexpr int32_t DEFAULT_HOPO_THRESHOLD = 170;  // ticks at 480 per quarter note
constexpr double DEFAULT_SAMPLE_RATE = 44100.0;

// The record is declared here so that every layer can work on it; its constructor and destructor
// are the plug-in layer's (plugin/instance_lifecycle.cpp), as only that layer knows the dispatcher
// and the picture set they wire up and load.
class PreviewInstance {
public:
    // Creates the lock, the empty buffers and the effect record; counts the instance.
    explicit PreviewInstance(audioMasterCallback callback);
    // Closes the editor if open, deletes the editor bitmaps, uncounts the instance, frees the
    // buffers and the lock. Main thread only.
    ~PreviewInstance();
    PreviewInstance(const PreviewInstance &) = delete;
    PreviewInstance &operator=(const PreviewInstance &) = delete;

    // Processing switched off: empties chart_events (storage kept), forgets the positions and
    // the flip marks. Caller holds `lock`.
    void Reset();

    // Rebuilds the 4-byte settings chunk in chunk_buf and points *out at it (null if it could not
    // be built). Returns the chunk length. The data stays valid until the next call or destruction.
    int32_t GetChunk(void **out);
    // Loads settings from a chunk of `length` bytes (the layout is in plugin/chunk.cpp). Null data
    // or a length below 2 changes nothing.
    void SetChunk(const void *data, intptr_t length);

    // The instance that owns an effect record, or null.
    static PreviewInstance *FromEffect(AEffect *effect) {
        return effect ? static_cast<PreviewInstance *>(effect->user) : nullptr;
    }

    FlipMark flip_marks[FLIP_MARK_CAPACITY];   // ascending; entries 0..flip_count-1 in use
    int32_t flip_count = 0;
    AEffect effect;                            // what the host sees; effect.user = this
    double sample_rate = DEFAULT_SAMPLE_RATE;  // written under lock
    audioMasterCallback host_callback;
    CRITICAL_SECTION lock;
    std::atomic<HWND> editor_window{nullptr};  // open editor dialog; null = closed
    std::atomic<int32_t> skill{0};             // 0 Easy .. 3 Expert (a chunk may load others)
    std::atomic<int32_t> mode{0};              // 0 Guitar/Bass, 1 Pro Drums, 2 Drums (std), 3 Keys
    std::atomic<int32_t> hopo_threshold{DEFAULT_HOPO_THRESHOLD};
    GrowBuf chart_events{4096};                // ChartEvent records; under lock
    double last_position = -1.0;               // samples; -1 = none
    double fetched_end = 0.0;                  // samples; set when the editor opens
    double display_position = -1.0;            // samples; -1 = none
    GrowBuf highway_items{4096};               // HighwayItem draw list
    midi_List event_list;                      // filled by the host
    GrowBuf chunk_buf{4096};                   // the chunk last handed out
    int32_t chunk_read_pos = 0;
    GFX_SysBitmap *back_buffer = nullptr;      // owned; the editor's paint buffer
    GFX_MemBitmap *highway_image = nullptr;    // owned; the static highway background
    uint8_t highway_dirty = 1;                 // highway_image must be rebuilt
};

static_assert(sizeof(std::atomic<int32_t>) == sizeof(int32_t));
static_assert(sizeof(std::atomic<HWND>) == sizeof(HWND));

// Process-wide state. Changed only on the host's main thread (or at library attach), except
// time_offset_ms which the audio thread reads.
extern HMODULE module_handle;              // this library, recorded at attach
extern HostFunctionSet HostFunctions;      // resolved by the first VSTPluginMain
extern std::atomic<int32_t> time_offset_ms;  // display offset in milliseconds
extern int32_t instance_count;             // live PreviewInstance objects

// INI location of the time offset.
constexpr const char *INI_SECTION = "qlview";
constexpr const char *INI_KEY_TIME_OFFSET = "timeoffs";
