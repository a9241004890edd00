// qlv-artwork: draws the highway's image set and writes it as PNG files.
//   qlv-artwork OUTPUT_FOLDER
//   qlv-artwork --sheet OVERVIEW.png     (every picture on one page, to look at)
// The folder is created if needed; existing pictures of the same names are replaced. Each
// picture is written under a temporary name and renamed, so an interrupted run never leaves a
// truncated file under a picture's name.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "tools/artwork/art_catalog.h"
#include "tools/artwork/art_sheet.h"
#include "imagefile/png_write.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--sheet") {
    qlv::art::SheetPicture sheet = qlv::art::DrawArtSheet(qlv::art::ArtCatalog());
    std::string error;
    qlv::tools::PixelView view{sheet.pixels.data(), sheet.width, sheet.height, sheet.width};
    if (!qlv::tools::WritePngFile(argv[2], view, 6, &error)) {
      std::fprintf(stderr, "qlv-artwork: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::fprintf(stderr, "usage: qlv-artwork OUTPUT_FOLDER\n       qlv-artwork --sheet OVERVIEW.png\n");
    return argc == 2 ? 0 : 2;
  }
  namespace fs = std::filesystem;
  const fs::path folder = argv[1];
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    std::fprintf(stderr, "qlv-artwork: cannot create %s: %s\n", folder.string().c_str(), ec.message().c_str());
    return 1;
  }
  for (const qlv::art::ArtEntry& entry : qlv::art::ArtCatalog()) {
    qlv::art::Canvas canvas = entry.make();
    std::vector<uint32_t> words = canvas.ToWords();
    qlv::tools::PixelView view{words.data(), canvas.width(), canvas.height(), canvas.width()};
    const fs::path final_path = folder / (entry.name + ".png");
    const fs::path temp_path = folder / (entry.name + ".png.part");
    std::string error;
    if (!qlv::tools::WritePngFile(temp_path.string(), view, 9, &error)) {
      std::fprintf(stderr, "qlv-artwork: %s\n", error.c_str());
      return 1;
    }
    fs::rename(temp_path, final_path, ec);
    if (ec) {
      fs::remove(temp_path, ec);
      std::fprintf(stderr, "qlv-artwork: cannot write %s\n", final_path.string().c_str());
      return 1;
    }
  }
  return 0;
}
