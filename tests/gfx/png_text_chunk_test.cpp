// Text chunks are skipped unread by the loader. zlib's inflate is wrapped here (the test program's
// definition comes first for the shared libpng) to count what the loader decompresses.
#include "gfx/gfx.h"
#include "scratch_dir.h"
#include "png_test_writer.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>

namespace {
uLong inflated_bytes = 0;
}  // namespace

extern "C" __attribute__((visibility("default"))) int inflate(z_streamp stream, int flush) {
    using Inflate = int (*)(z_streamp, int);
    static const auto real = reinterpret_cast<Inflate>(dlsym(RTLD_NEXT, "inflate"));
    const uLong before = stream->total_out;
    const int result = real(stream, flush);
    inflated_bytes += stream->total_out - before;
    return result;
}

namespace {

uLong InflatedWhileLoading(const std::string &path, GFX_Color32 *pixel) {
    inflated_bytes = 0;
    std::unique_ptr<GFX_IBitmap> image(GFX_ReadPngFile(path.c_str(), nullptr));
    *pixel = image && image->PixelData() ? image->PixelData()[0] : 0;
    return image ? inflated_bytes : ~uLong{0};
}

// Texts that would inflate to 256 MiB each (a quarter of a megabyte on disk) cost the load
// nothing: only the one row of image data is decompressed, and the pixel is exact.
TEST(PngTextChunks, AreSkippedUninflated) {
    qlv_test::ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const GFX_Color32 colour = 0x80123456u;
    const std::string plain = dir.file("plain.png"), texts = dir.file("texts.png");
    ASSERT_TRUE(qlv_test::WriteWholeFile(plain, qlv_test::EncodeRgba(1, 1, {colour})));
    ASSERT_TRUE(qlv_test::WriteWholeFile(texts, qlv_test::PngWithInflatingText(colour, 256)));

    GFX_Color32 pixel = 0;
    const uLong image_data = InflatedWhileLoading(plain, &pixel);
    ASSERT_EQ(pixel, colour);
    ASSERT_GT(image_data, 0u) << "inflate is not seen: the count below would prove nothing";
    EXPECT_EQ(InflatedWhileLoading(texts, &pixel), image_data);
    EXPECT_EQ(pixel, colour);
}

}  // namespace
