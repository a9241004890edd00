#include "core_test_bitmap.h"
#include "gfx/gfx.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>

using namespace core_test;

namespace {

const GFX_Color32 kDark = 0xFF101010u;
const GFX_Color32 kInk = 0xFFFFFFFFu;

bool GlyphBit(int code, int col, int row) { return (GFX_BuiltinFont8x8[code - 1][row] >> (7 - col)) & 1; }

// Checks that the cell at (cx, cy) shows exactly the glyph's bits (clipped to the bitmap).
void ExpectCell(TestBitmap &b, int cx, int cy, int code) {
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col) {
            int x = cx + col, y = cy + row;
            if (x < 0 || y < 0 || x >= b.PixelWidth() || y >= b.PixelHeight()) continue;
            EXPECT_EQ(b.At(x, y), GlyphBit(code, col, row) ? kInk : kDark)
                << "code " << code << " col " << col << " row " << row;
        }
}

int InkCount(TestBitmap &b) {
    int n = 0;
    for (GFX_Color32 p : b.Image()) n += p == kInk;
    return n;
}

}  // namespace

TEST(Font, TellingRowsAndCellSpacing) {
    auto glyph = [](int code) {
        return std::string(reinterpret_cast<const char *>(GFX_BuiltinFont8x8[code - 1]), 8);
    };
    auto bytes = [](std::initializer_list<int> v) {
        std::string s;
        for (int b : v) s.push_back(static_cast<char>(b));
        return s;
    };
    EXPECT_EQ(glyph(1), bytes({0x7E, 0x81, 0xA5, 0x81, 0xBD, 0x99, 0x81, 0x7E}));
    EXPECT_EQ(glyph(3), bytes({0x6C, 0xFE, 0xFE, 0xFE, 0x7C, 0x38, 0x10, 0x00}));
    EXPECT_EQ(glyph(32), bytes({0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(glyph(48), bytes({0x38, 0x6C, 0xC6, 0xD6, 0xC6, 0x6C, 0x38, 0x00}));
    EXPECT_EQ(glyph(65), bytes({0x38, 0x6C, 0xC6, 0xFE, 0xC6, 0xC6, 0xC6, 0x00}));
    EXPECT_EQ(glyph(124), bytes({0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x00}));
    EXPECT_EQ(glyph(126), bytes({0x76, 0xDC, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(glyph(127), bytes({0x00, 0x10, 0x38, 0x6C, 0xC6, 0xC6, 0xFE, 0x00}));

    std::set<std::string> seen;
    for (int c = 33; c < 127; ++c) {
        const std::string g = glyph(c);
        bool col7 = false;
        for (char b : g) col7 |= (b & 1) != 0;
        const bool row7 = g[7] != 0;
        EXPECT_EQ(col7, std::strchr("*_", c) != nullptr) << "column 7 of " << char(c);
        EXPECT_EQ(row7, std::strchr(",;Q_gjpqy", c) != nullptr) << "row 7 of " << char(c);
        EXPECT_NE(g, glyph(32)) << char(c) << " is blank";
        EXPECT_TRUE(seen.insert(g).second) << char(c) << " repeats another glyph";
    }
    for (int c = 1; c < 32; ++c) EXPECT_NE(glyph(c), glyph(32)) << "symbol " << c << " is blank";
}

TEST(PrintString, DrawsEachCellWithItsGlyph) {
    TestBitmap b(60, 30);
    b.Fill(kDark);
    const int h = b.PixelHeight();
    GFX_PrintString(&b, 2, h - 10, "v1.3b", kInk, 1.0f, GFX_COMBINE_COPY);
    const char *text = "v1.3b";
    for (int i = 0; i < 5; ++i) ExpectCell(b, 2 + 8 * i, h - 10, text[i]);
    int total = 0;
    for (int i = 0; i < 5; ++i)
        for (int r = 0; r < 8; ++r) total += __builtin_popcount(GFX_BuiltinFont8x8[text[i] - 1][r]);
    EXPECT_EQ(InkCount(b), total);  // nothing outside the cells
}

TEST(PrintString, ControlCharactersMoveTheCursor) {
    TestBitmap b(120, 40), expect(120, 40);
    b.Fill(kDark);
    expect.Fill(kDark);
    GFX_PrintString(&b, 4, 2, "A\r\tB\nC D\x80" "E", kInk, 1.0f, 0);
    GFX_PrintGlyph(&expect, 4, 2, 'A', kInk, 1.0f, 0);
    GFX_PrintGlyph(&expect, 4 + 8 + 40, 2, 'B', kInk, 1.0f, 0);  // CR ignored, tab +40
    GFX_PrintGlyph(&expect, 4, 10, 'C', kInk, 1.0f, 0);          // LF back to x, down 8
    GFX_PrintGlyph(&expect, 4 + 16, 10, 'D', kInk, 1.0f, 0);     // space advances
    GFX_PrintGlyph(&expect, 4 + 32, 10, 'E', kInk, 1.0f, 0);     // byte 0x80 advances, draws nothing
    EXPECT_EQ(b.Image(), expect.Image());
    // Bytes without a glyph never draw.
    TestBitmap c(40, 10);
    c.Fill(kDark);
    GFX_PrintString(&c, 0, 0, "\xff\x80\xa0 ", kInk, 1.0f, 0);
    GFX_PrintGlyph(&c, 0, 0, 0, kInk, 1.0f, 0);
    GFX_PrintGlyph(&c, 0, 0, 128, kInk, 1.0f, 0);
    GFX_PrintGlyph(&c, 0, 0, -1, kInk, 1.0f, 0);
    EXPECT_EQ(InkCount(c), 0);
}

TEST(PrintString, CellsAreClippedAtEveryEdge) {
    TestBitmap left(20, 10);
    left.Fill(kDark);
    GFX_PrintString(&left, -3, 0, "M", kInk, 1.0f, 0);
    ExpectCell(left, -3, 0, 'M');
    EXPECT_EQ(InkCount(left), [] {
        int n = 0;
        for (int r = 0; r < 8; ++r) n += __builtin_popcount(GFX_BuiltinFont8x8['M' - 1][r] & 0x1F);
        return n;
    }());

    TestBitmap right(20, 20);
    right.Fill(kDark);
    GFX_PrintString(&right, 17, 0, "WW", kInk, 1.0f, 0);  // only the first three columns; no wrap
    ExpectCell(right, 17, 0, 'W');
    for (int y = 8; y < 20; ++y)
        for (int x = 0; x < 20; ++x) EXPECT_EQ(right.At(x, y), kDark);

    TestBitmap low(10, 5);
    low.Fill(kDark);
    GFX_PrintGlyph(&low, 0, -6, 'g', kInk, 1.0f, 0);  // glyph rows 6 and 7 only
    ExpectCell(low, 0, -6, 'g');
    for (int y = 2; y < 5; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ(low.At(x, y), kDark);

    // Cells entirely outside, including positions where a naive shift would be undefined.
    TestBitmap b(16, 16, false, 18);
    b.Fill(kDark);
    for (int x : {-8, -9, -40, INT_MIN, 16, INT_MAX})
        for (int y : {0, -8, INT_MIN, 16, INT_MAX}) GFX_PrintGlyph(&b, x, y, 'A', kInk, 1.0f, 0);
    GFX_PrintString(&b, INT_MAX - 4, 0, "ABCDEFGH", kInk, 1.0f, 0);
    GFX_PrintString(&b, 0, INT_MAX - 4, "AB\nCD\nEF", kInk, 1.0f, 0);
    GFX_PrintString(&b, INT_MIN, INT_MIN, "AB\tCD", kInk, 1.0f, 0);
    GFX_PrintString(&b, 0, 0, nullptr, kInk, 1.0f, 0);
    GFX_PrintString(nullptr, 0, 0, "A", kInk, 1.0f, 0);
    EXPECT_EQ(InkCount(b), 0);
    EXPECT_TRUE(b.GuardsIntact());
}

TEST(PrintString, StrengthAndModes) {
    TestBitmap b(8, 8);
    b.Fill(kDark);
    GFX_PrintGlyph(&b, 0, 0, 'A', kInk, 0.0f, GFX_COMBINE_ADD);
    GFX_PrintGlyph(&b, 0, 0, 'A', kInk, -1.0f, GFX_COMBINE_COPY);
    GFX_PrintGlyph(&b, 0, 0, 'A', kInk, 1.0f, 6);
    EXPECT_EQ(InkCount(b), 0);
    for (GFX_Color32 p : b.Image()) EXPECT_EQ(p, kDark);

    // A negative strength is applied in the other modes: add darkens.
    GFX_PrintGlyph(&b, 0, 0, 'A', 0xFF080808u, -1.0f, GFX_COMBINE_ADD);
    EXPECT_EQ(b.At(2, 0), 0x00080808u);  // 'A' row 0 column 2 is set
    EXPECT_EQ(b.At(0, 0), kDark);

    // The colour's alpha byte is the source alpha; the source-alpha flag changes nothing.
    TestBitmap m(8, 8), n(8, 8);
    m.Fill(0x40404040u);
    n.Fill(0x40404040u);
    GFX_PrintGlyph(&m, 0, 0, 'A', 0x20C08000u, 0.6f, GFX_COMBINE_MULTIPLY);
    GFX_PrintGlyph(&n, 0, 0, 'A', 0x20C08000u, 0.6f, GFX_COMBINE_MULTIPLY | GFX_COMBINE_SOURCE_ALPHA);
    EXPECT_EQ(m.Image(), n.Image());
    GFX_Color32 e = 0x40404040u;
    GFX_MixMultiply(&e, 0xC0, 0x80, 0x00, 0x20, 153);
    EXPECT_EQ(m.At(2, 0), e);
}

TEST(PrintString, BottomUpBitmapsShowTheSameText) {
    for (GFX_CombineMode mode : {0u, 1u, 5u}) {
        TestBitmap top(40, 20, false, 41), bottom(40, 20, true, 43);
        top.Fill(kDark);
        bottom.Fill(kDark);
        GFX_PrintString(&top, -2, -3, "Qy|\n~g", 0xFFEE8822u, 0.8f, mode);
        GFX_PrintString(&bottom, -2, -3, "Qy|\n~g", 0xFFEE8822u, 0.8f, mode);
        EXPECT_EQ(top.Image(), bottom.Image());
        EXPECT_TRUE(bottom.GuardsIntact());
    }
}
