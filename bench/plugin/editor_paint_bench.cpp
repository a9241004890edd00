// One whole editor paint through the real plug-in binary: note extraction, the highway, the
// control strip and the copy into the window, with a dense Expert chart on screen. Beside it a
// memcpy of one frame of the same size, as the floor the paint is compared with (cache-warm and
// from main memory; the latter is the stable one).
#include <benchmark/benchmark.h>

#include <qlv_headless.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/common/memcpy_floor.h"
#include "host/chart_builder.h"
#include "host/editor_driver.h"
#include "host/plugin_host.h"

namespace {

// Expert (notes 96..100): two-note chords on every eighth at 160 per minute, each with a sustain
// every other beat, plus single gems on the sixteenths between; forced hopos and style phrases
// over parts of it.
std::unique_ptr<ChartProject> DenseChart() {
    ChartBuilder chart;
    chart.Tempo(0, 160.0);
    for (int i = 0; i < 600; ++i) {
        const int64_t tick = static_cast<int64_t>(i) * 240;
        const int64_t length = i % 4 == 0 ? 480 : 120;
        chart.Note(tick, 96 + i % 5, length);
        chart.Note(tick, 96 + (i + 2) % 5, length);
        chart.Note(tick + 120, 96 + (i + 1) % 5, 60);
    }
    for (int i = 0; i < 20; ++i) chart.Note(static_cast<int64_t>(i) * 7200, 116, 1920);
    return chart.BuildProject();
}

struct Session {
    std::unique_ptr<ChartProject> chart = DenseChart();
    PluginHost host;
    AEffect *effect = nullptr;
    std::unique_ptr<EditorDriver> driver;
    HWND editor = nullptr;
    bool ok = false;

    Session(int width, int height) {
        std::string error;
        if (!host.Load(std::string(QLV_PLUGIN_DIR) + "/qlv_preview.so", &error)) return;
        host.SetDefaultContext(&chart->project(), &chart->track());
        effect = host.CreateInstance();
        if (!effect) return;
        const unsigned char expert[4] = {3, 0, 170, 0};
        host.Dispatch(effect, effSetChunk, 0, sizeof(expert), const_cast<unsigned char *>(expert));
        driver = std::make_unique<EditorDriver>(host, effect);
        // Fetch the chart with a small editor (cheap paints), then grow it to the measured size;
        // the editor keeps a 4-pixel margin inside its parent.
        if (!driver->Open(68, 68)) return;
        driver->Play(3.0);
        driver->RunFor(0.5);
        driver->ResizeHostWindow(width + 4, height + 4);
        driver->Frame();
        editor = driver->EditorWindow();
        RECT rc{};
        ok = editor && GetClientRect(editor, &rc) && rc.right == width && rc.bottom == height;
    }
    ~Session() {
        driver.reset();
        if (effect) host.CloseInstance(effect);
    }
};

void BM_EditorPaint(benchmark::State &state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    Session session(width, height);
    if (!session.ok) {
        state.SkipWithError("the editor could not be opened at that size");
        return;
    }
    for (auto _ : state) {
        InvalidateRect(session.editor, nullptr, FALSE);
        benchmark::DoNotOptimize(QlvHeadlessRunPaints());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * width * height * 4);
}

// The first paint at a new size, as after the editor opens: the board is stretched from the
// background again and every scaled picture copy is made anew. The size alternates between the
// measured one and two pixels narrower so that each iteration is such a paint; BM_EditorFrame
// is the same frame without the size change.
void EditorFrames(benchmark::State &state, bool resize) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    Session session(width, height);
    if (!session.ok) {
        state.SkipWithError("the editor could not be opened at that size");
        return;
    }
    bool narrow = false;
    for (auto _ : state) {
        if (resize) {
            narrow = !narrow;
            session.driver->ResizeHostWindow(width + 4 - (narrow ? 2 : 0), height + 4);
        }
        benchmark::DoNotOptimize(session.driver->Frame());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * width * height * 4);
}
void BM_EditorFirstPaint(benchmark::State &state) { EditorFrames(state, true); }
void BM_EditorFrame(benchmark::State &state) { EditorFrames(state, false); }

// The stable floor: the same frame copied from main memory (bench/common/memcpy_floor.h).
void BM_FrameMemcpyMainMemory(benchmark::State &state) {
    RunMemcpyFloorMainMemory(state, state.range(0) * state.range(1));
    state.SetBytesProcessed(state.iterations() * state.range(0) * state.range(1) * 4);
}

void BM_FrameMemcpy(benchmark::State &state) {
    const size_t words = static_cast<size_t>(state.range(0)) * static_cast<size_t>(state.range(1));
    std::vector<uint32_t> from(words, 0x00405060u), to(words);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), words * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * words * 4));
}

void Sizes(benchmark::internal::Benchmark *b) {
    b->Args({800, 600})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_FrameMemcpy)->Apply(Sizes);
BENCHMARK(BM_FrameMemcpyMainMemory)->Apply(Sizes);
BENCHMARK(BM_EditorPaint)->Apply(Sizes);
BENCHMARK(BM_EditorFrame)->Apply(Sizes);
BENCHMARK(BM_EditorFirstPaint)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
