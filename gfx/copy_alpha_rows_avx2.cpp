// AVX2 forms of the source-alpha copy rows: the SSE2 arithmetic of copy_alpha_rows.cpp on eight
// pixels at a time (every 256-bit operation used here works on its two 128-bit halves
// separately, as the 128-bit ones do, so unpacking and packing keep the pixel order). Compiled
// for AVX2 function by function, and called only when the processor has it (kernel_level.h).
#include "gfx/copy_alpha_rows.h"

#include "gfx/kernel_level.h"

#if QLV_HAVE_AVX2_KERNELS
#include <immintrin.h>

#define QLV_AVX2 __attribute__((target("avx2")))

namespace gfx_internal {

namespace {

QLV_AVX2 inline __m256i Load8(const GFX_Color32 *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }
QLV_AVX2 inline void Store8(GFX_Color32 *p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v); }

QLV_AVX2 inline __m256i BroadcastAlpha8(__m256i px16) {
    return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(px16, 0xFF), 0xFF);
}

// s × W + d × (256 − W) per 16-bit lane, as d × 256 + (s − d) × W: the true value lies in
// 0 .. 255 × 256, so the sum taken modulo 2^16 (which is all a 16-bit lane keeps) is exact.
QLV_AVX2 inline __m256i LerpSum(__m256i s, __m256i d, __m256i W) {
    return _mm256_add_epi16(_mm256_slli_epi16(d, 8), _mm256_mullo_epi16(_mm256_sub_epi16(s, d), W));
}

}  // namespace

QLV_AVX2 void CopyAlphaFullRowAvx2(GFX_Color32 *__restrict d, const GFX_Color32 *__restrict s, int n) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alpha_mask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m256i one = _mm256_set1_epi16(1);
    const __m256i alpha_lane = _mm256_set1_epi64x(static_cast<long long>(0xFFFF000000000000ull));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = Load8(s + i);
        const __m256i sa = _mm256_and_si256(sv, alpha_mask);
        if (_mm256_testz_si256(sv, alpha_mask)) continue;  // eight transparent pixels
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(sa, alpha_mask)) == -1) {
            Store8(d + i, sv);
            continue;
        }
        const __m256i dv = Load8(d + i);
        const __m256i s_lo = _mm256_unpacklo_epi8(sv, zero), s_hi = _mm256_unpackhi_epi8(sv, zero);
        const __m256i a_lo = BroadcastAlpha8(s_lo), a_hi = BroadcastAlpha8(s_hi);
        const __m256i w_lo = _mm256_add_epi16(a_lo, _mm256_min_epi16(a_lo, one));
        const __m256i w_hi = _mm256_add_epi16(a_hi, _mm256_min_epi16(a_hi, one));
        const __m256i n_lo = _mm256_adds_epu16(LerpSum(s_lo, _mm256_unpacklo_epi8(dv, zero), w_lo),
                                               _mm256_and_si256(alpha_lane, w_lo));
        const __m256i n_hi = _mm256_adds_epu16(LerpSum(s_hi, _mm256_unpackhi_epi8(dv, zero), w_hi),
                                               _mm256_and_si256(alpha_lane, w_hi));
        Store8(d + i, _mm256_packus_epi16(_mm256_srli_epi16(n_lo, 8), _mm256_srli_epi16(n_hi, 8)));
    }
    CopyAlphaFullRowSwar(d + i, s + i, n - i);
}

QLV_AVX2 void CopyAlphaRowAvx2(GFX_Color32 *__restrict d, const GFX_Color32 *__restrict s, int n, int w) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alpha_mask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m256i one = _mm256_set1_epi16(1);
    const __m256i weight = _mm256_set1_epi16(static_cast<short>(w));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = Load8(s + i);
        if (_mm256_testz_si256(sv, alpha_mask)) continue;
        const __m256i dv = Load8(d + i);
        const __m256i lo = _mm256_unpacklo_epi8(sv, zero), hi = _mm256_unpackhi_epi8(sv, zero);
        const __m256i wp_lo =
            _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_add_epi16(BroadcastAlpha8(lo), one), weight), 8);
        const __m256i wp_hi =
            _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_add_epi16(BroadcastAlpha8(hi), one), weight), 8);
        const __m256i r_lo = _mm256_srli_epi16(LerpSum(lo, _mm256_unpacklo_epi8(dv, zero), wp_lo), 8);
        const __m256i r_hi = _mm256_srli_epi16(LerpSum(hi, _mm256_unpackhi_epi8(dv, zero), wp_hi), 8);
        Store8(d + i, _mm256_packus_epi16(r_lo, r_hi));
    }
    CopyAlphaRowSwar(d + i, s + i, n - i, w);
}

}  // namespace gfx_internal

#endif
