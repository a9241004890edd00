#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "state/midi_list.h"

namespace {

// A record as the host passes it: header and message bytes, 4-byte aligned.
struct RecordBuilder {
    std::vector<uint32_t> words;
    RecordBuilder(int32_t frame, std::vector<uint8_t> message) {
        words.assign(2 + (message.size() + 3) / 4 + 1, 0);
        const int32_t size = static_cast<int32_t>(message.size());
        std::memcpy(&words[0], &frame, 4);
        std::memcpy(&words[1], &size, 4);
        if (!message.empty()) std::memcpy(&words[2], message.data(), message.size());
    }
    const MidiEventRecord *get() const { return reinterpret_cast<const MidiEventRecord *>(words.data()); }
};

void Append(midi_List &list, int32_t frame, std::vector<uint8_t> message) {
    RecordBuilder record(frame, std::move(message));
    list.AppendEvent(record.get());
}

std::vector<uint8_t> Message(const MidiEventRecord *record) {
    return std::vector<uint8_t>(record->bytes(), record->bytes() + record->size);
}

std::vector<int32_t> Frames(midi_List &list) {
    std::vector<int32_t> frames;
    int32_t cursor = 0;
    while (MidiEventRecord *record = list.NextEvent(&cursor)) frames.push_back(record->frame_offset);
    return frames;
}

std::vector<uint8_t> Text(const char *text) {
    std::vector<uint8_t> message = {0xFF, 0x01, static_cast<uint8_t>(std::strlen(text))};
    for (const char *c = text; *c; ++c) message.push_back(static_cast<uint8_t>(*c));
    return message;
}

class MidiListTest : public ::testing::Test {
protected:
    void TearDown() override { GrowBufFailNextAllocations(0); }
};

TEST_F(MidiListTest, ConstructionPresizesTheStore) {
    midi_List list;
    EXPECT_EQ(list.filled, 0);
    EXPECT_EQ(list.ByteSize(), 0);
    EXPECT_EQ(list.store.granularity, 1024);
    EXPECT_EQ(list.store.allocated, 2048);
    EXPECT_NE(list.store.data, nullptr);
}

TEST_F(MidiListTest, StridesRoundUpWithAMinimumOfTwelve) {
    EXPECT_EQ(MidiRecordStride(0), 12);
    EXPECT_EQ(MidiRecordStride(1), 12);
    EXPECT_EQ(MidiRecordStride(3), 12);
    EXPECT_EQ(MidiRecordStride(4), 12);
    EXPECT_EQ(MidiRecordStride(5), 16);
    EXPECT_EQ(MidiRecordStride(8), 16);
    EXPECT_EQ(MidiRecordStride(16), 24);
    EXPECT_EQ(MidiRecordStride(-1), 0);
    EXPECT_EQ(MidiRecordStride(INT32_MAX), 0);
    EXPECT_EQ(MidiRecordStride(INT32_MAX - 11), INT32_MAX - 3);

    midi_List list;
    Append(list, 0, {0x90, 60, 100});
    EXPECT_EQ(list.ByteSize(), 12);
    Append(list, 0, {0xF8});
    EXPECT_EQ(list.ByteSize(), 24);
    Append(list, 0, {1, 2, 3, 4, 5});
    EXPECT_EQ(list.ByteSize(), 40);
    Append(list, 0, Text("mix 3 drums0d"));  // 13 text bytes: a 16-byte message
    EXPECT_EQ(list.ByteSize(), 64);
}

TEST_F(MidiListTest, WalkReturnsRecordsInOrderWithTheirBytes) {
    midi_List list;
    Append(list, 5, {0x90, 60, 100});
    Append(list, 7, {0x80, 60, 0});
    Append(list, 9, Text("mix 3 drums0d"));
    int32_t cursor = 0;
    MidiEventRecord *first = list.NextEvent(&cursor);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cursor, 12);
    EXPECT_EQ(first->frame_offset, 5);
    EXPECT_EQ(Message(first), (std::vector<uint8_t>{0x90, 60, 100}));
    MidiEventRecord *second = list.NextEvent(&cursor);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(cursor, 24);
    EXPECT_EQ(Message(second), (std::vector<uint8_t>{0x80, 60, 0}));
    MidiEventRecord *third = list.NextEvent(&cursor);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(cursor, 48);
    EXPECT_EQ(third->size, 16);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char *>(third) + 11, "mix 3 drums0d", 13), 0);
    EXPECT_EQ(list.NextEvent(&cursor), nullptr);
    EXPECT_EQ(cursor, 48);
}

