// Throughput of the raster core in pixels per second (items_per_second), with a memcpy of the
// same bytes measured in the same run as the floor to compare against.
#include "bench/common/memcpy_floor.h"
#include "gfx/gfx.h"
#include "gfx/kernel_level.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Arguments: width, height, kernel level (see SizedLevels).
void Sized(benchmark::internal::Benchmark *b) { b->Args({1920, 1080, 2})->Args({256, 256, 2}); }

// Kernels with a vector form run at every kernel level (third argument: 0 scalar, the reference
// and the kernels as they were before the vector forms; 1 SSE2; 2 AVX2 where the processor has
// it, otherwise the best level there is), in one run.
void SizedLevels(benchmark::internal::Benchmark *b) {
    for (int level : {0, 1, 2}) b->Args({1920, 1080, level})->Args({256, 256, level});
}

// Sets the kernel level from the third argument for the benchmark's lifetime.
struct LevelScope {
    explicit LevelScope(const benchmark::State &state) {
        gfx_internal::SetKernelLevel(static_cast<gfx_internal::KernelLevel>(state.range(2)));
    }
    ~LevelScope() { gfx_internal::SetKernelLevel(gfx_internal::SupportedKernelLevel()); }
};

void FillPattern(GFX_MemBitmap &b, uint32_t seed) {
    uint32_t x = seed;
    GFX_Color32 *p = b.PixelData();
    for (int i = 0; i < b.PixelWidth() * b.PixelHeight(); ++i) {
        x = x * 1664525u + 1013904223u;
        p[i] = x;
    }
}

void SetPixels(benchmark::State &state) {
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

void BM_Memcpy(benchmark::State &state) { RunMemcpyFloor(state, state.range(0) * state.range(1)); }
void BM_MemcpyMainMemory(benchmark::State &state) { RunMemcpyFloorMainMemory(state, state.range(0) * state.range(1)); }
BENCHMARK(BM_Memcpy)->Apply(Sized);
BENCHMARK(BM_MemcpyMainMemory)->Apply(Sized);

void Blit(benchmark::State &state, float alpha, GFX_CombineMode mode) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    GFX_MemBitmap src(w, h), dst(w, h);
    FillPattern(src, 1);
    FillPattern(dst, 2);
    LevelScope level(state);
    for (auto _ : state) {
        GFX_DrawBitmap(&dst, &src, 0, 0, nullptr, alpha, mode);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}

void BM_DrawBitmap_Opaque(benchmark::State &s) { Blit(s, 1.0f, GFX_COMBINE_COPY); }
void BM_DrawBitmap_Half(benchmark::State &s) { Blit(s, 0.5f, GFX_COMBINE_COPY); }
void BM_DrawBitmap_SourceAlpha_1_0(benchmark::State &s) { Blit(s, 1.0f, GFX_COMBINE_SOURCE_ALPHA); }
void BM_DrawBitmap_SourceAlpha_0_7(benchmark::State &s) { Blit(s, 0.7f, GFX_COMBINE_SOURCE_ALPHA); }
void BM_DrawBitmap_Add(benchmark::State &s) { Blit(s, 0.7f, GFX_COMBINE_ADD); }
void BM_DrawBitmap_Add_1_0(benchmark::State &s) { Blit(s, 1.0f, GFX_COMBINE_ADD); }
void BM_DrawBitmap_AddSourceAlpha(benchmark::State &s) { Blit(s, 1.0f, GFX_COMBINE_ADD | GFX_COMBINE_SOURCE_ALPHA); }
BENCHMARK(BM_DrawBitmap_Opaque)->Apply(Sized);
BENCHMARK(BM_DrawBitmap_Half)->Apply(Sized);
BENCHMARK(BM_DrawBitmap_SourceAlpha_1_0)->Apply(SizedLevels);
BENCHMARK(BM_DrawBitmap_SourceAlpha_0_7)->Apply(SizedLevels);
BENCHMARK(BM_DrawBitmap_Add)->Apply(SizedLevels);
BENCHMARK(BM_DrawBitmap_Add_1_0)->Apply(SizedLevels);
BENCHMARK(BM_DrawBitmap_AddSourceAlpha)->Apply(SizedLevels);

void Fill(benchmark::State &state, float alpha, GFX_CombineMode mode) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    GFX_MemBitmap dst(w, h);
    FillPattern(dst, 3);
    LevelScope level(state);
    for (auto _ : state) {
        GFX_BlendRect(&dst, 0, 0, w, h, 0xC0406080u, alpha, mode);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}

void BM_BlendRect_Opaque(benchmark::State &s) { Fill(s, 1.0f, GFX_COMBINE_COPY); }
void BM_BlendRect_Half(benchmark::State &s) { Fill(s, 0.5f, GFX_COMBINE_COPY); }
void BM_BlendRect_Quarter(benchmark::State &s) { Fill(s, 0.25f, GFX_COMBINE_COPY); }
void BM_BlendRect_ThreeQuarters(benchmark::State &s) { Fill(s, 0.75f, GFX_COMBINE_COPY); }
void BM_BlendRect_General(benchmark::State &s) { Fill(s, 0.6f, GFX_COMBINE_COPY); }
void BM_BlendRect_Add(benchmark::State &s) { Fill(s, 0.6f, GFX_COMBINE_ADD); }
BENCHMARK(BM_BlendRect_Opaque)->Apply(SizedLevels);
BENCHMARK(BM_BlendRect_Half)->Apply(SizedLevels);
BENCHMARK(BM_BlendRect_Quarter)->Apply(SizedLevels);
BENCHMARK(BM_BlendRect_ThreeQuarters)->Apply(SizedLevels);
BENCHMARK(BM_BlendRect_General)->Apply(SizedLevels);
BENCHMARK(BM_BlendRect_Add)->Apply(SizedLevels);

// Text covering the whole bitmap: one line of characters per 8 rows. Items are the pixels of
// the cells drawn (the bitmap's area).
void BM_PrintString(benchmark::State &state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    GFX_MemBitmap dst(w, h);
    FillPattern(dst, 4);
    std::string line;
    for (int i = 0; i < w / 8; ++i) line.push_back(static_cast<char>('!' + i % 94));
    for (auto _ : state) {
        for (int y = 0; y + 8 <= h; y += 8) GFX_PrintString(&dst, 0, y, line.c_str(), 0xFFFFFFFFu, 0.8f, 0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(w / 8 * 8) * (h / 8 * 8));
}
BENCHMARK(BM_PrintString)->Apply(Sized);

}  // namespace

BENCHMARK_MAIN();
