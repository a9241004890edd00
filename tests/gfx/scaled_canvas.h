// A bitmap for the scaled-blit and line tests: any row pitch, either row order, guard words
// before and after the pixels and in the padding between width and pitch. Pixel access is by
// image coordinates, so a reference drawing through At() never depends on the row order.
#pragma once

#include "gfx/gfx.h"

#include <cstdint>
#include <random>
#include <vector>

namespace scaled_test {

constexpr GFX_Color32 kGuardWord = 0xA5C3E1F7u;

class Canvas final : public GFX_IBitmap {
public:
    Canvas(int width, int height, bool bottom_up = false, int pitch = 0)
        : width_(width), height_(height), pitch_(pitch > width ? pitch : width), bottom_up_(bottom_up) {
        const size_t rows = height > 0 ? static_cast<size_t>(height) : 0;
        const size_t cols = pitch_ > 0 ? static_cast<size_t>(pitch_) : 0;
        storage_.assign(rows * cols + 2 * kGuard, kGuardWord);
        Fill(0);
    }

    GFX_Color32 *PixelData() override { return storage_.data() + kGuard; }
    int PixelWidth() override { return width_; }
    int PixelHeight() override { return height_; }
    int RowPitch() override { return pitch_; }
    bool IsBottomUp() override { return bottom_up_; }
    bool SetSize(int, int) override { return false; }

    int width() const { return width_; }
    int height() const { return height_; }

    GFX_Color32 &At(int x, int y) {
        const size_t stored = static_cast<size_t>(bottom_up_ ? height_ - 1 - y : y);
        return storage_[kGuard + stored * static_cast<size_t>(pitch_) + static_cast<size_t>(x)];
    }

    void Fill(GFX_Color32 v) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) At(x, y) = v;
    }
    template <class Rng>
    void Randomise(Rng &rng) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) At(x, y) = static_cast<GFX_Color32>(rng());
    }
    // Copies the image of another canvas of the same size (its row order may differ).
    void CopyImage(Canvas &other) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) At(x, y) = other.At(x, y);
    }

    std::vector<GFX_Color32> Image() {
        std::vector<GFX_Color32> out;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) out.push_back(At(x, y));
        return out;
    }

    // True when no word outside the image was written.
    bool GuardsIntact() const {
        for (size_t i = 0; i < kGuard; ++i)
            if (storage_[i] != kGuardWord || storage_[storage_.size() - 1 - i] != kGuardWord) return false;
        for (int r = 0; r < height_; ++r)
            for (int x = width_; x < pitch_; ++x)
                if (storage_[kGuard + static_cast<size_t>(r) * pitch_ + x] != kGuardWord) return false;
        return true;
    }

private:
    static constexpr size_t kGuard = 32;
    int width_, height_, pitch_;
    bool bottom_up_;
    std::vector<GFX_Color32> storage_;
};

inline GFX_Color32 Argb(int a, int r, int g, int b) {
    return (static_cast<GFX_Color32>(a & 0xFF) << 24) | (static_cast<GFX_Color32>(r & 0xFF) << 16) |
           (static_cast<GFX_Color32>(g & 0xFF) << 8) | static_cast<GFX_Color32>(b & 0xFF);
}
inline int ByteOf(GFX_Color32 c, int index) { return static_cast<int>((c >> (8 * index)) & 0xFF); }

}  // namespace scaled_test
