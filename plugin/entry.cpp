#include <new>

#include "plugin/entry.h"
#include "state/instance.h"

namespace {

// Asks the host for one of its functions by name; null when it does not offer it.
template <class Fn>
Fn LookUp(audioMasterCallback callback, const char *name) {
    const intptr_t address = callback(nullptr, HOST_EXT_OPCODE, HOST_EXT_GET_FUNCTION, 0,
                                      const_cast<char *>(name), 0.0f);
    return reinterpret_cast<Fn>(address);
}

}  // namespace

QLV_EXPORT AEffect *VSTPluginMain(audioMasterCallback host_callback) {
    if (!host_callback) return nullptr;
    // Once per process: while get_ini_file is unknown every call asks again for all five.
    if (!HostFunctions.get_ini_file) {
        HostFunctions.get_ini_file = LookUp<HostGetIniFileFn>(host_callback, HOST_FUNCTION_NAMES[0]);
        HostFunctions.Track_GetRawMIDI = LookUp<HostTrackGetRawMidiFn>(host_callback, HOST_FUNCTION_NAMES[1]);
        HostFunctions.TimeMap2_timeToQN = LookUp<HostTimeToQnFn>(host_callback, HOST_FUNCTION_NAMES[2]);
        HostFunctions.TimeMap2_beatsToTime = LookUp<HostBeatsToTimeFn>(host_callback, HOST_FUNCTION_NAMES[3]);
        HostFunctions.TimeMap2_timeToBeats = LookUp<HostTimeToBeatsFn>(host_callback, HOST_FUNCTION_NAMES[4]);
        if (!HostFunctions.get_ini_file) return nullptr;
        const char *ini_file = HostFunctions.get_ini_file();
        // A host without an INI path behaves like a missing file: offset 0.
        const int32_t offset =
            ini_file ? static_cast<int32_t>(GetPrivateProfileIntA(INI_SECTION, INI_KEY_TIME_OFFSET, 0, ini_file)) : 0;
        time_offset_ms.store(offset, std::memory_order_relaxed);
    }
    if (!HostFunctions.Track_GetRawMIDI || !HostFunctions.TimeMap2_timeToQN || !HostFunctions.TimeMap2_beatsToTime ||
        !HostFunctions.TimeMap2_timeToBeats) {
        return nullptr;
    }
    auto *instance = new (std::nothrow) PreviewInstance(host_callback);
    if (!instance) return nullptr;
    return &instance->effect;
}
