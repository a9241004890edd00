// End to end through the real plug-in binary: the reference host serves a chart, the editor
// opens in a host window, audio blocks follow the transport, and what reaches the window's
// pixels is checked; the controls are used through the mouse.
#include <gtest/gtest.h>

#include <qlv_headless.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "gfx/gfx.h"
#include "host/chart_builder.h"
#include "host/editor_driver.h"
#include "host/plugin_host.h"
#include "tests/plugin/text_pixels.h"

namespace {

const std::string &PluginPath() {
    static const std::string path = std::string(QLV_PLUGIN_DIR) + "/qlv_preview.so";
    return path;
}

// One INI file for the whole process: the plug-in reads the path once per process.
const std::string &IniPath() {
    static const std::string path = ::testing::TempDir() + "editor_e2e_" + std::to_string(getpid()) + ".ini";
    return path;
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Easy gems (notes 60..64) on every quarter note at 120 per minute for a minute.
std::unique_ptr<ChartProject> BusyChart() {
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    for (int i = 0; i < 120; ++i) chart.Note(static_cast<int64_t>(i) * 480, 60 + i % 5, 240);
    return chart.BuildProject();
}

std::unique_ptr<ChartProject> EmptyChart() {
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    return chart.BuildProject();
}


bool ShowsText(const std::vector<uint32_t> &pixels, int width, int height, const char *text, int x, int y) {
    auto set = TextPixels(text, x, y, width, height);
    if (set.empty()) return false;
    for (auto [px, py] : set)
        if (pixels[static_cast<size_t>(py) * width + px] != 0xffffffu) return false;
    return true;
}

// Pixels that differ between two frames of the same size, below the control strip.
int HighwayDifference(const std::vector<uint32_t> &a, const std::vector<uint32_t> &b, int width, int height) {
    int count = 0;
    for (int y = 30; y < height; ++y)
        for (int x = 0; x < width; ++x) count += a[static_cast<size_t>(y) * width + x] != b[static_cast<size_t>(y) * width + x];
    return count;
}

class EditorEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        windows_before_ = QlvHeadlessWindowCount();
        timers_before_ = QlvHeadlessTimerCount();
        std::ofstream(IniPath(), std::ios::trunc) << "[general]\nlanguage=en\n[qlview]\ntimeoffs=0\n[tail]\nx=1\n";
        SetHostIniFile(IniPath().c_str());
        busy_ = BusyChart();
        empty_ = EmptyChart();
        std::string error;
        ASSERT_TRUE(host_.Load(PluginPath(), &error)) << error;
        host_.SetDefaultContext(&busy_->project(), &busy_->track());
    }
    void TearDown() override {
        host_holder_.reset();  // closes what is left and unloads the binary
        EXPECT_EQ(QlvHeadlessWindowCount(), windows_before_);
        EXPECT_EQ(QlvHeadlessTimerCount(), timers_before_);
    }

    int windows_before_ = 0, timers_before_ = 0;
    std::unique_ptr<ChartProject> busy_, empty_;
    std::unique_ptr<PluginHost> host_holder_ = std::make_unique<PluginHost>();
    PluginHost &host_ = *host_holder_;
};

TEST_F(EditorEndToEnd, TheChartScrollsAcrossTheEditor) {
    AEffect *charted = host_.CreateInstance();
    ASSERT_NE(charted, nullptr);
    AEffect *blank = host_.CreateInstance();
    ASSERT_NE(blank, nullptr);
    host_.SetContext(blank, &empty_->project(), &empty_->track());
    {
        EditorDriver a(host_, charted), b(host_, blank);
        ASSERT_TRUE(a.Open(800, 600));
        ASSERT_TRUE(b.Open(800, 600));
        a.Play(0.0);
        b.Play(0.0);
        for (int i = 0; i < 20; ++i) {
            a.Frame();
            b.Frame();
        }
        EXPECT_GT(a.AudioSamples(), 0);
        std::vector<uint32_t> first, blank_frame, later;
        int w = 0, h = 0;
        ASSERT_TRUE(a.ReadPixels(&first, &w, &h));
        EXPECT_EQ(w, 796);
        EXPECT_EQ(h, 596);
        ASSERT_TRUE(b.ReadPixels(&blank_frame, &w, &h));
        // The same moment with and without notes: the gems make the difference.
        EXPECT_GT(HighwayDifference(first, blank_frame, w, h), 500);
        for (int i = 0; i < 5; ++i) a.Frame();
        ASSERT_TRUE(a.ReadPixels(&later, &w, &h));
        EXPECT_GT(HighwayDifference(first, later, w, h), 500);  // it moves
        EXPECT_TRUE(ShowsText(later, w, h, "v1.3b", 2, h - 10));
        EXPECT_TRUE(ShowsText(later, w, h, "Easy", 2, 13));
        EXPECT_TRUE(ShowsText(later, w, h, "0 MS", 156, 13));
        EXPECT_TRUE(ShowsText(later, w, h, "170 ticks", 236, 13));
    }
    host_.CloseInstance(charted);
    host_.CloseInstance(blank);
}

