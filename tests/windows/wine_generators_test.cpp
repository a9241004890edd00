// The generators built for Windows and run under Wine make what the native ones make: the same
// pictures, pixel for pixel, and the same demo chart, byte for byte. The Windows package ships
// the native build's pictures, so this is what makes them the Windows build's own.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "wine_test.h"

namespace {
namespace fs = std::filesystem;

class WineGeneratorsTest : public WineTest {};

TEST_F(WineGeneratorsTest, ArtworkAndDemoChartMatchTheNativeBuild) {
    const WineRunner &wine = WineRunner::Get();
    const WineResult art = wine.Run("qlv-artwork.exe", {WineRunner::WindowsPath(scratch_ + "/qlview")});
    ASSERT_EQ(art.status, 0) << art.output;
    const WineResult chart = wine.Run("qlv-demo-chart.exe", {WineRunner::WindowsPath(scratch_ + "/demo.mid")});
    ASSERT_EQ(chart.status, 0) << chart.output;

    const std::string native_chart = ReadWholeFile(QLV_DEMO_CHART);
    ASSERT_FALSE(native_chart.empty());
    EXPECT_TRUE(ReadWholeFile(scratch_ + "/demo.mid") == native_chart) << "the demo chart differs";

    int compared = 0;
    for (const auto &entry : fs::directory_iterator(std::string(QLV_PLUGIN_DIR) + "/qlview")) {
        if (entry.path().extension() != ".png") continue;
        const std::string name = entry.path().filename().string();
        int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
        const std::vector<uint32_t> native = ReadPngPixels(entry.path().string(), &w1, &h1);
        const std::vector<uint32_t> windows = ReadPngPixels(scratch_ + "/qlview/" + name, &w2, &h2);
        ASSERT_FALSE(native.empty()) << name;
        ASSERT_FALSE(windows.empty()) << name << " was not made under Wine";
        EXPECT_EQ(w2, w1) << name;
        EXPECT_EQ(h2, h1) << name;
        EXPECT_TRUE(windows == native) << name << " differs";
        ++compared;
    }
    EXPECT_GT(compared, 40);
    // Nothing more than the native set either.
    int made = 0;
    for (const auto &entry : fs::directory_iterator(scratch_ + "/qlview")) made += entry.path().extension() == ".png";
    EXPECT_EQ(made, compared);
}

}  // namespace
