// The worst single audio callback under host behaviours that real workstations show: tiny blocks
// after processing restarts, one-sample blocks after a stopped seek, a count-in before the
// project start, thousands of notes at one time, thousands of all-notes-off controllers, and a
// host that hands out the whole track whatever window is asked for. Each benchmark reports
// worst_fraction: the slowest callback divided by its block's real-time budget (a 1-sample block
// is held to a 512-sample block's budget). Every callback of a case comes back many times (the
// same seek, the same block of a count-in), and its cost is the median of its repeats in the
// thread's CPU time: a slow callback of the code's own is slow every time, a stall of a shared
// machine is not. raw_worst_fraction is the single slowest call seen, stalls included;
// mean_fraction is wall time. BM_MemcpyFloor in chart_bench.cpp is the floor of the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <memory>
#include <vector>

#include "state/midi_list.h"
#include "chart_test_host.h"
#include "host/chart_generator.h"

namespace {

using Clock = std::chrono::steady_clock;

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

ChartProject &BusyChart() {
    static std::unique_ptr<ChartProject> project = [] {
        ChartGeneratorOptions options;
        options.seed = 9;
        options.measures = 48;
        options.notes_per_beat = 4;
        return GenerateChart(options).BuildProject();
    }();
    return *project;
}

double BudgetSeconds(int32_t frames, double rate) { return (frames == 1 ? 512 : frames) / rate; }

// Times blocks, each under a key naming which callback of the case it is.
struct WorstBlock {
    std::map<int64_t, std::vector<double>> cpu_by_key;
    double raw_worst = 0.0;
    double total = 0.0;
    int64_t blocks = 0;