TEST_F(EditorEndToEnd, ControlsChangeTheSettingsAndTheTimeOffsetReachesTheIniFile) {
    AEffect *effect = host_.CreateInstance();
    ASSERT_NE(effect, nullptr);
    EditorDriver driver(host_, effect);
    ASSERT_TRUE(driver.Open(640, 480));
    driver.Frame();
    // SKILL twice, MODE once, the threshold dragged 30 pixels up.
    for (int i = 0; i < 2; ++i) {
        driver.Mouse(WM_LBUTTONDOWN, 20, 15);
        driver.Mouse(WM_LBUTTONUP, 20, 15);
    }
    driver.Mouse(WM_LBUTTONDOWN, 100, 15);
    driver.Mouse(WM_LBUTTONUP, 100, 15);
    driver.Mouse(WM_LBUTTONDOWN, 250, 15);
    driver.Mouse(WM_MOUSEMOVE, 250, -15);
    driver.Mouse(WM_LBUTTONUP, 250, -15);
    EXPECT_EQ(ReadFile(IniPath()), "[general]\nlanguage=en\n[qlview]\ntimeoffs=0\n[tail]\nx=1\n");
    void *chunk = nullptr;
    ASSERT_EQ(host_.Dispatch(effect, effGetChunk, 0, 0, &chunk, 0.0f), 4);
    const auto *bytes = static_cast<const uint8_t *>(chunk);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(bytes[2] | bytes[3] << 8, 200);

    // The time offset, dragged 8 pixels left and 40 down: -12 ms, stored on release.
    driver.Mouse(WM_LBUTTONDOWN, 180, 15);
    driver.Mouse(WM_MOUSEMOVE, 172, 55);
    driver.Mouse(WM_LBUTTONUP, 172, 55);
    EXPECT_EQ(ReadFile(IniPath()), "[general]\nlanguage=en\n[qlview]\ntimeoffs=-12\n[tail]\nx=1\n");
    driver.Frame();
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    ASSERT_TRUE(driver.ReadPixels(&pixels, &w, &h));
    EXPECT_TRUE(ShowsText(pixels, w, h, "Hard", 2, 13));
    EXPECT_TRUE(ShowsText(pixels, w, h, "Pro Drums", 58, 13));
    EXPECT_TRUE(ShowsText(pixels, w, h, "-12 MS", 156, 13));
    EXPECT_TRUE(ShowsText(pixels, w, h, "200 ticks", 236, 13));

    // Another instance shows the same process-wide offset.
    AEffect *second = host_.CreateInstance();
    ASSERT_NE(second, nullptr);
    EditorDriver other(host_, second);
    ASSERT_TRUE(other.Open(400, 300));
    other.Frame();
    ASSERT_TRUE(other.ReadPixels(&pixels, &w, &h));
    EXPECT_EQ(w, 396);
    EXPECT_TRUE(ShowsText(pixels, w, h, "-12 MS", 156, 13));
    EXPECT_TRUE(ShowsText(pixels, w, h, "Easy", 2, 13));
    // Put the offset back for the other tests of this process.
    other.Mouse(WM_LBUTTONDOWN, 180, 15);
    other.Mouse(WM_MOUSEMOVE, 228, 15);
    other.Mouse(WM_LBUTTONUP, 228, 15);
    EXPECT_EQ(ReadFile(IniPath()), "[general]\nlanguage=en\n[qlview]\ntimeoffs=0\n[tail]\nx=1\n");
}

TEST_F(EditorEndToEnd, ClosingReopeningAndClosingTheInstanceWithItsEditorOpenLeaveNothing) {
    AEffect *effect = host_.CreateInstance();
    ASSERT_NE(effect, nullptr);
    EditorDriver driver(host_, effect);
    ASSERT_TRUE(driver.Open(320, 240));
    driver.Play(0.0);
    driver.Frame();
    EXPECT_EQ(QlvHeadlessWindowCount(), windows_before_ + 2);
    EXPECT_EQ(QlvHeadlessTimerCount(), timers_before_ + 1);
    driver.Close();
    EXPECT_EQ(QlvHeadlessWindowCount(), windows_before_);
    EXPECT_EQ(QlvHeadlessTimerCount(), timers_before_);
    ASSERT_TRUE(driver.Open(320, 240));
    // Opening again while open replaces the editor.
    ASSERT_EQ(host_.Dispatch(effect, effEditOpen, 0, 0, driver.HostWindow(), 0.0f), 1);
    EXPECT_EQ(QlvHeadlessWindowCount(), windows_before_ + 2);
    driver.RunFor(0.2);
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    ASSERT_TRUE(driver.ReadPixels(&pixels, &w, &h));
    EXPECT_EQ(w, 316);
    host_.CloseInstance(effect);  // editor still open
    EXPECT_EQ(driver.EditorWindow(), nullptr);
    EXPECT_EQ(QlvHeadlessTimerCount(), timers_before_);
    driver.Close();
}

}  // namespace
