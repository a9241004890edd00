// Which glyph a character code selects: only its low byte counts, read as a signed character.
#include "core_test_bitmap.h"
#include "gfx/gfx.h"

#include <gtest/gtest.h>

using namespace core_test;

namespace {

const GFX_Color32 kDark = 0xFF101010u;
const GFX_Color32 kInk = 0xFFFFFFFFu;

std::vector<GFX_Color32> Cell(int code) {
    TestBitmap b(8, 8);
    b.Fill(kDark);
    GFX_PrintGlyph(&b, 0, 0, code, kInk, 1.0f, GFX_COMBINE_COPY);
    EXPECT_TRUE(b.GuardsIntact());
    return b.Image();
}

TEST(GlyphCode, OnlyTheLowByteSelectsTheGlyph) {
    const std::vector<GFX_Color32> a = Cell('A');
    const std::vector<GFX_Color32> blank(64, kDark);
    ASSERT_NE(a, blank);
    // Codes that differ from 'A' only above the low byte draw 'A', whatever their sign.
    EXPECT_EQ(Cell('A' + 0x100), a);
    EXPECT_EQ(Cell('A' + 0x7F00), a);
    EXPECT_EQ(Cell('A' - 0x100), a);
    EXPECT_EQ(Cell(static_cast<int>(0x80000000u | 'A')), a);
    EXPECT_EQ(Cell(127 + 0x200), Cell(127));
    EXPECT_EQ(Cell(1 + 0x100), Cell(1));
}

TEST(GlyphCode, ZeroAndHighLowBytesDrawNothing) {
    const std::vector<GFX_Color32> blank(64, kDark);
    for (int code : {0, 0x100, -0x100, 0x80, 0xFF, 0x1C1, -1, -63, 0x7FFFFF80})
        EXPECT_EQ(Cell(code), blank) << "code " << code;
}

}  // namespace
