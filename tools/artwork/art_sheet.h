#pragma once
// An overview of the whole image set on one picture: every picture over a checkerboard (so
// transparency shows) with its name underneath, and a strip showing how a gem sits on its
// target. For looking at the artwork; the plug-in never reads it.
#include <cstdint>
#include <vector>

#include "tools/artwork/art_catalog.h"

namespace qlv::art {

struct SheetPicture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, rows top first, packed
};

SheetPicture DrawArtSheet(const std::vector<ArtEntry>& entries);

}  // namespace qlv::art
