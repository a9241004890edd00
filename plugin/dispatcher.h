// The entry routines stored in each instance's effect record. Every routine that needs the
// instance does nothing and answers 0 when effect->user is null.
//
// Threads: the dispatcher and the parameter routines run on the host's main thread, the two
// audio routines on its audio thread.
#pragma once

#include <cstdint>

#include "state/host_api.h"
#include "state/vst.h"

intptr_t PreviewDispatcher(AEffect *effect, int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt);
// Accumulating: the outputs are left as they are.
void PreviewProcess(AEffect *effect, float **inputs, float **outputs, int32_t frames);
// Replacing: both outputs are filled with silence first.
void PreviewProcessReplacing(AEffect *effect, float **inputs, float **outputs, int32_t frames);
void PreviewSetParameter(AEffect *effect, int32_t index, float value);
float PreviewGetParameter(AEffect *effect, int32_t index);

// Names and answers the dispatcher gives.
constexpr const char *PREVIEW_EFFECT_NAME = "QLV Preview";
constexpr const char *PREVIEW_VENDOR_NAME = "QLV";
constexpr const char *PREVIEW_PARAM_NAME = "dummy";
constexpr intptr_t PREVIEW_IDENTIFY_ANSWER = 0x4e764566;
constexpr intptr_t PREVIEW_VST_VERSION = 2400;
constexpr int32_t PREVIEW_CHUNK_SIZE = 4;
