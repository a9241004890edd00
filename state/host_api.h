// The host's vendor extension interface as this plug-in uses it: the callback codes of the
// function lookup and context calls, the five host functions, and the raw-MIDI request record.
//
// Threads: the function table is filled once per process on the host's main thread (the first
// VSTPluginMain call) and only read afterwards, from either thread.
#pragma once

#include <cstddef>
#include <cstdint>

class MIDI_eventlist;

// Opaque host objects; only the host knows what they point at. Either may be null.
typedef struct QlvProjectHandle__ *ProjectHandle;
typedef struct QlvTrackHandle__ *TrackHandle;

// Callback calls of the extension protocol (opcode, index, value as the host expects them).
constexpr int32_t HOST_EXT_OPCODE = static_cast<int32_t>(0xdeadbeefu);
constexpr int32_t HOST_EXT_GET_FUNCTION = static_cast<int32_t>(0xdeadf00du);  // ptr = function name
constexpr int32_t HOST_EXT_GET_CONTEXT = static_cast<int32_t>(0xdeadf00eu);   // value selects what
constexpr intptr_t HOST_CONTEXT_TRACK = 1;                                   // → TrackHandle
constexpr intptr_t HOST_CONTEXT_PROJECT = 3;                                 // → ProjectHandle

// The vendor extension protocol's capability strings: opaque tokens compared byte for byte with
// the NUL-terminated string a host passes (no terminator stored here).
inline constexpr uint8_t VENDOR_CAP_EXTENSIONS[19] = {
    0x68, 0x61, 0x73, 0x43, 0x6f, 0x63, 0x6b, 0x6f, 0x73, 0x45, 0x78, 0x74, 0x65, 0x6e, 0x73, 0x69, 0x6f, 0x6e, 0x73};
inline constexpr uint8_t VENDOR_CAP_VIEW_AS_CONFIG[21] = {
    0x68, 0x61, 0x73, 0x43, 0x6f, 0x63, 0x6b, 0x6f, 0x73, 0x56, 0x69,
    0x65, 0x77, 0x41, 0x73, 0x43, 0x6f, 0x6e, 0x66, 0x69, 0x67};

// The affirmative answer to them.
constexpr intptr_t HOST_EXT_CAN_DO_ANSWER = static_cast<intptr_t>(0xbeef0000u);

// The request handed to Track_GetRawMIDI. 72 bytes, little-endian.
struct RawMidiRequest {
    double start_seconds;      // window start in seconds
    double sample_rate;        // samples per second the host counts frame offsets in
    int32_t kind;              // always 1
    int32_t length_samples;    // window length in samples
    uint8_t zero_24[8];        // 0
    int32_t zero_32;           // 0
    int32_t zero_36;           // 0 (alignment of the next field)
    MIDI_eventlist *events;    // the host appends the window's events here
    uint8_t zero_48[24];       // 0
};
static_assert(sizeof(RawMidiRequest) == 72);
static_assert(offsetof(RawMidiRequest, start_seconds) == 0);
static_assert(offsetof(RawMidiRequest, sample_rate) == 8);
static_assert(offsetof(RawMidiRequest, kind) == 16);
static_assert(offsetof(RawMidiRequest, length_samples) == 20);
static_assert(offsetof(RawMidiRequest, zero_24) == 24);
static_assert(offsetof(RawMidiRequest, zero_32) == 32);
static_assert(offsetof(RawMidiRequest, events) == 40);
static_assert(offsetof(RawMidiRequest, zero_48) == 48);

// The host functions, under the names the host publishes them by.
typedef const char *(*HostGetIniFileFn)();
typedef intptr_t (*HostTrackGetRawMidiFn)(TrackHandle track, RawMidiRequest *request);
typedef double (*HostTimeToQnFn)(ProjectHandle project, double seconds);
typedef double (*HostBeatsToTimeFn)(ProjectHandle project, double beats, const int *measure);
// Returns the beats since the start of the measure; `measure` receives the measure index,
// `beats_per_measure` is preset by the caller and receives the measure's length, `full_beats`
// receives the absolute beat position. Any out pointer may be null.
typedef double (*HostTimeToBeatsFn)(ProjectHandle project, double seconds, int *measure, int *beats_per_measure,
                                    double *full_beats, int *denominator);

struct HostFunctionSet {
    HostGetIniFileFn get_ini_file = nullptr;
    HostTrackGetRawMidiFn Track_GetRawMIDI = nullptr;
    HostTimeToQnFn TimeMap2_timeToQN = nullptr;
    HostBeatsToTimeFn TimeMap2_beatsToTime = nullptr;
    HostTimeToBeatsFn TimeMap2_timeToBeats = nullptr;
};

// The names looked up, in the order they are asked for.
constexpr const char *HOST_FUNCTION_NAMES[5] = {
    "get_ini_file", "Track_GetRawMIDI", "TimeMap2_timeToQN", "TimeMap2_beatsToTime", "TimeMap2_timeToBeats",
};
