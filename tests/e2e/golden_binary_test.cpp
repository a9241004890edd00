// Highway frames through the real plug-in binary, compared pixel for pixel with PNG files in
// tests/golden/. The binary is copied into a private folder with the drawn test pictures in its
// qlview folder beside it; the reference host serves a chart, plays it, and the editor's pixels
// are read after its own timer-driven paints. QLV_UPDATE_GOLDEN=1 rewrites the references; a
// mismatch leaves actual, expected and difference images under the build tree.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "host/chart_builder.h"
#include "host/editor_driver.h"
#include "host/plugin_host.h"
#include "tests/e2e/highway_charts.h"
#include "tests/e2e/staged_plugin.h"
#include "view/highway_pictures.h"

namespace {

// The editor keeps a 4-pixel margin to its host window's right and bottom edges.
constexpr int EDITOR_WIDTH = 400;
constexpr int EDITOR_HEIGHT = 300;

uint32_t Difference(uint32_t a, uint32_t b) {
    if (a == b) return 0xFF000000u;
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        out |= static_cast<uint32_t>(d < 64 ? 64 + d * 3 : 255) << shift;
    }
    return out | 0x00FF0000u;
}

void CompareWithGolden(const std::string &name, const std::vector<uint32_t> &actual, int width, int height) {
    const std::string golden = std::string(QLV_SOURCE_DIR) + "/tests/golden/" + name + ".png";
    const char *update = std::getenv("QLV_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(WritePngFile(golden, width, height, actual)) << golden;
        std::printf("updated %s\n", golden.c_str());
        return;
    }
    int w = 0, h = 0;
    std::vector<uint32_t> expected;
    ASSERT_TRUE(ReadPngFile(golden, &w, &h, &expected))
        << "missing reference " << golden << " (QLV_UPDATE_GOLDEN=1 writes it)";
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    int differing = 0, first = -1;
    std::vector<uint32_t> diff(actual.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        diff[i] = Difference(actual[i], expected[i]);
        if (actual[i] != expected[i]) {
            if (first < 0) first = static_cast<int>(i);
            ++differing;
        }
    }
    if (differing == 0) return;
    const std::string out = std::string(QLV_BINARY_DIR) + "/golden-failures";
    std::filesystem::create_directories(out);
    WritePngFile(out + "/" + name + "-actual.png", width, height, actual);
    WritePngFile(out + "/" + name + "-expected.png", width, height, expected);
    WritePngFile(out + "/" + name + "-diff.png", width, height, diff);
    ADD_FAILURE() << name << ": " << differing << " pixels differ, first at (" << first % width << ", "
                  << first / width << "): actual 0x" << std::hex << actual[first] << ", expected 0x"
                  << expected[first] << std::dec << "; images written to " << out;
}

// Plays `chart` from 2.5 s with the settings chunk (Expert, `mode`, threshold 170) and captures
// the editor after 1.5 s of its own paints.
void CheckChart(const std::string &name, int mode, const ChartBuilder &chart) {
    StagedPlugin &staged = StagedPlugin::Get();
    ASSERT_TRUE(staged.error().empty()) << staged.error();
    std::unique_ptr<ChartProject> project = chart.BuildProject();
    ASSERT_NE(project, nullptr);
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    {
        PluginHost host;
        std::string error;
        ASSERT_TRUE(host.Load(staged.path(), &error)) << error;
        host.SetDefaultContext(&project->project(), &project->track());
        AEffect *effect = host.CreateInstance();
        ASSERT_NE(effect, nullptr);
        uint8_t settings[4] = {3, static_cast<uint8_t>(mode), 170, 0};
        host.Dispatch(effect, effSetChunk, 0, 4, settings);
        {
            EditorDriver driver(host, effect);
            ASSERT_TRUE(driver.Open(EDITOR_WIDTH + 4, EDITOR_HEIGHT + 4));
            driver.Play(2.5);
            driver.RunFor(1.5);
            ASSERT_TRUE(driver.ReadPixels(&pixels, &width, &height));
        }
        host.CloseInstance(effect);
    }
    ASSERT_EQ(width, EDITOR_WIDTH);
    ASSERT_EQ(height, EDITOR_HEIGHT);
    for (uint32_t &px : pixels) px |= 0xFF000000u;  // the window holds no alpha
    CompareWithGolden(name, pixels, width, height);
}

TEST(GoldenBinaryFrameTest, GuitarChordsHoposAndSustains) {
    CheckChart("binary_guitar", 0, highway_charts::GuitarChordsHoposAndSustains());
}

TEST(GoldenBinaryFrameTest, ProDrumsCymbalsTomsKickAndFlip) {
    CheckChart("binary_pro_drums", 1, highway_charts::ProDrumsCymbalsTomsKickAndFlip());
}

TEST(GoldenBinaryFrameTest, StandardDrumsShowNoCymbals) {
    CheckChart("binary_drums", 2, highway_charts::StandardDrumsShowNoCymbals());
}

TEST(GoldenBinaryFrameTest, KeysChordsAndSustains) {
    CheckChart("binary_keys", 3, highway_charts::KeysChordsAndSustains());
}

}  // namespace
