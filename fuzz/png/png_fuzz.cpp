// Fuzz target for the PNG loader. The loader takes a path, so each input is handed to it as an
// in-memory file reached through /proc; every input is loaded both into a new bitmap and into a
// supplied one, and whatever decodes is read back in full.
#include "gfx/gfx.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace {

uint32_t Touch(GFX_IBitmap *image) {
    uint32_t sum = 0;
    const int w = image->PixelWidth(), h = image->PixelHeight();
    for (int y = 0; y < h; ++y) {
        const GFX_Color32 *row = image->PixelData() + static_cast<ptrdiff_t>(y) * image->RowPitch();
        for (int x = 0; x < w; ++x) sum += row[x];
    }
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const int fd = memfd_create("png-input", 0);
    if (fd < 0) return 0;
    size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd, data + written, size - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);

    volatile uint32_t sink = 0;
    if (GFX_IBitmap *image = GFX_ReadPngFile(path, nullptr)) {
        sink = sink + Touch(image);
        delete image;
    }
    GFX_MemBitmap target(5, 7);
    if (GFX_ReadPngFile(path, &target) == &target) sink = sink + Touch(&target);
    close(fd);
    return 0;
}
