// The library's attach notification: records this module's handle for the dialog resource and
// the picture folder. Nothing else happens at load.
#include "state/instance.h"

#if defined(_WIN32)

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) module_handle = instance;
    return TRUE;
}

#else

#include <dlfcn.h>

namespace {

// The module handle of a shared object is its load address.
__attribute__((constructor)) void RecordModuleHandle() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&RecordModuleHandle), &info) && info.dli_fbase) {
        module_handle = static_cast<HMODULE>(info.dli_fbase);
    }
}

}  // namespace

#endif
