// Basic Windows types with their Windows sizes on a 64-bit target (LP64 here, LLP64 there:
// LONG and DWORD are 32 bits on both).
#pragma once

#include <cstdint>
#include <cstddef>

#if defined(QLV_PLATFORM_BUILD)
#define WINAPI_EXPORT __attribute__((visibility("default")))
#else
#define WINAPI_EXPORT
#endif
#define WINAPI
#define CALLBACK
#define APIENTRY

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int32_t INT;
typedef uint32_t UINT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef char CHAR;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef wchar_t WCHAR;
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;
typedef void *HANDLE;

#define DECLARE_QLV_HANDLE(name) struct name##__ { int unused; }; typedef struct name##__ *name
DECLARE_QLV_HANDLE(HINSTANCE);
typedef HINSTANCE HMODULE;
DECLARE_QLV_HANDLE(HWND);
DECLARE_QLV_HANDLE(HDC);
DECLARE_QLV_HANDLE(HBITMAP);
DECLARE_QLV_HANDLE(HMENU);
DECLARE_QLV_HANDLE(HFONT);
DECLARE_QLV_HANDLE(HBRUSH);
typedef void *HGDIOBJ;

typedef struct tagRECT { LONG left, top, right, bottom; } RECT, *LPRECT;
typedef const RECT *LPCRECT;
typedef struct tagPOINT { LONG x, y; } POINT, *LPPOINT;
typedef struct tagSIZE { LONG cx, cy; } SIZE, *LPSIZE;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef MAX_PATH
#define MAX_PATH 260
#endif
