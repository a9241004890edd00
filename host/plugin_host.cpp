#include "host/plugin_host.h"

#include <algorithm>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

// Which host answers an effect's callback. The function lookup comes before the effect exists,
// so VSTPluginMain runs with the creating host recorded in g_creating.
std::mutex g_registry_mutex;
std::map<AEffect *, PluginHost *> g_registry;
PluginHost *g_creating = nullptr;

PluginHost *HostFor(AEffect *effect) {
    std::lock_guard<std::mutex> guard(g_registry_mutex);
    if (!effect) return g_creating;
    const auto found = g_registry.find(effect);
    return found != g_registry.end() ? found->second : g_creating;
}

struct NamedFunction {
    const char *name;
    intptr_t address;
};

}  // namespace

PluginHost::PluginHost() = default;

PluginHost::~PluginHost() {
    while (!instances_.empty()) CloseInstance(instances_.back());
    if (library_) {
#if defined(_WIN32)
        FreeLibrary(static_cast<HMODULE>(library_));
#else
        dlclose(library_);
#endif
    }
}

bool PluginHost::Load(const std::string &path, std::string *error) {
    if (library_) {
        if (error) *error = "a plug-in is already loaded";
        return false;
    }
#if defined(_WIN32)
    library_ = LoadLibraryA(path.c_str());
    if (!library_) {
        if (error) *error = "cannot load " + path;
        return false;
    }
    void *entry = reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library_), "VSTPluginMain"));
#else
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        const char *why = dlerror();
        if (error) *error = "cannot load " + path + ": " + (why ? why : "unknown error");
        return false;
    }
    void *entry = dlsym(library_, "VSTPluginMain");
#endif
    if (!entry) {
        if (error) *error = path + " has no VSTPluginMain";
#if defined(_WIN32)
        FreeLibrary(static_cast<HMODULE>(library_));
#else
        dlclose(library_);
#endif
        library_ = nullptr;
        return false;
    }
    entry_ = reinterpret_cast<AEffect *(*)(audioMasterCallback)>(entry);
    return true;
}

AEffect *PluginHost::CreateInstance() {
    if (!entry_) return nullptr;
    {
        std::lock_guard<std::mutex> guard(g_registry_mutex);
        g_creating = this;
    }
    AEffect *effect = entry_(&PluginHost::Callback);
    {
        std::lock_guard<std::mutex> guard(g_registry_mutex);
        g_creating = nullptr;
        if (effect) g_registry[effect] = this;
    }
    if (!effect) return nullptr;
    instances_.push_back(effect);
    std::lock_guard<std::mutex> guard(mutex_);
    contexts_[effect] = default_context_;
    return effect;
}

void PluginHost::CloseInstance(AEffect *effect) {
    const auto found = std::find(instances_.begin(), instances_.end(), effect);
    if (found == instances_.end()) return;
    instances_.erase(found);
    if (effect->dispatcher) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    {
        std::lock_guard<std::mutex> guard(g_registry_mutex);
        g_registry.erase(effect);
    }
    std::lock_guard<std::mutex> guard(mutex_);
    contexts_.erase(effect);
}

intptr_t PluginHost::Dispatch(AEffect *effect, int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt) {
    if (!effect || !effect->dispatcher) return 0;
    if (opcode == effClose) {
        CloseInstance(effect);
        return 0;
    }
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void PluginHost::SetContext(AEffect *effect, HostProject *project, HostTrack *track) {
    std::lock_guard<std::mutex> guard(mutex_);
    contexts_[effect] = Context{project, track};
}

void PluginHost::SetDefaultContext(HostProject *project, HostTrack *track) {
    std::lock_guard<std::mutex> guard(mutex_);
    default_context_ = Context{project, track};
}

void PluginHost::WithholdFunction(const std::string &name, bool withheld) {
    if (withheld) {
        withheld_.insert(name);
    } else {
        withheld_.erase(name);
    }
}

std::vector<std::string> PluginHost::Lookups() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return lookups_;
}

void PluginHost::ClearLookups() {
    std::lock_guard<std::mutex> guard(mutex_);
    lookups_.clear();
}

void PluginHost::SetTransport(const HostTransport &transport) {
    std::lock_guard<std::mutex> guard(mutex_);
    transport_ = transport;
}

HostTransport PluginHost::Transport() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return transport_;
}

intptr_t PluginHost::Callback(AEffect *effect, int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt) {
    PluginHost *host = HostFor(effect);
    if (!host) return 0;
    return host->Answer(effect, opcode, index, value, ptr);
}

intptr_t PluginHost::LookupFunction(const char *name) {
    static const NamedFunction kFunctions[] = {
        {"get_ini_file", reinterpret_cast<intptr_t>(&HostGetIniFile)},
        {"Track_GetRawMIDI", reinterpret_cast<intptr_t>(&HostTrackGetRawMidi)},
        {"TimeMap2_timeToQN", reinterpret_cast<intptr_t>(&HostTimeMapTimeToQN)},
        {"TimeMap2_beatsToTime", reinterpret_cast<intptr_t>(&HostTimeMapBeatsToTime)},
        {"TimeMap2_timeToBeats", reinterpret_cast<intptr_t>(&HostTimeMapTimeToBeats)},
    };
    if (!name) return 0;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        lookups_.emplace_back(name);
    }
    if (withheld_.count(name)) return 0;
    for (const NamedFunction &f : kFunctions) {
        if (std::strcmp(f.name, name) == 0) return f.address;
    }
    return 0;
}

intptr_t PluginHost::Answer(AEffect *effect, int32_t opcode, int32_t index, intptr_t value, void *ptr) {
    if (opcode == HOST_EXT_OPCODE) {
        if (index == HOST_EXT_GET_FUNCTION) return LookupFunction(static_cast<const char *>(ptr));
        if (index == HOST_EXT_GET_CONTEXT) {
            std::lock_guard<std::mutex> guard(mutex_);
            const auto found = contexts_.find(effect);
            const Context context = found != contexts_.end() ? found->second : Context{};
            if (value == HOST_CONTEXT_PROJECT) return reinterpret_cast<intptr_t>(context.project);
            if (value == HOST_CONTEXT_TRACK) return reinterpret_cast<intptr_t>(context.track);
        }
        return 0;
    }
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterGetTime: {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!transport_.available) return 0;
        time_info_ = VstTimeInfo{};
        time_info_.samplePos = transport_.sample_pos;
        time_info_.sampleRate = transport_.sample_rate;
        time_info_.tempo = 120.0;
        time_info_.timeSigNumerator = 4;
        time_info_.timeSigDenominator = 4;
        time_info_.flags = transport_.playing ? kVstTransportPlaying : 0;
        return reinterpret_cast<intptr_t>(&time_info_);
    }
    case audioMasterGetOutputLatency: {
        std::lock_guard<std::mutex> guard(mutex_);
        return transport_.output_latency;
    }
    default:
        return 0;
    }
}
