// The Windows previewer's video pipe: with an encoder named ffmpeg on PATH (a stand-in that
// keeps what it is sent), qlv-preview.exe starts it, pipes every frame as BGRA bytes and waits
// for it; what arrives is exactly the frames it saved as PNG.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "gfx/gfx.h"
#include "wine_test.h"

namespace {

class WineVideoTest : public WineTest {};

TEST_F(WineVideoTest, EncoderGetsEveryFrameThroughThePipe) {
    const WineRunner &wine = WineRunner::Get();
    constexpr int kWidth = 64, kHeight = 48, kFrames = 5;
    const WineResult run = wine.Run("qlv-preview.exe",
                                    {"--plugin", wine.Staged("qlv_preview.dll"), "--chart",
                                     WineRunner::WindowsPath(QLV_DEMO_CHART), "--start", "20", "--duration", "0.25",
                                     "--fps", "20", "--size", "64x48", "--frames", "--sheet", "0", "--quiet", "--out",
                                     WineRunner::WindowsPath(scratch_ + "/out")},
                                    wine.Staged("encoder"));
    ASSERT_EQ(run.status, 0) << run.output;

    const std::string piped = ReadWholeFile(scratch_ + "/out/preview.mp4");
    const size_t frame_bytes = static_cast<size_t>(kWidth) * kHeight * 4;
    ASSERT_EQ(piped.size(), frame_bytes * kFrames);
    for (int f = 0; f < kFrames; ++f) {
        char name[64];
        std::snprintf(name, sizeof name, "/out/frame_%06d.png", f + 1);
        std::unique_ptr<GFX_IBitmap, void (*)(GFX_IBitmap *)> png(GFX_ReadPngFile((scratch_ + name).c_str(), nullptr),
                                                                   [](GFX_IBitmap *b) { delete b; });
        ASSERT_TRUE(png) << name;
        ASSERT_EQ(png->PixelWidth(), kWidth);
        ASSERT_EQ(png->PixelHeight(), kHeight);
        // Little-endian 0xAARRGGBB words are the B, G, R, A bytes the encoder is told to expect.
        EXPECT_EQ(std::memcmp(piped.data() + f * frame_bytes, png->PixelData(), frame_bytes), 0) << "frame " << f + 1;
    }
}

}  // namespace
