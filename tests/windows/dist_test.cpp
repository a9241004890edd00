// The release archives as a user unpacks them: the Windows zip holds the library, the native
// build's pictures, the previewer with the demo chart and the README and nothing else, and its
// previewer runs from the unpacked folder under Wine; the Linux archive's previewer runs from
// the unpacked folder with the plug-in and platform library beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "wine_test.h"

namespace {
namespace fs = std::filesystem;

const std::string kWindowsDll = std::string(QLV_WINDOWS_BUILD_DIR) + "/plugin-bin/qlv_preview.dll";
const std::string kWindowsPreview = std::string(QLV_WINDOWS_BUILD_DIR) + "/host/qlv-preview.exe";

std::set<std::string> Listing(const std::string &archive) {
    const WineResult list = RunNative({QLV_CMAKE_COMMAND, "-E", "tar", "tf", archive});
    std::set<std::string> names;
    std::istringstream lines(list.output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty()) names.insert(line);
    }
    return names;
}

std::set<std::string> Pictures(const std::string &root) {
    std::set<std::string> names;
    for (const auto &e : fs::directory_iterator(std::string(QLV_PLUGIN_DIR) + "/qlview")) {
        if (e.path().extension() == ".png") names.insert(root + "/qlview/" + e.path().filename().string());
    }
    return names;
}

class DistTest : public ::testing::Test {
protected:
    void SetUp() override {
        out_ = MakeScratchDir("dist");
        ASSERT_FALSE(out_.empty());
        const WineResult made = RunNative({QLV_CMAKE_COMMAND, "-DOUT=" + out_, "-DNATIVE_DIR=" QLV_PLUGIN_DIR,
                                           "-DPREVIEW=" QLV_PREVIEW_PROGRAM, "-DWINDOWS_DLL=" + kWindowsDll,
                                           "-DWINDOWS_PREVIEW=" + kWindowsPreview, "-DDEMO_CHART=" QLV_DEMO_CHART,
                                           "-DSOURCE_DIR=" QLV_PACKAGING_DIR, "-P", QLV_PACKAGING_DIR "/make_dist.cmake"});
        ASSERT_EQ(made.status, 0) << made.output;
    }
    void TearDown() override { RemoveScratchDir(out_); }
    std::string out_;
};

TEST_F(DistTest, WindowsZipHoldsTheLibraryPicturesAndReadme) {
    if (!fs::exists(kWindowsDll)) GTEST_SKIP() << "no Windows build: " << kWindowsDll << " is missing";
    const std::string root = "qlv-preview-windows-x64";
    std::set<std::string> expected = Pictures(root);
    ASSERT_GT(expected.size(), 40u);
    expected.insert({root + "/", root + "/qlview/", root + "/qlv_preview.dll", root + "/qlv-preview.exe",
                     root + "/qlv_demo.mid", root + "/README.txt"});
    EXPECT_EQ(Listing(out_ + "/" + root + ".zip"), expected);
    // Nothing of the build machine is kept in the programs: no folder of the checkout or build.
    for (const std::string &file : {kWindowsPreview, kWindowsDll}) {
        const std::string bytes = ReadWholeFile(file);
        ASSERT_FALSE(bytes.empty()) << file;
        for (const std::string &path : {std::string(QLV_SOURCE_DIR), std::string(QLV_BINARY_DIR),
                                       std::string(QLV_WINDOWS_BUILD_DIR)})
            EXPECT_EQ(bytes.find(path), std::string::npos) << file << " holds " << path;
    }
}

// The previewer unpacked from the zip into a folder whose name has spaces and letters beyond
// ASCII, run with no --plugin and no chart: it finds the plug-in, its pictures and the demo chart
// beside itself, and draws what the native build draws.
TEST_F(DistTest, WindowsPreviewerRunsFromTheUnpackedZip) {
    if (!WineRunner::Get().Unavailable().empty()) GTEST_SKIP() << WineRunner::Get().Unavailable();
    const std::string root = "qlv-preview-windows-x64";
    const std::string unpacked = out_ + "/Pr\xC3\xA9visualisations \xC3\xA9t\xC3\xA9 2026";
    fs::create_directories(unpacked);
    ASSERT_EQ(RunNative({"sh", "-c", "cd \"$0\" && \"$1\" -E tar xf \"$2\"", unpacked, QLV_CMAKE_COMMAND,
                         out_ + "/" + root + ".zip"})
                  .status,
              0);
    const std::vector<std::string> options = {"--start", "20", "--duration", "0.5", "--fps", "10", "--size", "240x160",
                                              "--frames", "--no-video", "--sheet", "0", "--quiet", "--out"};
    std::vector<std::string> native = {QLV_PREVIEW_PROGRAM, "--plugin", std::string(QLV_PLUGIN_DIR) + "/qlv_preview.so",
                                       "--chart", QLV_DEMO_CHART};
    native.insert(native.end(), options.begin(), options.end());
    native.push_back(out_ + "/native");
    const WineResult here = RunNative(native);
    ASSERT_EQ(here.status, 0) << here.output;
    std::vector<std::string> windows = options;
    windows.push_back(WineRunner::WindowsPath(out_ + "/windows"));
    const WineResult there = WineRunner::Get().Run(unpacked + "/" + root + "/qlv-preview.exe", windows);
    ASSERT_EQ(there.status, 0) << there.output;
    EXPECT_EQ(there.output.find("warning"), std::string::npos) << there.output;
    for (int f = 1; f <= 5; ++f) {
        const std::string name = "/frame_00000" + std::to_string(f) + ".png";
        int w = 0, h = 0, w2 = 0, h2 = 0;
        const std::vector<uint32_t> a = ReadPngPixels(out_ + "/native" + name, &w, &h);
        const std::vector<uint32_t> b = ReadPngPixels(out_ + "/windows" + name, &w2, &h2);
        ASSERT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == b) << name << " differs between the native build and the unpacked Windows previewer";
    }
}

TEST_F(DistTest, LinuxPreviewerRunsFromTheUnpackedFolder) {
    const std::string root = "qlv-preview-linux-x64";
    const std::string archive = out_ + "/" + root + ".tar.gz";
    std::set<std::string> expected = Pictures(root);
    expected.insert({root + "/", root + "/qlview/", root + "/qlv_preview.so", root + "/libqlv_platform.so",
                     root + "/qlv-preview", root + "/README.txt"});
    ASSERT_EQ(Listing(archive), expected);

    const std::string unpacked = out_ + "/unpacked";
    fs::create_directories(unpacked);
    ASSERT_EQ(RunNative({"tar", "xzf", archive, "-C", unpacked}).status, 0);
    const std::string dir = unpacked + "/" + root;
    const WineResult run = RunNative({dir + "/qlv-preview", "--plugin", dir + "/qlv_preview.so", "--chart", QLV_DEMO_CHART,
                                      "--duration", "0.1", "--size", "200x150", "--frames", "--no-video", "--sheet", "0",
                                      "--quiet", "--out", out_ + "/render"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::exists(out_ + "/render/frame_000003.png"));
}

}  // namespace
