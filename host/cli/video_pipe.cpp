#include "host/cli/video_pipe.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qlv::cli {

std::string FindOnPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0 ? program : "";
  const char* path = std::getenv("PATH");
  if (path == nullptr) return "";
  std::string all = path;
  size_t start = 0;
  while (start <= all.size()) {
    size_t colon = all.find(':', start);
    std::string dir = all.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/" + program;
    struct stat st {};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return "";
}

VideoPipe::~VideoPipe() { Abandon(); }

void VideoPipe::Abandon() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (pid_ > 0) {
    // What it made is thrown away: no chance to print anything on the way out.
    kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
  }
}

bool VideoPipe::Open(const std::string& ffmpeg, const std::string& path, int width, int height, double fps,
                     std::string* error) {
  Abandon();
  // A dead encoder must show up as a failed write, not kill this process.
  signal(SIGPIPE, SIG_IGN);
  int fds[2];
  if (pipe(fds) != 0) {
    *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
    return false;
  }
  std::vector<std::string> args = EncoderArguments(ffmpeg, path, width, height, fps, sound_, quality_);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
    return false;
  }
  if (pid == 0) {
    // A group of its own: Ctrl-C at the terminal is this program's to handle; the encoder is
    // stopped by it, quietly, instead of printing its own messages.
    setpgid(0, 0);
    dup2(fds[0], 0);
    close(fds[0]);
    close(fds[1]);
    int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0) {
      dup2(null_fd, 1);
      close(null_fd);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(fds[0]);
  fcntl(fds[1], F_SETFD, FD_CLOEXEC);
#if defined(F_SETPIPE_SZ)
  // A frame is megabytes: through the default 64 KiB pipe each one takes dozens of wake-ups of
  // both processes. A larger pipe (as large as an unprivileged process may ask) needs fewer;
  // where it cannot be had the default one works as well, only slower.
  fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
#endif
  pid_ = pid;
  fd_ = fds[1];
  frame_bytes_ = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  path_ = path;
  return true;
}

bool VideoPipe::Write(const uint32_t* pixels, std::string* error) {
  if (fd_ < 0) {
    *error = "the video encoder is not running";
    return false;
  }
  const char* p = reinterpret_cast<const char*>(pixels);
  size_t left = frame_bytes_;
  while (left > 0) {
    ssize_t n = write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = "ffmpeg stopped while making " + path_;
      Abandon();
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

bool VideoPipe::Close(std::string* error) {
  if (pid_ < 0) {
    *error = "the video encoder is not running";
    return false;
  }
  close(fd_);
  fd_ = -1;
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0) {
    if (errno != EINTR) {
      status = -1;
      break;
    }
  }
  pid_ = -1;
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *error = "ffmpeg could not make " + path_ +
             (WIFEXITED(status) && WEXITSTATUS(status) == 127 ? " (it could not be started)" : "");
    return false;
  }
  return true;
}

}  // namespace qlv::cli
