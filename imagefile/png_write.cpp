#include "imagefile/png_write.h"

#include "imagefile/png_up_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace qlv::tools {
namespace {

struct WriteContext {
  char message[256] = {0};
};

void OnPngError(png_structp png, png_const_charp text) {
  auto* ctx = static_cast<WriteContext*>(png_get_error_ptr(png));
  if (ctx != nullptr) std::snprintf(ctx->message, sizeof ctx->message, "%s", text ? text : "?");
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Everything that libpng may jump out of lives here, with only plain data on the stack, so
// the jump skips no destructor.
bool EncodeRows(std::FILE* file, const PixelView& view, int compression, png_bytep* rows,
                WriteContext* ctx) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, ctx, OnPngError, OnPngWarning);
  if (png == nullptr) {
    std::snprintf(ctx->message, sizeof ctx->message, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    std::snprintf(ctx->message, sizeof ctx->message, "out of memory");
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, compression);
  // Trying all five filters on every row costs about a third of the writer's time. The highway
  // changes slowly from one row to the next (perspective strips, gradients, large flat areas),
  // so the "up" filter alone keeps files close to the adaptive choice at a fraction of the cost;
  // the smallest-file levels still try them all.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, compression <= kSingleFilterMaxLevel ? PNG_FILTER_UP : PNG_ALL_FILTERS);
  png_set_IHDR(png, info, static_cast<png_uint_32>(view.width),
               static_cast<png_uint_32>(view.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // Memory order of a word on a little-endian machine is B, G, R, A.
  png_set_bgr(png);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePngFile(const std::string& path, const PixelView& view, int compression,
                  std::string* error) {
  std::string scratch;
  if (error == nullptr) error = &scratch;
  if (view.pixels == nullptr || view.width <= 0 || view.height <= 0 || view.pitch < view.width ||
      view.width > 65535 || view.height > 65535) {
    *error = "cannot write " + path + ": the picture is empty or too large";
    return false;
  }
  if (compression < 0) compression = 0;
  if (compression > 9) compression = 9;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  WriteContext ctx;
  bool ok = false;
#if defined(QLV_HAVE_LIBDEFLATE)
  if (compression <= kSingleFilterMaxLevel) {
    std::string message;
    ok = WriteUpFilteredPng(file, view, compression, &message);
    if (!ok) std::snprintf(ctx.message, sizeof ctx.message, "%s", message.c_str());
  } else
#endif
  {
    std::vector<png_bytep> rows(static_cast<size_t>(view.height));
    for (int y = 0; y < view.height; ++y) {
      // libpng only reads through these pointers while writing.
      rows[static_cast<size_t>(y)] = reinterpret_cast<png_bytep>(
          const_cast<uint32_t*>(view.pixels + static_cast<size_t>(y) * static_cast<size_t>(view.pitch)));
    }
    ok = EncodeRows(file, view, compression, rows.data(), &ctx);
  }
  bool flushed = std::fflush(file) == 0;
  int saved_errno = errno;
  bool closed = std::fclose(file) == 0;
  if (!ok || !flushed || !closed) {
    if (ok) {
      *error = "cannot write " + path + ": " + std::strerror(saved_errno);
    } else {
      *error = "cannot write " + path + ": " + ctx.message;
    }
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace qlv::tools
