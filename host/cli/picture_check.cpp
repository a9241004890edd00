#include "host/cli/picture_check.h"

#include <cctype>
#include <fstream>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace qlv::cli {
namespace fs = std::filesystem;

namespace {

bool ReadsAsPng(const fs::path& p) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::ifstream in(p, std::ios::binary);  // by the path itself: no narrow name in between
  unsigned char head[8] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  return in.gcount() == sizeof head && std::memcmp(head, kSignature, 8) == 0;
}

}  // namespace

std::string PictureFolderWarning(const std::string& plugin_path) {
  // The name stays as given (the system's narrow encoding), for the message.
  const size_t cut = plugin_path.find_last_of("/\\");
  const std::string name = (cut == std::string::npos ? std::string() : plugin_path.substr(0, cut + 1)) + "qlview";
  const fs::path folder(name);
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
