// SSE2 bilinear samples (see bilinear_rows.h for why they are exact).
#include "gfx/bilinear_rows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gfx_internal {

#if defined(__SSE2__)

bool HaveBilinearSamplesVector() { return true; }

namespace {

// Two neighbouring pixels p[0], p[1] as eight 16-bit lanes paired by channel:
// blue of p[0], blue of p[1], green of p[0], green of p[1], ... alpha of p[1].
inline __m128i Pairs(const GFX_Color32 *p) {
    const __m128i wide = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)), _mm_setzero_si128());
    return _mm_unpacklo_epi16(wide, _mm_srli_si128(wide, 8));
}

// The weight pair (left, right) in every 32-bit lane, as two 16-bit halves.
inline __m128i WeightPair(uint32_t left, uint32_t right) { return _mm_set1_epi32(static_cast<int>(left | (right << 16))); }

}  // namespace

void BilinearSamples(GFX_Color32 *out, const GFX_Color32 *top, const GFX_Color32 *bottom, int64_t x_start,
                     int64_t dx16, int n, uint32_t fy) {
    int64_t x16 = x_start;
    int cached = -1;
    __m128i t = _mm_setzero_si128(), b = _mm_setzero_si128();
    for (int k = 0; k < n; ++k, x16 += dx16) {
        const int col = static_cast<int>(x16 / 65536);
        const uint32_t fx = static_cast<uint32_t>(x16 & 0xFFFF);
        if (col != cached) {
            t = Pairs(top + col);
            b = Pairs(bottom + col);
            cached = col;
        }
        const uint32_t wbr = (fx * fy) >> 16;
        const uint32_t wbl = fy - wbr;
        const uint32_t wtr = fx - wbr;
        const uint32_t wtl = 65536 - wtr - fy;
        const __m128i high = _mm_add_epi32(_mm_madd_epi16(t, WeightPair(wtl >> 8, wtr >> 8)),
                                           _mm_madd_epi16(b, WeightPair(wbl >> 8, wbr >> 8)));
        const __m128i low = _mm_add_epi32(_mm_madd_epi16(t, WeightPair(wtl & 0xFF, wtr & 0xFF)),
                                          _mm_madd_epi16(b, WeightPair(wbl & 0xFF, wbr & 0xFF)));
        const __m128i sum = _mm_srli_epi32(_mm_add_epi32(_mm_slli_epi32(high, 8), low), 16);
        const __m128i packed = _mm_packs_epi32(sum, sum);
        out[k] = static_cast<GFX_Color32>(_mm_cvtsi128_si32(_mm_packus_epi16(packed, packed)));
    }
}

#else

bool HaveBilinearSamplesVector() { return false; }
void BilinearSamples(GFX_Color32 *, const GFX_Color32 *, const GFX_Color32 *, int64_t, int64_t, int, uint32_t) {}

#endif

}  // namespace gfx_internal
