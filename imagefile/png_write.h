#pragma once
// Writing 32-bit pictures as PNG files (8-bit RGBA, non-interlaced). Used by the artwork
// generator and by the command-line previewer; not part of the plug-in. Any thread.
#include <cstdint>
#include <string>

namespace qlv::tools {

// A read-only view of 32-bit pixels: each word is 0xAARRGGBB (blue, green, red, alpha in
// address order), rows top first, `pitch` words from one row to the next (pitch >= width).
struct PixelView {
  const uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
};

// Writes `view` to `path` with straight (not premultiplied) alpha. `compression` is the
// zlib level 0..9 (values outside are clamped); levels up to kSingleFilterMaxLevel filter every
// row with the one filter that suits rendered frames (see png_write.cpp; written with libdeflate
// where the build has it, imagefile/png_up_writer.h), higher levels let libpng try every filter
// per row for the smallest file. The pixels read back are the same whichever writer ran. Returns true on success; on failure returns false, fills `error` with one
// line naming the problem and leaves no file at `path` (a partly written file is removed).
constexpr int kSingleFilterMaxLevel = 3;

bool WritePngFile(const std::string& path, const PixelView& view, int compression,
                  std::string* error);

}  // namespace qlv::tools
