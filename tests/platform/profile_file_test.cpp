// How the settings file is replaced: through symbolic links, never when read-only, in place when
// the folder takes no temporary, and without leftovers from writers killed midway. Cases where
// permissions matter run as an unprivileged user (root would bypass them).
#include <gtest/gtest.h>

#include <windows.h>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>

namespace {

constexpr uid_t kUnprivileged = 65534;  // "nobody"

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const std::string &path, const std::string &content) { std::ofstream(path, std::ios::binary) << content; }

std::set<std::string> Names(const std::string &dir) {
    std::set<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *entry = readdir(d)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.insert(name);
        }
        closedir(d);
    }
    return names;
}

// Runs `body` in a child process as an unprivileged user (when this process is root) and
// returns its exit status, or -1 when it did not exit normally.
int AsUnprivileged(const std::function<int()> &body) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kUnprivileged) != 0 || setuid(kUnprivileged) != 0)) {
            _exit(99);
        }
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Makes a path belong to the user AsUnprivileged runs as.
void GiveAway(const std::string &path) {
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path.c_str(), kUnprivileged, kUnprivileged), 0);
    }
}

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qlv-profile-file-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        path = dir + "/host.ini";
    }
    void TearDown() override {
        chmod(dir.c_str(), 0700);
        for (const std::string &name : Names(dir)) {
            const std::string full = dir + "/" + name;
            struct stat st{};
            if (lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                for (const std::string &inner : Names(full)) unlink((full + "/" + inner).c_str());
                rmdir(full.c_str());
            } else {
                unlink(full.c_str());
            }
        }
        rmdir(dir.c_str());
    }
    BOOL Write(const char *value) { return WritePrivateProfileStringA("qlview", "timeoffs", value, path.c_str()); }

    std::string dir, path;
};

TEST_F(ProfileFileTest, SymbolicLinksAreWrittenThrough) {
    ASSERT_EQ(mkdir((dir + "/real").c_str(), 0700), 0);
    const std::string real = dir + "/real/settings.ini";
    Put(real, "[a]\nx=1\n");
    // A relative link to a relative link.
    ASSERT_EQ(symlink("real/settings.ini", (dir + "/middle.ini").c_str()), 0);
    ASSERT_EQ(symlink("middle.ini", path.c_str()), 0);
    ASSERT_TRUE(Write("-12"));
    EXPECT_EQ(Slurp(real), "[a]\nx=1\n[qlview]\ntimeoffs=-12\n");
    struct stat st{};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Names(dir), (std::set<std::string>{"host.ini", "middle.ini", "real"}));
    EXPECT_EQ(Names(dir + "/real"), std::set<std::string>{"settings.ini"});

    // A dangling link creates its target; a loop is refused.
    ASSERT_EQ(symlink("real/new.ini", (dir + "/dangling.ini").c_str()), 0);
    ASSERT_TRUE(WritePrivateProfileStringA("qlview", "timeoffs", "3", (dir + "/dangling.ini").c_str()));
    EXPECT_EQ(Slurp(dir + "/real/new.ini"), "[qlview]\ntimeoffs=3\n");
    ASSERT_EQ(symlink("loop.ini", (dir + "/loop.ini").c_str()), 0);
    EXPECT_FALSE(WritePrivateProfileStringA("qlview", "timeoffs", "3", (dir + "/loop.ini").c_str()));
}

TEST_F(ProfileFileTest, ReadOnlyFileIsRefusedAndKept) {
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    Put(path, "[qlview]\ntimeoffs=5\n");
    GiveAway(path);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(AsUnprivileged([&] { return Write("6") ? 1 : 0; }), 0);
    EXPECT_FALSE(Write("7"));  // also when permissions could be overridden
    EXPECT_EQ(Slurp(path), "[qlview]\ntimeoffs=5\n");
    EXPECT_EQ(Names(dir), std::set<std::string>{"host.ini"});
    // Someone else's file the user may not write is refused the same way.
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path.c_str(), 0, 0), 0);
        EXPECT_EQ(AsUnprivileged([&] { return Write("8") ? 1 : 0; }), 0);
        EXPECT_EQ(Slurp(path), "[qlview]\ntimeoffs=5\n");
    }
}

TEST_F(ProfileFileTest, FolderWithoutRoomForATemporaryIsWrittenInPlace) {
    Put(path, "[qlview]\ntimeoffs=5\nother=a long line that the shorter content must not leave behind\n");
    GiveAway(path);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    struct stat before{};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    // The folder is searchable but not writable by the writer.
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    EXPECT_EQ(AsUnprivileged([&] {
                  return WritePrivateProfileStringA("qlview", "other", "b", path.c_str()) ? 0 : 1;
              }),
              0);
    ASSERT_EQ(chmod(dir.c_str(), 0700), 0);
    EXPECT_EQ(Slurp(path), "[qlview]\ntimeoffs=5\nother=b\n");
    struct stat after{};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 0777, 0640u);
    EXPECT_EQ(Names(dir), std::set<std::string>{"host.ini"});

    // A replacement made for another user's file keeps that user as its owner.
    if (geteuid() == 0) {
        ASSERT_TRUE(Write("9"));
        ASSERT_EQ(stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_uid, kUnprivileged);
        EXPECT_NE(after.st_ino, before.st_ino);
    }
}

TEST_F(ProfileFileTest, KilledWritersLeaveTheOldOrTheNewFileAndNothingElse) {
    const std::string old_content = "[qlview]\ntimeoffs=1\n";
    Put(path, old_content);
    const std::string value(1 << 20, '7');
    const std::string new_content = "[qlview]\ntimeoffs=" + value + "\n";
    std::mt19937 random(20261208);
    for (int kill_count = 0; kill_count < 40; ++kill_count) {
        const pid_t child = fork();
        if (child == 0) {
            for (;;) {
                WritePrivateProfileStringA("qlview", "timeoffs", value.c_str(), path.c_str());
                WritePrivateProfileStringA("qlview", "timeoffs", "1", path.c_str());
            }
        }
        ASSERT_GT(child, 0);
        usleep(1000 + random() % 20000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string now = Slurp(path);
        ASSERT_TRUE(now == old_content || now == new_content) << "torn file of " << now.size() << " bytes";
    }
    // Whatever a killed writer left under a name goes with the next write; a live writer's stays.
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string dead_sibling = "host.ini.~qlv" + std::to_string(gone) + ".abc123";
    const std::string live_sibling = "host.ini.~qlv" + std::to_string(getppid()) + ".abc123";
    Put(dir + "/" + dead_sibling, "x");
    Put(dir + "/" + live_sibling, "x");
    ASSERT_TRUE(Write("2"));
    EXPECT_EQ(Names(dir), (std::set<std::string>{"host.ini", live_sibling}));
}

}  // namespace
