// Chart timing through the real plug-in binary at 48 kHz with 256-sample blocks, where the grid's
// half beats at 120/min fall on block boundaries and tick positions are rounded to samples. The
// frames are compared with frames of the same chart in which nothing falls on a limit.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/chart_builder.h"
#include "host/editor_driver.h"
#include "host/plugin_host.h"
#include "tests/e2e/staged_plugin.h"

namespace {

constexpr double RATE = 48000.0;
constexpr int WIDTH = 400;       // the editor in a 404 x 304 host window
constexpr int CONTROL_ROWS = 30;  // the control strip, which shows the settings

// The highway's pixels (the editor below its control strip) with the transport stopped at
// `seconds`, after a few paints, for settings (skill, mode 0, `threshold`) and audio blocks of
// `block` samples.
std::vector<uint32_t> StoppedFrame(ChartProject &project, int skill, int threshold, int block, double seconds) {
    StagedPlugin &staged = StagedPlugin::Get();
    EXPECT_TRUE(staged.error().empty()) << staged.error();
    std::vector<uint32_t> pixels;
    PluginHost host;
    std::string error;
    if (!host.Load(staged.path(), &error)) {
        ADD_FAILURE() << error;
        return pixels;
    }
    host.SetDefaultContext(&project.project(), &project.track());
    HostTransport transport;
    transport.sample_rate = RATE;
    host.SetTransport(transport);
    AEffect *effect = host.CreateInstance();
    if (!effect) {
        ADD_FAILURE() << "no instance";
        return pixels;
    }
    uint8_t settings[4] = {uint8_t(skill), 0, uint8_t(threshold & 0xFF), uint8_t(threshold >> 8)};
    host.Dispatch(effect, effSetChunk, 0, 4, settings);
    {
        EditorDriver driver(host, effect, block);
        EXPECT_TRUE(driver.Open(404, 304));
        driver.Play(seconds);
        driver.Stop();
        driver.RunFor(0.2);
        int width = 0, height = 0;
        EXPECT_TRUE(driver.ReadPixels(&pixels, &width, &height));
        EXPECT_EQ(width, WIDTH);
        if (width == WIDTH && height > CONTROL_ROWS) pixels.erase(pixels.begin(), pixels.begin() + WIDTH * CONTROL_ROWS);
        else pixels.clear();
    }
    host.CloseInstance(effect);
    return pixels;
}

// Stopped at 2.5 s, the fetch starts 3 s earlier; with 256-sample blocks every measure's half
// beat then lies on a window start. With 997-sample blocks none does.
TEST(ChartTimingBinary, GridLinesOnBlockBoundariesAreDrawn) {
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    auto project = chart.BuildProject();
    const std::vector<uint32_t> on_boundaries = StoppedFrame(*project, 0, 170, 256, 2.5);
    const std::vector<uint32_t> off_boundaries = StoppedFrame(*project, 0, 170, 997, 2.5);
    ASSERT_FALSE(on_boundaries.empty());
    EXPECT_TRUE(on_boundaries == off_boundaries);
}

// Sixteenths at 173.5/min: 4149.86 samples apart, so the host places them 4149 or 4150 apart. At
// a threshold of exactly a sixteenth none is a hammer-on (as at a threshold far below it); one
// tick more and every one is (as at a threshold far above it).
TEST(ChartTimingBinary, HammerOnThresholdEqualToTheGap) {
    ChartBuilder chart;
    chart.Tempo(0, 173.5);
    for (int i = 0; i < 24; ++i) chart.Note(8 * 480 + int64_t(i) * 120, 96 + i % 2, 60);
    auto project = chart.BuildProject();
    const std::vector<uint32_t> none = StoppedFrame(*project, 3, 60, 256, 2.5);
    const std::vector<uint32_t> all = StoppedFrame(*project, 3, 200, 256, 2.5);
    ASSERT_FALSE(none.empty());
    EXPECT_FALSE(none == all);
    EXPECT_TRUE(StoppedFrame(*project, 3, 120, 256, 2.5) == none);
    EXPECT_TRUE(StoppedFrame(*project, 3, 121, 256, 2.5) == all);
}

}  // namespace
