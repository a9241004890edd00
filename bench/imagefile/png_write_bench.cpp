// Writing one rendered frame (a 1280 × 720 frame of the demo chart, as qlv-preview keeps it) as
// PNG: libpng into memory at a level with one filter or all five, and the previewer's writer to
// a file at the levels --png-level takes, so the choice of writer, level and filter is measured
// on real pixels. Counters: the file's bytes. The floor is a memcpy of the frame from main memory
// in the same run.
#include "bench/common/memcpy_floor.h"
#include "gfx/gfx.h"
#include "host/chart_project.h"
#include "host/cli/chart_input.h"
#include "host/cli/ini_override.h"
#include "host/cli/preview_session.h"
#include "imagefile/png_write.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// Frame 61 (two seconds in) of the bundled demo chart as qlv-preview renders it by default:
// 1280 × 720, through the plug-in binary. Empty when it cannot be rendered.
struct Frame {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    std::string error;
    Frame() {
        qlv::cli::PreviewOptions options;
        qlv::cli::IniOverride ini;
        qlv::cli::ChartInput input;
        qlv::cli::PreviewSession session;
        if (!ini.Create(0, &error) || !qlv::cli::OpenChartInput(options, QLV_DEMO_CHART, &input, &error)) return;
        options.mode = input.mode;
        options.hopo_threshold = input.hopo_threshold;
        if (!session.Open(std::move(input.project), QLV_PLUGIN_DIR "/qlv_preview.so", options, &error) ||
            !session.RenderFrame(60, &pixels, &error)) {
            pixels.clear();
            return;
        }
        width = session.width();
        height = session.height();
    }
    bool Ready(benchmark::State &state) const {
        if (pixels.empty()) state.SkipWithError(("no frame: " + error).c_str());
        return !pixels.empty();
    }
    const uint32_t *Row(int y) const { return pixels.data() + static_cast<size_t>(y) * width; }
    int64_t Pixels() const { return int64_t{width} * height; }
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
size_t EncodeInMemory(const Frame &frame, int level, int filters, std::vector<unsigned char> *out) {
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
    const int w = frame.width, h = frame.height;
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < h; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(frame.Row(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out->size();
}

// Arguments: zlib level, and the filter: 0 all five tried per row, 1 up, 2 none, 3 sub, 4 Paeth.
void BM_LibpngInMemory(benchmark::State &state) {
    const Frame &frame = TheFrame();
    if (!frame.Ready(state)) return;
    static constexpr int kFilters[] = {PNG_ALL_FILTERS, PNG_FILTER_UP, PNG_FILTER_NONE, PNG_FILTER_SUB,
                                       PNG_FILTER_PAETH};
    const int filters = kFilters[state.range(1)];
    std::vector<unsigned char> out;
    size_t bytes = 0;
    for (auto _ : state) bytes = EncodeInMemory(frame, static_cast<int>(state.range(0)), filters, &out);
    state.counters["file_bytes"] = static_cast<double>(bytes);
    state.SetItemsProcessed(state.iterations() * frame.Pixels());
}
BENCHMARK(BM_LibpngInMemory)
    ->Args({1, 1})->Args({1, 0})->Args({3, 1})->Args({3, 0})->Args({6, 1})->Args({6, 0})
    ->Args({0, 2})->Args({1, 2})->Args({1, 3})->Args({1, 4})->Args({2, 1})
    ->Unit(benchmark::kMillisecond);


// The previewer's writer, to a file, at the level --png-level passes: where the build has
// libdeflate, levels up to kSingleFilterMaxLevel are written with it (imagefile/png_up_writer.h),
// higher ones with libpng. Counter: the file's bytes.
void BM_WritePngFile(benchmark::State &state) {
    const Frame &frame = TheFrame();
    if (!frame.Ready(state)) return;
    const std::string path = (std::filesystem::temp_directory_path() / "qlv-png-write-bench.png").string();
    const qlv::tools::PixelView view{frame.pixels.data(), frame.width, frame.height, frame.width};
    for (auto _ : state) {
        std::string error;
        if (!qlv::tools::WritePngFile(path, view, static_cast<int>(state.range(0)), &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    std::error_code ec;
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path, ec));
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * frame.Pixels());
}
BENCHMARK(BM_WritePngFile)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_FrameMemcpyMainMemory(benchmark::State &state) { RunMemcpyFloorMainMemory(state, 1280 * 720); }
BENCHMARK(BM_FrameMemcpyMainMemory)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
