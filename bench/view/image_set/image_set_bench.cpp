// The image set's costs: loading a full set of pictures from PNG files, and drawing a slot
// picture through the scaled-copy cache at a width already cached and at a new one. Each is
// measured beside a floor from the same run: a memcpy of the bytes the set decodes to, and the
// plain blit and scaled blit that a cached and an uncached draw come down to.
//
// The pictures are written at realistic sizes into "qlview" beside this program, which is where
// the image set looks when the module handle names the program itself.
#include "gfx/gfx.h"
#include "state/instance.h"
#include "tests/gfx/png_test_writer.h"
#include "view/image_set.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct PictureSize {
    std::string name;
    int width, height;
};

// Sizes as highway artwork comes: a wide background, tall track boards, narrow tails, gems and
// flares a little over a lane wide, thin grid lines.
std::vector<PictureSize> FullSet() {
    std::vector<PictureSize> set = {{"QLV_background1", 1280, 720}, {"track_guitar", 512, 1024},
                                    {"track_drum", 512, 1024}};
    for (const char *colour : {"green", "red", "yellow", "blue", "orange", "style"}) {
        set.push_back({std::string("sustain_") + colour, 32, 128});
        set.push_back({std::string("sustain_") + colour + "_hi", 32, 128});
    }
    for (const char *colour : {"green", "red", "yellow", "blue", "orange"}) {
        set.push_back({std::string("gem_") + colour, 128, 64});
        set.push_back({std::string("gem_hopo_") + colour, 128, 64});
        set.push_back({std::string("smash_flare_") + colour, 128, 128});
    }
    for (const char *name : {"gem_cym_yellow", "gem_cym_blue", "gem_cym_green", "gem_style", "gem_hopo_style",
                             "gem_cym_style"})
        set.push_back({name, 128, 64});
    set.push_back({"smash_flare_style", 128, 128});
    set.push_back({"gem_kick", 512, 32});
    set.push_back({"gem_kick_style", 512, 32});
    for (const char *name : {"beat_marker", "half_beat_marker", "measure"}) set.push_back({name, 512, 16});
    for (int i = 1; i <= 10; ++i) set.push_back({"smash_" + std::to_string(i), 128, 128});
    for (int i = 1; i <= 7; ++i) set.push_back({"kick_flash_" + std::to_string(i), 512, 64});
    return set;
}

// Artwork-like pixels: a soft round shape with a colour gradient and smooth alpha edges.
std::vector<uint32_t> Artwork(int width, int height, unsigned seed) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    const double cx = width / 2.0, cy = height / 2.0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double dx = (x - cx) / cx, dy = (y - cy) / cy;
            const double d = std::sqrt(dx * dx + dy * dy);
            const int alpha = d >= 1.0 ? 0 : static_cast<int>(255 * std::fmin(1.0, (1.0 - d) * 6.0));
            const int red = (x * 255 / width + static_cast<int>(seed) * 40) & 255;
            const int green = (y * 255 / height) & 255;
            const int blue = ((x + y) * 3 + static_cast<int>(seed) * 17) & 255;
            pixels[static_cast<size_t>(y) * width + x] =
                static_cast<uint32_t>(alpha) << 24 | static_cast<uint32_t>(red) << 16 |
                static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(blue);
        }
    return pixels;
}

// Writes the set once per process; returns the bytes the set decodes to (0 on failure).
int64_t PrepareFolder() {
    static int64_t decoded_bytes = -1;
    if (decoded_bytes >= 0) return decoded_bytes;
    decoded_bytes = 0;
    char self[2048];
    if (GetModuleFileNameA(nullptr, self, sizeof self) == 0) return 0;
    const std::filesystem::path folder = std::filesystem::path(self).parent_path() / "qlview";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    unsigned seed = 0;
    int64_t total = 0;
    for (const PictureSize &picture : FullSet()) {
        const auto bytes = qlv_test::EncodeRgba(picture.width, picture.height, Artwork(picture.width, picture.height, ++seed));
        if (bytes.empty() || !qlv_test::WriteWholeFile((folder / (picture.name + ".png")).string(), bytes)) return 0;
        total += int64_t{picture.width} * picture.height * 4;
    }
    module_handle = nullptr;  // this program: the folder above is beside it
    decoded_bytes = total;
    return decoded_bytes;
}

