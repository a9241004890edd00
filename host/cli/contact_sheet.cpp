#include "host/cli/contact_sheet.h"

#include <algorithm>
#include <cstring>

#include "gfx/gfx.h"

namespace qlv::cli {
namespace {
constexpr int kGap = 8;          // pixels between thumbnails and around the sheet
constexpr int kLabelHeight = 12; // one 8-pixel text line plus spacing
constexpr GFX_Color32 kSheetColor = 0xFF101018;
constexpr GFX_Color32 kLabelColor = 0xFFE0E4F0;
}  // namespace

std::vector<int64_t> SheetFrameIndexes(int64_t frame_count, int wanted) {
  std::vector<int64_t> out;
  if (frame_count <= 0 || wanted <= 0) return out;
  if (wanted == 1 || frame_count == 1) return {0};
  for (int i = 0; i < wanted; ++i) {
    // Rounded position along [0, frame_count - 1]; integer arithmetic keeps it exact.
    int64_t index = (static_cast<int64_t>(i) * (frame_count - 1) * 2 + (wanted - 1)) / (2 * (wanted - 1));
    if (out.empty() || index != out.back()) out.push_back(index);
  }
  return out;
}

ContactSheet::ContactSheet(int count, int frame_width, int frame_height, int columns, const std::string& caption)
    : count_(std::max(count, 1)), frame_width_(frame_width), frame_height_(frame_height) {
  columns_ = std::min(count_, std::max(columns, 1));
  const int rows = (count_ + columns_ - 1) / columns_;
  // Thumbnails about 320 pixels wide, never larger than the frame.
  thumb_width_ = std::min(frame_width_, 320);
  thumb_height_ = std::max(1, static_cast<int>(static_cast<int64_t>(frame_height_) * thumb_width_ / frame_width_));
  const int w = kGap + columns_ * (thumb_width_ + kGap);
  top_ = kGap + (caption.empty() ? 0 : kLabelHeight + kGap / 2);
  const int h = top_ + rows * (thumb_height_ + kLabelHeight + kGap);
  sheet_ = std::make_unique<GFX_MemBitmap>(w, h);
  frame_ = std::make_unique<GFX_MemBitmap>(frame_width_, frame_height_);
  GFX_SetAllPixels(sheet_.get(), kSheetColor);
  // The built-in font draws bytes, so the caption's non-ASCII characters become '?'.
  std::string ascii;
  for (size_t i = 0; i < caption.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(caption[i]);
    if (c < 0x80) ascii += (c >= 0x20 ? caption[i] : ' ');
    else if ((c & 0xC0) != 0x80) ascii += '?';
  }
  if (!ascii.empty()) GFX_PrintString(sheet_.get(), kGap, kGap, ascii.c_str(), kLabelColor, 1.0f, GFX_COMBINE_COPY);
}

ContactSheet::~ContactSheet() = default;

void ContactSheet::Place(int slot, const uint32_t* pixels, const std::string& label) {
  if (slot < 0 || slot >= count_ || pixels == nullptr || frame_->PixelData() == nullptr) return;
  std::memcpy(frame_->PixelData(), pixels, static_cast<size_t>(frame_width_) * frame_height_ * 4);
  const int x = kGap + (slot % columns_) * (thumb_width_ + kGap);
  const int y = top_ + (slot / columns_) * (thumb_height_ + kLabelHeight + kGap);
  GFX_DrawBitmapScaled(sheet_.get(), frame_.get(), x, y, thumb_width_, thumb_height_, 0.0f, 0.0f,
                       static_cast<float>(frame_width_), static_cast<float>(frame_height_), 1.0f,
                       GFX_COMBINE_COPY | GFX_COMBINE_FILTERED);
  GFX_PrintString(sheet_.get(), x, y + thumb_height_ + 3, label.c_str(), kLabelColor, 1.0f, GFX_COMBINE_COPY);
}

int ContactSheet::width() const { return sheet_->PixelWidth(); }
int ContactSheet::height() const { return sheet_->PixelHeight(); }
const uint32_t* ContactSheet::pixels() const { return sheet_->PixelData(); }

}  // namespace qlv::cli
