// Heap bitmap. Byte counts are worked out in 64 bits: a size whose byte count does not fit in a
// signed 32-bit value would otherwise wrap to a small block under large dimensions.
#include "gfx/gfx.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

namespace {

// Bytes needed for a width × height bitmap, or 0 when that size cannot have storage.
int64_t StorageBytes(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    // Both factors are below 2^31, so their product fits in 63 bits; the four bytes come after
    // the range test.
    int64_t pixels = static_cast<int64_t>(width) * height;
    return pixels > INT_MAX / 4 ? 0 : pixels * 4;
}

}  // namespace

GFX_MemBitmap::GFX_MemBitmap(int width, int height) : width_(width), height_(height) {
    int64_t n = StorageBytes(width, height);
    if (n > 0) {
        pixels_ = static_cast<GFX_Color32 *>(std::malloc(static_cast<size_t>(n)));
        if (pixels_) capacity_ = static_cast<int>(n);
    }
    if (!pixels_) {
        width_ = 0;
        height_ = 0;
    }
}

GFX_MemBitmap::~GFX_MemBitmap() { std::free(pixels_); }

bool GFX_MemBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_) return false;
    width_ = width;
    height_ = height;
    int64_t n = StorageBytes(width, height);
    if (n <= 0) {
        std::free(pixels_);
        pixels_ = nullptr;
        capacity_ = 0;
    } else if (!pixels_) {
        pixels_ = static_cast<GFX_Color32 *>(std::malloc(static_cast<size_t>(n)));
        capacity_ = pixels_ ? static_cast<int>(n) : 0;
    } else if (capacity_ < n) {
        // Grow by a quarter more than needed, capped where the capacity field ends.
        int64_t wanted = n + n / 4;
        if (wanted > INT_MAX) wanted = INT_MAX;
        void *grown = std::realloc(pixels_, static_cast<size_t>(wanted));
        if (grown) {
            pixels_ = static_cast<GFX_Color32 *>(grown);
            capacity_ = static_cast<int>(wanted);
        } else {
            std::free(pixels_);
            pixels_ = static_cast<GFX_Color32 *>(std::malloc(static_cast<size_t>(n)));
            capacity_ = pixels_ ? static_cast<int>(n) : 0;
        }
    }
    // Otherwise the block is large enough and is kept as it is.
    if (!pixels_) {
        width_ = 0;
        height_ = 0;
    }
    return true;
}
