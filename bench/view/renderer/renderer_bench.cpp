// One highway paint of a dense chart at three client sizes, beside a memcpy of one frame of the
// same size measured in the same run. The counter "x_memcpy" is the paint's time in frame copies.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx/gfx.h"
#include "highway_pictures.h"
#include "highway_scene.h"
#include "state/instance.h"
#include "view/renderer.h"

namespace {

// Guitar on Expert: five-note chords and single notes every 30 ms with sustains and hopos, two
// held sustains at the line, a style phrase and the beat grid: about 150 items per frame.
void FillDenseChart(HighwayScene &scene) {
    const double lookahead = scene.LookaheadSamples();
    scene.Add(116, static_cast<int64_t>(0.3 * lookahead), static_cast<int64_t>(0.2 * lookahead));
    for (int i = 0; i < 16; ++i) {
        scene.Add(i % 4 == 0 ? -3 : -1, static_cast<int64_t>(i * 0.0625 * lookahead) + 1);
        scene.Add(-2, static_cast<int64_t>((i * 0.0625 + 0.03125) * lookahead) + 1);
    }
    scene.Add(96, -2000, static_cast<int64_t>(0.8 * lookahead), 0, 30);
    scene.Add(99, -1000, static_cast<int64_t>(0.5 * lookahead), 0, 30);
    for (int i = 1; i * 0.025 < 1.0; ++i) {
        const int64_t at = static_cast<int64_t>(i * 0.025 * lookahead);
        if (i % 5 == 0) {
            for (int lane = 0; lane < 5; ++lane) scene.Add(96 + lane, at, 0);
        } else {
            scene.Add(96 + i % 5, at, i % 3 == 0 ? static_cast<int64_t>(0.15 * lookahead) : 0, i % 2);
        }
    }
}

void BM_RenderHighway(benchmark::State &state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    HighwayScene scene(ShapedPictureSet());
    if (!scene.ok()) {
        state.SkipWithError(scene.error().c_str());
        return;
    }
    FillDenseChart(scene);
    scene.Render(width, height);  // builds the board and the scaled copies once
    for (auto _ : state) {
        RenderHighway(scene.instance(), width, height);
        benchmark::ClobberMemory();
    }

    // The floor: copying one frame's pixels, timed here so both run under the same conditions.
    std::vector<uint32_t> src(static_cast<size_t>(width) * height, 0x12345678u), dst(src.size());
    const int reps = 50;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i) {
        std::memcpy(dst.data(), src.data(), src.size() * 4);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    const double copy = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / reps;
    const auto render_start = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i) RenderHighway(scene.instance(), width, height);
    const double render = std::chrono::duration<double>(std::chrono::steady_clock::now() - render_start).count() / reps;
    state.counters["x_memcpy"] = copy > 0 ? render / copy : 0.0;
    state.counters["items"] = scene.ItemCount();
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(width) * height * 4);
}

void BM_MemcpyFrame(benchmark::State &state) {
    const size_t pixels = static_cast<size_t>(state.range(0)) * static_cast<size_t>(state.range(1));
    std::vector<uint32_t> src(pixels, 0x12345678u), dst(pixels);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), pixels * 4);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(pixels) * 4);
}

BENCHMARK(BM_RenderHighway)->Args({800, 600})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyFrame)->Args({800, 600})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
