// The Windows plug-in library as a host sees it before loading it: a 64-bit PE image that
// exports VSTPluginMain and nothing else, and needs no library beyond the system's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "wine_runner.h"

namespace {

const std::string kDll = std::string(QLV_WINDOWS_BUILD_DIR) + "/plugin-bin/qlv_preview.dll";
const char *kObjdump = "x86_64-w64-mingw32-objdump";

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Libraries every Windows has: the kernel, the window manager, GDI and the C runtime (the
// classic msvcrt or the universal runtime's api sets).
bool IsSystemLibrary(const std::string &name) {
    const std::string n = Lower(name);
    static const std::set<std::string> kAllowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll",
                                                   "ucrtbase.dll"};
    return kAllowed.count(n) > 0 || n.rfind("api-ms-win-crt-", 0) == 0;
}

class WindowsBinaryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kDll)) GTEST_SKIP() << "no Windows build: " << kDll << " is missing";
        if (RunNative({"sh", "-c", std::string("command -v ") + kObjdump}).status != 0)
            GTEST_SKIP() << kObjdump << " is not installed (apt-get install binutils-mingw-w64-x86-64)";
        const WineResult dump = RunNative({kObjdump, "-p", kDll});
        ASSERT_EQ(dump.status, 0) << dump.output;
        text_ = dump.output;
    }
    std::string text_;
};

TEST_F(WindowsBinaryTest, IsA64BitImageExportingOnlyTheEntry) {
    EXPECT_NE(text_.find("file format pei-x86-64"), std::string::npos);
    // The export name table lists one line per exported name: "\t[   0] Name".
    const size_t table = text_.find("[Ordinal/Name Pointer] Table");
    ASSERT_NE(table, std::string::npos) << "no export table";
    std::istringstream lines(text_.substr(table));
    std::string line;
    std::getline(lines, line);
    std::set<std::string> names;
    while (std::getline(lines, line) && line.find('[') != std::string::npos) {
        names.insert(line.substr(line.find(']') + 2));
    }
    EXPECT_EQ(names, std::set<std::string>{"VSTPluginMain"});
}

TEST_F(WindowsBinaryTest, ImportsOnlySystemLibraries) {
    std::istringstream lines(text_);
    std::string line;
    std::set<std::string> imports;
    while (std::getline(lines, line)) {
        const size_t at = line.find("DLL Name: ");
        if (at != std::string::npos) imports.insert(line.substr(at + 10));
    }
    ASSERT_FALSE(imports.empty());
    for (const std::string &name : imports) EXPECT_TRUE(IsSystemLibrary(name)) << "imports " << name;
    // Drawing and windows come from the system, so these must be there.
    EXPECT_TRUE(imports.count("USER32.dll") && imports.count("GDI32.dll") && imports.count("KERNEL32.dll"));
}

}  // namespace
