// PNG files made by the tests themselves: real images written with libpng's write interface, and
// hand-assembled files whose header says anything at all (with valid checksums, so that only the
// claim itself is wrong). Shared by the loader's and the image set's tests and the benchmarks.
#pragma once

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace qlv_test {

inline void PngSinkWrite(png_structp png, png_bytep data, png_size_t size) {
    auto *out = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

inline void PngSinkFlush(png_structp) {}

// Encodes `height` rows of `row_bytes` bytes each (already in the PNG's sample layout for the
// colour type and depth) into *out. False when libpng refused.
inline bool EncodePng(std::vector<uint8_t> *out, int width, int height, int color_type, int bit_depth,
                      bool interlaced, const uint8_t *samples, size_t row_bytes) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    png_bytep *volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::free(rows);
        return false;
    }
    png_set_write_fn(png, out, PngSinkWrite, PngSinkFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bit_depth,
                 color_type, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    rows = static_cast<png_bytep *>(std::malloc(sizeof(png_bytep) * static_cast<size_t>(height)));
    if (!rows) png_error(png, "out of memory");
    for (int y = 0; y < height; ++y) rows[y] = const_cast<png_bytep>(samples + row_bytes * static_cast<size_t>(y));
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::free(rows);
    return true;
}

// An 8-bit RGBA file from pixels given as 0xAARRGGBB words, row by row.
inline std::vector<uint8_t> EncodeRgba(int width, int height, const std::vector<uint32_t> &argb,
                                       bool interlaced = false) {
    std::vector<uint8_t> samples(argb.size() * 4);
    for (size_t i = 0; i < argb.size(); ++i) {
        samples[i * 4 + 0] = static_cast<uint8_t>(argb[i] >> 16);
        samples[i * 4 + 1] = static_cast<uint8_t>(argb[i] >> 8);
        samples[i * 4 + 2] = static_cast<uint8_t>(argb[i]);
        samples[i * 4 + 3] = static_cast<uint8_t>(argb[i] >> 24);
    }
    std::vector<uint8_t> out;
    if (!EncodePng(&out, width, height, PNG_COLOR_TYPE_RGB_ALPHA, 8, interlaced, samples.data(),
                   static_cast<size_t>(width) * 4))
        out.clear();
    return out;
}

// Pixels that differ everywhere in every channel, so a misplaced row or swapped channel shows.
inline std::vector<uint32_t> PatternPixels(int width, int height, uint32_t seed = 1) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    uint32_t state = seed * 2654435761u + 12345u;
    for (auto &p : pixels) {
        state = state * 1664525u + 1013904223u;
        p = state ^ (state >> 13);
    }
    return pixels;
}

inline void AppendBigEndian(std::vector<uint8_t> *out, uint32_t value) {
    out->push_back(static_cast<uint8_t>(value >> 24));
    out->push_back(static_cast<uint8_t>(value >> 16));
    out->push_back(static_cast<uint8_t>(value >> 8));
    out->push_back(static_cast<uint8_t>(value));
}

// One chunk with its length and a correct CRC.
inline void AppendChunk(std::vector<uint8_t> *out, const char type[4], const std::vector<uint8_t> &data) {
    AppendBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out->data() + start, static_cast<uInt>(out->size() - start));
    AppendBigEndian(out, static_cast<uint32_t>(crc));
}

// A well-formed file whose header claims width x height (8-bit RGBA unless told otherwise),
// followed by a short valid compressed stream of `data_bytes` zero bytes and the end chunk.
inline std::vector<uint8_t> CraftedPng(uint32_t width, uint32_t height, uint8_t bit_depth = 8,
                                       uint8_t color_type = 6, size_t data_bytes = 64) {
    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    AppendBigEndian(&ihdr, width);
    AppendBigEndian(&ihdr, height);
    ihdr.insert(ihdr.end(), {bit_depth, color_type, 0, 0, 0});
    AppendChunk(&file, "IHDR", ihdr);
    std::vector<uint8_t> raw(data_bytes, 0);
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packed_size);
    compress(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(packed_size);
    AppendChunk(&file, "IDAT", packed);
    AppendChunk(&file, "IEND", {});
    return file;
}

// A zlib stream that inflates to `mebibytes` MiB of zero bytes in about a kilobyte per MiB: one
// flushed block of a MiB (which refers to nothing before it) repeated, an empty last block and
// the checksum of the whole.
inline std::vector<uint8_t> ZeroInflatingStream(uint32_t mebibytes) {
    std::vector<uint8_t> zeros(size_t{1} << 20, 0), block(size_t{1} << 16);
    z_stream z{};
    deflateInit(&z, 9);
    z.next_in = zeros.data();
    z.avail_in = static_cast<uInt>(zeros.size());
    z.next_out = block.data();
    z.avail_out = static_cast<uInt>(block.size());
    deflate(&z, Z_SYNC_FLUSH);
    const ptrdiff_t produced = static_cast<ptrdiff_t>(block.size() - z.avail_out);
    deflateEnd(&z);
    if (produced <= 2) return {};
    std::vector<uint8_t> stream(block.begin(), block.begin() + 2);  // the zlib header
    for (uint32_t i = 0; i < mebibytes; ++i) stream.insert(stream.end(), block.begin() + 2, block.begin() + produced);
    stream.insert(stream.end(), {0x03, 0x00});
    // Adler-32 of n zero bytes: the first sum stays 1, the second is n.
    const uint64_t n = uint64_t{mebibytes} << 20;
    AppendBigEndian(&stream, static_cast<uint32_t>((n % 65521) << 16 | 1));
    return stream;
}

// A 1 x 1 picture of `argb` (0xAARRGGBB) with a tEXt, a zTXt and an iTXt chunk before its data,
// the two compressed texts inflating to `mebibytes` MiB each.
inline std::vector<uint8_t> PngWithInflatingText(uint32_t argb, uint32_t mebibytes) {
    std::vector<uint8_t> file = EncodeRgba(1, 1, {argb});
    if (file.size() < 33) return file;
    const std::vector<uint8_t> stream = ZeroInflatingStream(mebibytes);
    std::vector<uint8_t> plain = {'T', 'i', 't', 'l', 'e', 0, 'x'};
    std::vector<uint8_t> z = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};  // keyword, method
    z.insert(z.end(), stream.begin(), stream.end());
    // keyword, compressed, method, no language, no translated keyword
    std::vector<uint8_t> international = {'X', 'M', 'L', 0, 1, 0, 0, 0};
    international.insert(international.end(), stream.begin(), stream.end());
    std::vector<uint8_t> chunks;
    AppendChunk(&chunks, "tEXt", plain);
    AppendChunk(&chunks, "zTXt", z);
    AppendChunk(&chunks, "iTXt", international);
    file.insert(file.begin() + 33, chunks.begin(), chunks.end());  // after the signature and header
    return file;
}

inline bool WriteWholeFile(const std::string &path, const std::vector<uint8_t> &bytes) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<uint8_t> ReadWholeFile(const std::string &path) {
    std::vector<uint8_t> bytes;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return bytes;
}

}  // namespace qlv_test
