// The reference host: loads a plug-in binary by path, creates instances through VSTPluginMain with
// its own callback and answers the callback the way a workstation with the vendor extensions
// does (function lookup, project and track context, transport, output latency).
//
// Threads: construct, load, create and close on one thread (the "main" thread). The callback may
// be called from any thread; its transport answer is guarded. One PluginHost per loaded binary.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/host_project.h"
#include "state/vst.h"

struct HostTransport {
    double sample_pos = 0.0;
    double sample_rate = 44100.0;
    bool playing = false;
    bool available = true;         // false: audioMasterGetTime answers null
    int32_t output_latency = 0;    // samples
};

class PluginHost {
public:
    PluginHost();
    // Closes every instance still open, then unloads the binary.
    ~PluginHost();
    PluginHost(const PluginHost &) = delete;
    PluginHost &operator=(const PluginHost &) = delete;

    // Loads the binary and finds VSTPluginMain. False with a message in *error on failure.
    bool Load(const std::string &path, std::string *error);
    bool IsLoaded() const { return entry_ != nullptr; }

    // Calls VSTPluginMain once; the new instance gets the default project and track context.
    // Null when the plug-in declines.
    AEffect *CreateInstance();
    // effClose, then forgets the instance.
    void CloseInstance(AEffect *effect);

    intptr_t Dispatch(AEffect *effect, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                      void *ptr = nullptr, float opt = 0.0f);

    // Context answered to an instance's project (value 3) and track (value 1) requests.
    void SetContext(AEffect *effect, HostProject *project, HostTrack *track);
    void SetDefaultContext(HostProject *project, HostTrack *track);

    // Host functions named here are answered "missing" by the function lookup.
    void WithholdFunction(const std::string &name, bool withheld = true);
    // Every function lookup made, in order.
    std::vector<std::string> Lookups() const;
    void ClearLookups();

    void SetTransport(const HostTransport &transport);
    HostTransport Transport() const;

    // The callback handed to VSTPluginMain.
    static intptr_t Callback(AEffect *effect, int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt);

private:
    intptr_t Answer(AEffect *effect, int32_t opcode, int32_t index, intptr_t value, void *ptr);
    intptr_t LookupFunction(const char *name);

    struct Context {
        HostProject *project = nullptr;
        HostTrack *track = nullptr;
    };

    void *library_ = nullptr;
    AEffect *(*entry_)(audioMasterCallback) = nullptr;
    std::vector<AEffect *> instances_;
    std::map<AEffect *, Context> contexts_;
    Context default_context_;
    std::set<std::string> withheld_;
    std::vector<std::string> lookups_;
    mutable std::mutex mutex_;  // guards transport_, time_info_, contexts_, lookups_
    HostTransport transport_;
    VstTimeInfo time_info_{};
};
