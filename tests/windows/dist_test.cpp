// The release archives as a user unpacks them: the Windows zip holds the library, the native
// build's pictures and the README and nothing else; the Linux archive's previewer runs from the
// unpacked folder with the plug-in and platform library beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "wine_runner.h"

namespace {
namespace fs = std::filesystem;

const std::string kWindowsDll = std::string(QLV_WINDOWS_BUILD_DIR) + "/plugin-bin/qlv_preview.dll";

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
    expected.insert({root + "/", root + "/qlview/", root + "/qlv_preview.dll", root + "/README.txt"});
    EXPECT_EQ(Listing(out_ + "/" + root + ".zip"), expected);
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
                                      "--duration", "0.1", "--size", "200x150", "--no-video", "--sheet", "0",
                                      "--quiet", "--out", out_ + "/render"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::exists(out_ + "/render/frame_000003.png"));
}

}  // namespace
