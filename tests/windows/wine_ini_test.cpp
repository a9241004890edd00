// The time offset's round trip through the host's INI file under Wine: a TIME OFFS drag makes
// the plug-in write the value with the system's WritePrivateProfileStringA, and the next load of
// the library reads it back with GetPrivateProfileIntA. qlv-ini-probe does the same natively;
// both editors must show the same pixels before and after.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "wine_test.h"

namespace {

struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> words;
};

bool ReadPicture(const std::string &path, Picture *out) {
    std::ifstream in(path, std::ios::binary);
    char magic[6] = {};
    uint32_t size[2] = {};
    if (!in.read(magic, 6) || std::memcmp(magic, "QLVPIX", 6) != 0) return false;
    if (!in.read(reinterpret_cast<char *>(size), sizeof size)) return false;
    out->width = size[0];
    out->height = size[1];
    out->words.resize(static_cast<size_t>(size[0]) * size[1]);
    return static_cast<bool>(in.read(reinterpret_cast<char *>(out->words.data()),
                                     static_cast<std::streamsize>(out->words.size() * 4)));
}

// Pixels of the TIME OFFS value box (154, 12, 72, 10) that differ between two pictures.
int BoxDifferences(const Picture &a, const Picture &b) {
    int n = 0;
    for (uint32_t y = 12; y < 22; ++y)
        for (uint32_t x = 154; x < 226; ++x) n += a.words[y * a.width + x] != b.words[y * b.width + x];
    return n;
}

class WineIniTest : public WineTest {};

TEST_F(WineIniTest, DraggedOffsetIsWrittenAndReadBackAtTheNextLoad) {
    const WineRunner &wine = WineRunner::Get();
    for (const char *side : {"native", "windows"}) {
        std::ofstream(scratch_ + "/" + side + ".ini") << "[other]\nkey=1\n";
        std::filesystem::create_directories(scratch_ + "/" + side);
    }
    const WineResult here = RunNative({QLV_INI_PROBE, std::string(QLV_PLUGIN_DIR) + "/qlv_preview.so",
                                       scratch_ + "/native.ini", scratch_ + "/native"});
    ASSERT_EQ(here.status, 0) << here.output;
    const WineResult there =
        wine.Run("qlv-ini-probe.exe", {wine.Staged("qlv_preview.dll"), WineRunner::WindowsPath(scratch_ + "/windows.ini"),
                                       WineRunner::WindowsPath(scratch_ + "/windows")});
    ASSERT_EQ(there.status, 0) << there.output;

    // 48 pixels to the left is -12 ms, stored as signed decimal text; the other section stays.
    const std::string written = ReadWholeFile(scratch_ + "/windows.ini");
    EXPECT_NE(written.find("[qlview]"), std::string::npos) << written;
    EXPECT_NE(written.find("timeoffs=-12"), std::string::npos) << written;
    EXPECT_NE(written.find("key=1"), std::string::npos) << written;
    EXPECT_NE(ReadWholeFile(scratch_ + "/native.ini").find("timeoffs=-12"), std::string::npos);

    Picture native_before, native_after, windows_before, windows_after;
    ASSERT_TRUE(ReadPicture(scratch_ + "/native/before.pix", &native_before));
    ASSERT_TRUE(ReadPicture(scratch_ + "/native/after.pix", &native_after));
    ASSERT_TRUE(ReadPicture(scratch_ + "/windows/before.pix", &windows_before));
    ASSERT_TRUE(ReadPicture(scratch_ + "/windows/after.pix", &windows_after));
    ASSERT_EQ(native_before.width, 400u);
    ASSERT_EQ(native_before.height, 300u);
    // The reloaded library shows the value it read ("-12 MS" where "0 MS" was).
    EXPECT_GT(BoxDifferences(native_before, native_after), 0);
    EXPECT_TRUE(windows_before.words == native_before.words) << "editor before the drag differs";
    EXPECT_TRUE(windows_after.words == native_after.words) << "editor after the reload differs";
}

}  // namespace