TEST_F(MidiListTest, EmptyAndClearedListsYieldNothing) {
    midi_List list;
    int32_t cursor = 0;
    EXPECT_EQ(list.NextEvent(&cursor), nullptr);
    EXPECT_EQ(cursor, 0);
    Append(list, 1, {0x90, 60, 100});
    Append(list, 2, {0x90, 61, 100});
    const int32_t allocated = list.store.allocated;
    list.Clear();
    EXPECT_EQ(list.ByteSize(), 0);
    EXPECT_EQ(list.store.allocated, allocated);
    EXPECT_EQ(list.NextEvent(&cursor), nullptr);
    // Appending after a clear starts at the front again.
    Append(list, 3, {0x90, 62, 100});
    EXPECT_EQ(Frames(list), (std::vector<int32_t>{3}));
}

TEST_F(MidiListTest, CursorsOutsideTheRecordsYieldNull) {
    midi_List list;
    Append(list, 1, {0x90, 60, 100});
    Append(list, 2, {0x90, 61, 100});
    for (int32_t start : {-1, -12, 16, 17, 23, 24, 1000, INT32_MAX}) {
        int32_t cursor = start;
        EXPECT_EQ(list.NextEvent(&cursor), nullptr) << start;
        EXPECT_EQ(cursor, start);
    }
    int32_t cursor = 15;  // not within the last 8 bytes: read as a record that runs past the end
    EXPECT_EQ(list.NextEvent(&cursor), nullptr);
    EXPECT_EQ(list.NextEvent(nullptr), nullptr);
}

TEST_F(MidiListTest, DamagedRecordsEndTheWalk) {
    midi_List list;
    Append(list, 1, {0x90, 60, 100});
    Append(list, 2, {0x90, 61, 100});
    Append(list, 3, {0x90, 62, 100});
    // The host may write through the pointers it gets; a size it spoils must not lead the walk
    // outside the filled bytes or backwards.
    int32_t bad_sizes[] = {-1, -11, INT32_MIN, 100, INT32_MAX};
    for (int32_t bad : bad_sizes) {
        std::memcpy(list.store.data + 12 + 4, &bad, 4);
        int32_t cursor = 0;
        ASSERT_NE(list.NextEvent(&cursor), nullptr);
        EXPECT_EQ(list.NextEvent(&cursor), nullptr) << bad;
        EXPECT_EQ(cursor, 12);
        // Removal of a damaged record is refused too.
        list.RemoveEventAt(12);
        EXPECT_EQ(list.ByteSize(), 36);
    }
}

TEST_F(MidiListTest, RemoveClosesTheGap) {
    midi_List list;
    Append(list, 1, {0x90, 60, 100});
    Append(list, 2, {1, 2, 3, 4, 5, 6});
    Append(list, 3, {0x80, 60, 0});
    list.RemoveEventAt(0);
    EXPECT_EQ(list.ByteSize(), 28);
    int32_t cursor = 0;
    MidiEventRecord *a = list.NextEvent(&cursor);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->frame_offset, 2);
    EXPECT_EQ(Message(a), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(cursor, 16);  // the third record now starts at the second's stride
    MidiEventRecord *b = list.NextEvent(&cursor);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->frame_offset, 3);
    EXPECT_EQ(Message(b), (std::vector<uint8_t>{0x80, 60, 0}));

    // Removing the last record needs no move.
    list.RemoveEventAt(16);
    EXPECT_EQ(Frames(list), (std::vector<int32_t>{2}));
    // Positions outside the records change nothing.
    for (int32_t position : {-1, 4, 9, 16, 100}) list.RemoveEventAt(position);
    EXPECT_EQ(Frames(list), (std::vector<int32_t>{2}));
    list.RemoveEventAt(0);
    EXPECT_EQ(list.ByteSize(), 0);
}

