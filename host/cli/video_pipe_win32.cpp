// The ffmpeg pipe on Windows: the encoder is started with CreateProcess reading an anonymous pipe
// as its standard input. `process_` holds its process handle (so its exit code outlives it),
// `pid_` its id and `fd_` the C runtime descriptor of the pipe's writing end.
#include "host/cli/video_pipe.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>
#include <vector>

namespace qlv::cli {
namespace {

// One argument quoted the way the C runtime splits a command line.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') out.append(backslashes * 2 + 1, '\\');
    else out.append(backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

std::string LastError(const char* what) { return std::string(what) + " (error " + std::to_string(GetLastError()) + ")"; }

}  // namespace

std::string FindOnPath(const std::string& program) {
  char found[MAX_PATH + 1] = {};
  const DWORD length = SearchPathA(nullptr, program.c_str(), ".exe", sizeof found, found, nullptr);
  return length > 0 && length <= MAX_PATH ? std::string(found, length) : std::string();
}

VideoPipe::~VideoPipe() { Abandon(); }

void VideoPipe::Abandon() {
  if (fd_ >= 0) {
    _close(fd_);
    fd_ = -1;
  }
  if (process_) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, INFINITE);
    CloseHandle(process_);
    process_ = nullptr;
  }
  pid_ = -1;
}

bool VideoPipe::Open(const std::string& ffmpeg, const std::string& path, int width, int height, double fps,
                     std::string* error) {
  Abandon();
  const std::vector<std::string> args = EncoderArguments(ffmpeg, path, width, height, fps, sound_, quality_);
  std::string command;
  for (const std::string& a : args) command += (command.empty() ? "" : " ") + Quote(a);

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 1 << 20)) {
    *error = LastError("cannot start ffmpeg: no pipe");
    return false;
  }
  // Only the reading end goes to the encoder.
  SetHandleInformation(write_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = read_end;
  // Like the encoder's output elsewhere, what it prints on standard output goes nowhere.
  HANDLE null_out = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                nullptr);
  startup.hStdOutput = null_out != INVALID_HANDLE_VALUE ? null_out : GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  const BOOL started =
      CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                     &startup, &process);
  CloseHandle(read_end);
  if (null_out != INVALID_HANDLE_VALUE) CloseHandle(null_out);
  if (!started) {
    CloseHandle(write_end);
    *error = LastError("cannot start ffmpeg");
    return false;
  }
  CloseHandle(process.hThread);
  process_ = process.hProcess;
  pid_ = static_cast<pid_t>(process.dwProcessId);
  fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(write_end), _O_WRONLY | _O_BINARY);
  if (fd_ < 0) {
    CloseHandle(write_end);
    Abandon();
    *error = "cannot start ffmpeg: no descriptor for its pipe";
    return false;
  }
  frame_bytes_ = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  path_ = path;
  return true;
}

bool VideoPipe::Write(const uint32_t* pixels, std::string* error) {
  if (fd_ < 0) {
    *error = "the video encoder is not running";
    return false;
  }
  const char* bytes = reinterpret_cast<const char*>(pixels);
  size_t left = frame_bytes_;
  while (left > 0) {
    const unsigned chunk = static_cast<unsigned>(left > (1u << 30) ? (1u << 30) : left);
    const int written = _write(fd_, bytes, chunk);
    if (written <= 0) {
      *error = "ffmpeg stopped taking frames while writing " + path_;
      Abandon();
      return false;
    }
    bytes += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

bool VideoPipe::Close(std::string* error) {
  if (fd_ < 0 || !process_) {
    *error = "the video encoder is not running";
    return false;
  }
  _close(fd_);
  fd_ = -1;
  HANDLE process = process_;
  process_ = nullptr;
  pid_ = -1;
  DWORD code = 1;
  const bool waited = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
  CloseHandle(process);
  if (!waited || code != 0) {
    *error = "ffmpeg failed to write " + path_ + " (exit code " + std::to_string(code) + ")";
    return false;
  }
  return true;
}

}  // namespace qlv::cli
