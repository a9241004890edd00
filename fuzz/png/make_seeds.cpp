// Writes the PNG fuzz target's own seeds, beside the PNG test suite: 1 x 1 pictures whose text
// chunks inflate to a mebibyte and to nine (past libpng's usual chunk limit), which the loader
// must pass by without decompressing them.
#include <cstdio>

#include "fuzz/seed_folder.h"
#include "tests/gfx/png_test_writer.h"

int main(int argc, char **argv) {
    const std::filesystem::path dir = FreshSeedFolder(argc, argv);
    if (dir.empty()) return 2;
    WriteSeed(dir / "inflating_text_1", qlv_test::PngWithInflatingText(0x80123456u, 1));
    WriteSeed(dir / "inflating_text_9", qlv_test::PngWithInflatingText(0xFF00FF00u, 9));
    std::printf("2 seeds written to %s\n", dir.c_str());
    return 0;
}
