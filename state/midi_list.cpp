#include "state/midi_list.h"

#include <cstring>

namespace {
constexpr int32_t kHeaderSize = 8;
constexpr int32_t kMinStride = 12;
}  // namespace

int32_t MidiRecordStride(int32_t size) {
    if (size < 0) return 0;
    const int64_t stride = (static_cast<int64_t>(size) + 11) & ~int64_t{3};
    if (stride > INT32_MAX) return 0;
    return stride < kMinStride ? kMinStride : static_cast<int32_t>(stride);
}

midi_List::midi_List() : store(1024) {
    store.Resize(1024, true);
    filled = 0;
}

midi_List::~midi_List() { store.Free(); }

void midi_List::AppendEvent(const MidiEventRecord *event) {
    if (!event) return;
    const int32_t size = event->size;
    const int32_t stride = MidiRecordStride(size);
    if (stride == 0) return;
    const int64_t end = static_cast<int64_t>(filled) + stride;
    if (end > INT32_MAX) return;
    store.Resize(static_cast<int32_t>(end), false);
    // The store may be larger than filled from earlier appends, so check the reservation rather
    // than only that Resize changed something.
    if (store.used < end || !store.data) return;
    uint8_t *at = store.data + filled;
    std::memcpy(at, &event->frame_offset, sizeof(int32_t));
    std::memcpy(at + 4, &size, sizeof(int32_t));
    if (size > 0) std::memcpy(at + kHeaderSize, event->bytes(), static_cast<size_t>(size));
    filled = static_cast<int32_t>(end);
}

MidiEventRecord *midi_List::NextEvent(int32_t *cursor) {
    if (!cursor) return nullptr;
    const int32_t position = *cursor;
    if (position < 0 || position >= filled - kHeaderSize) return nullptr;
    int32_t size;
    std::memcpy(&size, store.data + position + 4, sizeof(size));
    const int32_t stride = MidiRecordStride(size);
    if (stride <= 0 || static_cast<int64_t>(position) + stride > filled) return nullptr;
    *cursor = position + stride;
    return reinterpret_cast<MidiEventRecord *>(store.data + position);
}

void midi_List::RemoveEventAt(int32_t position) {
    if (position < 0 || position >= filled - kHeaderSize) return;
    int32_t size;
    std::memcpy(&size, store.data + position + 4, sizeof(size));
    const int32_t stride = MidiRecordStride(size);
    if (stride <= 0 || static_cast<int64_t>(position) + stride > filled) return;
    const int32_t following = filled - stride - position;
    if (following > 0) std::memmove(store.data + position, store.data + position + stride, static_cast<size_t>(following));
    filled -= stride;
}
