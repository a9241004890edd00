// SSE2 shrink-kernel averages (see shrink_rows.h for why they are exact).
#include "gfx/shrink_rows.h"

#include "gfx/kernel_level.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gfx_internal {

#if defined(__SSE2__)

bool HaveShrinkSamplesVector() { return true; }

namespace {

// Pixels p[0], p[1] as eight 16-bit lanes paired by channel (blue of p[0], blue of p[1], ...).
inline __m128i Pairs(const GFX_Color32 *p) {
    const __m128i wide = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)), _mm_setzero_si128());
    return _mm_unpacklo_epi16(wide, _mm_srli_si128(wide, 8));
}
// One pixel paired with zeros; reads nothing beyond it.
inline __m128i Single(const GFX_Color32 *p) {
    const __m128i wide = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(*p)), _mm_setzero_si128());
    return _mm_unpacklo_epi16(wide, _mm_setzero_si128());
}
inline __m128i WeightPair(int left, int right) {
    return _mm_set1_epi32(static_cast<int>(static_cast<uint32_t>(left) | (static_cast<uint32_t>(right) << 16)));
}

}  // namespace

void ShrinkSamples(GFX_Color32 *out, const GFX_Color32 *const rows[kShrinkMaxSize], int64_t x_start, int64_t dx16,
                   int n, const int weights[kShrinkMaxSize][kShrinkMaxSize], int size, int total) {
    if (Avx2Kernels()) {
        const int done = ShrinkSamplesAvx2(out, rows, x_start, dx16, n, weights, size, total);
        out += done;
        x_start += done * dx16;
        n -= done;
        if (n == 0) return;
    }
    // Weight pairs of columns (0, 1), (2, 3) and (4, none) of every row, high parts and low bytes.
    __m128i high[kShrinkMaxSize][3], low[kShrinkMaxSize][3];
    for (int r = 0; r < size; ++r) {
        for (int p = 0; p < 3; ++p) {
            const int a = 2 * p < size ? weights[r][2 * p] : 0;
            const int b = 2 * p + 1 < size ? weights[r][2 * p + 1] : 0;
            high[r][p] = WeightPair(a >> 8, b >> 8);
            low[r][p] = WeightPair(a & 0xFF, b & 0xFF);
        }
    }
    const __m128d divisor = _mm_set1_pd(static_cast<double>(total));
    const int offset = -(size / 2);
    int64_t x16 = x_start;
    for (int k = 0; k < n; ++k, x16 += dx16) {
        const int left = static_cast<int>(x16 / 65536) + offset;
        __m128i sum_high = _mm_setzero_si128(), sum_low = _mm_setzero_si128();
        for (int r = 0; r < size; ++r) {
            const GFX_Color32 *s = rows[r] + left;
            const __m128i p0 = Pairs(s);
            sum_high = _mm_add_epi32(sum_high, _mm_madd_epi16(p0, high[r][0]));
            sum_low = _mm_add_epi32(sum_low, _mm_madd_epi16(p0, low[r][0]));
            if (size == 5) {
                const __m128i p1 = Pairs(s + 2);
                sum_high = _mm_add_epi32(sum_high, _mm_madd_epi16(p1, high[r][1]));
                sum_low = _mm_add_epi32(sum_low, _mm_madd_epi16(p1, low[r][1]));
            }
            const __m128i last = Single(s + size - 1);
            sum_high = _mm_add_epi32(sum_high, _mm_madd_epi16(last, high[r][size / 2]));
            sum_low = _mm_add_epi32(sum_low, _mm_madd_epi16(last, low[r][size / 2]));
        }
        const __m128i sum = _mm_add_epi32(_mm_slli_epi32(sum_high, 8), sum_low);  // blue, green, red, alpha
        const __m128i q_lo = _mm_cvttpd_epi32(_mm_div_pd(_mm_cvtepi32_pd(sum), divisor));
        const __m128i q_hi = _mm_cvttpd_epi32(_mm_div_pd(_mm_cvtepi32_pd(_mm_srli_si128(sum, 8)), divisor));
        const __m128i q = _mm_unpacklo_epi64(q_lo, q_hi);
        const __m128i packed = _mm_packs_epi32(q, q);
        out[k] = static_cast<GFX_Color32>(_mm_cvtsi128_si32(_mm_packus_epi16(packed, packed)));
    }
}

#else

bool HaveShrinkSamplesVector() { return false; }
void ShrinkSamples(GFX_Color32 *, const GFX_Color32 *const[kShrinkMaxSize], int64_t, int64_t, int,
                   const int[kShrinkMaxSize][kShrinkMaxSize], int, int) {}

#endif

}  // namespace gfx_internal
