#include "windows.h"

#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

extern "C" {

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR filename, DWORD size) {
    if (!filename || size == 0) return 0;
    char path[4096];
    const char *found = nullptr;
    if (module) {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void *>(module), &info) && info.dli_fname) found = info.dli_fname;
    } else {
        ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
        if (n > 0) {
            path[n] = '\0';
            found = path;
        }
    }
    if (!found) return 0;
    size_t len = std::strlen(found);
    if (len >= size) {
        // Cut to fit, terminated, and report the buffer size, as Windows does.
        std::memcpy(filename, found, size - 1);
        filename[size - 1] = '\0';
        return size;
    }
    std::memcpy(filename, found, len + 1);
    return static_cast<DWORD>(len);
}

}  // extern "C"
