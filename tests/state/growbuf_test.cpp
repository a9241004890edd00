#include <gtest/gtest.h>

#include <cstring>

#include "state/growbuf.h"

namespace {

// Fills the first n bytes with a recognisable pattern.
void Fill(GrowBuf &buf, int32_t n) {
    for (int32_t i = 0; i < n; ++i) buf.data[i] = static_cast<uint8_t>(i * 7 + 3);
}

bool HasPattern(const GrowBuf &buf, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        if (buf.data[i] != static_cast<uint8_t>(i * 7 + 3)) return false;
    }
    return true;
}

class GrowBufTest : public ::testing::Test {
protected:
    void TearDown() override { GrowBufFailNextAllocations(0); }
};

TEST_F(GrowBufTest, NewBufferHoldsNothing) {
    GrowBuf buf(1024);
    EXPECT_EQ(buf.data, nullptr);
    EXPECT_EQ(buf.granularity, 1024);
    EXPECT_EQ(buf.allocated, 0);
    EXPECT_EQ(buf.used, 0);
    EXPECT_EQ(buf.reserve, 0);
    EXPECT_EQ(buf.Get(), nullptr);
    GrowBuf page;
    EXPECT_EQ(page.granularity, 4096);
}

TEST_F(GrowBufTest, PageModeReservations) {
    struct Case {
        int32_t request, reserved;
    } cases[] = {
        {1, 4096 - 96},          {10, 4096 - 96},          {4096 - 97, 4096 - 96},
        {4096 - 96, 2 * 4096 - 96}, {4096 - 95, 2 * 4096 - 96}, {2 * 4096 - 97, 2 * 4096 - 96},
        {2 * 4096 - 96, 3 * 4096 - 96},
        // Half the request, lowered to whole pages: 20000 → step 8192 → end 28288 → 24576 − 96.
        {20000, 24576 - 96},
        // The step stops at 4 MiB beyond the request.
        {20000000, ((20000000 + 0x400000 + 96) / 4096) * 4096 - 96},
    };
    for (const Case &c : cases) {
        GrowBuf buf(4096);
        EXPECT_NE(buf.Resize(c.request), nullptr);
        EXPECT_EQ(buf.allocated, c.reserved) << "request " << c.request;
        EXPECT_EQ(buf.used, c.request);
    }
}

TEST_F(GrowBufTest, SmallGranularityReservations) {
    GrowBuf list(1024);
    list.Resize(12);
    EXPECT_EQ(list.allocated, 12 + 1024);
    GrowBuf whole(1024);
    whole.Resize(1024);
    EXPECT_EQ(whole.allocated, 2048);
    GrowBuf path(128);
    path.Resize(20);
    EXPECT_EQ(path.allocated, 148);
    GrowBuf big(128);
    big.Resize(1000);  // half the request exceeds the granularity
    EXPECT_EQ(big.allocated, 1500);
}

TEST_F(GrowBufTest, ResizeToCurrentSizeChangesNothing) {
    GrowBuf empty;
    EXPECT_EQ(empty.Resize(0), nullptr);
    EXPECT_EQ(empty.data, nullptr);
    EXPECT_EQ(empty.allocated, 0);

    GrowBuf buf;
    void *first = buf.Resize(100);
    Fill(buf, 100);
    GrowBufFailNextAllocations(100);  // any heap request now would fail visibly
    EXPECT_EQ(buf.Resize(100), first);
    EXPECT_EQ(buf.allocated, 4096 - 96);
    EXPECT_TRUE(HasPattern(buf, 100));
}

TEST_F(GrowBufTest, ClearingKeepsStorage) {
    GrowBuf buf;
    buf.Resize(3000);
    uint8_t *storage = buf.data;
    EXPECT_EQ(buf.Resize(0), nullptr);
    EXPECT_EQ(buf.data, storage);
    EXPECT_EQ(buf.allocated, 4096 - 96);
    EXPECT_EQ(buf.Get(), nullptr);
    // Refilling within the reservation does not touch the heap.
    GrowBufFailNextAllocations(100);
    EXPECT_EQ(buf.Resize(3999), storage);
    EXPECT_EQ(buf.used, 3999);
}

TEST_F(GrowBufTest, ShrinkNeedsAllThreeConditions) {
    // Granularity 4096: only blocks larger than used + 4 pages give memory back.
    GrowBuf page;
    page.Resize(10000);
    const int32_t before = page.allocated;
    page.Resize(100, true);  // below half, but not 4 pages below the reservation
    EXPECT_EQ(page.allocated, before);
    EXPECT_EQ(page.used, 100);

    GrowBuf large;
    large.Resize(100000);
    Fill(large, 1000);
    large.Resize(1000, true);
    EXPECT_EQ(large.allocated, 4096 - 96);  // 1000 + one page step, lowered to a page
    EXPECT_TRUE(HasPattern(large, 1000));

    // Without allowShrink nothing is given back.
    GrowBuf keep;
    keep.Resize(100000);
    const int32_t kept = keep.allocated;
    keep.Resize(10, false);
    EXPECT_EQ(keep.allocated, kept);

    // With a small granularity: below half and 4 steps below the block.
    GrowBuf small(16);
    small.Resize(1000);  // reserves 1500
    ASSERT_EQ(small.allocated, 1500);
    small.Resize(800, true);  // not below half (750)
    EXPECT_EQ(small.allocated, 1500);
    small.Resize(700, true);  // below half and far below 1500 − 64
    EXPECT_EQ(small.allocated, 700 + 350);
    // Growing used while below allocated is never a shrink.
    small.Resize(900, true);
    EXPECT_EQ(small.allocated, 1050);
}

