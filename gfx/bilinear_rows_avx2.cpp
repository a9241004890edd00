// AVX2 forms of the bilinear kernel's loops: the SSE2 arithmetic of bilinear_rows.cpp on eight
// columns per step for the terms, and on two samples per register for the samples (sample k in
// the low 128-bit half and sample k + 4 in the high one, so that the in-half packing
// instructions put eight samples in order). Compiled for AVX2 function by function, and called
// only when the processor has it (kernel_level.h).
#include "gfx/bilinear_rows.h"

#include "gfx/kernel_level.h"

#if QLV_HAVE_AVX2_KERNELS
#include <immintrin.h>

#define QLV_AVX2 __attribute__((target("avx2")))

namespace gfx_internal {

namespace {

QLV_AVX2 inline __m256i Halves(const int16_t *lo, const int16_t *hi) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(lo))),
                                   _mm_load_si128(reinterpret_cast<const __m128i *>(hi)), 1);
}

QLV_AVX2 inline __m256i Sample2(const BilinearColumn &a, const BilinearColumn &b, __m256i w_bd, __m256i w_ek) {
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(Halves(a.bd, b.bd), w_bd),
                                              _mm256_madd_epi16(Halves(a.ek, b.ek), w_ek)),
                             16);
}

// Column terms as in bilinear_rows.cpp, the register's lanes holding columns (0, 1 | 4, 5) or
// (2, 3 | 6, 7) of a group of eight; each column's two pairs go out as one 32-byte store.
QLV_AVX2 inline void StoreHalves(BilinearColumn *lo, BilinearColumn *hi, __m256i bd, __m256i ek) {
    _mm256_store_si256(reinterpret_cast<__m256i *>(lo), _mm256_permute2x128_si256(bd, ek, 0x20));
    _mm256_store_si256(reinterpret_cast<__m256i *>(hi), _mm256_permute2x128_si256(bd, ek, 0x31));
}

QLV_AVX2 inline void FourColumns(BilinearColumn *out, __m256i t, __m256i t_right, __m256i b, __m256i b_right) {
    const __m256i d = _mm256_sub_epi16(t_right, t);
    const __m256i e = _mm256_sub_epi16(_mm256_sub_epi16(b_right, b), d);
    const __m256i v = _mm256_sub_epi16(b, t);
    const __m256i k = _mm256_sub_epi16(
        _mm256_setzero_si256(), _mm256_add_epi16(_mm256_add_epi16(_mm256_add_epi16(t, t), v), _mm256_add_epi16(d, e)));
    StoreHalves(out, out + 4, _mm256_unpacklo_epi16(v, d), _mm256_unpacklo_epi16(e, k));
    StoreHalves(out + 1, out + 5, _mm256_unpackhi_epi16(v, d), _mm256_unpackhi_epi16(e, k));
}

QLV_AVX2 inline __m256i Load8(const GFX_Color32 *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }

}  // namespace

QLV_AVX2 int BilinearColumnTermsAvx2(BilinearColumn *terms, const GFX_Color32 *top, const GFX_Color32 *bottom,
                                     int first, int count) {
    const __m256i zero = _mm256_setzero_si256();
    int i = 0;
    // Eight columns at a time read pixels first + i .. first + i + 8, all inside the columns'
    // own reach.
    for (; i + 8 <= count; i += 8) {
        const GFX_Color32 *q = top + first + i, *r = bottom + first + i;
        const __m256i t = Load8(q), tr = Load8(q + 1), b = Load8(r), br = Load8(r + 1);
        FourColumns(terms + i, _mm256_unpacklo_epi8(t, zero), _mm256_unpacklo_epi8(tr, zero),
                    _mm256_unpacklo_epi8(b, zero), _mm256_unpacklo_epi8(br, zero));
        FourColumns(terms + i + 2, _mm256_unpackhi_epi8(t, zero), _mm256_unpackhi_epi8(tr, zero),
                    _mm256_unpackhi_epi8(b, zero), _mm256_unpackhi_epi8(br, zero));
    }
    return i;
}

