// Source-alpha copies of a picture shaped like the highway's gems: a disc that is opaque inside,
// transparent outside and ramps through every alpha at its rim, tiled over the whole destination.
// Unlike random words this has the runs of transparent and opaque pixels real pictures have.
// Items are destination pixels covered; BM_Memcpy in the same run is the floor.
#include "gfx/gfx.h"
#include "gfx/kernel_level.h"

#include <benchmark/benchmark.h>

#ifdef QLV_HAVE_PIXMAN
#include <pixman.h>
#endif

#include <cmath>
#include <cstdint>

namespace {

void FillDisc(GFX_MemBitmap &b) {
    const int w = b.PixelWidth(), h = b.PixelHeight();
    const double cx = w / 2.0, cy = h / 2.0, radius = w * 0.4, rim = w * 0.08;
    GFX_Color32 *p = b.PixelData();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            double a = (radius + rim - r) / rim;
            a = a < 0.0 ? 0.0 : (a > 1.0 ? 1.0 : a);
            const auto alpha = static_cast<GFX_Color32>(a * 255.0 + 0.5);
            p[y * w + x] = (alpha << 24) | (static_cast<GFX_Color32>(x & 255) << 16) |
                           (static_cast<GFX_Color32>(y & 255) << 8) | 0x40u;
        }
}

void Sprites(benchmark::State &state, float alpha) {
    const int side = static_cast<int>(state.range(0));
    GFX_MemBitmap sprite(side, side), dst(1920, 1080);
    FillDisc(sprite);
    for (int i = 0; i < 1920 * 1080; ++i) dst.PixelData()[i] = 0xFF203040u + static_cast<GFX_Color32>(i & 0xFF);
    // Second argument: the kernel level (0 scalar, 1 SSE2, 2 AVX2 where the processor has it).
    gfx_internal::SetKernelLevel(static_cast<gfx_internal::KernelLevel>(state.range(1)));
    for (auto _ : state) {
        for (int y = 0; y < 1080; y += side)
            for (int x = 0; x < 1920; x += side)
                GFX_DrawBitmap(&dst, &sprite, x, y, nullptr, alpha, GFX_COMBINE_COPY | GFX_COMBINE_SOURCE_ALPHA);
        benchmark::ClobberMemory();
    }
    gfx_internal::SetKernelLevel(gfx_internal::SupportedKernelLevel());
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}

void BM_DrawBitmap_SourceAlphaSprites_1_0(benchmark::State &s) { Sprites(s, 1.0f); }
void BM_DrawBitmap_SourceAlphaSprites_0_7(benchmark::State &s) { Sprites(s, 0.7f); }
void SidesLevels(benchmark::internal::Benchmark *b) {
    for (int level : {0, 1, 2}) b->Args({48, level})->Args({160, level});
}
BENCHMARK(BM_DrawBitmap_SourceAlphaSprites_1_0)->Apply(SidesLevels);
BENCHMARK(BM_DrawBitmap_SourceAlphaSprites_0_7)->Apply(SidesLevels);

#ifdef QLV_HAVE_PIXMAN
// The same tiling through pixman's OVER.
void BM_Pixman_OverSprites(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    GFX_MemBitmap sprite(side, side), dst(1920, 1080);
    FillDisc(sprite);
    for (int i = 0; i < 1920 * 1080; ++i) dst.PixelData()[i] = 0xFF203040u + static_cast<GFX_Color32>(i & 0xFF);
    pixman_image_t *ps = pixman_image_create_bits(PIXMAN_a8r8g8b8, side, side,
                                                  reinterpret_cast<uint32_t *>(sprite.PixelData()), side * 4);
    pixman_image_t *pd = pixman_image_create_bits(PIXMAN_a8r8g8b8, 1920, 1080,
                                                  reinterpret_cast<uint32_t *>(dst.PixelData()), 1920 * 4);
    for (auto _ : state) {
        for (int y = 0; y < 1080; y += side)
            for (int x = 0; x < 1920; x += side)
                pixman_image_composite32(PIXMAN_OP_OVER, ps, nullptr, pd, 0, 0, 0, 0, x, y, side, side);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(ps);
    pixman_image_unref(pd);
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}
BENCHMARK(BM_Pixman_OverSprites)->Arg(48)->Arg(160);
#endif

}  // namespace
