#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qlv-profile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        path = dir + "/host.ini";
    }
    void TearDown() override {
        if (DIR *d = opendir(dir.c_str())) {
            while (dirent *entry = readdir(d)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") unlink((dir + "/" + name).c_str());
            }
            closedir(d);
        }
        rmdir(dir.c_str());
    }
    void WriteFile(const std::string &content) {
        std::ofstream out(path, std::ios::binary);
        out << content;
    }
    std::string ReadFile() {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    int FilesInDir() {
        int n = 0;
        if (DIR *d = opendir(dir.c_str())) {
            while (dirent *entry = readdir(d)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") ++n;
            }
            closedir(d);
        }
        return n;
    }
    int Read(const char *section, const char *key, int fallback = -777) {
        return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, path.c_str()));
    }
    std::string dir, path;
};

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(Read("qlview", "timeoffs", 0), 0);
    EXPECT_EQ(Read("qlview", "timeoffs", 42), 42);
    WriteFile("[other]\ntimeoffs=5\n[qlview]\nsomething=1\n");
    EXPECT_EQ(Read("qlview", "timeoffs", -3), -3);
    EXPECT_EQ(Read("missing", "timeoffs", 9), 9);
    EXPECT_EQ(Read("other", "timeoffs"), 5);
    EXPECT_EQ(GetPrivateProfileIntA(nullptr, "k", 4, path.c_str()), 4u);
    EXPECT_EQ(GetPrivateProfileIntA("s", "k", 4, nullptr), 4u);
}

TEST_F(ProfileTest, IntegerReadFollowsTheSystemRules) {
    WriteFile(
        "; comment = 1\n"
        "[QLView]\r\n"
        "  TimeOffs =   -12  \r\n"
        "plus=+7\n"
        "trailing=15ms\n"
        "word=abc\n"
        "empty=\n"
        "hex=0x10\n"
        "huge=99999999999\n"
        "tiny=-99999999999\n"
        "tab=\t 8\n"
        ";timeoffs=3\n");
    EXPECT_EQ(Read("qlview", "timeoffs"), -12);  // names compare without case
    EXPECT_EQ(Read("QLVIEW", "TIMEOFFS"), -12);
    EXPECT_EQ(Read("qlview", "plus"), 7);
    EXPECT_EQ(Read("qlview", "trailing"), 15);
    EXPECT_EQ(Read("qlview", "word"), 0);
    EXPECT_EQ(Read("qlview", "empty"), 0);
    EXPECT_EQ(Read("qlview", "hex"), 0);
    EXPECT_EQ(Read("qlview", "huge"), 2147483647);
    EXPECT_EQ(Read("qlview", "tiny"), -2147483647 - 1);
    EXPECT_EQ(Read("qlview", "tab"), 8);
    EXPECT_EQ(Read("qlview", ";timeoffs"), -777);  // a comment is not a key
}

TEST_F(ProfileTest, WritingAKeyKeepsEveryOtherByte) {
    const std::string before =
        "; host settings\r\n"
        "\r\n"
        "[General]\r\n"
        "name = my host\r\n"
        "\r\n"
        "[qlview]\r\n"
        "timeoffs=5\r\n"
        "other=x\r\n"
        "\r\n"
        "[Last]\r\n"
        "a=1";
    WriteFile(before);
    ASSERT_TRUE(WritePrivateProfileStringA("qlview", "timeoffs", "-12", path.c_str()));
    std::string expected = before;
    expected.replace(expected.find("timeoffs=5"), 10, "timeoffs=-12");
    EXPECT_EQ(ReadFile(), expected);
    EXPECT_EQ(Read("qlview", "timeoffs"), -12);
    EXPECT_EQ(FilesInDir(), 1);  // the sibling used for the atomic replace is gone
}