QLV_AVX2 int BilinearSamplesAvx2(GFX_Color32 *out, const BilinearColumn *terms, int first, int64_t x16, int64_t dx16,
                                 int n, uint32_t fy) {
    const __m128i flip = _mm_set1_epi16(-32768);
    const __m128i fy16 = _mm_set1_epi16(static_cast<short>(fy));
    const __m128i fy_offset = _mm_xor_si128(fy16, flip);
    const auto step = static_cast<uint16_t>(dx16 & 0xFFFF);
    const auto dx = static_cast<int32_t>(dx16);  // below 2^17 here
    const __m128i ramp = _mm_setr_epi16(0, static_cast<short>(step), static_cast<short>(2 * step),
                                        static_cast<short>(3 * step), static_cast<short>(4 * step),
                                        static_cast<short>(5 * step), static_cast<short>(6 * step),
                                        static_cast<short>(7 * step));
    // Positions relative to the first column's start, eight at a time in 32-bit lanes (at most
    // kBilinearMaxTableColumns columns from it); x16 in (−65536, 0) belongs to column 0.
    __m256i rel = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(x16 - static_cast<int64_t>(first) * 65536)),
                                   _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(dx)));
    const __m256i advance = _mm256_set1_epi32(8 * dx);
    const auto *bytes = reinterpret_cast<const char *>(terms);
    alignas(32) int32_t offset[8];
    auto at = [&](int m) -> const BilinearColumn & {
        return *reinterpret_cast<const BilinearColumn *>(bytes + offset[m]);
    };
    int k = 0;
    for (; k + 8 <= n; k += 8, x16 += 8 * dx16) {
        // Byte offsets of the eight samples' columns in the table.
        const __m256i col = _mm256_max_epi32(_mm256_srai_epi32(rel, 16), _mm256_setzero_si256());
        _mm256_store_si256(reinterpret_cast<__m256i *>(offset), _mm256_slli_epi32(col, 5));
        rel = _mm256_add_epi32(rel, advance);
        // Fractions of eight samples in 16-bit lanes: x16 & 0xFFFF taken modulo 2^16.
        const __m128i fx = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(x16 & 0xFFFF)), ramp);
        const __m128i wbr = _mm_mulhi_epu16(fx, fy16);  // (fx × fy) >> 16
        const __m128i fo = _mm_xor_si128(fx, flip), wo = _mm_xor_si128(wbr, flip);
        // Weight pairs (fy′, fx′) and (wBR′, −32768) of samples 0..3 in the low half, 4..7 in
        // the high half.
        const __m256i w_bd = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi16(fy_offset, fo)),
                                                     _mm_unpackhi_epi16(fy_offset, fo), 1);
        const __m256i w_ek = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi16(wo, flip)),
                                                     _mm_unpackhi_epi16(wo, flip), 1);
        const __m256i s04 =
            Sample2(at(0), at(4), _mm256_shuffle_epi32(w_bd, 0x00), _mm256_shuffle_epi32(w_ek, 0x00));
        const __m256i s15 =
            Sample2(at(1), at(5), _mm256_shuffle_epi32(w_bd, 0x55), _mm256_shuffle_epi32(w_ek, 0x55));
        const __m256i s26 =
            Sample2(at(2), at(6), _mm256_shuffle_epi32(w_bd, 0xAA), _mm256_shuffle_epi32(w_ek, 0xAA));
        const __m256i s37 =
            Sample2(at(3), at(7), _mm256_shuffle_epi32(w_bd, 0xFF), _mm256_shuffle_epi32(w_ek, 0xFF));
        const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(s04, s15), _mm256_packs_epi32(s26, s37));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + k), packed);
    }
    return k;
}

}  // namespace gfx_internal

#else

namespace gfx_internal {
int BilinearSamplesAvx2(GFX_Color32 *, const BilinearColumn *, int, int64_t, int64_t, int, uint32_t) { return 0; }
int BilinearColumnTermsAvx2(BilinearColumn *, const GFX_Color32 *, const GFX_Color32 *, int, int) { return 0; }
}  // namespace gfx_internal

#endif
