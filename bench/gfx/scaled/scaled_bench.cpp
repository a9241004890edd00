// Throughput of the scaled blit in destination pixels per second (items_per_second), with a
// memcpy of the destination's bytes as the floor and, when the build found it, pixman's
// scaling of the same pictures measured in the same run.
//
// Sizes: a 128 × 128 picture stretched to 40-400 pixels square (as the image cache resizes
// gems), one-pixel-high strips drawn one destination row at a time (as sustain tails are), and
// a 1024 × 1024 background stretched to 1920 × 1080.
#include "bench/common/memcpy_floor.h"
#include "gfx/gfx.h"
#include "gfx/kernel_level.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#ifdef QLV_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

void FillPattern(GFX_MemBitmap &b, uint32_t seed) {
    uint32_t x = seed;
    GFX_Color32 *p = b.PixelData();
    for (int i = 0; i < b.PixelWidth() * b.PixelHeight(); ++i) {
        x = x * 1664525u + 1013904223u;
        p[i] = x;
    }
}

// Destination squares for the 128 × 128 picture, and the background case as (1920, 1080).
void Squares(benchmark::internal::Benchmark *b) {
    for (int side : {40, 64, 100, 200, 400}) b->Args({128, side, side, 1});
    b->Args({1024, 1920, 1080, 1});
}

// The same squares at every kernel level (fourth argument: 0 scalar, the reference and the
// kernels as they were before the vector forms; 1 SSE2, the baseline every 64-bit processor
// has; 2 AVX2 where the processor has it, otherwise the best level there is), in one run.
void SquaresLevels(benchmark::internal::Benchmark *b) {
    for (int level : {0, 1, 2}) {
        for (int side : {40, 64, 100, 200, 400}) b->Args({128, side, side, level});
        b->Args({1024, 1920, 1080, level});
    }
}

struct LevelScope {
    explicit LevelScope(const benchmark::State &state) {
        gfx_internal::SetKernelLevel(static_cast<gfx_internal::KernelLevel>(state.range(3)));
    }
    ~LevelScope() { gfx_internal::SetKernelLevel(gfx_internal::SupportedKernelLevel()); }
};

void SetPixels(benchmark::State &state) {
    state.SetItemsProcessed(state.iterations() * state.range(1) * state.range(2));
}

void BM_Memcpy(benchmark::State &state) { RunMemcpyFloor(state, state.range(1) * state.range(2)); }
void BM_MemcpyMainMemory(benchmark::State &state) { RunMemcpyFloorMainMemory(state, state.range(1) * state.range(2)); }
BENCHMARK(BM_Memcpy)->Apply(Squares);
BENCHMARK(BM_MemcpyMainMemory)->Apply(Squares);

void Stretch(benchmark::State &state, float alpha, GFX_CombineMode mode) {
    const int side = static_cast<int>(state.range(0));
    const int w = static_cast<int>(state.range(1)), h = static_cast<int>(state.range(2));
    GFX_MemBitmap src(side, side), dst(w, h);
    FillPattern(src, 1);
    FillPattern(dst, 2);
    LevelScope level(state);
    for (auto _ : state) {
        GFX_DrawBitmapScaled(&dst, &src, 0, 0, w, h, 0.0f, 0.0f, static_cast<float>(side), static_cast<float>(side),
                             alpha, mode);
        benchmark::ClobberMemory();
    }
    SetPixels(state);
}

