#include "file_replace.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qlv_platform {
namespace {

constexpr int kMaxLinksFollowed = 40;
constexpr int kNameAttempts = 100;
constexpr char kSiblingMark[] = ".~qlv";

std::string DirectoryOf(const std::string &path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string &path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The path whose file is really replaced: symbolic links followed to their end, relative ones
// from the folder holding the link. False for a loop or an unreadable link.
bool FinalTarget(std::string path, std::string *out) {
    for (int i = 0; i < kMaxLinksFollowed; ++i) {
        struct stat st{};
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *out = path;
            return true;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t n = readlink(path.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) return false;
        link.resize(static_cast<size_t>(n));
        if (link.front() == '/') {
            path = link;
        } else {
            path = DirectoryOf(path);
            path += '/';
            path += link;
        }
    }
    return false;
}

std::string SiblingName(const std::string &target) {
    static std::atomic<unsigned> counter{0};
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long mix = static_cast<unsigned long>(now.tv_nsec) * 2654435761u + (counter.fetch_add(1) + 1) * 40503u;
    char suffix[7];
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (char &c : suffix) {
        c = kLetters[mix % 36];
        mix /= 36;
    }
    suffix[6] = '\0';
    char middle[32];
    std::snprintf(middle, sizeof middle, "%s%ld.", kSiblingMark, static_cast<long>(getpid()));
    return target + middle + suffix;
}

// Removes the named siblings of `name` whose writer process no longer exists (killed before it
// could rename or remove them). A sibling of a live writer, ours included, is left alone.
void RemoveDeadWritersSiblings(const std::string &dir, const std::string &name) {
    DIR *folder = opendir(dir.c_str());
    if (!folder) return;
    const std::string prefix = name + kSiblingMark;
    while (const dirent *entry = readdir(folder)) {
        const char *entry_name = entry->d_name;
        if (std::strncmp(entry_name, prefix.c_str(), prefix.size()) != 0) continue;
        const char *digits = entry_name + prefix.size();
        char *end = nullptr;
        errno = 0;
        const long pid = std::strtol(digits, &end, 10);
        if (errno != 0 || end == digits || *end != '.' || std::strlen(end + 1) != 6 || pid <= 0) continue;
        if (pid == static_cast<long>(getpid())) continue;
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        struct stat st{};
        if (fstatat(dirfd(folder), entry_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
            unlinkat(dirfd(folder), entry_name, 0);
        }
    }
    closedir(folder);
}

bool WriteAll(int fd, const std::string &content) {
    size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = pwrite(fd, content.data() + written, content.size() - written, static_cast<off_t>(written));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

// What the replacement must look like: the original's mode and owner, when there is one.
struct Original {
    bool exists = false;
    struct stat st {};
};

// Content, mode and owner into a fresh file, flushed to the disk.
bool Fill(int fd, const std::string &content, const Original &original) {
    if (!WriteAll(fd, content)) return false;
    if (original.exists) {
        if (fchmod(fd, original.st.st_mode & 07777) != 0) return false;
        if ((original.st.st_uid != geteuid() || original.st.st_gid != getegid()) &&
            fchown(fd, original.st.st_uid, original.st.st_gid) != 0) {
            return false;
        }
    }
    return fsync(fd) == 0;
}

enum class Outcome { kDone, kFailed, kNoTemporary };

bool RenameOver(const std::string &sibling, const std::string &target) {
    if (std::rename(sibling.c_str(), target.c_str()) == 0) return true;
    unlink(sibling.c_str());
    return false;
}

// A temporary without a name while it is written: a writer killed before the end leaves nothing.
// It gets a name only once complete, for the rename.
Outcome ReplaceThroughNamelessFile(const std::string &target, const std::string &content, const Original &original) {
#ifdef O_TMPFILE
    const int fd = open(DirectoryOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) return Outcome::kNoTemporary;
    if (!Fill(fd, content, original)) {
        const int fill_error = errno;
        close(fd);
        errno = fill_error;
        // A temporary that cannot take the content or the original's owner: the file itself may.
        return errno == EPERM ? Outcome::kNoTemporary : Outcome::kFailed;
    }
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string sibling = SiblingName(target);
        if (linkat(AT_FDCWD, self, AT_FDCWD, sibling.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            close(fd);
            return RenameOver(sibling, target) ? Outcome::kDone : Outcome::kFailed;
        }
        if (errno != EEXIST) break;
    }
    close(fd);
#endif
    return Outcome::kNoTemporary;
}

// A named sibling, for file systems without nameless files (or without /proc to name them).
Outcome ReplaceThroughNamedSibling(const std::string &target, const std::string &content, const Original &original) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string sibling = SiblingName(target);
        const int fd = open(sibling.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return Outcome::kNoTemporary;
        }
        const bool filled = Fill(fd, content, original);
        const int fill_error = errno;
        if (close(fd) != 0 || !filled) {
            unlink(sibling.c_str());
            return filled || fill_error != EPERM ? Outcome::kFailed : Outcome::kNoTemporary;
        }
        return RenameOver(sibling, target) ? Outcome::kDone : Outcome::kFailed;
    }
    return Outcome::kNoTemporary;
}

bool RewriteInPlace(int fd, const std::string &content) {
    return WriteAll(fd, content) && ftruncate(fd, static_cast<off_t>(content.size())) == 0 && fsync(fd) == 0;
}

}  // namespace

// A file with several names (hard links) is split by the rename: this name gets the new content,
// the others keep the old. Rewriting in place would keep the names together, but a writer killed
// halfway would leave a torn file under all of them; an intact settings file matters more than a
// second name for it, so the atomic replace is kept and in-place writing is only the fallback for
// a folder that takes no temporary.
bool ReplaceFileContent(const std::string &path, const std::string &content) {
    std::string target;
    if (!FinalTarget(path, &target)) return false;
    Original original;
    if (stat(target.c_str(), &original.st) == 0) {
        original.exists = true;
    } else if (errno != ENOENT) {
        return false;
    }
    int in_place = -1;
    if (original.exists) {
        // Read-only means read-only, also for a process that could override the permissions.
        if (!S_ISREG(original.st.st_mode) || (original.st.st_mode & 0222) == 0) return false;
        in_place = open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (in_place < 0) return false;
    }
    RemoveDeadWritersSiblings(DirectoryOf(target), NameOf(target));
    Outcome outcome = ReplaceThroughNamelessFile(target, content, original);
    if (outcome == Outcome::kNoTemporary) outcome = ReplaceThroughNamedSibling(target, content, original);
    bool ok = outcome == Outcome::kDone;
    if (outcome == Outcome::kNoTemporary && in_place >= 0) ok = RewriteInPlace(in_place, content);
    if (in_place >= 0) close(in_place);
    return ok;
}

}  // namespace qlv_platform