TEST_F(MidiListTest, ImpossibleRecordsAreNotStored) {
    midi_List list;
    Append(list, 1, {0x90, 60, 100});
    RecordBuilder negative(2, {0x90, 61, 100});
    const int32_t minus = -4;
    std::memcpy(const_cast<uint32_t *>(&negative.words[1]), &minus, 4);
    list.AppendEvent(negative.get());
    RecordBuilder huge(3, {0x90, 62, 100});
    const int32_t too_big = INT32_MAX - 2;  // stride would not fit in 32 bits
    std::memcpy(const_cast<uint32_t *>(&huge.words[1]), &too_big, 4);
    list.AppendEvent(huge.get());
    list.AppendEvent(nullptr);
    EXPECT_EQ(list.ByteSize(), 12);
    EXPECT_EQ(Frames(list), (std::vector<int32_t>{1}));
}

TEST_F(MidiListTest, AppendThatCannotGrowIsDropped) {
    midi_List list;
    // Fill the presized store (2048 bytes) exactly.
    for (int i = 0; i < 2048 / 12; ++i) Append(list, i, {0x90, 60, 100});
    // 170 × 12 = 2040; one more 12-byte record needs 2052.
    ASSERT_EQ(list.ByteSize(), 2040);
    GrowBufFailNextAllocations(2);
    Append(list, 1000, {0x90, 60, 100});
    EXPECT_EQ(list.ByteSize(), 2040);
    EXPECT_EQ(list.store.allocated, 2048);
    const std::vector<int32_t> frames = Frames(list);
    ASSERT_EQ(frames.size(), 170u);
    EXPECT_EQ(frames.back(), 169);
    // Afterwards appends work again.
    Append(list, 1001, {0x90, 60, 100});
    EXPECT_EQ(list.ByteSize(), 2052);
    EXPECT_EQ(Frames(list).back(), 1001);
}

TEST_F(MidiListTest, HostCallsReachTheSlotsInOrder) {
    // The host calls through the table, slot by slot; emulate that without the C++ names.
    midi_List list;
    MIDI_eventlist *as_seen_by_host = &list;
    void **table = *reinterpret_cast<void ***>(as_seen_by_host);
    using AppendFn = void (*)(MIDI_eventlist *, const MidiEventRecord *);
    using NextFn = MidiEventRecord *(*)(MIDI_eventlist *, int32_t *);
    using RemoveFn = void (*)(MIDI_eventlist *, int32_t);
    using SizeFn = int32_t (*)(MIDI_eventlist *);
    using ClearFn = void (*)(MIDI_eventlist *);
    RecordBuilder a(1, {0x90, 60, 100}), b(2, {0x80, 60, 0});
    reinterpret_cast<AppendFn>(table[0])(as_seen_by_host, a.get());
    reinterpret_cast<AppendFn>(table[0])(as_seen_by_host, b.get());
    EXPECT_EQ(reinterpret_cast<SizeFn>(table[3])(as_seen_by_host), 24);
    int32_t cursor = 0;
    MidiEventRecord *first = reinterpret_cast<NextFn>(table[1])(as_seen_by_host, &cursor);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->frame_offset, 1);
    reinterpret_cast<RemoveFn>(table[2])(as_seen_by_host, 0);
    EXPECT_EQ(Frames(list), (std::vector<int32_t>{2}));
    reinterpret_cast<ClearFn>(table[4])(as_seen_by_host);
    EXPECT_EQ(list.ByteSize(), 0);
}

}  // namespace
