#include "gdi_objects.h"

#include <cstdlib>
#include <new>
#include <unordered_set>

namespace qlv_gdi {

namespace {

std::unordered_set<const void *> &LiveTable() {
    static std::unordered_set<const void *> table;
    return table;
}

GdiObject *Find(const void *handle, GdiKind kind) {
    if (!handle) return nullptr;
    auto &table = LiveTable();
    if (table.find(handle) == table.end()) return nullptr;
    auto *object = static_cast<GdiObject *>(const_cast<void *>(handle));
    return object->kind == kind ? object : nullptr;
}

}  // namespace

GdiBitmap::~GdiBitmap() { std::free(bits); }

std::recursive_mutex &GdiLock() {
    static std::recursive_mutex lock;
    return lock;
}

bool GdiRegister(GdiObject *object) {
    std::lock_guard<std::recursive_mutex> hold(GdiLock());
    try {
        LiveTable().insert(object);
    } catch (...) {
        return false;
    }
    return true;
}

void GdiUnregister(GdiObject *object) {
    std::lock_guard<std::recursive_mutex> hold(GdiLock());
    LiveTable().erase(object);
}

GdiBitmap *GdiFindBitmap(const void *handle) { return static_cast<GdiBitmap *>(Find(handle, GdiKind::Bitmap)); }

GdiDC *GdiFindDC(const void *handle) { return static_cast<GdiDC *>(Find(handle, GdiKind::DC)); }

GdiBitmap *GdiStockBitmap() {
    // Made once and kept for the life of the process, like the system's stock objects. Its one
    // pixel lives inside the object so nothing is left to free at exit.
    static uint32_t pixel = 0;
    static GdiBitmap *stock = [] {
        auto *b = new (std::nothrow) GdiBitmap;
        if (!b) return b;
        b->width = 1;
        b->height = 1;
        b->stride = 1;
        b->stock = true;
        if (!GdiRegister(b)) {
            delete b;
            return static_cast<GdiBitmap *>(nullptr);
        }
        b->bits = &pixel;
        return b;
    }();
    return stock;
}

}  // namespace qlv_gdi
