#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace {

BITMAPINFO Info32(LONG width, LONG height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

TEST(Gdi, DibSectionGivesRealZeroedMemoryForEitherRowOrder) {
    for (LONG height : {-3, 3}) {
        BITMAPINFO info = Info32(5, height);
        void *bits = reinterpret_cast<void *>(1);
        HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(section, nullptr);
        ASSERT_NE(bits, nullptr);
        auto *words = static_cast<uint32_t *>(bits);
        for (int i = 0; i < 15; ++i) EXPECT_EQ(words[i], 0u);
        words[14] = 0xFFFFFFFFu;
        EXPECT_TRUE(DeleteObject(section));
    }
}

TEST(Gdi, UnsupportedOrAbsurdDescriptionsFail) {
    void *bits = reinterpret_cast<void *>(1);
    BITMAPINFO bad = Info32(4, 4);
    bad.bmiHeader.biBitCount = 24;
    EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    BITMAPINFO zero = Info32(0, 4);
    EXPECT_EQ(CreateDIBSection(nullptr, &zero, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    BITMAPINFO neg = Info32(-4, 4);
    EXPECT_EQ(CreateDIBSection(nullptr, &neg, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    BITMAPINFO huge = Info32(65536, -16385);  // byte count beyond 32 bits
    EXPECT_EQ(CreateDIBSection(nullptr, &huge, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    BITMAPINFO widest = Info32(INT32_MAX, INT32_MAX);  // would wrap even a 64-bit byte count
    EXPECT_EQ(CreateDIBSection(nullptr, &widest, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    BITMAPINFO minh = Info32(1, INT32_MIN);
    EXPECT_EQ(CreateDIBSection(nullptr, &minh, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    BITMAPINFO ok = Info32(2, 2);
    EXPECT_EQ(CreateDIBSection(nullptr, &ok, DIB_PAL_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(Gdi, SelectionOwnershipFollowsTheWindowsRules) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    BITMAPINFO info = Info32(8, -8);
    void *bits = nullptr;
    HBITMAP a = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HBITMAP b = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(a && b);

    HGDIOBJ stock = SelectObject(dc, a);  // a fresh DC hands back its default bitmap
    ASSERT_NE(stock, nullptr);
    EXPECT_FALSE(DeleteObject(a));        // selected: not deleted
    EXPECT_EQ(SelectObject(dc, b), a);    // returns what it replaced; a is free again
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_FALSE(DeleteObject(a));        // stale handle

    HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, b), nullptr);  // one DC at a time
    EXPECT_EQ(SelectObject(dc, stock), b);

    EXPECT_NE(SelectObject(other, b), nullptr);
    EXPECT_TRUE(DeleteDC(other));          // does not delete b
    EXPECT_FALSE(DeleteDC(other));
    static_cast<uint32_t *>(bits)[63] = 7; // b's memory is still alive
    EXPECT_TRUE(DeleteObject(b));          // and b is no longer selected anywhere

    EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(dc)), nullptr);  // a DC is not selectable
    EXPECT_EQ(SelectObject(nullptr, stock), nullptr);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(DeleteDC(nullptr));
}
