// The floors every pixel benchmark is read against: a memcpy of the same number of 32-bit
// pixels, measured in the same run and reported in pixels per second like the rest.
//
// Two floors, because a frame-sized memcpy on its own is not stable: repeated on the same two
// buffers it runs from whatever cache level holds them (and a 1920 × 1080 frame fits this
// machine's last-level cache). RunMemcpyFloor is that cache-warm copy; RunMemcpyFloorMainMemory
// walks its source and destination through a pool larger than any last-level cache, so every
// copy reads and writes main memory. The main-memory one is the floor the goals are stated in.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

inline void RunMemcpyFloor(benchmark::State &state, int64_t pixels) {
    const size_t bytes = static_cast<size_t>(pixels * 4);
    std::vector<uint8_t> a(bytes, 1), b(bytes, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * pixels);
}

// Size of the pool the main-memory floor cycles through: several times any last-level cache.
constexpr size_t kMainMemoryPoolBytes = size_t{256} << 20;

inline void RunMemcpyFloorMainMemory(benchmark::State &state, int64_t pixels) {
    const size_t bytes = static_cast<size_t>(pixels * 4);
    // At least two source/destination pairs, so no copy finds its buffers still cached.
    const size_t slots = std::max<size_t>(4, kMainMemoryPoolBytes / (bytes ? bytes : 1));
    std::vector<uint8_t> pool(slots * bytes, 3);
    size_t next = 0;
    for (auto _ : state) {
        uint8_t *from = pool.data() + next * bytes;
        uint8_t *to = pool.data() + ((next + slots / 2) % slots) * bytes;
        std::memcpy(to, from, bytes);
        benchmark::ClobberMemory();
        next = (next + 1) % slots;
    }
    state.SetItemsProcessed(state.iterations() * pixels);
}
