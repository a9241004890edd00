// A bitmap for tests: any pitch, either row order, and guard words around the pixels (and in the
// padding between width and pitch) that must survive every operation.
#pragma once

#include "gfx/gfx.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace core_test {

constexpr GFX_Color32 kGuard = 0xDEADBEEFu;

class TestBitmap : public GFX_IBitmap {
public:
    TestBitmap(int width, int height, bool bottom_up = false, int pitch = 0, bool null_pixels = false)
        : width_(width), height_(height), pitch_(pitch ? pitch : width), bottom_up_(bottom_up),
          null_pixels_(null_pixels) {
        size_t words = static_cast<size_t>(pitch_ > 0 ? pitch_ : 0) * static_cast<size_t>(height > 0 ? height : 0);
        storage_.assign(words + 2 * kGuardWords, kGuard);
        // Pixels start as a recognisable gradient, padding keeps the guard value.
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) At(x, y) = 0x01000000u * static_cast<uint32_t>(y) + static_cast<uint32_t>(x);
    }

    GFX_Color32 *PixelData() override { return null_pixels_ ? nullptr : storage_.data() + kGuardWords; }
    int PixelWidth() override { return width_; }
    int PixelHeight() override { return height_; }
    int RowPitch() override { return pitch_; }
    bool IsBottomUp() override { return bottom_up_; }
    bool SetSize(int, int) override { return false; }

    int width() const { return width_; }
    int height() const { return height_; }

    // Pixel at image coordinates (0, 0 = top left).
    GFX_Color32 &At(int x, int y) {
        size_t stored = static_cast<size_t>(bottom_up_ ? height_ - 1 - y : y);
        return storage_[kGuardWords + stored * static_cast<size_t>(pitch_) + static_cast<size_t>(x)];
    }

    void Fill(GFX_Color32 value) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) At(x, y) = value;
    }
    void Fill(const std::function<GFX_Color32(int, int)> &f) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) At(x, y) = f(x, y);
    }

    // The image, top row first.
    std::vector<GFX_Color32> Image() {
        std::vector<GFX_Color32> out;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) out.push_back(At(x, y));
        return out;
    }

    // True when nothing outside the image was written.
    bool GuardsIntact() const {
        for (size_t i = 0; i < kGuardWords; ++i)
            if (storage_[i] != kGuard || storage_[storage_.size() - 1 - i] != kGuard) return false;
        for (int r = 0; r < height_; ++r)
            for (int x = width_; x < pitch_; ++x)
                if (storage_[kGuardWords + static_cast<size_t>(r) * pitch_ + x] != kGuard) return false;
        return true;
    }

private:
    static constexpr size_t kGuardWords = 64;
    int width_, height_, pitch_;
    bool bottom_up_, null_pixels_;
    std::vector<GFX_Color32> storage_;
};

inline GFX_Color32 Argb(int a, int r, int g, int b) {
    return (static_cast<GFX_Color32>(a) << 24) | (static_cast<GFX_Color32>(r) << 16) |
           (static_cast<GFX_Color32>(g) << 8) | static_cast<GFX_Color32>(b);
}
inline int ChannelOf(GFX_Color32 c, int index) { return static_cast<int>((c >> (8 * index)) & 0xFF); }

}  // namespace core_test
