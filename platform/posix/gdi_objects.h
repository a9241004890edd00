// The drawing objects behind HDC and HBITMAP handles (internal to the platform library).
//
// A handle is the address of its object; every call that takes a handle first looks it up in
// the live-object table, so stale handles fail cleanly. Lock the table (GdiLock) around any
// lookup and for as long as an object found is used; objects are only freed under the lock.
//
// Adding window DCs (BeginPaint, GetDC) or BitBlt: make a GdiDC with kind Window (window field
// set), register it with GdiRegister, and read the selected bitmap's pixels through
// GdiDC::bitmap (never null: at worst the stock bitmap, which has 1 × 1 pixels).
#pragma once

#include "windows.h"

#include <cstddef>
#include <mutex>

namespace qlv_gdi {

enum class GdiKind { Bitmap, DC };

struct GdiObject {
    GdiKind kind;
    explicit GdiObject(GdiKind k) : kind(k) {}
    virtual ~GdiObject() = default;
};

struct GdiDC;

// A 32-bit DIB section (or the stock bitmap). Pixels are `height` rows of `width` words; the
// first row in memory is the top image row when top_down, the bottom one otherwise.
struct GdiBitmap final : GdiObject {
    GdiBitmap() : GdiObject(GdiKind::Bitmap) {}
    ~GdiBitmap() override;
    int width = 0;
    int height = 0;
    bool top_down = true;
    uint32_t *bits = nullptr;       // owned (calloc)
    std::ptrdiff_t stride = 0;      // in pixels
    GdiDC *selected_into = nullptr; // DC holding it, if any
    bool stock = false;             // never deleted, may be selected into any number of DCs

    // Address of image row y (0 = top); y must be inside the bitmap.
    uint32_t *Row(int y) const { return bits + (top_down ? y : height - 1 - y) * stride; }
};

enum class DcKind { Memory, Window };

struct GdiDC final : GdiObject {
    GdiDC() : GdiObject(GdiKind::DC) {}
    DcKind dc_kind = DcKind::Memory;
    HWND window = nullptr;        // for window DCs
    GdiBitmap *bitmap = nullptr;  // currently selected; the stock bitmap when none was selected
};

// The table lock (recursive, so helpers may nest).
std::recursive_mutex &GdiLock();
// Adds a new object to the live table; returns false (object not added) if memory fails.
bool GdiRegister(GdiObject *object);
// Removes an object from the table; the caller frees it.
void GdiUnregister(GdiObject *object);
// Live objects by handle, or null. Call with the lock held.
GdiBitmap *GdiFindBitmap(const void *handle);
GdiDC *GdiFindDC(const void *handle);
// The process-wide stock bitmap every new memory DC starts with.
GdiBitmap *GdiStockBitmap();

}  // namespace qlv_gdi
