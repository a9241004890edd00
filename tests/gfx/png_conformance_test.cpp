// Every file of the PNG test suite, decoded by our loader and by an independent decoder: valid
// files must give exactly the same pixels (16-bit samples by their high byte, gamma ignored),
// corrupt ones ("x" prefix) must fail cleanly.
#include "gfx/gfx.h"
#include "scratch_dir.h"
#include "png_test_writer.h"

#include <gtest/gtest.h>
#include <spng.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string SUITE_DIR = std::string(QLV_SHARED_DIR) + "/testdata/pngsuite";

std::vector<std::string> SuiteFiles(bool corrupt) {
    std::vector<std::string> names;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(SUITE_DIR, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const auto &p = it->path();
        if (p.extension() != ".png") continue;
        const std::string stem = p.stem().string();
        if ((stem[0] == 'x') == corrupt) names.push_back(stem);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string SuitePath(const std::string &stem) { return SUITE_DIR + "/" + stem + ".png"; }

struct Rgba8 {
    int width = 0, height = 0;
    std::vector<uint8_t> bytes;  // R, G, B, A per pixel, rows top first
};

// The reference: libspng, RGBA with 8 bits per channel (16-bit samples reduced to their high
// byte), transparency chunk applied, no gamma correction.
bool ReferenceDecode(const std::string &path, Rgba8 *out) {
    const std::vector<uint8_t> file = qlv_test::ReadWholeFile(path);
    if (file.empty()) return false;
    spng_ctx *ctx = spng_ctx_new(0);
    if (!ctx) return false;
    bool ok = false;
    size_t size = 0;
    spng_ihdr ihdr{};
    if (spng_set_png_buffer(ctx, file.data(), file.size()) == 0 && spng_get_ihdr(ctx, &ihdr) == 0 &&
        spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) == 0) {
        out->width = static_cast<int>(ihdr.width);
        out->height = static_cast<int>(ihdr.height);
        out->bytes.resize(size);
        ok = spng_decode_image(ctx, out->bytes.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) == 0;
    }
    spng_ctx_free(ctx);
    return ok;
}

std::string NameOf(const testing::TestParamInfo<std::string> &info) { return info.param; }

class ValidSuiteFile : public testing::TestWithParam<std::string> {};
class CorruptSuiteFile : public testing::TestWithParam<std::string> {};

TEST_P(ValidSuiteFile, DecodesToTheReferencePixels) {
    Rgba8 expected;
    ASSERT_TRUE(ReferenceDecode(SuitePath(GetParam()), &expected)) << "reference decoder refused the file";

    std::unique_ptr<GFX_IBitmap> image(GFX_ReadPngFile(SuitePath(GetParam()).c_str(), nullptr));
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->PixelWidth(), expected.width);
    ASSERT_EQ(image->PixelHeight(), expected.height);
    ASSERT_NE(image->PixelData(), nullptr);

    int mismatches = 0;
    for (int y = 0; y < expected.height; ++y) {
        const GFX_Color32 *row = image->PixelData() + static_cast<ptrdiff_t>(y) * image->RowPitch();
        for (int x = 0; x < expected.width; ++x) {
            const uint8_t *ref = &expected.bytes[(static_cast<size_t>(y) * expected.width + x) * 4];
            const GFX_Color32 want = static_cast<GFX_Color32>(ref[3]) << 24 | static_cast<GFX_Color32>(ref[0]) << 16 |
                                     static_cast<GFX_Color32>(ref[1]) << 8 | ref[2];
            if (row[x] != want && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): got 0x" << std::hex << row[x] << ", want 0x"
                              << want;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_P(CorruptSuiteFile, FailsLeavingNothingOpen) {
    const int before = qlv_test::OpenDescriptorCount();
    GFX_IBitmap *image = GFX_ReadPngFile(SuitePath(GetParam()).c_str(), nullptr);
    EXPECT_EQ(image, nullptr);
    delete image;
    EXPECT_EQ(qlv_test::OpenDescriptorCount(), before);

    // A supplied bitmap is never destroyed by a failed load.
    GFX_MemBitmap target(3, 3);
    EXPECT_EQ(GFX_ReadPngFile(SuitePath(GetParam()).c_str(), &target), nullptr);
    EXPECT_EQ(qlv_test::OpenDescriptorCount(), before);
}

INSTANTIATE_TEST_SUITE_P(PngSuite, ValidSuiteFile, testing::ValuesIn(SuiteFiles(false)), NameOf);
INSTANTIATE_TEST_SUITE_P(PngSuite, CorruptSuiteFile, testing::ValuesIn(SuiteFiles(true)), NameOf);

// Guards against the suite silently shrinking (a missing folder would otherwise run nothing).
TEST(PngSuiteFolder, HoldsTheWholeSuite) {
    EXPECT_EQ(SuiteFiles(true).size(), 14u);
    EXPECT_EQ(SuiteFiles(false).size(), 161u);
}

}  // namespace