TEST_F(ProfileTest, WritingKeepsTheKeysSpelling) {
    WriteFile("[QLVIEW]\nTimeOffs = 5\n");
    ASSERT_TRUE(WritePrivateProfileStringA("qlview", "timeoffs", "7", path.c_str()));
    EXPECT_EQ(ReadFile(), "[QLVIEW]\nTimeOffs =7\n");
}

TEST_F(ProfileTest, MissingKeyJoinsTheEndOfItsSection) {
    WriteFile("[a]\nx=1\n\n[qlview]\nother=2\n\n\n[b]\ny=3\n");
    ASSERT_TRUE(WritePrivateProfileStringA("qlview", "timeoffs", "4", path.c_str()));
    EXPECT_EQ(ReadFile(), "[a]\nx=1\n\n[qlview]\nother=2\ntimeoffs=4\n\n\n[b]\ny=3\n");

    // A section that is the last line, without an ending, gets one.
    WriteFile("[a]\r\nx=1\r\n[qlview]");
    ASSERT_TRUE(WritePrivateProfileStringA("qlview", "timeoffs", "4", path.c_str()));
    EXPECT_EQ(ReadFile(), "[a]\r\nx=1\r\n[qlview]\r\ntimeoffs=4\r\n");
}

TEST_F(ProfileTest, MissingSectionIsAppendedInTheFilesLineEnding) {
    WriteFile("[a]\r\nx=1");
    ASSERT_TRUE(WritePrivateProfileStringA("qlview", "timeoffs", "0", path.c_str()));
    EXPECT_EQ(ReadFile(), "[a]\r\nx=1\r\n[qlview]\r\ntimeoffs=0\r\n");
    WriteFile("[a]\nx=1\n");
    ASSERT_TRUE(WritePrivateProfileStringA("qlview", "timeoffs", "0", path.c_str()));
    EXPECT_EQ(ReadFile(), "[a]\nx=1\n[qlview]\ntimeoffs=0\n");
}

TEST_F(ProfileTest, MissingFileIsCreated) {
    ASSERT_TRUE(WritePrivateProfileStringA("qlview", "timeoffs", "-12", path.c_str()));
    EXPECT_EQ(ReadFile(), "[qlview]\ntimeoffs=-12\n");
    EXPECT_EQ(Read("qlview", "timeoffs", 0), -12);
}

TEST_F(ProfileTest, NullValueOrKeyDeletes) {
    WriteFile("[a]\nx=1\ny=2\n[b]\nz=3\n");
    ASSERT_TRUE(WritePrivateProfileStringA("a", "x", nullptr, path.c_str()));
    EXPECT_EQ(ReadFile(), "[a]\ny=2\n[b]\nz=3\n");
    ASSERT_TRUE(WritePrivateProfileStringA("a", nullptr, nullptr, path.c_str()));
    EXPECT_EQ(ReadFile(), "[b]\nz=3\n");
}

TEST_F(ProfileTest, UnwritableInputIsRefusedAndTheFileKept) {
    const std::string before = "[qlview]\ntimeoffs=5\n";
    WriteFile(before);
    EXPECT_FALSE(WritePrivateProfileStringA("qlview", "timeoffs", "1\n[evil]", path.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("ql]view", "timeoffs", "1", path.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("qlview", "time=offs", "1", path.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("qlview", "", "1", path.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "timeoffs", "1", path.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("qlview", "timeoffs", "1", nullptr));
    EXPECT_EQ(ReadFile(), before);
    // A folder that does not exist cannot take the file.
    EXPECT_FALSE(WritePrivateProfileStringA("qlview", "timeoffs", "1", (dir + "/no/such.ini").c_str()));
    EXPECT_EQ(FilesInDir(), 1);
}

TEST_F(ProfileTest, ReplacementKeepsThePermissions) {
    WriteFile("[qlview]\ntimeoffs=5\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WritePrivateProfileStringA("qlview", "timeoffs", "6", path.c_str()));
    struct stat st{};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
