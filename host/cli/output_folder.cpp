#include "host/cli/output_folder.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace qlv::cli {
namespace fs = std::filesystem;

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
  fs::create_directories(dir, ec);
  if (ec) {
    *error = "cannot write to output folder " + folder + ": " + ec.message();
    return false;
  }
  std::string pattern = (dir / ".qlv-preview-partial-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = "cannot write to output folder " + folder + ": " + std::error_code(errno, std::generic_category()).message();
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
  return true;
}

void OutputFolder::Discard() {
  if (staging_.empty()) return;
  std::error_code ec;
  fs::remove_all(staging_, ec);
  staging_.clear();
}

}  // namespace qlv::cli
