// Where decoded pixels land: a new heap bitmap, a supplied one that is resized, bitmaps stored
// bottom-up or with padded rows, and targets that refuse the image's size.
#include "gfx/gfx.h"
#include "scratch_dir.h"
#include "png_test_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A bitmap with padded rows, optionally stored bottom-up, whose SetSize can be made to refuse.
class PaddedBitmap final : public GFX_IBitmap {
public:
    PaddedBitmap(int padding, bool bottom_up, bool accept_size)
        : padding_(padding), bottom_up_(bottom_up), accept_size_(accept_size) {}
    ~PaddedBitmap() override { ++*destroyed_; }
    GFX_Color32 *PixelData() override { return pixels_.empty() ? nullptr : pixels_.data(); }
    int PixelWidth() override { return width_; }
    int PixelHeight() override { return height_; }
    int RowPitch() override { return width_ + padding_; }
    bool IsBottomUp() override { return bottom_up_; }
    bool SetSize(int width, int height) override {
        if (!accept_size_) return false;
        width_ = width;
        height_ = height;
        pixels_.assign(static_cast<size_t>(width + padding_) * static_cast<size_t>(height), PAD);
        return true;
    }
    // Pixel (x, y) of the image, top row 0, following the storage order.
    GFX_Color32 At(int x, int y) {
        const int stored = bottom_up_ ? height_ - 1 - y : y;
        return pixels_[static_cast<size_t>(stored) * RowPitch() + x];
    }
    GFX_Color32 Padding(int i, int stored_row) { return pixels_[static_cast<size_t>(stored_row) * RowPitch() + width_ + i]; }

    static constexpr GFX_Color32 PAD = 0x5A5A5A5A;
    int shared_counter_ = 0;
    int *destroyed_ = &shared_counter_;

private:
    std::vector<GFX_Color32> pixels_;
    int padding_;
    bool bottom_up_;
    bool accept_size_;
    int width_ = 0, height_ = 0;
};

class PngTarget : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok());
        pixels_ = qlv_test::PatternPixels(W, H, 7);
        path_ = dir_.file("picture.png");
        ASSERT_TRUE(qlv_test::WriteWholeFile(path_, qlv_test::EncodeRgba(W, H, pixels_)));
    }
    static constexpr int W = 64, H = 32;
    qlv_test::ScratchDir dir_;
    std::vector<uint32_t> pixels_;
    std::string path_;
};

// Straight alpha: colour channels come through untouched whatever the alpha, including 0.
TEST_F(PngTarget, NewBitmapHoldsTheExactPixels) {
    std::unique_ptr<GFX_IBitmap> image(GFX_ReadPngFile(path_.c_str(), nullptr));
    ASSERT_NE(image, nullptr);
    EXPECT_NE(dynamic_cast<GFX_MemBitmap *>(image.get()), nullptr);
    ASSERT_EQ(image->PixelWidth(), W);
    ASSERT_EQ(image->PixelHeight(), H);
    for (int i = 0; i < W * H; ++i) ASSERT_EQ(image->PixelData()[i], pixels_[i]) << "pixel " << i;
}

TEST_F(PngTarget, SuppliedBitmapIsResizedAndReturned) {
    GFX_MemBitmap target(10, 10);
    EXPECT_EQ(GFX_ReadPngFile(path_.c_str(), &target), &target);
    ASSERT_EQ(target.PixelWidth(), W);
    ASSERT_EQ(target.PixelHeight(), H);
    for (int i = 0; i < W * H; ++i) ASSERT_EQ(target.PixelData()[i], pixels_[i]) << "pixel " << i;

    // Loading again into the same, already right-sized bitmap works too.
    std::vector<uint32_t> other = qlv_test::PatternPixels(W, H, 99);
    ASSERT_TRUE(qlv_test::WriteWholeFile(path_, qlv_test::EncodeRgba(W, H, other, true)));
    EXPECT_EQ(GFX_ReadPngFile(path_.c_str(), &target), &target);
    for (int i = 0; i < W * H; ++i) ASSERT_EQ(target.PixelData()[i], other[i]) << "pixel " << i;
}

// Rows go through the storage order and the pitch; padding between rows is never written.
TEST_F(PngTarget, RowsFollowPitchAndStorageOrder) {
    for (bool bottom_up : {false, true}) {
        PaddedBitmap target(5, bottom_up, true);
        ASSERT_EQ(GFX_ReadPngFile(path_.c_str(), &target), &target);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x)
                ASSERT_EQ(target.At(x, y), pixels_[static_cast<size_t>(y) * W + x])
                    << "(" << x << ", " << y << ") bottom-up " << bottom_up;
            for (int i = 0; i < 5; ++i) ASSERT_EQ(target.Padding(i, y), PaddedBitmap::PAD);
        }
    }
}

TEST_F(PngTarget, TargetThatRefusesTheSizeFailsAndSurvives) {
    int destroyed = 0;
    {
        PaddedBitmap target(0, false, false);
        target.destroyed_ = &destroyed;
        const int before = qlv_test::OpenDescriptorCount();
        EXPECT_EQ(GFX_ReadPngFile(path_.c_str(), &target), nullptr);
        EXPECT_EQ(qlv_test::OpenDescriptorCount(), before);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

// A failure partway leaves a supplied bitmap at the image's size (its rows hold whatever was
// decoded, not necessarily in final form); the caller still owns it.
TEST_F(PngTarget, FailurePartwayKeepsTheSuppliedBitmap) {
    std::vector<uint8_t> whole = qlv_test::EncodeRgba(W, H, pixels_);
    whole.resize(whole.size() / 2);
    ASSERT_TRUE(qlv_test::WriteWholeFile(path_, whole));
    GFX_MemBitmap target(3, 3);
    EXPECT_EQ(GFX_ReadPngFile(path_.c_str(), &target), nullptr);
    EXPECT_EQ(target.PixelWidth(), W);
    EXPECT_EQ(target.PixelHeight(), H);
    EXPECT_NE(target.PixelData(), nullptr);
}

}  // namespace
