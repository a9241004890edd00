// A bitmap for the scaled-blit and line tests: the core tests' guarded bitmap, black to begin
// with. Pixel access is by image coordinates, so a reference drawing through At() never depends
// on the row order.
#pragma once

#include "core_test_bitmap.h"

#include <cstdint>
#include <random>

namespace scaled_test {

// Starts black; a pitch below the width means the width.
class Canvas final : public core_test::TestBitmap {
public:
    Canvas(int width, int height, bool bottom_up = false, int pitch = 0)
        : TestBitmap(width, height, bottom_up, pitch > width ? pitch : width) {
        Fill(0);
    }

    template <class Rng>
    void Randomise(Rng &rng) {
        Fill([&rng](int, int) { return static_cast<GFX_Color32>(rng()); });
    }
    // Copies the image of another canvas of the same size (its row order may differ).
    void CopyImage(Canvas &other) {
        Fill([&other](int x, int y) { return other.At(x, y); });
    }
};

inline GFX_Color32 Argb(int a, int r, int g, int b) {
    return (static_cast<GFX_Color32>(a & 0xFF) << 24) | (static_cast<GFX_Color32>(r & 0xFF) << 16) |
           (static_cast<GFX_Color32>(g & 0xFF) << 8) | static_cast<GFX_Color32>(b & 0xFF);
}
inline int ByteOf(GFX_Color32 c, int index) { return static_cast<int>((c >> (8 * index)) & 0xFF); }

}  // namespace scaled_test
