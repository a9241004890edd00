// The floor every pixel benchmark is read against: a memcpy of the same number of 32-bit
// pixels, measured in the same run and reported in pixels per second like the rest.
#pragma once

#include <benchmark/benchmark.h>

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
