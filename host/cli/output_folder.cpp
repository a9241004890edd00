#include "host/cli/output_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>

#include <cerrno>
#include <random>
#endif

namespace qlv::cli {
namespace fs = std::filesystem;

namespace {

#if defined(_WIN32)
// mkdtemp's contract on Windows: the trailing XXXXXX becomes letters and digits of a folder that
// did not exist before; errno tells why none could be made.
bool MakeUniqueDir(std::string* pattern) {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  const size_t at = pattern->size() - 6;
  std::random_device seed;
  std::mt19937 pick(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (size_t i = at; i < pattern->size(); ++i) (*pattern)[i] = kChars[pick() % (sizeof kChars - 1)];
    if (CreateDirectoryA(pattern->c_str(), nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      errno = EACCES;
      return false;
    }
  }
  errno = EEXIST;
  return false;
}
#else
bool MakeUniqueDir(std::string* pattern) { return mkdtemp(pattern->data()) != nullptr; }
#endif

}  // namespace

OutputFolder::~OutputFolder() { Discard(); }

bool OutputFolder::IsOurFile(const std::string& name) {
  auto ends_with = [&](const char* suffix) {
    std::string s = suffix;
    return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
  };
  if (name == "contact_sheet.png" || name == "preview.mp4") return true;
  return (name.rfind("frame_", 0) == 0 || name.rfind("grid_", 0) == 0) && ends_with(".png");
}

bool OutputFolder::Prepare(const std::string& folder, std::string* error) {
  Discard();
  std::error_code ec;
  fs::path dir(folder);
  if (fs::exists(dir, ec) && !fs::is_directory(dir, ec)) {
    *error = "cannot write to output folder " + folder + ": it exists and is not a folder";
    return false;
  }
  created_.clear();
  committed_ = false;
  // Remember what has to be made, so that a failed render can take it away again.
  for (fs::path p = dir; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
    created_.push_back(p.string());
    if (p == p.parent_path()) break;
  }
  fs::create_directories(dir, ec);
  if (ec) {
    *error = "cannot write to output folder " + folder + ": " + ec.message();
    return false;
  }
  std::string pattern = (dir / ".qlv-preview-partial-XXXXXX").string();
  if (!MakeUniqueDir(&pattern)) {
    folder_ = folder;
    *error = Explain("cannot write to output folder " + folder + ": " +
                     std::error_code(errno, std::generic_category()).message());
    Discard();
    return false;
  }
  folder_ = folder;
  staging_ = pattern;
  return true;
}

std::string OutputFolder::StagedPath(const std::string& name) const { return (fs::path(staging_) / name).string(); }

bool OutputFolder::Commit(std::string* error) {
  if (staging_.empty()) {
    *error = "nothing to save";
    return false;
  }
  std::error_code ec;
  // Earlier results would otherwise mix with these (a shorter render leaves old frames behind).
  for (const fs::directory_entry& e : fs::directory_iterator(folder_, ec)) {
    std::string name = e.path().filename().string();
    if (IsOurFile(name) && e.is_regular_file()) fs::remove(e.path(), ec);
  }
  ec.clear();
  for (const fs::directory_entry& e : fs::directory_iterator(staging_, ec)) {
    fs::path target = fs::path(folder_) / e.path().filename();
    std::error_code move_ec;
    fs::rename(e.path(), target, move_ec);
    if (move_ec) {
      *error = "cannot move " + target.string() + " into place: " + move_ec.message();
      return false;
    }
  }
  if (ec) {
    *error = "cannot read the staging folder " + staging_ + ": " + ec.message();
    return false;
  }
  fs::remove_all(staging_, ec);
  staging_.clear();
  committed_ = true;
  return true;
}

void OutputFolder::Discard() {
  std::error_code ec;
  if (!staging_.empty()) fs::remove_all(staging_, ec);
  staging_.clear();
  if (!committed_) {
    // fs::remove takes only empty folders: anything someone else put there stays.
    for (const std::string& made : created_) fs::remove(made, ec);
  }
  created_.clear();
}

std::string OutputFolder::Explain(const std::string& error) const {
  std::string text = error;
  if (!staging_.empty()) {
    for (size_t at = text.find(staging_); at != std::string::npos; at = text.find(staging_, at)) {
      text.replace(at, staging_.size(), folder_);
      at += folder_.size();
    }
  }
  std::error_code ec;
  const std::string full = std::error_code(ENOSPC, std::generic_category()).message();
  const fs::space_info space = fs::space(folder_.empty() ? fs::path(".") : fs::path(folder_), ec);
  // Writers report a full disk in their own words ("Write Error"); a failure with next to no
  // room left is taken for one.
  constexpr std::uintmax_t kNearlyFull = 1 << 20;
  if (text.find(full) != std::string::npos || (!ec && space.available < kNearlyFull))
    return "cannot write to output folder " + folder_ + ": no space left on device";
  return text;
}

std::string OutputFolder::DisplayName() const {
  if (!folder_.empty() && (folder_.back() == '/' || folder_.back() == fs::path::preferred_separator)) return folder_;
  return folder_ + "/";
}

}  // namespace qlv::cli
