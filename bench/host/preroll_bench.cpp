// qlv-preview starting at 3:00 of a long, dense drum chart: the pre-roll (three minutes played and
// painted at a tiny editor size before the first frame) against the 720p frames of the render
// that follows, measured in the same run. Counters: the pre-roll's seconds, a 10-second render's
// seconds at 30 frames a second (frame painting and reading only: no encoding, so the ratio errs
// on the high side) and the ratio of the two.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "host/chart_generator.h"
#include "host/cli/ini_override.h"
#include "host/chart_project.h"
#include "host/cli/preview_session.h"

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFramesMeasured = 30;

void BM_PrerollAgainstRender(benchmark::State &state) {
    std::string pattern = (fs::temp_directory_path() / "qlv-preroll-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    ChartGeneratorOptions chart_options;
    chart_options.measures = 100;  // about 3:20 at the generator's tempos
    const std::string chart = pattern + "/long.mid";
    std::string error;
    qlv::cli::IniOverride ini;
    if (!GenerateChart(chart_options).WriteFile(chart, &error) || !ini.Create(0, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    qlv::cli::PreviewOptions options;
    options.track = "PART DRUMS";
    options.mode = qlv::cli::Mode::kProDrums;
    options.start_seconds = 180.0;
    double preroll = 0.0, frame = 0.0;
    std::vector<uint32_t> pixels;
    for (auto _ : state) {
        qlv::cli::PreviewSession session;
        if (!session.Open(ChartProject::Load(chart, options.track, &error), QLV_PLUGIN_DIR "/qlv_preview.so", options,
                          &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        const auto t0 = Clock::now();
        session.RenderFrame(0, &pixels, &error);
        const auto t1 = Clock::now();
        for (int f = 1; f <= kFramesMeasured; ++f) session.RenderFrame(f, &pixels, &error);
        const auto t2 = Clock::now();
        frame = std::chrono::duration<double>(t2 - t1).count() / kFramesMeasured;
        preroll = std::chrono::duration<double>(t1 - t0).count() - frame;
    }
    const double render = frame * 10.0 * options.fps;
    state.counters["preroll_s"] = preroll;
    state.counters["render_10s_s"] = render;
    state.counters["preroll_share"] = render > 0.0 ? preroll / render : 0.0;
    std::error_code ec;
    fs::remove_all(pattern, ec);
}
BENCHMARK(BM_PrerollAgainstRender)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
