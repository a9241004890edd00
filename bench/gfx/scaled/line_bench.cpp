// Throughput of lines in drawn pixels per second (items_per_second): each shape, plain and
// anti-aliased, as an opaque copy and as a blended operation, in a 1024 × 1024 bitmap.
#include "gfx/gfx.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr int kSide = 1024;

enum Shape { kRow, kColumn, kDiagonal, kShallow, kSteep };

// A fan of segments of one shape across the bitmap; returns the pixels along their major axes.
template <class Draw>
int64_t Fan(Shape shape, Draw draw) {
    int64_t pixels = 0;
    for (int i = 0; i < 64; ++i) {
        const int a = 8 + i * 15;
        switch (shape) {
        case kRow: draw(0, a, kSide - 1, a); pixels += kSide; break;
        case kColumn: draw(a, 0, a, kSide - 1); pixels += kSide; break;
        case kDiagonal: draw(0, i, kSide - 1 - i, kSide - 1); pixels += kSide - i; break;
        case kShallow: draw(0, i, kSide - 1, i + 300); pixels += kSide; break;
        case kSteep: draw(i, 0, i + 300, kSide - 1); pixels += kSide; break;
        }
    }
    return pixels;
}

void Lines(benchmark::State &state, Shape shape, float alpha, GFX_CombineMode mode, unsigned char aa) {
    GFX_MemBitmap bm(kSide, kSide);
    GFX_SetAllPixels(&bm, 0xFF202020u);
    int64_t pixels = 0;
    for (auto _ : state) {
        pixels += Fan(shape, [&](int x1, int y1, int x2, int y2) {
            GFX_StrokeLine(&bm, x1, y1, x2, y2, 0xC0FF8040u, alpha, mode, aa);
        });
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(pixels);
}

#define QLV_LINE_BENCH(name, shape)                                                                              \
    void BM_Line_##name##_Opaque(benchmark::State &s) { Lines(s, shape, 1.0f, GFX_COMBINE_COPY, 0); }            \
    void BM_Line_##name##_Add(benchmark::State &s) { Lines(s, shape, 0.6f, GFX_COMBINE_ADD, 0); }                \
    void BM_Line_##name##_Smooth_Opaque(benchmark::State &s) { Lines(s, shape, 1.0f, GFX_COMBINE_COPY, 1); }     \
    void BM_Line_##name##_Smooth_Add(benchmark::State &s) { Lines(s, shape, 0.6f, GFX_COMBINE_ADD, 1); }         \
    BENCHMARK(BM_Line_##name##_Opaque);                                                                          \
    BENCHMARK(BM_Line_##name##_Add);                                                                             \
    BENCHMARK(BM_Line_##name##_Smooth_Opaque);                                                                   \
    BENCHMARK(BM_Line_##name##_Smooth_Add);

QLV_LINE_BENCH(Row, kRow)
QLV_LINE_BENCH(Column, kColumn)
QLV_LINE_BENCH(Diagonal, kDiagonal)
QLV_LINE_BENCH(Shallow, kShallow)
QLV_LINE_BENCH(Steep, kSteep)

#undef QLV_LINE_BENCH

}  // namespace
