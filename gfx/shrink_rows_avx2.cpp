// AVX2 form of the shrink-kernel averages: the SSE2 arithmetic of shrink_rows.cpp on two samples
// at a time, sample k in the low 128-bit half of each register and sample k + 1 in the high
// half. Compiled for AVX2 function by function, and called only when the processor has it
// (kernel_level.h).
#include "gfx/shrink_rows.h"

#include "gfx/kernel_level.h"

#if QLV_HAVE_AVX2_KERNELS
#include <immintrin.h>

#define QLV_AVX2 __attribute__((target("avx2")))

namespace gfx_internal {

namespace {

// 16-bit lanes (one pixel per 64 bits) regrouped into channel pairs of neighbouring pixels.
QLV_AVX2 inline __m256i PairUp(__m256i wide) { return _mm256_unpacklo_epi16(wide, _mm256_srli_si256(wide, 8)); }

QLV_AVX2 inline __m256i Two(__m128i lo, __m128i hi) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}
QLV_AVX2 inline __m128i Load2(const GFX_Color32 *p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)); }
QLV_AVX2 inline __m128i Load1(const GFX_Color32 *p) { return _mm_cvtsi32_si128(static_cast<int>(*p)); }

QLV_AVX2 inline __m256i WeightPair(int left, int right) {
    return _mm256_set1_epi32(static_cast<int>(static_cast<uint32_t>(left) | (static_cast<uint32_t>(right) << 16)));
}

QLV_AVX2 inline __m256i MulAdd(__m256i sum, __m256i pixels, __m256i weights) {
    return _mm256_add_epi32(sum, _mm256_madd_epi16(pixels, weights));
}

// The loop for one kernel size, so that the compiler unrolls the rows.
template <int size>
QLV_AVX2 int ShrinkLoop(GFX_Color32 *out, const GFX_Color32 *const rows[kShrinkMaxSize], int64_t x16, int64_t dx16,
                        int n, const __m256i high[kShrinkMaxSize][3], const __m256i low[kShrinkMaxSize][3], int total) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256d divisor = _mm256_set1_pd(static_cast<double>(total));
    constexpr int offset = -(size / 2);
    int k = 0;
    for (; k + 2 <= n; k += 2, x16 += 2 * dx16) {
        const int left0 = static_cast<int>(x16 / 65536) + offset;
        const int left1 = static_cast<int>((x16 + dx16) / 65536) + offset;
        __m256i sum_high = zero, sum_low = zero;
        for (int r = 0; r < size; ++r) {
            const GFX_Color32 *s0 = rows[r] + left0, *s1 = rows[r] + left1;
            if constexpr (size == 5) {
                // Columns 0..3 of both neighbourhoods in one load each.
                const __m256i four = Two(_mm_loadu_si128(reinterpret_cast<const __m128i *>(s0)),
                                         _mm_loadu_si128(reinterpret_cast<const __m128i *>(s1)));
                const __m256i p01 = PairUp(_mm256_unpacklo_epi8(four, zero));
                const __m256i p23 = PairUp(_mm256_unpackhi_epi8(four, zero));
                sum_high = MulAdd(MulAdd(sum_high, p01, high[r][0]), p23, high[r][1]);
                sum_low = MulAdd(MulAdd(sum_low, p01, low[r][0]), p23, low[r][1]);
            } else {
                const __m256i p01 = PairUp(_mm256_unpacklo_epi8(Two(Load2(s0), Load2(s1)), zero));
                sum_high = MulAdd(sum_high, p01, high[r][0]);
                sum_low = MulAdd(sum_low, p01, low[r][0]);
            }
            const __m256i last = _mm256_unpacklo_epi16(
                _mm256_unpacklo_epi8(Two(Load1(s0 + size - 1), Load1(s1 + size - 1)), zero), zero);
            sum_high = MulAdd(sum_high, last, high[r][size / 2]);
            sum_low = MulAdd(sum_low, last, low[r][size / 2]);
        }
        // Blue, green, red, alpha of each sample.
        const __m256i sum = _mm256_add_epi32(_mm256_slli_epi32(sum_high, 8), sum_low);
        const __m128i q0 =
            _mm256_cvttpd_epi32(_mm256_div_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(sum)), divisor));
        const __m128i q1 =
            _mm256_cvttpd_epi32(_mm256_div_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(sum, 1)), divisor));
        const __m128i packed = _mm_packs_epi32(q0, q1);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + k), _mm_packus_epi16(packed, packed));
    }
    return k;
}

}  // namespace

QLV_AVX2 int ShrinkSamplesAvx2(GFX_Color32 *out, const GFX_Color32 *const rows[kShrinkMaxSize], int64_t x_start,
                               int64_t dx16, int n, const int weights[kShrinkMaxSize][kShrinkMaxSize], int size,
                               int total) {
    // Weight pairs of columns (0, 1), (2, 3) and (4, none) of every row, high parts and low bytes.
    __m256i high[kShrinkMaxSize][3], low[kShrinkMaxSize][3];
    for (int r = 0; r < size; ++r) {
        for (int p = 0; p < 3; ++p) {
            const int a = 2 * p < size ? weights[r][2 * p] : 0;
            const int b = 2 * p + 1 < size ? weights[r][2 * p + 1] : 0;
            high[r][p] = WeightPair(a >> 8, b >> 8);
            low[r][p] = WeightPair(a & 0xFF, b & 0xFF);
        }
    }
    if (size == 5) return ShrinkLoop<5>(out, rows, x_start, dx16, n, high, low, total);
    if (size == 3) return ShrinkLoop<3>(out, rows, x_start, dx16, n, high, low, total);
    return 0;
}

}  // namespace gfx_internal

#else

namespace gfx_internal {
int ShrinkSamplesAvx2(GFX_Color32 *, const GFX_Color32 *const[kShrinkMaxSize], int64_t, int64_t, int,
                      const int[kShrinkMaxSize][kShrinkMaxSize], int, int) {
    return 0;
}
}  // namespace gfx_internal

#endif
