// The same charts through the Windows plug-in library under Wine and through the native build:
// qlv-preview.exe loads qlv_preview.dll with LoadLibrary, opens each editor in a real window
// on a virtual display, lets the editor's real timer and paint run and reads the window back
// through GDI; the native qlv-preview does the same over the headless window system. Both use
// the native build's pictures, so every frame must match word for word: a difference is a
// portability fault in the plug-in (arithmetic, library calls, sizes of types).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "host/chart_builder.h"
#include "tests/e2e/highway_charts.h"
#include "wine_test.h"

namespace {
namespace fs = std::filesystem;

using namespace highway_charts;

struct Frames {
    int width = 0, height = 0;
    std::vector<std::vector<uint32_t>> pictures;  // frame_000001.png first
};

Frames ReadFrames(const std::string &dir) {
    Frames frames;
    for (int i = 1;; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06d.png", i);
        std::vector<uint32_t> pixels = ReadPngPixels(dir + name, &frames.width, &frames.height);
        if (pixels.empty()) break;
        frames.pictures.push_back(std::move(pixels));
    }
    return frames;
}

class WineRenderTest : public WineTest {
protected:
    // Renders with the same options natively and under Wine and compares every frame.
    // `windows_plugin`: the library's path as the Windows program is given it (default: staged).
    void Compare(const std::vector<std::string> &options, int expected_frames, std::string windows_plugin = "") {
        const WineRunner &wine = WineRunner::Get();
        std::vector<std::string> native = {QLV_PREVIEW_PROGRAM, "--plugin", std::string(QLV_PLUGIN_DIR) + "/qlv_preview.so",
                                           "--out", scratch_ + "/native", "--frames", "--no-video", "--sheet", "0",
                                           "--quiet"};
        native.insert(native.end(), options.begin(), options.end());
        const WineResult here = RunNative(native);
        ASSERT_EQ(here.status, 0) << here.output;

        if (windows_plugin.empty()) windows_plugin = wine.Staged("qlv_preview.dll");
        std::vector<std::string> windows = {"--plugin", windows_plugin, "--out",
                                            WineRunner::WindowsPath(scratch_ + "/windows"), "--frames", "--no-video", "--sheet",
                                            "0", "--quiet"};
        for (size_t i = 0; i < options.size(); ++i) {
            // Files named in the options are native paths; the Windows program sees them on Z:.
            const bool is_path = i > 0 && options[i - 1] == "--chart";
            windows.push_back(is_path ? WineRunner::WindowsPath(options[i]) : options[i]);
        }
        const WineResult there = wine.Run("qlv-preview.exe", windows);
        ASSERT_EQ(there.status, 0) << there.output;

        const Frames a = ReadFrames(scratch_ + "/native");
        const Frames b = ReadFrames(scratch_ + "/windows");
        ASSERT_EQ(a.pictures.size(), static_cast<size_t>(expected_frames));
        ASSERT_EQ(b.pictures.size(), a.pictures.size());
        ASSERT_EQ(b.width, a.width);
        ASSERT_EQ(b.height, a.height);
        int differing_frames = 0;
        for (size_t f = 0; f < a.pictures.size(); ++f) {
            const std::vector<uint32_t> &x = a.pictures[f], &y = b.pictures[f];
            size_t first = 0, count = 0;
            for (size_t i = 0; i < x.size(); ++i) {
                if (x[i] != y[i] && count++ == 0) first = i;
            }
            if (count > 0 && ++differing_frames <= 3) {
                ADD_FAILURE() << "frame " << f + 1 << ": " << count << " pixels differ, first at ("
                              << first % a.width << ", " << first / a.width << "): native 0x" << std::hex << x[first]
                              << ", Windows 0x" << y[first];
            }
        }
        EXPECT_EQ(differing_frames, 0);
        // Frames that never change would prove nothing about timing and animation.
        EXPECT_NE(a.pictures.front(), a.pictures.back());
    }

    std::string Chart(const ChartBuilder &chart) {
        const std::string path = scratch_ + "/chart.mid";
        std::string error;
        EXPECT_TRUE(chart.WriteFile(path, &error)) << error;
        return path;
    }
};

// 1.5 s from 2.5 s at 60 frames a second, Expert, 400 × 300.
std::vector<std::string> Options(const std::string &chart, const char *instrument) {
    return {"--chart", chart, "--instrument", instrument, "--difficulty", "expert", "--start", "2.5",
            "--duration", "1.5", "--fps", "60", "--size", "400x300"};
}

TEST_F(WineRenderTest, GuitarChordsHoposAndSustains) {
    Compare(Options(Chart(GuitarChordsHoposAndSustains()), "guitar"), 90);
}

TEST_F(WineRenderTest, ProDrumsCymbalsTomsKickAndFlip) {
    Compare(Options(Chart(ProDrumsCymbalsTomsKickAndFlip()), "pro-drums"), 90);
}

TEST_F(WineRenderTest, StandardDrumsShowNoCymbals) {
    Compare(Options(Chart(StandardDrumsShowNoCymbals()), "drums"), 90);
}

TEST_F(WineRenderTest, KeysChordsAndSustains) {
    Compare(Options(Chart(KeysChordsAndSustains()), "keys"), 90);
}

// The library in a folder whose name is not plain ASCII: the system gives the folder in its
// ANSI code page, which is not UTF-8, so the pictures are opened by their byte names instead of
// their wide names; either way every picture must load (a placeholder would show).
TEST_F(WineRenderTest, PicturesLoadFromAFolderWithANonAsciiName) {
    const std::string folder = scratch_ + "/Plug-ins \xC3\xBC\xC3\xA9";
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::copy_file(WineRunner::Get().stage() + "/qlv_preview.dll", folder + "/qlv_preview.dll", ec);
    fs::copy(WineRunner::Get().stage() + "/qlview", folder + "/qlview", fs::copy_options::recursive, ec);
    ASSERT_FALSE(ec) << ec.message();
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    Note(chart, 3.0, GREEN, 0.6);
    Note(chart, 3.3, ORANGE);
    Note(chart, 3.4, STYLE_PHRASE, 0.3);
    Note(chart, 3.5, BLUE);
    Compare({"--chart", Chart(chart), "--start", "2.5", "--duration", "0.5", "--fps", "60", "--size", "320x240"}, 30,
            WineRunner::WindowsPath(folder + "/qlv_preview.dll"));
}

// The demo song's four difficulties side by side: four editors in four windows painted in the
// same frames, and a time offset that the plug-in reads from the INI file through the system's
// own profile calls.
TEST_F(WineRenderTest, DemoSongGridWithTimeOffset) {
    Compare({"--chart", std::string(QLV_DEMO_CHART), "--instrument", "guitar", "--grid", "--start", "20",
             "--duration", "1", "--fps", "30", "--size", "300x240", "--offset", "-40"},
            30);
}

}  // namespace
