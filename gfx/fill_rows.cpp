// Solid-fill rows: the per-pixel reference and the vector form held to it (see fill_rows.h).
#include "gfx/fill_rows.h"

#include "gfx/blend_internal.h"
#include "gfx/kernel_level.h"

#if defined(__SSE2__)
#include "gfx/sse2_lanes.h"
#endif
#if QLV_HAVE_AVX2_KERNELS
#include <immintrin.h>
#endif

namespace gfx_internal {

namespace {

// The solid-source formula of one operation on all four channels, the weight standing in for the
// source alpha.
template <int (*Channel)(int, int, int)>
void ChannelsReference(GFX_Color32 *d, int n, GFX_Color32 c, int w) {
    const int r = Red(c), g = Green(c), b = Blue(c);
    for (int i = 0; i < n; ++i) {
        const GFX_Color32 p = d[i];
        d[i] = PackClamped(Channel(r, Red(p), w), Channel(g, Green(p), w), Channel(b, Blue(p), w),
                           Channel(w, Alpha(p), w));
    }
}

}  // namespace

void FillRowReference(GFX_Color32 *d, int n, GFX_Color32 c) {
    for (int i = 0; i < n; ++i) d[i] = c;
}
void FillRowHalfReference(GFX_Color32 *d, int n, GFX_Color32 c) {
    const GFX_Color32 k = Half(c);
    for (int i = 0; i < n; ++i) d[i] = k + Half(d[i]);
}
void FillRowQuarterReference(GFX_Color32 *d, int n, GFX_Color32 c) {
    const GFX_Color32 k = Quarter(c);
    for (int i = 0; i < n; ++i) d[i] = k + Half(d[i]) + Quarter(d[i]);
}
void FillRowThreeQuartersReference(GFX_Color32 *d, int n, GFX_Color32 c) {
    const GFX_Color32 k = Half(c) + Quarter(c);
    for (int i = 0; i < n; ++i) d[i] = k + Quarter(d[i]);
}
void FillRowCopyReference(GFX_Color32 *d, int n, GFX_Color32 c, int w) { ChannelsReference<CopyChannel>(d, n, c, w); }
void FillRowAddReference(GFX_Color32 *d, int n, GFX_Color32 c, int w) { ChannelsReference<AddChannel>(d, n, c, w); }

#if defined(__SSE2__)

namespace {

using namespace sse2;

inline __m128i Halves(__m128i v) { return _mm_and_si128(_mm_srli_epi32(v, 1), _mm_set1_epi8(0x7F)); }
inline __m128i Quarters(__m128i v) { return _mm_and_si128(_mm_srli_epi32(v, 2), _mm_set1_epi8(0x3F)); }

// Applies `f(four words)` to the row, the last n mod 4 words through the reference `tail`.
template <class F, class Tail>
void Rows4(GFX_Color32 *d, int n, F f, Tail tail) {
    int i = 0;
    for (; i + 4 <= n; i += 4) Store4(d + i, f(Load4(d + i)));
    tail(d + i, n - i);
}

// A channel amount clamped into a byte.
inline int Byte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace

#if QLV_HAVE_AVX2_KERNELS
namespace {
__attribute__((target("avx2"))) void FillRowAvx2(GFX_Color32 *d, int n, GFX_Color32 c) {
    const __m256i v = _mm256_set1_epi32(static_cast<int>(c));
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(d + i), v);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(d + i + 8), v);
    }
    FillRowReference(d + i, n - i, c);
}
}  // namespace
#endif

void FillRow(GFX_Color32 *d, int n, GFX_Color32 c) {
    if (!VectorKernels()) return FillRowReference(d, n, c);
#if QLV_HAVE_AVX2_KERNELS
    if (Avx2Kernels()) return FillRowAvx2(d, n, c);
#endif
    const __m128i v = _mm_set1_epi32(static_cast<int>(c));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        Store4(d + i, v);
        Store4(d + i + 4, v);
    }
    FillRowReference(d + i, n - i, c);
}

void FillRowHalf(GFX_Color32 *d, int n, GFX_Color32 c) {
    if (!VectorKernels()) return FillRowHalfReference(d, n, c);
    const __m128i k = _mm_set1_epi32(static_cast<int>(Half(c)));
    Rows4(d, n, [k](__m128i p) { return _mm_add_epi32(k, Halves(p)); },
          [c](GFX_Color32 *t, int m) { FillRowHalfReference(t, m, c); });
}

