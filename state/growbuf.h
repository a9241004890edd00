// GrowBuf: the growable byte buffer behind every variable-length array, and PtrList, the same
// buffer used as an array of pointers.
//
// Neither locks: the owner's lock, where there is one, covers them. Storage comes from and goes
// back to malloc/realloc/free. Resize is the one way to change the size; clearing (resize to 0)
// keeps the storage, so steady-state refills do not allocate.
#pragma once

#include <cstdint>

class GrowBuf {
public:
    // `granularity` is the growth step: 4096 and above reserves whole pages (less 96 bytes of
    // allocator overhead), below 4096 it reserves newUsed + max(newUsed / 2, granularity).
    explicit GrowBuf(int32_t granularity = 4096);
    ~GrowBuf();
    GrowBuf(const GrowBuf &) = delete;
    GrowBuf &operator=(const GrowBuf &) = delete;

    // Sets the logical size to newUsed, reallocating when it does not fit (or, with allowShrink,
    // when it would waste more than half the block and four growth steps). Returns the storage,
    // or null when the resulting size is 0. When memory is exhausted, or newUsed is negative or
    // its reservation would not fit in 32 bits, nothing changes and the call returns what the
    // unchanged buffer holds: callers about to write the new range must check that `used`
    // reached the size they asked for.
    void *Resize(int32_t newUsed, bool allowShrink = false);
    // The storage when `used` is not 0, otherwise null (even while storage is held).
    void *Get() const { return used != 0 ? data : nullptr; }
    int32_t GetSize() const { return used; }
    // Releases the storage; the buffer is then empty with nothing reserved.
    void Free();

    uint8_t *data = nullptr;
    int32_t granularity;
    int32_t allocated = 0;
    int32_t used = 0;
    int32_t reserve = 0;  // minimum allocation; left at 0 everywhere
};

// Test hook: the next `count` heap requests made by GrowBuf (realloc or fresh allocation) fail
// as if memory were exhausted. Process-wide; only tests call it. 0 switches it off.
void GrowBufFailNextAllocations(int32_t count);

// An array of pointers in a GrowBuf of granularity 4096. The list does not own the objects.
template <class T>
class PtrList : public GrowBuf {
public:
    PtrList() : GrowBuf(4096) {}
    T **Get() const { return static_cast<T **>(GrowBuf::Get()); }
    int32_t GetCount() const { return used / static_cast<int32_t>(sizeof(T *)); }
    T *Get(int32_t index) const {
        return index >= 0 && index < GetCount() ? Get()[index] : nullptr;
    }
    // Inserts item at index clamped to 0..count (negative: front, beyond: append) and returns
    // it. When the list cannot grow it stays unchanged and null is returned.
    T *Insert(int32_t index, T *item) {
        const int32_t count = GetCount();
        if (count >= INT32_MAX / static_cast<int32_t>(sizeof(T *)) - 1) return nullptr;
        const int32_t wanted = (count + 1) * static_cast<int32_t>(sizeof(T *));
        Resize(wanted, false);
        if (used != wanted) return nullptr;
        if (index < 0) index = 0;
        if (index > count) index = count;
        T **items = Get();
        for (int32_t i = count - 1; i >= index; --i) items[i + 1] = items[i];
        items[index] = item;
        return item;
    }
};
