// Writes the seed files the .chart fuzz target replays in the test suite: the tests' sample
// charts and, from the first, a run of truncations and single-byte corruptions, so that each
// reader path (sections, entries, bad values, line ends) is visited.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/host/chart_text_sample.h"
#include "fuzz/seed_folder.h"

namespace {

void Write(const std::filesystem::path &dir, const std::string &name, const std::string &bytes) {
    WriteSeed(dir / name, bytes);
}

}  // namespace

int main(int argc, char **argv) {
    const std::filesystem::path dir = FreshSeedFolder(argc, argv);
    if (dir.empty()) return 2;
    const std::string chart = chart_text_sample::CHART;
    Write(dir, "sample.chart", chart);
    Write(dir, "five_lane.chart", chart_text_sample::FIVE_LANE_CHART);
    Write(dir, "odd.chart",
          "[Song]\n{\nResolution = 0\nOffset = nan\n}\n[SyncTrack]\n{\n0 = B 3577\n5 = B 10000000\n9 = TS 255 7\n"
          "12 = TS 1 0\n}\n[ExpertDrums]\n{\n0 = N 5 0\n0 = N 4 0\n0 = N 3 0\n268435455 = N 2 268435455\n}\n"
          "[ExpertDrums]\n{\n}\n[HardSingle]\n{\n0 = N 0 0\n1 = N 1 0\n1 = N 6 0\n}\n");
    for (size_t cut = 0; cut < chart.size(); cut += 7) Write(dir, "cut" + std::to_string(cut) + ".chart", chart.substr(0, cut));
    const char values[] = {'\0', '-', '\n', '[', '}', '9', '=', '\xff'};
    for (size_t at = 0; at < chart.size(); at += 3) {
        std::string changed = chart;
        changed[at] = values[at % 8];
        Write(dir, "byte" + std::to_string(at) + ".chart", changed);
    }
    std::printf("seeds written to %s\n", dir.c_str());
    return 0;
}
