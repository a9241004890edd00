// AVX2 gather of nearest samples when enlarging or halving at most: the eight samples of a group
// lie within the eight (sixteen) words from the first one's column, so one (two) unaligned
// loads and permutations by the columns' offsets replace eight loads. Compiled for AVX2 function by function, and called only
// when the processor has it (kernel_level.h).
#include "gfx/gather_rows.h"

#include "gfx/kernel_level.h"

#if QLV_HAVE_AVX2_KERNELS
#include <immintrin.h>

namespace gfx_internal {

__attribute__((target("avx2"))) int GatherRowAvx2(GFX_Color32 *out, const GFX_Color32 *s, int readable, uint32_t x,
                                                  uint32_t dx, int n) {
    if (dx > 2 * 65536) return 0;
    const bool two = dx > 65536;  // a group spans up to sixteen words: two loads
    const int span = two ? 16 : 8;
    // Offsets k × dx from the group's first position; 7 × dx < 2^20.
    const __m256i ramp = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                            _mm256_set1_epi32(static_cast<int>(dx)));
    const __m256i seven = _mm256_set1_epi32(7);
    int k = 0;
    for (; k + 8 <= n; k += 8, x += 8 * dx) {
        const uint32_t first = x >> 16;
        if (static_cast<int64_t>(first) + span > readable) break;  // the loads would leave the row
        // Column of sample m less the first column: ((x & 0xFFFF) + m × dx) >> 16, in 0..15.
        const __m256i offsets =
            _mm256_srli_epi32(_mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(x & 0xFFFF)), ramp), 16);
        const __m256i low = _mm256_permutevar8x32_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + first)), offsets);
        __m256i words = low;
        if (two) {
            // The permutation uses the offsets' low three bits; offsets 8..15 take the second load.
            const __m256i high = _mm256_permutevar8x32_epi32(
                _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + first + 8)), offsets);
            words = _mm256_blendv_epi8(low, high, _mm256_cmpgt_epi32(offsets, seven));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + k), words);
    }
    return k;
}

}  // namespace gfx_internal

#else

namespace gfx_internal {
int GatherRowAvx2(GFX_Color32 *, const GFX_Color32 *, int, uint32_t, uint32_t, int) { return 0; }
}  // namespace gfx_internal

#endif