    void Run(benchmark::State &state, ChartTestHost &host, int32_t frames, bool advance, int64_t key) {
        const double cpu_start = ThreadSeconds();
        const auto start = Clock::now();
        host.Block(frames);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = ThreadSeconds() - cpu_start;
        if (advance) host.time_info.samplePos += frames;
        state.SetIterationTime(seconds);
        state.PauseTiming();
        cpu_by_key[key].push_back(cpu);
        state.ResumeTiming();
        raw_worst = std::max(raw_worst, cpu);
        total += seconds;
        ++blocks;
    }
    void Report(benchmark::State &state, double budget) {
        double worst = 0.0;
        for (auto &[key, times] : cpu_by_key) {
            std::nth_element(times.begin(), times.begin() + std::ptrdiff_t(times.size() / 2), times.end());
            worst = std::max(worst, times[times.size() / 2]);
        }
        state.counters["worst_fraction"] = worst / budget;
        state.counters["raw_worst_fraction"] = raw_worst / budget;
        state.counters["mean_fraction"] = blocks ? total / double(blocks) / budget : 0.0;
    }
};

void Prepare(ChartTestHost &host, double rate) {
    host.instance().sample_rate = rate;
    host.time_info.sampleRate = rate;
    host.instance().skill = 0;  // the longest lookahead
    host.OpenEditor();
}

// Processing switched off and on (the instance forgets its positions), then a tiny block.
void BM_TinyBlockAfterRestart(benchmark::State &state) {
    const auto frames = int32_t(state.range(0));
    const auto rate = double(state.range(1));
    ChartTestHost host(&BusyChart());
    Prepare(host, rate);
    WorstBlock blocks;
    double position = 10 * rate;
    for (double at = 10 * rate; at <= 61 * rate; at += 3.7 * rate) {  // buffers grown to their working size
        host.SetTransport(at, false);
        host.Block(frames);
    }
    for (auto _ : state) {
        state.PauseTiming();
        EnterCriticalSection(&host.instance().lock);
        host.instance().Reset();
        LeaveCriticalSection(&host.instance().lock);
        position = position > 60 * rate ? 10 * rate : position + 3.7 * rate;
        host.SetTransport(position, false);
        state.ResumeTiming();
        blocks.Run(state, host, frames, false, int64_t(position));
    }
    blocks.Report(state, BudgetSeconds(frames, rate));
}
BENCHMARK(BM_TinyBlockAfterRestart)->Args({64, 44100})->Args({1, 44100})->Args({1, 384000})->UseManualTime();

// A seek with the transport stopped, then one-sample blocks: the first one fetches the pre-roll.
void BM_OneSampleBlocksAfterStoppedSeek(benchmark::State &state) {
    const auto rate = double(state.range(0));
    ChartTestHost host(&BusyChart());
    Prepare(host, rate);
    WorstBlock blocks;
    double position = 10 * rate;
    for (double at = 10 * rate; at <= 61 * rate; at += 3.7 * rate) {  // buffers grown to their working size
        host.SetTransport(at, false);
        host.Block(1);
    }
    int64_t n = 0;
    for (auto _ : state) {
        if (n++ % 8 == 0) {  // a seek, then seven more blocks standing still
            position = position > 60 * rate ? 10 * rate : position + 3.7 * rate;
            host.SetTransport(position, false);
        }
        blocks.Run(state, host, 1, false, int64_t(position) * 8 + (n - 1) % 8);
    }
    blocks.Report(state, BudgetSeconds(1, rate));
}
BENCHMARK(BM_OneSampleBlocksAfterStoppedSeek)->Arg(44100)->Arg(192000)->UseManualTime();

// Playing through a two-second count-in before the project start, 512-sample blocks.
void BM_CountIn(benchmark::State &state) {
    constexpr double rate = 44100.0;
    constexpr int32_t frames = 512;
    ChartTestHost host(&BusyChart());
    Prepare(host, rate);
    // One pass to grow the buffers; the reset of each pass's first block is an ordinary seek,
    // not timed.
    host.SetTransport(-2 * rate, true);
    while (host.time_info.samplePos < 0) host.PlayBlock(frames);
    host.SetTransport(-2 * rate, true);
    host.PlayBlock(frames);
    WorstBlock blocks;
    const int requests_before = host.track_requests;
    for (auto _ : state) {
        blocks.Run(state, host, frames, true, int64_t(host.time_info.samplePos));
        if (host.time_info.samplePos >= 0) {
            state.PauseTiming();
            host.SetTransport(-2 * rate, true);
            host.PlayBlock(frames);
            state.ResumeTiming();
        }
    }
    blocks.Report(state, BudgetSeconds(frames, rate));
    state.counters["track_requests_per_block"] = double(host.track_requests - requests_before) / double(blocks.blocks);
}
BENCHMARK(BM_CountIn)->UseManualTime();

// `notes` note-ons at one tick (five seconds in), each held a quarter note, gem pitches cycling.
std::unique_ptr<ChartProject> StackedNotes(int notes) {
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    for (int i = 0; i < 32; ++i) chart.Note(int64_t(i) * 240, 96 + i % 5, 120);
    for (int i = 0; i < notes; ++i) chart.Note(4800, 60 + i % 48, 480);
    return chart.BuildProject();
}

// `count` all-notes-off controllers at one tick after a busy second (2,000 notes).
std::unique_ptr<ChartProject> ManyAllNotesOff(int count) {
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    for (int i = 0; i < 2000; ++i) chart.Note(3900 + int64_t(i) * 9 / 20, 60 + i % 48, 240);
    for (int i = 0; i < count; ++i) chart.Controller(4800, 123, 0);
    return chart.BuildProject();
}

// Seeks (alternately by one sample, so every block is a reset) to 4 s while playing, so that
// one block fetches the whole lookahead including the tick of interest.
void SeekOntoTheStack(benchmark::State &state, ChartProject &project) {
    constexpr double rate = 44100.0;
    constexpr int32_t frames = 512;
    ChartTestHost host(&project);
    Prepare(host, rate);
    WorstBlock blocks;
    host.SetTransport(4 * rate + 1, true);
    host.Block(frames);  // buffers grown to their working size
    int64_t n = 0;
    for (auto _ : state) {
        host.SetTransport(4 * rate - double(n % 2), true);
        blocks.Run(state, host, frames, false, n++ % 2);
    }
    blocks.Report(state, BudgetSeconds(frames, rate));
    state.counters["events"] = double(host.Events().size());
}

void BM_StackedNotes(benchmark::State &state) {
    const auto project = StackedNotes(int(state.range(0)));
    SeekOntoTheStack(state, *project);
}
BENCHMARK(BM_StackedNotes)->Arg(2000)->Arg(20000)->UseManualTime();

void BM_ManyAllNotesOff(benchmark::State &state) {
    const auto project = ManyAllNotesOff(int(state.range(0)));
    SeekOntoTheStack(state, *project);
}
BENCHMARK(BM_ManyAllNotesOff)->Arg(5000)->UseManualTime();

void BM_HostIgnoresTheWindow(benchmark::State &state) {
    constexpr double rate = 44100.0;
    constexpr int32_t frames = 512;
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    for (int i = 0; i < 2000; ++i) chart.Note(int64_t(i) * 120, 96 + i % 5, 60);
    const auto project = chart.BuildProject();
    WholeTrackEveryTime track(project->track());
    ChartTestHost host(project.get());
    host.track = &track;
    Prepare(host, rate);
    host.SetTransport(0, true);
    for (int i = 0; i < 20; ++i) {  // buffers grown to their working size
        host.PlayBlock(frames);
        host.Paint();
    }
    WorstBlock blocks;
    for (auto _ : state) {
        blocks.Run(state, host, frames, true, int64_t(host.time_info.samplePos));
        state.PauseTiming();
        host.Paint();
        if (host.time_info.samplePos > 200 * rate) {
            host.SetTransport(0, true);
            host.PlayBlock(frames);
        }
        state.ResumeTiming();
    }
    blocks.Report(state, BudgetSeconds(frames, rate));
    state.counters["events"] = double(host.Events().size());
}
BENCHMARK(BM_HostIgnoresTheWindow)->Iterations(400)->UseManualTime();

}  // namespace
