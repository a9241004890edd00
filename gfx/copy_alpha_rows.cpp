// Source-alpha copy rows: the per-pixel reference and the two fast forms held to it bit for bit
// (see copy_alpha_rows.h for the bounds that make the fast arithmetic exact).
#include "gfx/copy_alpha_rows.h"

#include "gfx/blend_internal.h"
#include "gfx/kernel_level.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gfx_internal {

namespace {

constexpr uint64_t kLaneBytes = 0x00FF00FF00FF00FFull;
constexpr uint64_t kAlphaLane = 0xFFFFull << 48;

// The four bytes of a word in the low halves of four 16-bit lanes (blue lowest, alpha highest).
inline uint64_t Spread(GFX_Color32 c) {
    uint64_t x = c;
    x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
    return (x | (x << 8)) & kLaneBytes;
}

// Inverse of Spread for lanes that hold bytes.
inline GFX_Color32 Gather(uint64_t x) {
    x = (x | (x >> 8)) & 0x0000FFFF0000FFFFull;
    return static_cast<GFX_Color32>(x | (x >> 16));
}

// (s × W + d × (256 − W)) / 256 in every lane, for spread s and d and W in 0..256. Each lane's sum
// is at most 255 × 256, so no lane carries into the next; the shift brings the quotient to the
// lane's low byte and the mask drops what the lane above shifted in.
inline uint64_t LerpLanes(uint64_t s, uint64_t d, uint64_t W) {
    return ((s * W + d * (256 - W)) >> 8) & kLaneBytes;
}

}  // namespace

// ---- Full strength ----

void CopyAlphaFullRowReference(GFX_Color32 *d, const GFX_Color32 *s, int n) {
    for (int i = 0; i < n; ++i) MixCopyWithAlphaFull(d + i, Red(s[i]), Green(s[i]), Blue(s[i]), Alpha(s[i]));
}

void CopyAlphaFullRowSwar(GFX_Color32 *__restrict d, const GFX_Color32 *__restrict s, int n) {
    for (int i = 0; i < n; ++i) {
        const GFX_Color32 src = s[i];
        const uint32_t a = src >> 24;
        if (a == 0) continue;
        if (a == 255) {
            d[i] = src;
            continue;
        }
        const uint64_t W = a + 1;  // 2..255 here
        // The alpha lane blends W itself in place of the source alpha: dA × (256 − W) + W × W.
        const uint64_t sl = (Spread(src) & ~kAlphaLane) | (W << 48);
        d[i] = Gather(LerpLanes(sl, Spread(d[i]), W));
    }
}

// ---- Any weight in 0..255 ----

void CopyAlphaRowReference(GFX_Color32 *d, const GFX_Color32 *s, int n, int w) {
    for (int i = 0; i < n; ++i) MixCopyWithAlpha(d + i, Red(s[i]), Green(s[i]), Blue(s[i]), Alpha(s[i]), w);
}

void CopyAlphaRowSwar(GFX_Color32 *__restrict d, const GFX_Color32 *__restrict s, int n, int w) {
    const uint32_t weight = static_cast<uint32_t>(w);
    for (int i = 0; i < n; ++i) {
        const GFX_Color32 src = s[i];
        const uint32_t a = src >> 24;
        if (a == 0) continue;
        // w × (a + 1) ≤ 255 × 256: non-negative, so the division is a shift.
        const uint64_t wp = (weight * (a + 1)) >> 8;
        d[i] = Gather(LerpLanes(Spread(src), Spread(d[i]), wp));
    }
}

#if defined(__SSE2__)

namespace {

inline __m128i Load4(const GFX_Color32 *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
inline void Store4(GFX_Color32 *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }

// Each pixel's alpha (lane 3 of its four 16-bit lanes) copied into all four of its lanes.
inline __m128i BroadcastAlpha(__m128i px16) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, 0xFF), 0xFF);
}

// s × W + d × (256 − W) per 16-bit lane; the bounds in the header keep every product and the
// sum below 2^16, so the low halves of the products are the whole products.
inline __m128i LerpSum16(__m128i s, __m128i d, __m128i W) {
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(256), W);
    return _mm_add_epi16(_mm_mullo_epi16(s, W), _mm_mullo_epi16(d, inv));
}

// The same divided by 256.
inline __m128i Lerp16(__m128i s, __m128i d, __m128i W) { return _mm_srli_epi16(LerpSum16(s, d, W), 8); }

}  // namespace

