#include "gfx/gfx.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

TEST(MemBitmap, ConstructionAndAccessors) {
    GFX_MemBitmap b(7, 3);
    ASSERT_NE(b.PixelData(), nullptr);
    EXPECT_EQ(b.PixelWidth(), 7);
    EXPECT_EQ(b.PixelHeight(), 3);
    EXPECT_EQ(b.RowPitch(), 7);
    EXPECT_EQ(b.Capacity(), 7 * 3 * 4);
    EXPECT_FALSE(b.IsBottomUp());
    EXPECT_EQ(b.DeviceContext(), nullptr);
    EXPECT_EQ(b.QueryExtra(1, nullptr), 0);
    std::memset(b.PixelData(), 0xAB, 7 * 3 * 4);  // the whole block is usable
}

TEST(MemBitmap, SizesWithoutStorageReportZeroByZero) {
    struct Case { int w, h; } cases[] = {
        {0, 5}, {5, 0}, {-3, 4}, {-2, -3},  // two negatives must not make a positive product
        {65536, 16385},                     // 32-bit byte count would wrap to 262144
        {INT_MAX, INT_MAX}, {46341, 46341}, {INT_MIN, -1},
    };
    for (const Case &c : cases) {
        GFX_MemBitmap b(c.w, c.h);
        EXPECT_EQ(b.PixelData(), nullptr) << c.w << "x" << c.h;
        EXPECT_EQ(b.PixelWidth(), 0);
        EXPECT_EQ(b.PixelHeight(), 0);
        EXPECT_EQ(b.Capacity(), 0);

        GFX_MemBitmap r(4, 4);
        EXPECT_TRUE(r.SetSize(c.w, c.h));
        EXPECT_EQ(r.PixelData(), nullptr) << c.w << "x" << c.h;
        EXPECT_EQ(r.PixelWidth(), 0);
        EXPECT_EQ(r.PixelHeight(), 0);
        EXPECT_EQ(r.Capacity(), 0);
    }
}

TEST(MemBitmap, GrowthReservesAQuarterAndShrinkKeepsTheBlock) {
    GFX_MemBitmap b(10, 10);
    GFX_Color32 *first = b.PixelData();
    EXPECT_FALSE(b.SetSize(10, 10));  // same size: nothing happens
    EXPECT_EQ(b.PixelData(), first);
    EXPECT_TRUE(b.SetSize(11, 10));
    EXPECT_EQ(b.Capacity(), 550);
    EXPECT_EQ(b.PixelWidth(), 11);
    GFX_Color32 *grown = b.PixelData();
    EXPECT_TRUE(b.SetSize(5, 5));
    EXPECT_EQ(b.Capacity(), 550);
    EXPECT_EQ(b.PixelData(), grown);
    EXPECT_EQ(b.RowPitch(), 5);
    // Growth within the reserve keeps the block too.
    EXPECT_TRUE(b.SetSize(12, 11));  // 528 bytes
    EXPECT_EQ(b.Capacity(), 550);
    EXPECT_EQ(b.PixelData(), grown);
    std::memset(b.PixelData(), 0, 528);
    // Zero frees, a later size allocates exactly.
    EXPECT_TRUE(b.SetSize(0, 9));
    EXPECT_EQ(b.PixelData(), nullptr);
    EXPECT_EQ(b.PixelHeight(), 0);
    EXPECT_TRUE(b.SetSize(3, 2));
    EXPECT_EQ(b.Capacity(), 24);
    ASSERT_NE(b.PixelData(), nullptr);
}

TEST(MemBitmap, GrowthNearTheLimitDoesNotWrapTheCapacity) {
    // 1.25 × this byte count exceeds INT_MAX; the block must still hold the whole image.
    GFX_MemBitmap b(1, 1);
    const int w = 20000, h = 25000;  // 2,000,000,000 bytes
    if (b.SetSize(w, h) && b.PixelData()) {
        EXPECT_GE(static_cast<long long>(b.Capacity()), 4LL * w * h);
        EXPECT_EQ(b.PixelWidth(), w);
    } else {
        EXPECT_EQ(b.PixelWidth(), 0);  // allocation refused: empty, not short
    }
}

TEST(SysBitmap, LivesInADeviceContextAndReusesItsSectionWhenShrinking) {
    GFX_SysBitmap b(300, 200);
    ASSERT_NE(b.DeviceContext(), nullptr);
    ASSERT_NE(b.PixelData(), nullptr);
    EXPECT_EQ(b.PixelWidth(), 300);
    EXPECT_EQ(b.PixelHeight(), 200);
    EXPECT_EQ(b.RowPitch(), 300);
    EXPECT_EQ(b.QueryExtra(0, nullptr), 0);
    b.PixelData()[300 * 200 - 1] = 0x12345678u;  // real memory, whole image

    GFX_Color32 *bits = b.PixelData();
    EXPECT_FALSE(b.SetSize(300, 200));
    EXPECT_TRUE(b.SetSize(250, 150));
    EXPECT_EQ(b.PixelData(), bits);
    EXPECT_EQ(b.PixelWidth(), 250);
    EXPECT_EQ(b.PixelHeight(), 150);
    EXPECT_EQ(b.RowPitch(), 300);

    EXPECT_TRUE(b.SetSize(301, 150));
    EXPECT_EQ(b.RowPitch(), 301);
    EXPECT_EQ(b.PixelWidth(), 301);
    ASSERT_NE(b.PixelData(), nullptr);
    b.PixelData()[301 * 150 - 1] = 1;

    EXPECT_FALSE(b.SetSize(0, 0));
    EXPECT_EQ(b.PixelData(), nullptr);
    EXPECT_TRUE(b.SetSize(4, 4));
    ASSERT_NE(b.PixelData(), nullptr);
    EXPECT_EQ(b.RowPitch(), 4);
}

TEST(SysBitmap, BadSizesLeaveNoStorage) {
    GFX_SysBitmap huge(INT_MAX, INT_MAX);
    EXPECT_EQ(huge.PixelData(), nullptr);
    EXPECT_EQ(huge.PixelWidth(), 0);
    GFX_SysBitmap neg(-5, 10);
    EXPECT_EQ(neg.PixelData(), nullptr);
    EXPECT_EQ(neg.PixelWidth(), 0);
    EXPECT_EQ(neg.PixelHeight(), 0);

    GFX_SysBitmap b(20, 20);
    // A negative size must not be taken as fitting inside the current section.
    EXPECT_FALSE(b.SetSize(-1, 5));
    EXPECT_EQ(b.PixelData(), nullptr);
    EXPECT_EQ(b.PixelWidth(), 0);

    // Too large for 32-bit byte counts: creation fails, reported as 0 × 0 without pixels.
    EXPECT_TRUE(b.SetSize(65536, 16385));
    EXPECT_EQ(b.PixelData(), nullptr);
    EXPECT_EQ(b.PixelWidth(), 0);
    EXPECT_EQ(b.PixelHeight(), 0);
    EXPECT_TRUE(b.SetSize(8, 8));
    EXPECT_NE(b.PixelData(), nullptr);
}

TEST(SysBitmap, DestroyingThroughTheInterfaceReleasesEverything) {
    // Leak checking in the sanitizer build verifies the section and context are freed.
    for (int i = 0; i < 3; ++i) {
        GFX_IBitmap *b = new GFX_SysBitmap(64 + i, 32);
        GFX_IBitmap *m = new GFX_MemBitmap(64 + i, 32);
        b->SetSize(128, 64);
        delete b;
        delete m;
    }
}
