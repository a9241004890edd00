#include "host/cli/picture_check.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace qlv::cli {
namespace fs = std::filesystem;

namespace {

bool ReadsAsPng(const fs::path& p) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::FILE* f = std::fopen(p.string().c_str(), "rb");
  if (f == nullptr) return false;
  unsigned char head[8] = {};
  const bool ok = std::fread(head, 1, sizeof head, f) == sizeof head && std::memcmp(head, kSignature, 8) == 0;
  std::fclose(f);
  return ok;
}

}  // namespace

std::string PictureFolderWarning(const std::string& plugin_path) {
  const fs::path folder = fs::path(plugin_path).parent_path() / "qlview";
  const std::string name = folder.string();
  const std::string consequence = "; the plug-in draws placeholders instead";
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return "no picture folder " + name + consequence;
  int pictures = 0, unreadable = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
    std::string extension = e.path().extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".png") continue;
    ++pictures;
    if (!ReadsAsPng(e.path())) ++unreadable;
  }
  if (ec) return "cannot read the picture folder " + name + ": " + ec.message() + consequence;
  if (pictures == 0) return "no pictures in " + name + consequence;
  if (unreadable > 0)
    return std::to_string(unreadable) + " of the pictures in " + name + " cannot be read" + consequence;
  return "";
}

}  // namespace qlv::cli
