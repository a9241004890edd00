#include "state/growbuf.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<int32_t> g_fail_next_allocations{0};

// True when the test hook says this heap request must fail.
bool AllocationShouldFail() {
    int32_t left = g_fail_next_allocations.load(std::memory_order_relaxed);
    while (left > 0) {
        if (g_fail_next_allocations.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) return true;
    }
    return false;
}

void *TryRealloc(void *block, size_t size) {
    if (AllocationShouldFail()) return nullptr;
    return std::realloc(block, size);
}

void *TryMalloc(size_t size) {
    if (AllocationShouldFail()) return nullptr;
    return std::malloc(size);
}

constexpr int64_t kPage = 4096;
constexpr int64_t kAllocatorOverhead = 96;
constexpr int64_t kMaxPageStep = 0x400000;

// The reservation for newUsed bytes; may exceed the 32-bit range (the caller rejects that).
int64_t ReservationFor(int64_t newUsed, int64_t granularity, int64_t reserve) {
    int64_t step = std::max(newUsed / 2, granularity);
    int64_t size;
    if (granularity < kPage) {
        size = newUsed + step;
    } else {
        step -= step % kPage;
        step = std::clamp(step, kPage, kMaxPageStep);
        const int64_t end = newUsed + step + kAllocatorOverhead;
        size = end - end % kPage - kAllocatorOverhead;
    }
    return std::max(size, reserve);
}

}  // namespace

void GrowBufFailNextAllocations(int32_t count) {
    g_fail_next_allocations.store(count > 0 ? count : 0, std::memory_order_relaxed);
}

// A granularity below 1 would allow a zero-byte reservation; treat it as 1.
GrowBuf::GrowBuf(int32_t granularity_) : granularity(granularity_ > 0 ? granularity_ : 1) {}

GrowBuf::~GrowBuf() { Free(); }

void GrowBuf::Free() {
    std::free(data);
    data = nullptr;
    allocated = 0;
    used = 0;
}

void *GrowBuf::Resize(int32_t newUsed, bool allowShrink) {
    if (newUsed == used) return Get();
    // A negative size cannot be honoured: treat it as a request that cannot be satisfied.
    if (newUsed < 0) return Get();

    const int64_t want = newUsed;
    const bool grow = want > allocated;
    const bool shrink = allowShrink && newUsed < used && want < allocated / 2 &&
                        want < static_cast<int64_t>(allocated) - 4 * static_cast<int64_t>(granularity);
    if (grow || shrink) {
        const int64_t size = ReservationFor(want, granularity, reserve);
        // A reservation beyond the 32-bit range fails like an exhausted heap.
        if (size > INT32_MAX || size < want) return Get();
        if (size != allocated) {
            uint8_t *block = static_cast<uint8_t *>(TryRealloc(data, static_cast<size_t>(size)));
            if (!block && size != 0) {
                block = static_cast<uint8_t *>(TryMalloc(static_cast<size_t>(size)));
                if (!block) return Get();  // exhausted: the buffer is exactly as before
                const int32_t keep = std::min(used, newUsed);
                if (data && keep > 0) std::memcpy(block, data, static_cast<size_t>(keep));
                std::free(data);
            }
            data = block;
            allocated = static_cast<int32_t>(size);
        }
    }
    used = newUsed;
    return Get();
}
