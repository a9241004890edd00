// Kernel services: critical sections, module file names, private profile (INI) files. (The PNG
// loader's wide-name open is Windows-only; here files are opened by the path as given.)
#pragma once

#include "win_types.h"

extern "C" {

// A recursive mutex, as on Windows: the owning thread may enter it again and must leave it as
// often as it entered. The storage is opaque; only these calls touch it.
typedef struct _RTL_CRITICAL_SECTION {
    void *impl;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

WINAPI_EXPORT void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
WINAPI_EXPORT void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
WINAPI_EXPORT void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
WINAPI_EXPORT void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);

// Module handles are the load address of a shared object (any address inside it is accepted).
// A null handle names the main program. Returns the number of characters copied, without the
// terminator; when the buffer is too small the path is cut and the size is returned, as on
// Windows. 0 on failure.
WINAPI_EXPORT DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR filename, DWORD size);

// Private profile files. Reading a missing file, section or key gives the default. Writing one
// key keeps every other byte of the file and replaces it atomically, through symbolic links;
// a read-only file is refused (FALSE, nothing changed). See profile.cpp and file_replace.h.
WINAPI_EXPORT UINT WINAPI GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT default_value, LPCSTR filename);
WINAPI_EXPORT BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR filename);

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1

}  // extern "C"
