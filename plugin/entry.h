// The library's one export.
#pragma once

#include "state/vst.h"

#if defined(_WIN32)
#define QLV_EXPORT extern "C" __declspec(dllexport)
#else
#define QLV_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The library's one export: builds an instance for the host and returns its effect record, or
// null when a host function is missing or memory is exhausted.
QLV_EXPORT AEffect *VSTPluginMain(audioMasterCallback host_callback);
