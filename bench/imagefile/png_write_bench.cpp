// Writing one rendered frame (the stored 1280 × 720 golden frame of the drums chart) as PNG: the
// previewer's writer at several levels, and libpng at a level with one filter or all five, into
// memory, so the choice of level and filter is measured on real pixels. Counters: the file's
// bytes. The floor is a memcpy of the frame from main memory in the same run.
#include "bench/common/memcpy_floor.h"
#include "gfx/gfx.h"
#include "imagefile/png_write.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Frame {
    std::unique_ptr<GFX_IBitmap> bitmap;
    Frame() { bitmap.reset(GFX_ReadPngFile(QLV_SOURCE_DIR "/tests/golden/binary_drums.png", nullptr)); }
    int64_t Pixels() const { return int64_t{bitmap->PixelWidth()} * bitmap->PixelHeight(); }
};

const Frame &TheFrame() {
    static Frame frame;
    return frame;
}

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto *out = static_cast<std::vector<unsigned char> *>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void NoFlush(png_structp) {}

// libpng into memory at `level` with `filters`; the number of bytes, 0 on failure.
size_t EncodeInMemory(const GFX_IBitmap &frame_const, int level, int filters, std::vector<unsigned char> *out) {
    auto &frame = const_cast<GFX_IBitmap &>(frame_const);
    out->clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return 0;
    }
    png_set_write_fn(png, out, AppendBytes, NoFlush);
    png_set_compression_level(png, level);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    const int w = frame.PixelWidth(), h = frame.PixelHeight();
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < h; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(frame.PixelData() + static_cast<size_t>(y) * w));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out->size();
}

// Arguments: zlib level, and 1 for the up filter alone or 0 for all five.
void BM_LibpngInMemory(benchmark::State &state) {
    const Frame &frame = TheFrame();
    if (!frame.bitmap) {
        state.SkipWithError("the golden frame cannot be read");
        return;
    }
    const int filters = state.range(1) ? PNG_FILTER_UP : PNG_ALL_FILTERS;
    std::vector<unsigned char> out;
    size_t bytes = 0;
    for (auto _ : state) bytes = EncodeInMemory(*frame.bitmap, static_cast<int>(state.range(0)), filters, &out);
    state.counters["file_bytes"] = static_cast<double>(bytes);
    state.SetItemsProcessed(state.iterations() * frame.Pixels());
}
BENCHMARK(BM_LibpngInMemory)
    ->Args({1, 1})->Args({1, 0})->Args({3, 1})->Args({3, 0})->Args({6, 1})->Args({6, 0})
    ->Unit(benchmark::kMillisecond);

// The previewer's writer, to a file, at the level --png-level passes.
void BM_WritePngFile(benchmark::State &state) {
    const Frame &frame = TheFrame();
    if (!frame.bitmap) {
        state.SkipWithError("the golden frame cannot be read");
        return;
    }
    const std::string path = (std::filesystem::temp_directory_path() / "qlv-png-write-bench.png").string();
    qlv::tools::PixelView view{frame.bitmap->PixelData(), frame.bitmap->PixelWidth(), frame.bitmap->PixelHeight(),
                               frame.bitmap->PixelWidth()};
    for (auto _ : state) {
        std::string error;
        if (!qlv::tools::WritePngFile(path, view, static_cast<int>(state.range(0)), &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * frame.Pixels());
}
BENCHMARK(BM_WritePngFile)->Arg(1)->Arg(3)->Arg(9)->Unit(benchmark::kMillisecond);

void BM_FrameMemcpyMainMemory(benchmark::State &state) { RunMemcpyFloorMainMemory(state, 1280 * 720); }
BENCHMARK(BM_FrameMemcpyMainMemory)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
