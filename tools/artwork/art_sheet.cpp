#include "tools/artwork/art_sheet.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "gfx/gfx.h"

namespace qlv::art {
namespace {

constexpr int kCell = 200;   // each picture is shown within a cell this wide
constexpr int kLabel = 12;
constexpr int kColumns = 8;

std::unique_ptr<GFX_MemBitmap> ToBitmap(const Canvas& c) {
  auto bitmap = std::make_unique<GFX_MemBitmap>(c.width(), c.height());
  std::vector<uint32_t> words = c.ToWords();
  if (bitmap->PixelData() != nullptr) std::memcpy(bitmap->PixelData(), words.data(), words.size() * 4);
  return bitmap;
}

void Checkerboard(GFX_IBitmap* dest, int x, int y, int w, int h) {
  for (int cy = 0; cy < h; cy += 8) {
    for (int cx = 0; cx < w; cx += 8) {
      GFX_Color32 c = ((cx / 8 + cy / 8) % 2) ? 0xFF3A3A44 : 0xFF2A2A32;
      GFX_BlendRect(dest, x + cx, y + cy, std::min(8, w - cx), std::min(8, h - cy), c, 1.0f, GFX_COMBINE_COPY);
    }
  }
}

}  // namespace

SheetPicture DrawArtSheet(const std::vector<ArtEntry>& entries) {
  const int count = static_cast<int>(entries.size());
  const int rows = (count + kColumns - 1) / kColumns;
  const int w = kColumns * kCell, h = rows * (kCell + kLabel);
  GFX_MemBitmap sheet(w, h);
  GFX_SetAllPixels(&sheet, 0xFF15151C);
  for (int i = 0; i < count; ++i) {
    const int x = (i % kColumns) * kCell, y = (i / kColumns) * (kCell + kLabel);
    auto picture = ToBitmap(entries[static_cast<size_t>(i)].make());
    // Fit into the cell keeping the aspect ratio.
    const int pw = picture->PixelWidth(), ph = picture->PixelHeight();
    const double scale = std::min(1.0, std::min((kCell - 8.0) / pw, (kCell - 8.0) / ph));
    const int dw = std::max(1, static_cast<int>(pw * scale)), dh = std::max(1, static_cast<int>(ph * scale));
    const int dx = x + (kCell - dw) / 2, dy = y + (kCell - dh) / 2;
    Checkerboard(&sheet, dx, dy, dw, dh);
    GFX_DrawBitmapScaled(&sheet, picture.get(), dx, dy, dw, dh, 0.0f, 0.0f, static_cast<float>(pw),
                         static_cast<float>(ph), 1.0f,
                         GFX_COMBINE_COPY | GFX_COMBINE_FILTERED | GFX_COMBINE_SOURCE_ALPHA);
    GFX_OutlineRect(&sheet, dx - 1, dy - 1, dw + 1, dh + 1, 0xFF60606C, 1.0f, GFX_COMBINE_COPY);
    GFX_PrintString(&sheet, x + 4, y + kCell, entries[static_cast<size_t>(i)].name.c_str(), 0xFFE8E8F0, 1.0f,
                    GFX_COMBINE_COPY);
  }
  SheetPicture out;
  out.width = sheet.PixelWidth();
  out.height = sheet.PixelHeight();
  if (sheet.PixelData() != nullptr) out.pixels.assign(sheet.PixelData(), sheet.PixelData() + static_cast<size_t>(w) * h);
  return out;
}

}  // namespace qlv::art