// Unfiltered: the word-at-a-time copy, and a general nearest loop.
void BM_Scaled_Nearest_Opaque(benchmark::State &s) { Stretch(s, 1.0f, GFX_COMBINE_COPY); }
void BM_Scaled_Nearest_Add(benchmark::State &s) { Stretch(s, 0.7f, GFX_COMBINE_ADD); }
void BM_Scaled_Nearest_SourceAlpha(benchmark::State &s) { Stretch(s, 1.0f, GFX_COMBINE_SOURCE_ALPHA); }
// Filtered: bilinear when enlarging, the shrink kernel from a factor of 1.7 down.
void BM_Scaled_Filtered_Opaque(benchmark::State &s) { Stretch(s, 1.0f, GFX_COMBINE_FILTERED); }
void BM_Scaled_Filtered_SourceAlpha(benchmark::State &s) {
    Stretch(s, 1.0f, GFX_COMBINE_FILTERED | GFX_COMBINE_SOURCE_ALPHA);
}
BENCHMARK(BM_Scaled_Nearest_Opaque)->Apply(Squares);
BENCHMARK(BM_Scaled_Nearest_Add)->Apply(SquaresLevels);
BENCHMARK(BM_Scaled_Nearest_SourceAlpha)->Apply(SquaresLevels);
BENCHMARK(BM_Scaled_Filtered_Opaque)->Apply(SquaresLevels);
BENCHMARK(BM_Scaled_Filtered_SourceAlpha)->Apply(SquaresLevels);

// A sustain tail: a 64 × 1 strip drawn once per destination row, narrowing with the perspective,
// filtered with source alpha. Arguments: rows, widest row.
void BM_Scaled_StripPerRow(benchmark::State &state) {
    const int rows = static_cast<int>(state.range(0)), widest = static_cast<int>(state.range(1));
    GFX_MemBitmap src(64, 1), dst(widest + 2, rows);
    FillPattern(src, 3);
    FillPattern(dst, 4);
    int64_t pixels = 0;
    for (int y = 0; y < rows; ++y) pixels += widest - (widest / 2) * y / rows;
    for (auto _ : state) {
        for (int y = 0; y < rows; ++y) {
            const int w = widest - (widest / 2) * y / rows;
            GFX_DrawBitmapScaled(&dst, &src, (widest - w) / 2, y, w, 1, 0.0f, 0.0f, 64.0f, 1.0f, 1.0f,
                                 GFX_COMBINE_FILTERED | GFX_COMBINE_SOURCE_ALPHA);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * pixels);
}
BENCHMARK(BM_Scaled_StripPerRow)->Args({300, 60})->Args({600, 160});

#ifdef QLV_HAVE_PIXMAN
// The same stretches through pixman: a scaling transform on the source with the given filter,
// composited with SRC (a plain replacement, like the opaque copy above).
void PixmanStretch(benchmark::State &state, pixman_filter_t filter, pixman_op_t op = PIXMAN_OP_SRC) {
    const int side = static_cast<int>(state.range(0));
    const int w = static_cast<int>(state.range(1)), h = static_cast<int>(state.range(2));
    GFX_MemBitmap src(side, side), dst(w, h);
    FillPattern(src, 1);
    FillPattern(dst, 2);
    pixman_image_t *ps = pixman_image_create_bits(PIXMAN_a8r8g8b8, side, side,
                                                  reinterpret_cast<uint32_t *>(src.PixelData()), side * 4);
    pixman_image_t *pd =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, reinterpret_cast<uint32_t *>(dst.PixelData()), w * 4);
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(static_cast<double>(side) / w),
                                pixman_double_to_fixed(static_cast<double>(side) / h));
    pixman_image_set_transform(ps, &t);
    pixman_image_set_filter(ps, filter, nullptr, 0);
    pixman_image_set_repeat(ps, PIXMAN_REPEAT_PAD);
    for (auto _ : state) {
        pixman_image_composite32(op, ps, nullptr, pd, 0, 0, 0, 0, 0, 0, w, h);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(ps);
    pixman_image_unref(pd);
    SetPixels(state);
}
void BM_Pixman_Bilinear(benchmark::State &s) { PixmanStretch(s, PIXMAN_FILTER_BILINEAR); }
void BM_Pixman_Nearest(benchmark::State &s) { PixmanStretch(s, PIXMAN_FILTER_NEAREST); }
void BM_Pixman_NearestOver(benchmark::State &s) { PixmanStretch(s, PIXMAN_FILTER_NEAREST, PIXMAN_OP_OVER); }
BENCHMARK(BM_Pixman_Bilinear)->Apply(Squares);
BENCHMARK(BM_Pixman_Nearest)->Apply(Squares);
BENCHMARK(BM_Pixman_NearestOver)->Apply(Squares);
#endif

}  // namespace

BENCHMARK_MAIN();