void BM_LoadImageSet(benchmark::State &state) {
    const int64_t bytes = PrepareFolder();
    if (bytes == 0) {
        state.SkipWithError("could not write the picture folder");
        return;
    }
    for (auto _ : state) {
        LoadImageSet();
        benchmark::DoNotOptimize(slot_images[SLOT_KICK_FLASH + 6]);
        ReleaseImageSet();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_LoadImageSet)->Unit(benchmark::kMillisecond);

// Floor for the load: copying the decoded bytes once.
void BM_MemcpyDecodedSet(benchmark::State &state) {
    const int64_t bytes = PrepareFolder();
    std::vector<uint8_t> from(static_cast<size_t>(bytes ? bytes : 1), 1), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(from.size()));
}
BENCHMARK(BM_MemcpyDecodedSet)->Unit(benchmark::kMillisecond);

// A gem drawn 90 pixels wide into a frame-sized back buffer, as the renderer does per note.
constexpr int DRAW_WIDTH = 90;

struct DrawScene {
    DrawScene() : dest(1280, 720) {
        PrepareFolder();
        LoadImageSet();
        GFX_SetAllPixels(&dest, 0xFF202020);
    }
    ~DrawScene() { ReleaseImageSet(); }
    GFX_MemBitmap dest;
};

void BM_DrawImageScaledCached(benchmark::State &state) {
    DrawScene scene;
    DrawImageScaled(&scene.dest, SLOT_GEM, 600, 400, DRAW_WIDTH, 1.0f, 0.5f);  // makes the copy
    for (auto _ : state) {
        DrawImageScaled(&scene.dest, SLOT_GEM, 600, 400, DRAW_WIDTH, 1.0f, 0.5f);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawImageScaledCached);

// Floor for the cached draw: the blit of the same copy, nothing looked up.
void BM_BlitOfCachedCopy(benchmark::State &state) {
    DrawScene scene;
    DrawImageScaled(&scene.dest, SLOT_GEM, 600, 400, DRAW_WIDTH, 1.0f, 0.5f);
    GFX_MemBitmap *copy = ScaledCopyAt(SLOT_GEM, 0);
    for (auto _ : state) {
        GFX_DrawBitmap(&scene.dest, copy, 600, 378, nullptr, 1.0f, GFX_COMBINE_COPY | GFX_COMBINE_SOURCE_ALPHA);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BlitOfCachedCopy);

// A width not yet cached: the copy is made (allocation and filtered scale) and then drawn. The
// cache is emptied each time, as after a background rebuild.
void BM_DrawImageScaledNewWidth(benchmark::State &state) {
    DrawScene scene;
    for (auto _ : state) {
        FlushScaledCopies();
        DrawImageScaled(&scene.dest, SLOT_GEM, 600, 400, DRAW_WIDTH, 1.0f, 0.5f);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawImageScaledNewWidth);

// Floor for the new width: the filtered scale alone into an existing bitmap.
void BM_FilteredScaleAlone(benchmark::State &state) {
    DrawScene scene;
    GFX_MemBitmap *source = slot_images[SLOT_GEM];
    const int height = (source->PixelHeight() * DRAW_WIDTH * 2 + source->PixelWidth()) / (2 * source->PixelWidth());
    GFX_MemBitmap copy(DRAW_WIDTH, height);
    for (auto _ : state) {
        GFX_DrawBitmapScaled(&copy, source, 0, 0, DRAW_WIDTH, height, 0.0f, 0.0f,
                             static_cast<float>(source->PixelWidth()), static_cast<float>(source->PixelHeight()),
                             1.0f, GFX_COMBINE_COPY | GFX_COMBINE_FILTERED);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FilteredScaleAlone);

}  // namespace

BENCHMARK_MAIN();
