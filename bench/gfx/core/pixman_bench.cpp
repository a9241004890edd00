// pixman's equivalents of the core kernels on the same pixels (1920 × 1080 and 256 × 256 random
// words), when the build found pixman: OVER for the source-alpha copy, ADD for the additive
// blend (through a constant mask for the weighted one), pixman_fill for the opaque fill, OVER of a translucent solid colour for the blended
// fills, SRC for the opaque copy. pixman reads its pixels as premultiplied, so its results differ
// from ours; the work per pixel is what is compared.
#ifdef QLV_HAVE_PIXMAN
#include "gfx/gfx.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>

namespace {

void Pattern(GFX_MemBitmap &b, uint32_t seed) {
    uint32_t x = seed;
    GFX_Color32 *p = b.PixelData();
    for (int i = 0; i < b.PixelWidth() * b.PixelHeight(); ++i) {
        x = x * 1664525u + 1013904223u;
        p[i] = x;
    }
}

pixman_image_t *Wrap(GFX_MemBitmap &b) {
    return pixman_image_create_bits(PIXMAN_a8r8g8b8, b.PixelWidth(), b.PixelHeight(),
                                    reinterpret_cast<uint32_t *>(b.PixelData()), b.PixelWidth() * 4);
}

// `mask_alpha` above 0: a constant mask of that strength (0..0xFFFF), as our weighted blends.
void Composite(benchmark::State &state, pixman_op_t op, bool solid, uint16_t mask_alpha = 0) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    GFX_MemBitmap src(w, h), dst(w, h);
    Pattern(src, 1);
    Pattern(dst, 2);
    pixman_color_t colour{0x6060, 0x4040, 0x8080, 0x9999};
    pixman_image_t *ps = solid ? pixman_image_create_solid_fill(&colour) : Wrap(src);
    pixman_image_t *pd = Wrap(dst);
    pixman_color_t strength{0, 0, 0, mask_alpha};
    pixman_image_t *pm = mask_alpha ? pixman_image_create_solid_fill(&strength) : nullptr;
    for (auto _ : state) {
        pixman_image_composite32(op, ps, pm, pd, 0, 0, 0, 0, 0, 0, w, h);
        benchmark::ClobberMemory();
    }
    if (pm) pixman_image_unref(pm);
    pixman_image_unref(ps);
    pixman_image_unref(pd);
    state.SetItemsProcessed(state.iterations() * w * h);
}

void BM_Pixman_Src(benchmark::State &s) { Composite(s, PIXMAN_OP_SRC, false); }
void BM_Pixman_Over(benchmark::State &s) { Composite(s, PIXMAN_OP_OVER, false); }
void BM_Pixman_Add(benchmark::State &s) { Composite(s, PIXMAN_OP_ADD, false); }
void BM_Pixman_OverSolid(benchmark::State &s) { Composite(s, PIXMAN_OP_OVER, true); }
// The weighted additive blend's equivalent: ADD through a constant mask at 0.7 (BM_DrawBitmap_Add).
void BM_Pixman_AddMasked(benchmark::State &s) { Composite(s, PIXMAN_OP_ADD, false, 0xB333); }

void BM_Pixman_Fill(benchmark::State &state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    GFX_MemBitmap dst(w, h);
    Pattern(dst, 3);
    for (auto _ : state) {
        pixman_fill(reinterpret_cast<uint32_t *>(dst.PixelData()), w, 32, 0, 0, w, h, 0xC0406080u);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

void Sized(benchmark::internal::Benchmark *b) { b->Args({1920, 1080})->Args({256, 256}); }
BENCHMARK(BM_Pixman_Src)->Apply(Sized);
BENCHMARK(BM_Pixman_Over)->Apply(Sized);
BENCHMARK(BM_Pixman_Add)->Apply(Sized);
BENCHMARK(BM_Pixman_OverSolid)->Apply(Sized);
BENCHMARK(BM_Pixman_AddMasked)->Apply(Sized);
BENCHMARK(BM_Pixman_Fill)->Apply(Sized);

}  // namespace
#endif
