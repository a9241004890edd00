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
#include "view/highway_pictures.h"

namespace {

// The editor keeps a 4-pixel margin to its host window's right and bottom edges.
constexpr int EDITOR_WIDTH = 400;
constexpr int EDITOR_HEIGHT = 300;

// Expert notes and markers.
constexpr int GREEN = 96, RED = 97, YELLOW = 98, BLUE = 99, ORANGE = 100;
constexpr int KICK = 96, FORCE_HOPO = 101, STYLE_PHRASE = 116, TOM_YELLOW = 110, TOM_BLUE = 111;

// 120 quarter notes a minute at 480 ticks each: 960 ticks a second.
int64_t Ticks(double seconds) { return static_cast<int64_t>(seconds * 960.0 + 0.5); }

// A note `seconds` long; anything under 0.3 quarter notes (0.15 s) carries no sustain.
void Note(ChartBuilder &chart, double at, int pitch, double seconds = 0.05) {
    chart.Note(Ticks(at), pitch, Ticks(seconds) > 0 ? Ticks(seconds) : 1);
}

// The plug-in binary and its pictures in a folder of their own, made once per process.
class StagedPlugin {
public:
    static StagedPlugin &Get() {
        static StagedPlugin staged;
        return staged;
    }
    const std::string &path() const { return path_; }
    const std::string &error() const { return error_; }

private:
    StagedPlugin() {
        dir_ = MakeTempDir("golden-binary");
        if (dir_.empty()) {
            error_ = "cannot make a temporary folder";
            return;
        }
        path_ = dir_ + "/qlv_preview.so";
        std::error_code ec;
        std::filesystem::copy_file(std::string(QLV_PLUGIN_DIR) + "/qlv_preview.so", path_, ec);
        if (ec) error_ = "cannot copy the plug-in binary: " + ec.message();
        else if (!WritePictureFolder(ShapedPictureSet(), dir_)) error_ = "cannot write the pictures";
        ini_ = dir_ + "/host.ini";
        std::ofstream(ini_) << "[qlview]\ntimeoffs=0\n";
        SetHostIniFile(ini_.c_str());
    }
    ~StagedPlugin() { RemoveTree(dir_); }

    std::string dir_, path_, ini_, error_;
};

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
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    Note(chart, 3.4, ORANGE, 1.6);  // held, its hit animation over
    Note(chart, 3.95, RED);         // at the line
    Note(chart, 4.3, GREEN, 0.4);   // a sustained chord
    Note(chart, 4.3, RED, 0.4);
    Note(chart, 4.55, BLUE);
    Note(chart, 4.65, YELLOW);      // close after the blue: a hammer-on
    Note(chart, 4.8, FORCE_HOPO, 0.02);
    Note(chart, 4.8, ORANGE);       // forced
    Note(chart, 4.88, STYLE_PHRASE, 0.25);
    Note(chart, 4.92, GREEN, 0.2);
    Note(chart, 5.02, YELLOW);      // a hammer-on in the style phrase
    Note(chart, 5.14, BLUE);        // fading in at the far end
    CheckChart("binary_guitar", 0, chart);
}

TEST(GoldenBinaryFrameTest, ProDrumsCymbalsTomsKickAndFlip) {
    ChartBuilder chart(480, "PART DRUMS");
    chart.Tempo(0, 120.0);
    Note(chart, 3.97, KICK);
    Note(chart, 3.96, RED);
    Note(chart, 4.1, KICK);
    Note(chart, 4.2, RED);
    Note(chart, 4.3, YELLOW);  // cymbal
    Note(chart, 4.4, BLUE);    // cymbal
    Note(chart, 4.5, KICK);
    Note(chart, 4.5, ORANGE);  // green cymbal
    Note(chart, 4.7, TOM_YELLOW, 0.02);
    Note(chart, 4.7, YELLOW);  // tom
    Note(chart, 4.8, TOM_BLUE, 0.02);
    Note(chart, 4.8, BLUE);    // tom
    chart.Text(Ticks(4.9), "mix 3 drums0d");
    Note(chart, 4.95, RED);     // flipped: the yellow cymbal
    Note(chart, 5.0, YELLOW);   // flipped: a red pad
    chart.Text(Ticks(5.05), "mix 3 drums0dnoflip");
    Note(chart, 5.1, RED);
    CheckChart("binary_pro_drums", 1, chart);
}

TEST(GoldenBinaryFrameTest, StandardDrumsShowNoCymbals) {
    ChartBuilder chart(480, "PART DRUMS");
    chart.Tempo(0, 120.0);
    Note(chart, 4.1, KICK);
    Note(chart, 4.2, RED);
    Note(chart, 4.3, YELLOW);
    Note(chart, 4.4, BLUE);
    Note(chart, 4.5, KICK);
    Note(chart, 4.5, ORANGE);
    Note(chart, 4.75, STYLE_PHRASE, 0.2);
    Note(chart, 4.8, KICK);
    Note(chart, 4.85, BLUE);
    chart.Text(Ticks(4.9), "mix 3 drums0d");  // no flip outside Pro Drums
    Note(chart, 4.95, RED);
    CheckChart("binary_drums", 2, chart);
}

TEST(GoldenBinaryFrameTest, KeysChordsAndSustains) {
    ChartBuilder chart(480, "PART KEYS");
    chart.Tempo(0, 120.0);
    Note(chart, 3.4, BLUE, 1.2);  // held
    Note(chart, 4.2, GREEN, 0.5);
    Note(chart, 4.2, YELLOW, 0.5);
    Note(chart, 4.6, RED);
    Note(chart, 4.6, BLUE);
    Note(chart, 4.6, ORANGE);
    Note(chart, 4.9, FORCE_HOPO, 0.02);
    Note(chart, 4.9, YELLOW, 0.3);  // keys never show hammer-ons
    CheckChart("binary_keys", 3, chart);
}

}  // namespace