void CopyAlphaFullRow(GFX_Color32 *__restrict d, const GFX_Color32 *__restrict s, int n) {
    if (!VectorKernels()) return CopyAlphaFullRowReference(d, s, n);
#if QLV_HAVE_AVX2_KERNELS
    if (Avx2Kernels()) return CopyAlphaFullRowAvx2(d, s, n);
#endif
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha_mask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i one = _mm_set1_epi16(1);
    // Selects the alpha lane (lane 3) of each pixel's four 16-bit lanes.
    const __m128i alpha_lane = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = Load4(s + i);
        const __m128i sa = _mm_and_si128(sv, alpha_mask);
        // Whole blocks of transparent (keep) or opaque (take the source) pixels.
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, zero)) == 0xFFFF) continue;
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, alpha_mask)) == 0xFFFF) {
            Store4(d + i, sv);
            continue;
        }
        const __m128i dv = Load4(d + i);
        const __m128i s_lo = _mm_unpacklo_epi8(sv, zero), s_hi = _mm_unpackhi_epi8(sv, zero);
        // W = alpha + 1, except 0 for alpha 0: the blend at weight 0 is the destination itself,
        // which is what a transparent pixel leaves. At alpha 255 (W = 256) the colour blend is
        // the source bytes.
        const __m128i a_lo = BroadcastAlpha(s_lo), a_hi = BroadcastAlpha(s_hi);
        const __m128i w_lo = _mm_add_epi16(a_lo, _mm_min_epi16(a_lo, one));
        const __m128i w_hi = _mm_add_epi16(a_hi, _mm_min_epi16(a_hi, one));
        // The alpha byte wants dA × (256 − W) + W × W, which is the blend of the source alpha
        // (W − 1) plus W; the sum saturates only at alpha 255, where 65535 >> 8 gives the 255
        // that an opaque pixel sets.
        const __m128i n_lo = _mm_adds_epu16(LerpSum16(s_lo, _mm_unpacklo_epi8(dv, zero), w_lo),
                                            _mm_and_si128(alpha_lane, w_lo));
        const __m128i n_hi = _mm_adds_epu16(LerpSum16(s_hi, _mm_unpackhi_epi8(dv, zero), w_hi),
                                            _mm_and_si128(alpha_lane, w_hi));
        Store4(d + i, _mm_packus_epi16(_mm_srli_epi16(n_lo, 8), _mm_srli_epi16(n_hi, 8)));
    }
    CopyAlphaFullRowSwar(d + i, s + i, n - i);
}

void CopyAlphaRow(GFX_Color32 *__restrict d, const GFX_Color32 *__restrict s, int n, int w) {
    if (!VectorKernels()) return CopyAlphaRowReference(d, s, n, w);
#if QLV_HAVE_AVX2_KERNELS
    if (Avx2Kernels()) return CopyAlphaRowAvx2(d, s, n, w);
#endif
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha_mask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i one = _mm_set1_epi16(1);
    const __m128i weight = _mm_set1_epi16(static_cast<short>(w));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = Load4(s + i);
        // Four transparent source pixels leave the destination as it is.
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(sv, alpha_mask), zero)) == 0xFFFF) continue;
        const __m128i dv = Load4(d + i);
        const __m128i lo = _mm_unpacklo_epi8(sv, zero), hi = _mm_unpackhi_epi8(sv, zero);
        // w′ = w × (alpha + 1) >> 8, at most 255; alpha 0 gives w′ = 0, the unchanged destination.
        const __m128i wp_lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(BroadcastAlpha(lo), one), weight), 8);
        const __m128i wp_hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(BroadcastAlpha(hi), one), weight), 8);
        const __m128i r_lo = Lerp16(lo, _mm_unpacklo_epi8(dv, zero), wp_lo);
        const __m128i r_hi = Lerp16(hi, _mm_unpackhi_epi8(dv, zero), wp_hi);
        Store4(d + i, _mm_packus_epi16(r_lo, r_hi));
    }
    CopyAlphaRowSwar(d + i, s + i, n - i, w);
}

#else

void CopyAlphaFullRow(GFX_Color32 *d, const GFX_Color32 *s, int n) { CopyAlphaFullRowSwar(d, s, n); }
void CopyAlphaRow(GFX_Color32 *d, const GFX_Color32 *s, int n, int w) { CopyAlphaRowSwar(d, s, n, w); }

#endif

}  // namespace gfx_internal