void FillRowQuarter(GFX_Color32 *d, int n, GFX_Color32 c) {
    if (!VectorKernels()) return FillRowQuarterReference(d, n, c);
    const __m128i k = _mm_set1_epi32(static_cast<int>(Quarter(c)));
    Rows4(d, n, [k](__m128i p) { return _mm_add_epi32(_mm_add_epi32(k, Halves(p)), Quarters(p)); },
          [c](GFX_Color32 *t, int m) { FillRowQuarterReference(t, m, c); });
}

void FillRowThreeQuarters(GFX_Color32 *d, int n, GFX_Color32 c) {
    if (!VectorKernels()) return FillRowThreeQuartersReference(d, n, c);
    const __m128i k = _mm_set1_epi32(static_cast<int>(Half(c) + Quarter(c)));
    Rows4(d, n, [k](__m128i p) { return _mm_add_epi32(k, Quarters(p)); },
          [c](GFX_Color32 *t, int m) { FillRowThreeQuartersReference(t, m, c); });
}

void FillRowCopy(GFX_Color32 *d, int n, GFX_Color32 c, int w) {
    if (!VectorKernels() || w <= 0 || w >= 256) return FillRowCopyReference(d, n, c, w);
    // s × w per lane (blue, green, red, then w × w for alpha), twice for two pixels.
    const __m128i sw = _mm_set_epi16(static_cast<short>(w * w), static_cast<short>(Red(c) * w),
                                     static_cast<short>(Green(c) * w), static_cast<short>(Blue(c) * w),
                                     static_cast<short>(w * w), static_cast<short>(Red(c) * w),
                                     static_cast<short>(Green(c) * w), static_cast<short>(Blue(c) * w));
    const __m128i inv = _mm_set1_epi16(static_cast<short>(256 - w));
    const __m128i zero = _mm_setzero_si128();
    auto blend = [&](__m128i d16) { return _mm_srli_epi16(_mm_add_epi16(sw, _mm_mullo_epi16(d16, inv)), 8); };
    Rows4(d, n,
          [&](__m128i p) { return _mm_packus_epi16(blend(_mm_unpacklo_epi8(p, zero)), blend(_mm_unpackhi_epi8(p, zero))); },
          [c, w](GFX_Color32 *t, int m) { FillRowCopyReference(t, m, c, w); });
}

void FillRowAdd(GFX_Color32 *d, int n, GFX_Color32 c, int w) {
    if (!VectorKernels()) return FillRowAddReference(d, n, c, w);
    // The amount added to each channel; |w| ≤ 1024 keeps every product inside an int.
    const int k[4] = {Blue(c) * w / 256, Green(c) * w / 256, Red(c) * w / 256, w * w / 256};
    GFX_Color32 up = 0, down = 0;
    for (int ch = 0; ch < 4; ++ch) {
        up |= static_cast<GFX_Color32>(Byte(k[ch])) << (8 * ch);
        down |= static_cast<GFX_Color32>(Byte(-k[ch])) << (8 * ch);
    }
    const __m128i add = _mm_set1_epi32(static_cast<int>(up)), sub = _mm_set1_epi32(static_cast<int>(down));
    Rows4(d, n, [&](__m128i p) { return _mm_subs_epu8(_mm_adds_epu8(p, add), sub); },
          [c, w](GFX_Color32 *t, int m) { FillRowAddReference(t, m, c, w); });
}

#else

void FillRow(GFX_Color32 *d, int n, GFX_Color32 c) { FillRowReference(d, n, c); }
void FillRowHalf(GFX_Color32 *d, int n, GFX_Color32 c) { FillRowHalfReference(d, n, c); }
void FillRowQuarter(GFX_Color32 *d, int n, GFX_Color32 c) { FillRowQuarterReference(d, n, c); }
void FillRowThreeQuarters(GFX_Color32 *d, int n, GFX_Color32 c) { FillRowThreeQuartersReference(d, n, c); }
void FillRowCopy(GFX_Color32 *d, int n, GFX_Color32 c, int w) { FillRowCopyReference(d, n, c, w); }
void FillRowAdd(GFX_Color32 *d, int n, GFX_Color32 c, int w) { FillRowAddReference(d, n, c, w); }

#endif

}  // namespace gfx_internal
