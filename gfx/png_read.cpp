// PNG files into 32-bit bitmaps, through libpng's classic read interface.
//
// libpng reports errors by jumping back to the setjmp below. Everything that must be cleaned up
// on that path is a plain pointer: no object with a destructor lives across the jump, and the
// locals assigned after setjmp are volatile so their values survive it.
#ifdef _WIN32
#define _CRT_SECURE_NO_WARNINGS
#endif

#include "gfx/gfx.h"

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The largest picture the loader accepts. A header may claim any size up to 2^31 - 1 on each
// side; anything past these limits is refused before a bitmap is sized, so a tiny file cannot
// make us allocate gigabytes or, worse, a block smaller than its stated dimensions. 32767 is also
// the widest source the scaled blit can address.
constexpr uint32_t MAX_PNG_SIDE = 32767;
constexpr uint64_t MAX_PNG_PIXELS = uint64_t{1} << 26;  // 256 MiB of pixels

// The loader wants the pixels only. Text, colour profile, suggested palette and Exif chunks are
// skipped unread (their bytes pass by, nothing is inflated or kept): a compressed text of a few
// hundred bytes can inflate to megabytes on every load, and none of these changes the pixels as
// they are read here, without colour management. Five bytes per name, the last one's terminator
// included.
constexpr png_byte SKIPPED_CHUNKS[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf";
constexpr int SKIPPED_CHUNK_COUNT = 6;

// The largest chunk accepted whatever this libpng's built-in default: far more than any chunk the
// loader keeps (a palette is 768 bytes) or any metadata an editor writes in practice. The image
// data is bounded separately, by libpng, from the header's size. A larger chunk fails the load.
constexpr png_alloc_size_t MAX_CHUNK_BYTES = png_alloc_size_t{4} << 20;

bool PngSizeAcceptable(png_uint_32 width, png_uint_32 height) {
    if (width == 0 || height == 0) return false;
    if (width > MAX_PNG_SIDE || height > MAX_PNG_SIDE) return false;
    return uint64_t{width} * height <= MAX_PNG_PIXELS;
}

// Opens the file for binary reading. On Windows NT-family systems the path is taken as UTF-8 and
// opened by its wide name; whenever that is not possible the bytes are opened as they stand.
FILE *OpenForReading(const char *path) {
    FILE *file = nullptr;
#ifdef _WIN32
#ifdef _MSC_VER
#pragma warning(push)
#pragma warning(disable : 4996)  // GetVersion is deprecated, but it is the test we want
#endif
    const DWORD version = GetVersion();
#ifdef _MSC_VER
#pragma warning(pop)
#endif
    if ((version & 0x80000000u) == 0) {
        wchar_t wide[2048];
        if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide, 2048) > 0)
            file = _wfopen(wide, L"rb");
    }
#endif
    if (!file) file = std::fopen(path, "rb");
    return file;
}

// libpng delivers alpha, red, green, blue; the bitmap wants blue, green, red, alpha in memory.
void ReverseBytesInRow(png_bytep row, png_uint_32 width) {
    for (png_uint_32 i = 0; i < width; ++i, row += 4) {
        const png_byte a = row[0], r = row[1], g = row[2], b = row[3];
        row[0] = b;
        row[1] = g;
        row[2] = r;
        row[3] = a;
    }
}

}  // namespace

GFX_IBitmap *GFX_ReadPngFile(const char *path, GFX_IBitmap *bitmap) {
    if (!path) return nullptr;
    FILE *file = OpenForReading(path);
    if (!file) return nullptr;

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        std::fclose(file);
        return nullptr;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::fclose(file);
        return nullptr;
    }

    // Assigned after the jump point: volatile, so the error path sees their current values.
    GFX_IBitmap *volatile created = nullptr;
    png_bytep *volatile rows = nullptr;

    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        std::free(rows);
        delete created;
        return nullptr;
    }

    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, SKIPPED_CHUNKS, SKIPPED_CHUNK_COUNT);
    png_set_chunk_malloc_max(png, MAX_CHUNK_BYTES);
    png_init_io(png, file);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bit_depth = 0, color_type = 0, interlace = 0, compression = 0, filter = 0;
    png_get_IHDR(png, info, &width, &height, &bit_depth, &color_type, &interlace, &compression, &filter);

    // Whatever the colour type and depth, libpng is asked for four 8-bit bytes per pixel in the
    // order alpha, red, green, blue.
    if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
    if (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand(png);
    const bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (has_trns) png_set_tRNS_to_alpha(png);
    if (bit_depth == 16) png_set_strip_16(png);
    if (bit_depth < 8) png_set_packing(png);
    const bool has_alpha = color_type == PNG_COLOR_TYPE_GRAY_ALPHA || color_type == PNG_COLOR_TYPE_RGB_ALPHA || has_trns;
    if (!has_alpha) png_set_filler(png, 255, PNG_FILLER_BEFORE);
    if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (has_alpha) png_set_swap_alpha(png);

    // The target must hold exactly width x height pixels, with rows at least as long as the
    // image's; an absurd header is refused before anything is sized or decoded.
    GFX_IBitmap *target = bitmap;
    bool usable = PngSizeAcceptable(width, height);
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    if (usable) {
        if (target) {
            target->SetSize(w, h);
        } else {
            target = new GFX_MemBitmap(w, h);
            created = target;
        }
        const int pitch = target->RowPitch();
        usable = target->PixelWidth() == w && target->PixelHeight() == h && target->PixelData() != nullptr &&
                 (pitch >= w || pitch <= -w);
    }
    if (usable) {
        rows = static_cast<png_bytep *>(std::malloc(sizeof(png_bytep) * height));
        usable = rows != nullptr;
    }
    if (!usable) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        delete created;
        return nullptr;
    }

    // Row table, top image row first whatever the storage order.
    ptrdiff_t step = target->RowPitch();
    GFX_Color32 *start = target->PixelData();
    if (target->IsBottomUp()) {
        start += static_cast<ptrdiff_t>(target->PixelHeight() - 1) * step;
        step = -step;
    }
    for (png_uint_32 i = 0; i < height; ++i)
        rows[i] = reinterpret_cast<png_bytep>(start + static_cast<ptrdiff_t>(i) * step);

    png_read_image(png, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);

    png_bytep *table = rows;
    for (png_uint_32 i = 0; i < height; ++i) ReverseBytesInRow(table[i], width);
    std::free(table);
    return target;
}
