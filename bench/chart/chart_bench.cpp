// Speed of chart acquisition and note extraction on a dense generated chart holding all four
// difficulties, with tempo and signature changes, served by the reference host's track and time
// map. Steady blocks and the first block after a seek are reported as a fraction of a 512-frame
// block's real-time budget at 44.1 kHz (11.6 ms); memcpy of 1 MiB in the same run is the floor.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "chart_test_host.h"
#include "host/chart_generator.h"

namespace {

constexpr int32_t BLOCK = 512;
constexpr double RATE = 44100.0;
constexpr double BUDGET_SECONDS = BLOCK / RATE;

ChartProject &DenseChart() {
    static std::unique_ptr<ChartProject> project = [] {
        ChartGeneratorOptions options;
        options.seed = 5;
        options.measures = 160;
        options.notes_per_beat = 4;
        return GenerateChart(options).BuildProject();
    }();
    return *project;
}

double SongSamples() { return DenseChart().tempo_map().TickToSeconds(160 * 4 * 480) * RATE * 0.9; }

using Clock = std::chrono::steady_clock;

void BM_MemcpyFloor(benchmark::State &state) {
    std::vector<uint8_t> from(1 << 20, 1), to(1 << 20);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(from.size()));
}
BENCHMARK(BM_MemcpyFloor);

// One playing block, the editor painting after each block (the paint is not timed).
void BM_SteadyBlock(benchmark::State &state) {
    ChartTestHost host(&DenseChart());
    host.instance().mode = int32_t(state.range(0));
    host.instance().skill = int32_t(state.range(1));
    host.OpenEditor();
    host.SetTransport(0, true);
    for (int i = 0; i < 200; ++i) {
        host.PlayBlock(BLOCK);
        host.Paint();
    }
    const double song = SongSamples();
    double total = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        host.PlayBlock(BLOCK);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        host.Paint();
        if (host.time_info.samplePos > song) {  // wrap round, outside the timing
            host.SetTransport(0, true);
            host.PlayBlock(BLOCK);
            host.Paint();
        }
    }
    state.counters["budget_fraction"] = total / double(state.iterations()) / BUDGET_SECONDS;
    state.counters["events"] = double(host.Events().size());
}
BENCHMARK(BM_SteadyBlock)->Args({0, 3})->Args({1, 3})->Args({1, 0})->UseManualTime();

// The first block after a seek with the transport stopped: the whole pre-roll and lookahead.
void BM_FirstBlockAfterSeekStopped(benchmark::State &state) {
    ChartTestHost host(&DenseChart());
    host.instance().mode = 1;
    host.instance().skill = int32_t(state.range(0));
    host.OpenEditor();
    const double song = SongSamples();
    double position = 10 * RATE, total = 0;
    for (auto _ : state) {
        position += 7.3 * RATE;
        if (position > song) position = 10 * RATE + std::fmod(position, RATE);
        host.SetTransport(position, false);
        const auto start = Clock::now();
        host.Block(BLOCK);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.counters["budget_fraction"] = total / double(state.iterations()) / BUDGET_SECONDS;
    state.counters["events"] = double(host.Events().size());
}
BENCHMARK(BM_FirstBlockAfterSeekStopped)->Arg(0)->Arg(3)->UseManualTime();

// One paint's note extraction, the audio thread having played on by a 15 ms timer tick.
void BM_BuildHighwayItems(benchmark::State &state) {
    ChartTestHost host(&DenseChart());
    host.instance().mode = int32_t(state.range(0));
    host.instance().skill = int32_t(state.range(1));
    host.OpenEditor();
    host.SetTransport(30 * RATE, true);
    host.PlayBlock(BLOCK);
    const double song = SongSamples();
    double items = 0;
    for (auto _ : state) {
        host.PlayBlock(662);
        const auto start = Clock::now();
        const int32_t count = BuildHighwayItems(&host.instance(), state.range(0) == 1 || state.range(0) == 2);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        items += count;
        if (host.time_info.samplePos > song) host.SetTransport(30 * RATE, true);
    }
    state.counters["items"] = items / double(state.iterations());
}
BENCHMARK(BM_BuildHighwayItems)->Args({0, 3})->Args({1, 3})->Args({1, 0})->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
