// DIB sections and object deletion.
#include "gdi_objects.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>

using namespace qlv_gdi;

extern "C" {

HBITMAP WINAPI CreateDIBSection(HDC, const BITMAPINFO *info, UINT usage, void **bits, HANDLE, DWORD) {
    if (bits) *bits = nullptr;
    if (!info || usage != DIB_RGB_COLORS) return nullptr;
    const BITMAPINFOHEADER &h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biBitCount != 32 || h.biCompression != BI_RGB)
        return nullptr;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return nullptr;
    int64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    // The pixel count fits in 63 bits; the byte count is formed only once it is known to be small.
    int64_t pixels = static_cast<int64_t>(h.biWidth) * height;
    if (pixels > INT32_MAX / 4) return nullptr;
    int64_t bytes = pixels * 4;

    auto *bitmap = new (std::nothrow) GdiBitmap;
    if (!bitmap) return nullptr;
    bitmap->bits = static_cast<uint32_t *>(std::calloc(static_cast<size_t>(bytes), 1));
    if (!bitmap->bits || !GdiRegister(bitmap)) {
        delete bitmap;
        return nullptr;
    }
    bitmap->width = h.biWidth;
    bitmap->height = static_cast<int>(height);
    bitmap->top_down = h.biHeight < 0;
    bitmap->stride = h.biWidth;
    if (bits) *bits = bitmap->bits;
    return reinterpret_cast<HBITMAP>(bitmap);
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    std::lock_guard<std::recursive_mutex> hold(GdiLock());
    GdiBitmap *bitmap = GdiFindBitmap(object);
    if (!bitmap) return FALSE;
    if (bitmap->stock) return TRUE;  // stock objects are never deleted; the call succeeds
    if (bitmap->selected_into) return FALSE;
    GdiUnregister(bitmap);
    delete bitmap;
    return TRUE;
}

}  // extern "C"
