#include "host/cli/ini_override.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/host_project.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace qlv::cli {

IniOverride::~IniOverride() {
  if (!path_.empty()) unlink(path_.c_str());
}

std::string IniOverride::Contents(int time_offset_ms) {
  char text[64];
  std::snprintf(text, sizeof text, "[qlview]\ntimeoffs=%d\n", time_offset_ms);
  return text;
}

#if defined(_WIN32)
bool IniOverride::Create(int time_offset_ms, std::string* error) {
  // Windows makes the unique name itself; the file exists (empty) once the name is returned.
  char dir[MAX_PATH + 1] = {};
  char name[MAX_PATH + 1] = {};
  const DWORD dir_length = GetTempPathA(sizeof dir, dir);
  if (dir_length == 0 || dir_length > MAX_PATH || GetTempFileNameA(dir, "qlv", 0, name) == 0) {
    *error = "cannot create a temporary settings file (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  path_ = name;
  const std::string text = Contents(time_offset_ms);
  std::FILE* file = std::fopen(path_.c_str(), "wb");
  bool ok = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  ok = file && std::fclose(file) == 0 && ok;
  if (!ok) {
    *error = "cannot write the temporary settings file " + path_;
    return false;
  }
  SetHostIniFile(path_.c_str());
  return true;
}
#else
bool IniOverride::Create(int time_offset_ms, std::string* error) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qlv-preview-XXXXXX.ini";
  int fd = mkstemps(pattern.data(), 4);
  if (fd < 0) {
    *error = std::string("cannot create a temporary settings file: ") + std::strerror(errno);
    return false;
  }
  path_ = pattern;
  const std::string text = Contents(time_offset_ms);
  bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ok = (close(fd) == 0) && ok;
  if (!ok) {
    *error = "cannot write the temporary settings file " + path_;
    return false;
  }
  SetHostIniFile(path_.c_str());
  return true;
}

#endif

}  // namespace qlv::cli
