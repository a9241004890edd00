#pragma once
// Every picture of the highway's image set, by file name (without ".png"), with its design.
#include <functional>
#include <string>
#include <vector>

#include "tools/artwork/canvas.h"

namespace qlv::art {

struct ArtEntry {
  std::string name;
  std::function<Canvas()> make;
};

// The full set: background, both tracks, twelve sustains (plain and highlighted), and every
// slot picture (gems, hopo, cymbals, style variants, kicks, lines, flares and both animations).
std::vector<ArtEntry> ArtCatalog();

}  // namespace qlv::art