TEST_F(GrowBufTest, ReserveIsTheMinimumAllocation) {
    GrowBuf buf(128);
    buf.reserve = 5000;
    buf.Resize(20);
    EXPECT_EQ(buf.allocated, 5000);
    GrowBuf below(128);
    below.reserve = 100;
    below.Resize(20);
    EXPECT_EQ(below.allocated, 148);
}

TEST_F(GrowBufTest, GrowthKeepsContents) {
    GrowBuf buf(128);
    buf.Resize(100);
    Fill(buf, 100);
    buf.Resize(100000);
    EXPECT_TRUE(HasPattern(buf, 100));
}

TEST_F(GrowBufTest, FreshBlockFallbackCopiesTheSmallerSize) {
    GrowBuf buf(128);
    buf.Resize(100);
    Fill(buf, 100);
    GrowBufFailNextAllocations(1);  // the in-place resize fails, the fresh block succeeds
    buf.Resize(5000);
    EXPECT_EQ(buf.used, 5000);
    EXPECT_EQ(buf.allocated, 7500);
    EXPECT_TRUE(HasPattern(buf, 100));

    // Shrinking through a fresh block copies only what remains.
    GrowBuf shrink(16);
    shrink.Resize(1000);
    Fill(shrink, 1000);
    GrowBufFailNextAllocations(1);
    shrink.Resize(300, true);
    EXPECT_EQ(shrink.allocated, 300 + 150);
    EXPECT_TRUE(HasPattern(shrink, 300));
}

TEST_F(GrowBufTest, ExhaustedHeapChangesNothing) {
    GrowBuf empty;
    GrowBufFailNextAllocations(2);
    EXPECT_EQ(empty.Resize(50), nullptr);
    EXPECT_EQ(empty.data, nullptr);
    EXPECT_EQ(empty.allocated, 0);
    EXPECT_EQ(empty.used, 0);

    GrowBuf buf(128);
    buf.Resize(100);
    Fill(buf, 100);
    uint8_t *storage = buf.data;
    GrowBufFailNextAllocations(2);
    EXPECT_EQ(buf.Resize(5000), storage);
    EXPECT_EQ(buf.data, storage);
    EXPECT_EQ(buf.allocated, 228);
    EXPECT_EQ(buf.used, 100);
    EXPECT_TRUE(HasPattern(buf, 100));
    // The hook is used up: the next growth works.
    EXPECT_NE(buf.Resize(5000), nullptr);
    EXPECT_EQ(buf.used, 5000);

    // A failed growth of a cleared buffer still reports it empty.
    GrowBuf cleared(128);
    cleared.Resize(10);
    cleared.Resize(0);
    GrowBufFailNextAllocations(2);
    EXPECT_EQ(cleared.Resize(1000), nullptr);
    EXPECT_EQ(cleared.used, 0);
}

TEST_F(GrowBufTest, ImpossibleSizesFailLikeExhaustion) {
    GrowBuf buf;
    buf.Resize(10);
    Fill(buf, 10);
    uint8_t *storage = buf.data;
    EXPECT_EQ(buf.Resize(-1), storage);
    EXPECT_EQ(buf.used, 10);
    // The reservation for this would pass 2^31.
    EXPECT_EQ(buf.Resize(INT32_MAX - 100), storage);
    EXPECT_EQ(buf.used, 10);
    EXPECT_EQ(buf.allocated, 4096 - 96);
    GrowBuf small(1024);
    EXPECT_EQ(small.Resize(0x60000000), nullptr);  // 1.5 × request overflows
    EXPECT_EQ(small.allocated, 0);
    EXPECT_TRUE(HasPattern(buf, 10));
}

TEST_F(GrowBufTest, PtrListInsertClampsTheIndex) {
    int a = 1, b = 2, c = 3, d = 4;
    PtrList<int> list;
    EXPECT_EQ(list.granularity, 4096);
    EXPECT_EQ(list.Insert(0, &a), &a);
    EXPECT_EQ(list.Insert(99, &b), &b);   // beyond the count: appended
    EXPECT_EQ(list.Insert(-5, &c), &c);   // negative: at the front
    EXPECT_EQ(list.Insert(1, &d), &d);    // in the middle
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.used, 4 * static_cast<int32_t>(sizeof(int *)));
    int **items = list.Get();
    EXPECT_EQ(items[0], &c);
    EXPECT_EQ(items[1], &d);
    EXPECT_EQ(items[2], &a);
    EXPECT_EQ(items[3], &b);
    EXPECT_EQ(list.Get(4), nullptr);
    EXPECT_EQ(list.Get(-1), nullptr);
}

TEST_F(GrowBufTest, PtrListInsertThatCannotGrowLeavesTheList) {
    int a = 1, b = 2;
    PtrList<int> list;
    list.Insert(0, &a);
    // Fill the first reservation exactly so the next insert must allocate.
    const int32_t fits = list.allocated / static_cast<int32_t>(sizeof(int *));
    for (int32_t i = 1; i < fits; ++i) list.Insert(i, &a);
    ASSERT_EQ(list.GetCount(), fits);
    const int32_t allocated = list.allocated;
    GrowBufFailNextAllocations(2);
    EXPECT_EQ(list.Insert(0, &b), nullptr);
    EXPECT_EQ(list.GetCount(), fits);
    EXPECT_EQ(list.allocated, allocated);
    EXPECT_EQ(list.Get()[0], &a);
    EXPECT_EQ(list.Get()[fits - 1], &a);
}

}  // namespace
