// The VST 2.4 plug-in interface as this plug-in and its reference host use it: the effect record,
// the time-info record, the callback and entry-routine signatures, and the opcodes, flags and
// constants referred to by name. Declared here from the published binary layout; every size and
// offset is checked below for the 64-bit target.
#pragma once

#include <cstddef>
#include <cstdint>

struct AEffect;

// The host's callback. `opt` is always 0.0 in the calls this plug-in makes.
typedef intptr_t (*audioMasterCallback)(AEffect *effect, int32_t opcode, int32_t index, intptr_t value,
                                        void *ptr, float opt);

typedef intptr_t (*AEffectDispatcherProc)(AEffect *effect, int32_t opcode, int32_t index, intptr_t value,
                                          void *ptr, float opt);
typedef void (*AEffectProcessProc)(AEffect *effect, float **inputs, float **outputs, int32_t frames);
typedef void (*AEffectProcessDoubleProc)(AEffect *effect, double **inputs, double **outputs, int32_t frames);
typedef void (*AEffectSetParameterProc)(AEffect *effect, int32_t index, float value);
typedef float (*AEffectGetParameterProc)(AEffect *effect, int32_t index);

// The record a plug-in hands to the host: identification, capability counts and its entry routines.
struct AEffect {
    int32_t magic;                      // kEffectMagic
    AEffectDispatcherProc dispatcher;   // every request by opcode
    AEffectProcessProc process;         // accumulating audio routine
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;                      // effFlags* bits
    intptr_t resvd1;                    // reserved for the host, 0
    intptr_t resvd2;                    // reserved for the host, 0
    int32_t initialDelay;               // latency in samples
    int32_t realQualities;              // unused, 0
    int32_t offQualities;               // unused, 0
    float ioRatio;                      // unused, 0
    void *object;                       // unused by this plug-in, 0
    void *user;                         // the plug-in's own object
    int32_t uniqueID;
    int32_t version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];                    // reserved, 0
};

static_assert(sizeof(void *) == 8, "the record layouts below are those of a 64-bit target");
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);

// Transport state answered by audioMasterGetTime.
struct VstTimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    int32_t timeSigNumerator;
    int32_t timeSigDenominator;
    int32_t smpteOffset;
    int32_t smpteFrameRate;
    int32_t samplesToNextClock;
    int32_t flags;  // kVstTransport* and kVst*Valid bits
};

static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, samplePos) == 0);
static_assert(offsetof(VstTimeInfo, sampleRate) == 8);
static_assert(offsetof(VstTimeInfo, nanoSeconds) == 16);
static_assert(offsetof(VstTimeInfo, ppqPos) == 24);
static_assert(offsetof(VstTimeInfo, tempo) == 32);
static_assert(offsetof(VstTimeInfo, barStartPos) == 40);
static_assert(offsetof(VstTimeInfo, cycleStartPos) == 48);
static_assert(offsetof(VstTimeInfo, cycleEndPos) == 56);
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, timeSigDenominator) == 68);
static_assert(offsetof(VstTimeInfo, smpteOffset) == 72);
static_assert(offsetof(VstTimeInfo, smpteFrameRate) == 76);
static_assert(offsetof(VstTimeInfo, samplesToNextClock) == 80);
static_assert(offsetof(VstTimeInfo, flags) == 84);

constexpr int32_t kEffectMagic = 0x56737450;

// Effect flags.
constexpr int32_t effFlagsHasEditor = 1;
constexpr int32_t effFlagsCanReplacing = 16;
constexpr int32_t effFlagsProgramChunks = 32;
constexpr int32_t effFlagsIsSynth = 256;

// Plug-in categories.
constexpr intptr_t kPlugCategSynth = 2;

// VstTimeInfo flags.
constexpr int32_t kVstTransportChanged = 1;
constexpr int32_t kVstTransportPlaying = 2;

// Dispatcher opcodes.
enum : int32_t {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditIdle = 19,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effGetProgramNameIndexed = 29,
    effGetPlugCategory = 35,
    effGetEffectName = 45,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effCanDo = 51,
    effGetVstVersion = 58,
};

// Host callback opcodes.
enum : int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterGetTime = 7,
    audioMasterGetOutputLatency = 19,
};

// Four characters packed first character highest, as identifiers are in this interface.
constexpr int32_t VstFourCC(char a, char b, char c, char d) {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<uint8_t>(d)));
}
