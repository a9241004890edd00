#include "imagefile/png_up_writer.h"

#if defined(QLV_HAVE_LIBDEFLATE)
#include <libdeflate.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace qlv::tools {
namespace {

constexpr int kMaxLevel = 9;

struct CompressorFree {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// Kept per thread: the previewer writes a frame per call on each of its worker threads, and
// allocating megabytes of scratch and a compressor for every frame shows in the profile.
struct Scratch {
  std::vector<unsigned char> filtered, packed;
  std::vector<uint32_t> rows[2];
  std::unique_ptr<libdeflate_compressor, CompressorFree> compressors[kMaxLevel + 1];
};

void PutWord(unsigned char* at, uint32_t v) {
  at[0] = static_cast<unsigned char>(v >> 24);
  at[1] = static_cast<unsigned char>(v >> 16);
  at[2] = static_cast<unsigned char>(v >> 8);
  at[3] = static_cast<unsigned char>(v);
}

// A chunk of `size` data bytes: length, type, data, CRC of type and data.
bool PutChunk(std::FILE* file, const char type[4], const unsigned char* data, size_t size) {
  unsigned char head[8];
  PutWord(head, static_cast<uint32_t>(size));
  std::memcpy(head + 4, type, 4);
  unsigned char tail[4];
  PutWord(tail, libdeflate_crc32(libdeflate_crc32(0, head + 4, 4), data, size));
  return std::fwrite(head, 1, sizeof head, file) == sizeof head &&
         (size == 0 || std::fwrite(data, 1, size, file) == size) && std::fwrite(tail, 1, sizeof tail, file) == sizeof tail;
}

// 0xAARRGGBB words to R, G, B, A bytes in memory (the word read back little-endian).
inline uint32_t ToRgba(uint32_t p) { return (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16); }

}  // namespace

bool WriteUpFilteredPng(std::FILE* file, const PixelView& view, int level, std::string* message) {
  thread_local Scratch scratch;
  level = level < 0 ? 0 : (level > kMaxLevel ? kMaxLevel : level);
  auto& compressor = scratch.compressors[level];
  if (!compressor) compressor.reset(libdeflate_alloc_compressor(level));
  if (!compressor) {
    *message = "out of memory";
    return false;
  }
  const size_t width = static_cast<size_t>(view.width), height = static_cast<size_t>(view.height);
  const size_t row_bytes = width * 4 + 1;
  scratch.filtered.resize(row_bytes * height);
  scratch.rows[0].assign(width, 0u);  // the row above the first is zero
  scratch.rows[1].resize(width);
  for (size_t y = 0; y < height; ++y) {
    const uint32_t* src = view.pixels + y * static_cast<size_t>(view.pitch);
    const uint32_t* above = scratch.rows[y & 1].data();
    uint32_t* row = scratch.rows[(y + 1) & 1].data();
    for (size_t x = 0; x < width; ++x) row[x] = ToRgba(src[x]);
    unsigned char* out = scratch.filtered.data() + y * row_bytes;
    out[0] = 2;  // the "up" filter: each byte minus the one above it
    const auto* now = reinterpret_cast<const unsigned char*>(row);
    const auto* before = reinterpret_cast<const unsigned char*>(above);
    for (size_t i = 0; i < width * 4; ++i) out[i + 1] = static_cast<unsigned char>(now[i] - before[i]);
  }
  scratch.packed.resize(libdeflate_zlib_compress_bound(compressor.get(), scratch.filtered.size()));
  const size_t packed = libdeflate_zlib_compress(compressor.get(), scratch.filtered.data(), scratch.filtered.size(),
                                                 scratch.packed.data(), scratch.packed.size());
  if (packed == 0 || packed > 0x7FFFFFFFu) {
    *message = "the picture does not fit in a PNG file";
    return false;
  }
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  unsigned char header[13] = {};
  PutWord(header, static_cast<uint32_t>(width));
  PutWord(header + 4, static_cast<uint32_t>(height));
  header[8] = 8;  // bits per sample
  header[9] = 6;  // RGBA; compression, filter method and interlacing stay 0
  const bool ok = std::fwrite(kSignature, 1, sizeof kSignature, file) == sizeof kSignature &&
                  PutChunk(file, "IHDR", header, sizeof header) &&
                  PutChunk(file, "IDAT", scratch.packed.data(), packed) && PutChunk(file, "IEND", nullptr, 0);
  if (!ok) *message = std::strerror(errno);
  return ok;
}

}  // namespace qlv::tools
#endif
