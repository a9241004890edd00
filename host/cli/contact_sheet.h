#pragma once
// The contact sheet: evenly spaced frames of a render as labelled thumbnails in one picture.
//
// Main thread only; not copyable.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class GFX_MemBitmap;

namespace qlv::cli {

// Which of `frame_count` frames go on a sheet of `wanted` thumbnails: the first, the last and
// evenly spaced ones between, ascending and without repeats (fewer when there are fewer
// frames; none when `wanted` is 0).
std::vector<int64_t> SheetFrameIndexes(int64_t frame_count, int wanted);

class ContactSheet {
 public:
  // A sheet for `count` thumbnails of frames that are frame_width × frame_height pixels, in
  // rows of at most `columns`, with `caption` (e.g. the song's artist and name) written above
  // them when it is not empty.
  ContactSheet(int count, int frame_width, int frame_height, int columns = 4,
               const std::string& caption = std::string());
  ~ContactSheet();
  ContactSheet(const ContactSheet&) = delete;
  ContactSheet& operator=(const ContactSheet&) = delete;

  // Places thumbnail number `slot` (0-based, row by row) from a frame (0xAARRGGBB words,
  // frame_width × frame_height, rows top first), labelled with `label` underneath.
  void Place(int slot, const uint32_t* pixels, const std::string& label);

  int width() const;
  int height() const;
  // The sheet's pixels, rows top first, packed.
  const uint32_t* pixels() const;

 private:
  int count_;
  int columns_;
  int frame_width_;
  int frame_height_;
  int thumb_width_;
  int thumb_height_;
  int top_;  // where the first row of thumbnails starts
  std::unique_ptr<GFX_MemBitmap> sheet_;
  std::unique_ptr<GFX_MemBitmap> frame_;
};

}  // namespace qlv::cli
