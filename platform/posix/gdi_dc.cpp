// Memory device contexts and object selection.
#include "gdi_objects.h"

#include <new>

using namespace qlv_gdi;

extern "C" {

HDC WINAPI CreateCompatibleDC(HDC) {
    GdiBitmap *stock = GdiStockBitmap();
    if (!stock) return nullptr;
    auto *dc = new (std::nothrow) GdiDC;
    if (!dc) return nullptr;
    dc->bitmap = stock;
    if (!GdiRegister(dc)) {
        delete dc;
        return nullptr;
    }
    return reinterpret_cast<HDC>(dc);
}

HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ object) {
    std::lock_guard<std::recursive_mutex> hold(GdiLock());
    GdiDC *dc = GdiFindDC(handle);
    GdiBitmap *bitmap = GdiFindBitmap(object);
    if (!dc || !bitmap) return nullptr;
    GdiBitmap *previous = dc->bitmap;
    if (bitmap == previous) return previous;
    if (!bitmap->stock && bitmap->selected_into) return nullptr;  // one DC at a time
    if (previous && !previous->stock) previous->selected_into = nullptr;
    if (!bitmap->stock) bitmap->selected_into = dc;
    dc->bitmap = bitmap;
    return previous;
}

BOOL WINAPI DeleteDC(HDC handle) {
    std::lock_guard<std::recursive_mutex> hold(GdiLock());
    GdiDC *dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    // The selected bitmap survives the DC and may be selected or deleted afterwards.
    if (dc->bitmap && !dc->bitmap->stock) dc->bitmap->selected_into = nullptr;
    GdiUnregister(dc);
    delete dc;
    return TRUE;
}

}  // extern "C"
