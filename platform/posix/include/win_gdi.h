// Drawing (GDI) subset: memory device contexts and 32-bit DIB sections, with the Windows rules
// of ownership:
//   - SelectObject returns the object it replaced (a fresh memory DC holds a stock 1 × 1 bitmap).
//   - A bitmap selected into a DC is not deleted by DeleteObject (FALSE) until it is selected out.
//   - DeleteDC does not delete the bitmap selected into it; that bitmap becomes free again.
//   - A bitmap can be selected into one DC at a time.
// Handles are checked: a stale or foreign handle gives the failure result, never a crash.
// Calls may come from any thread; the object table is locked internally.
#pragma once

#include "win_types.h"

extern "C" {

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

#define BI_RGB 0L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

// A memory DC. `reference` may be null or any DC; the new DC is independent of it.
WINAPI_EXPORT HDC WINAPI CreateCompatibleDC(HDC reference);
// Only 32-bit uncompressed (BI_RGB) sections with DIB_RGB_COLORS are supported. A negative
// biHeight makes a top-down section (first row in memory is the top row), a positive one a
// bottom-up section. The pixel memory is real, zero-filled, rows of biWidth × 4 bytes; *bits
// receives it (null on failure). `dc`, `section` and `offset` are ignored (no file mapping).
WINAPI_EXPORT HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits, HANDLE section,
                                              DWORD offset);
// Only bitmaps can be selected. Returns the previously selected object, or null on failure
// (bad DC or object, or a bitmap already selected into another DC).
WINAPI_EXPORT HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
WINAPI_EXPORT BOOL WINAPI DeleteObject(HGDIOBJ object);
WINAPI_EXPORT BOOL WINAPI DeleteDC(HDC dc);

}  // extern "C"

static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER has the Windows layout");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD has the Windows layout");
static_assert(sizeof(BITMAPINFO) == 44, "BITMAPINFO has the Windows layout");
static_assert(offsetof(BITMAPINFOHEADER, biWidth) == 4 && offsetof(BITMAPINFOHEADER, biHeight) == 8 &&
                  offsetof(BITMAPINFOHEADER, biPlanes) == 12 && offsetof(BITMAPINFOHEADER, biBitCount) == 14 &&
                  offsetof(BITMAPINFOHEADER, biCompression) == 16 && offsetof(BITMAPINFOHEADER, biSizeImage) == 20 &&
                  offsetof(BITMAPINFOHEADER, biClrImportant) == 36,
              "BITMAPINFOHEADER field offsets");

// ---- Block transfer between drawing contexts (memory DCs and windows' paint DCs) ----
extern "C" {

#define SRCCOPY 0x00CC0020UL

// Copies cx × cy pixels from (x1, y1) of `src` to (x, y) of `dst`, clipped to both surfaces.
// Only SRCCOPY is supported (anything else answers FALSE). A window's pixels keep no alpha:
// copying into a window clears the top byte. Copies within one surface may overlap. A DC
// whose bitmap or window has no pixels, or an empty area, copies nothing and answers TRUE.
WINAPI_EXPORT BOOL WINAPI BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop);

}  // extern "C"
