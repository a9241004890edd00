// The pixels a string sets, drawn alone onto black with the graphics library's own text call:
// what the editor's strip must show, independent of what lies under it.
#pragma once

#include <utility>
#include <vector>

#include "gfx/gfx.h"

inline std::vector<std::pair<int, int>> TextPixels(const char *text, int x, int y, int width, int height) {
    GFX_MemBitmap mask(width, height);
    GFX_SetAllPixels(&mask, 0);
    GFX_PrintString(&mask, x, y, text, 0xffffffff, 1.0f, GFX_COMBINE_COPY);
    std::vector<std::pair<int, int>> set;
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            if (mask.PixelData()[row * width + col] != 0) set.emplace_back(col, row);
    return set;
}
