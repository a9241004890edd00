// Additive blend rows: the per-pixel reference and the vector form held to it (see add_rows.h).
#include "gfx/add_rows.h"

#include "gfx/blend_internal.h"
#include "gfx/kernel_level.h"

#if defined(__SSE2__)
#include "gfx/sse2_lanes.h"
#endif
#if QLV_HAVE_AVX2_KERNELS
#include <immintrin.h>
#endif

namespace gfx_internal {

void AddRowReference(GFX_Color32 *d, const GFX_Color32 *s, int n, int w) {
    for (int i = 0; i < n; ++i) MixAdd(d + i, Red(s[i]), Green(s[i]), Blue(s[i]), Alpha(s[i]), w);
}

void AddAlphaRowReference(GFX_Color32 *d, const GFX_Color32 *s, int n, int w) {
    for (int i = 0; i < n; ++i) MixAddWithAlpha(d + i, Red(s[i]), Green(s[i]), Blue(s[i]), Alpha(s[i]), w);
}

#if defined(__SSE2__)

namespace {

using namespace sse2;

// d ± k per byte with saturation, the sign of the weight choosing.
inline __m128i Apply(__m128i d, __m128i k, bool negative) {
    return negative ? _mm_subs_epu8(d, k) : _mm_adds_epu8(d, k);
}

// s × W >> 8 per 16-bit lane (s a byte, W ≤ 256).
inline __m128i Scaled(__m128i s16, __m128i W) { return _mm_srli_epi16(_mm_mullo_epi16(s16, W), 8); }

template <bool kNegative>
void AddRowSse2(GFX_Color32 *__restrict d, const GFX_Color32 *__restrict s, int n, int magnitude) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i W = _mm_set1_epi16(static_cast<short>(magnitude));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = Load4(s + i);
        const __m128i k = _mm_packus_epi16(Scaled(_mm_unpacklo_epi8(sv, zero), W), Scaled(_mm_unpackhi_epi8(sv, zero), W));
        Store4(d + i, Apply(Load4(d + i), k, kNegative));
    }
    AddRowReference(d + i, s + i, n - i, kNegative ? -magnitude : magnitude);
}

// w′ = |w| × (a + 1) >> 8 per lane, and the same at |w| = 256, where the product would not fit
// a lane: there w′ = a + 1, except 0 for a = 0 (the transparent pixel is skipped; below 256 the
// formula gives 0 there by itself).
template <bool kFull>
inline __m128i PixelWeight(__m128i alpha16, __m128i W, __m128i one) {
    if (kFull) return _mm_add_epi16(alpha16, _mm_min_epi16(alpha16, one));
    return Scaled(_mm_add_epi16(alpha16, one), W);
}

template <bool kNegative, bool kFull>
void AddAlphaRowSse2(GFX_Color32 *__restrict d, const GFX_Color32 *__restrict s, int n, int magnitude) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    const __m128i W = _mm_set1_epi16(static_cast<short>(magnitude));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = Load4(s + i);
        if (AllTransparent(sv)) continue;
        const __m128i lo = _mm_unpacklo_epi8(sv, zero), hi = _mm_unpackhi_epi8(sv, zero);
        const __m128i k_lo = Scaled(lo, PixelWeight<kFull>(BroadcastAlpha(lo), W, one));
        const __m128i k_hi = Scaled(hi, PixelWeight<kFull>(BroadcastAlpha(hi), W, one));
        Store4(d + i, Apply(Load4(d + i), _mm_packus_epi16(k_lo, k_hi), kNegative));
    }
    AddAlphaRowReference(d + i, s + i, n - i, kNegative ? -magnitude : magnitude);
}

// Full strength: s × 256 >> 8 is s itself, so the row is a saturating add of the source bytes.
void AddFullRowSse2(GFX_Color32 *__restrict d, const GFX_Color32 *__restrict s, int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4) Store4(d + i, _mm_adds_epu8(Load4(d + i), Load4(s + i)));
    AddRowReference(d + i, s + i, n - i, kAddFastMaxWeight);
}

#if QLV_HAVE_AVX2_KERNELS
__attribute__((target("avx2"))) void AddFullRowAvx2(GFX_Color32 *__restrict d, const GFX_Color32 *__restrict s,
                                                    int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + i));
        const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(d + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(d + i), _mm256_adds_epu8(dv, sv));
    }
    AddFullRowSse2(d + i, s + i, n - i);
}
#endif

}  // namespace

void AddRow(GFX_Color32 *d, const GFX_Color32 *s, int n, int w) {
    if (!VectorKernels() || w > kAddFastMaxWeight || w < -kAddFastMaxWeight) {
        AddRowReference(d, s, n, w);
    } else if (w == kAddFastMaxWeight) {
#if QLV_HAVE_AVX2_KERNELS
        if (Avx2Kernels()) return AddFullRowAvx2(d, s, n);
#endif
        AddFullRowSse2(d, s, n);
    } else if (w < 0) {
        AddRowSse2<true>(d, s, n, -w);
    } else {
        AddRowSse2<false>(d, s, n, w);
    }
}

void AddAlphaRow(GFX_Color32 *d, const GFX_Color32 *s, int n, int w) {
    if (!VectorKernels() || w > kAddFastMaxWeight || w < -kAddFastMaxWeight) {
        AddAlphaRowReference(d, s, n, w);
    } else if (w == kAddFastMaxWeight) {
        AddAlphaRowSse2<false, true>(d, s, n, w);
    } else if (w == -kAddFastMaxWeight) {
        AddAlphaRowSse2<true, true>(d, s, n, -w);
    } else if (w < 0) {
        AddAlphaRowSse2<true, false>(d, s, n, -w);
    } else {
        AddAlphaRowSse2<false, false>(d, s, n, w);
    }
}

#else

void AddRow(GFX_Color32 *d, const GFX_Color32 *s, int n, int w) { AddRowReference(d, s, n, w); }
void AddAlphaRow(GFX_Color32 *d, const GFX_Color32 *s, int n, int w) { AddAlphaRowReference(d, s, n, w); }

#endif

}  // namespace gfx_internal
