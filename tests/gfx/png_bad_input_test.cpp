// Files the loader must refuse cleanly: headers claiming sizes no bitmap can hold, truncated and
// foreign files, unusable paths. Each must return null and leave no file open; the sanitizer
// build checks that nothing leaks or is written out of bounds.
#include "gfx/gfx.h"
#include "scratch_dir.h"
#include "png_test_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// Records what the loader asks of a target bitmap; never holds storage of its own size.
class WatchingBitmap final : public GFX_IBitmap {
public:
    GFX_Color32 *PixelData() override { return pixels_.empty() ? nullptr : pixels_.data(); }
    int PixelWidth() override { return width_; }
    int PixelHeight() override { return height_; }
    int RowPitch() override { return width_; }
    bool SetSize(int width, int height) override {
        ++set_size_calls;
        width_ = width;
        height_ = height;
        return true;
    }
    int set_size_calls = 0;

private:
    std::vector<GFX_Color32> pixels_;
    int width_ = 0, height_ = 0;
};

class PngBadInput : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.ok()); }

    std::string Write(const std::string &name, const std::vector<uint8_t> &bytes) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(qlv_test::WriteWholeFile(path, bytes));
        return path;
    }

    // Loads with and without a supplied bitmap; both must fail with nothing left open.
    void ExpectRefused(const std::string &path) {
        const int before = qlv_test::OpenDescriptorCount();
        GFX_IBitmap *image = GFX_ReadPngFile(path.c_str(), nullptr);
        EXPECT_EQ(image, nullptr) << path;
        delete image;
        GFX_MemBitmap target(2, 2);
        EXPECT_EQ(GFX_ReadPngFile(path.c_str(), &target), nullptr) << path;
        EXPECT_EQ(qlv_test::OpenDescriptorCount(), before) << path;
    }

    qlv_test::ScratchDir dir_;
};

// 65536 x 16385 x 4 wraps to 262144 bytes in 32 bits; 100000 x 100000 passes libpng's own
// limits; 1 x 2^30 is stopped by libpng itself. None may size a bitmap, let alone decode into one.
TEST_F(PngBadInput, HugeHeadersAreRefusedBeforeAnyBitmapIsSized) {
    const struct {
        uint32_t width, height;
    } sizes[] = {{65536, 16385}, {100000, 100000}, {1, 1u << 30}, {16385, 65536}, {32768, 1}, {1, 32768},
                 {32767, 32767}, {0x7FFFFFFF, 0x7FFFFFFF}};
    for (const auto &size : sizes) {
        const std::string path = Write("huge.png", qlv_test::CraftedPng(size.width, size.height));
        ExpectRefused(path);
        WatchingBitmap watcher;
        EXPECT_EQ(GFX_ReadPngFile(path.c_str(), &watcher), nullptr);
        EXPECT_EQ(watcher.set_size_calls, 0) << size.width << " x " << size.height;
    }
}

// The same crafted layout at an ordinary size is accepted, so the refusals above are about size
// alone: the file is a real PNG whose (all-zero) rows are too short for the claimed image.
TEST_F(PngBadInput, CraftedHeaderAtAPlausibleSizeReachesTheRows) {
    // 4 rows of 1 + 4 x 4 bytes: exactly the 68 zero bytes of data the file carries.
    const std::string path = Write("small.png", qlv_test::CraftedPng(4, 4, 8, 6, 68));
    std::unique_ptr<GFX_IBitmap> image(GFX_ReadPngFile(path.c_str(), nullptr));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->PixelWidth(), 4);
    EXPECT_EQ(image->PixelHeight(), 4);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(image->PixelData()[i], 0u);

    // Too little data for the claimed rows: libpng reports it and the load fails.
    const std::string short_path = Write("short.png", qlv_test::CraftedPng(300, 300));
    ExpectRefused(short_path);
}

// A valid image cut short anywhere before its end chunk fails; cuts inside the end chunk still
// load, because nothing after the image data is ever read.
TEST_F(PngBadInput, TruncatedFilesFail) {
    const int w = 48, h = 40;
    const std::vector<uint32_t> pixels = qlv_test::PatternPixels(w, h);
    const std::vector<uint8_t> whole = qlv_test::EncodeRgba(w, h, pixels);
    ASSERT_GT(whole.size(), 97u * 20);
    const size_t end_chunk = whole.size() - 12;

    int refused = 0;
    for (size_t cut = 0; cut < whole.size(); cut += 97) {
        const std::string path =
            Write("cut.png", std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut)));
        if (cut < end_chunk) {
            ExpectRefused(path);
            ++refused;
        } else {
            std::unique_ptr<GFX_IBitmap> image(GFX_ReadPngFile(path.c_str(), nullptr));
            EXPECT_NE(image, nullptr) << "cut at " << cut;
        }
    }
    EXPECT_GE(refused, 20);

    std::unique_ptr<GFX_IBitmap> image(GFX_ReadPngFile(Write("whole.png", whole).c_str(), nullptr));
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), image->PixelData()));
}

TEST_F(PngBadInput, ForeignAndEmptyFilesFail) {
    const std::string text = "This is not a picture, whatever its name says.\n";
    ExpectRefused(Write("notes.png", std::vector<uint8_t>(text.begin(), text.end())));
    ExpectRefused(Write("empty.png", {}));
    // The signature alone, and a signature followed by a chunk that is not a header.
    const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ExpectRefused(Write("signature.png", signature));
    std::vector<uint8_t> headless = signature;
    qlv_test::AppendChunk(&headless, "IEND", {});
    ExpectRefused(Write("headless.png", headless));
    // Header fields libpng rejects: zero width, a bit depth the colour type does not allow.
    ExpectRefused(Write("zero.png", qlv_test::CraftedPng(0, 4)));
    ExpectRefused(Write("depth.png", qlv_test::CraftedPng(4, 4, 4, 6)));
}

TEST_F(PngBadInput, UnusablePathsFail) {
    ExpectRefused(dir_.file("missing.png"));
    ExpectRefused(dir_.path());  // a folder opens for reading here, but yields no bytes
    EXPECT_EQ(GFX_ReadPngFile(nullptr, nullptr), nullptr);
    GFX_MemBitmap target(2, 2);
    EXPECT_EQ(GFX_ReadPngFile("", &target), nullptr);
    EXPECT_EQ(target.PixelWidth(), 2);
}

}  // namespace
