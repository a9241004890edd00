// SSE2 bilinear samples (see bilinear_rows.h for why they are exact).
#include "gfx/bilinear_rows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gfx_internal {

#if defined(__SSE2__)

bool HaveBilinearSamplesVector() { return true; }

namespace {

// The weighted sum of a sample, rearranged (exactly, in integers) around the source column's
// pixels tl, tr (row q) and bl, br (row r):
//   wTL·tl + wTR·tr + wBL·bl + wBR·br = V + fx·D + wBR·E, where
//   V = (65536 − fy)·tl + fy·bl,  D = tr − tl,  E = (br − bl) − D.
// V, D and E depend only on the column (fy is fixed for the row), so they are formed once per
// column; each sample then needs one pair of multiply-adds of (D, E) with (fx, wBR), split into
// high parts and low bytes. Every partial result stays inside 32 bits and the total equals the
// original non-negative sum.
struct ColumnTerms {
    __m128i v;   // V per channel (blue, green, red, alpha), 32-bit lanes
    __m128i de;  // (D, E) per channel, 16-bit pairs
};

inline ColumnTerms Terms(const GFX_Color32 *q, const GFX_Color32 *r, __m128i fy_high, __m128i fy_low) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(q)), zero);
    const __m128i bottom = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(r)), zero);
    const __m128i d = _mm_sub_epi16(_mm_srli_si128(top, 8), top);
    const __m128i e = _mm_sub_epi16(_mm_sub_epi16(_mm_srli_si128(bottom, 8), bottom), d);
    const __m128i tb = _mm_unpacklo_epi16(top, bottom);
    ColumnTerms t;
    t.v = _mm_add_epi32(_mm_slli_epi32(_mm_madd_epi16(tb, fy_high), 8), _mm_madd_epi16(tb, fy_low));
    t.de = _mm_unpacklo_epi16(d, e);
    return t;
}

// The four channel values (32-bit lanes) of one sample from its column terms and the weight
// pairs (fx, wBR) as high parts and low bytes in every 32-bit lane.
inline __m128i Sample(const ColumnTerms &t, __m128i w_high, __m128i w_low) {
    const __m128i sum = _mm_add_epi32(_mm_add_epi32(t.v, _mm_slli_epi32(_mm_madd_epi16(t.de, w_high), 8)),
                                      _mm_madd_epi16(t.de, w_low));
    return _mm_srli_epi32(sum, 16);
}

inline __m128i Pair(uint32_t a, uint32_t b) { return _mm_set1_epi32(static_cast<int>(a | (b << 16))); }

}  // namespace

void BilinearSamples(GFX_Color32 *out, const GFX_Color32 *top, const GFX_Color32 *bottom, int64_t x_start,
                     int64_t dx16, int n, uint32_t fy) {
    const uint32_t fy_top = 65536 - fy;
    const __m128i fy_high = Pair(fy_top >> 8, fy >> 8), fy_low = Pair(fy_top & 0xFF, fy & 0xFF);
    const __m128i fy16 = _mm_set1_epi16(static_cast<short>(fy));
    const __m128i byte = _mm_set1_epi16(0xFF);
    // Fractions of four samples at a time in 16-bit lanes: x16 & 0xFFFF taken modulo 2^16.
    const auto step = static_cast<uint16_t>(dx16 & 0xFFFF);
    const __m128i ramp = _mm_set_epi16(0, 0, 0, 0, static_cast<short>(3 * step), static_cast<short>(2 * step),
                                       static_cast<short>(step), 0);
    int64_t x16 = x_start;
    int cached = -1;
    ColumnTerms terms{};
    auto at = [&](int64_t x) -> const ColumnTerms & {
        const int col = static_cast<int>(x / 65536);
        if (col != cached) {
            terms = Terms(top + col, bottom + col, fy_high, fy_low);
            cached = col;
        }
        return terms;
    };
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        const __m128i fx = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(x16 & 0xFFFF)), ramp);
        const __m128i wbr = _mm_mulhi_epu16(fx, fy16);  // (fx × fy) >> 16
        const __m128i high = _mm_unpacklo_epi16(_mm_srli_epi16(fx, 8), _mm_srli_epi16(wbr, 8));
        const __m128i low = _mm_unpacklo_epi16(_mm_and_si128(fx, byte), _mm_and_si128(wbr, byte));
        const __m128i s0 = Sample(at(x16), _mm_shuffle_epi32(high, 0x00), _mm_shuffle_epi32(low, 0x00));
        const __m128i s1 = Sample(at(x16 + dx16), _mm_shuffle_epi32(high, 0x55), _mm_shuffle_epi32(low, 0x55));
        const __m128i s2 = Sample(at(x16 + 2 * dx16), _mm_shuffle_epi32(high, 0xAA), _mm_shuffle_epi32(low, 0xAA));
        const __m128i s3 = Sample(at(x16 + 3 * dx16), _mm_shuffle_epi32(high, 0xFF), _mm_shuffle_epi32(low, 0xFF));
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(s0, s1), _mm_packs_epi32(s2, s3));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + k), packed);
        x16 += 4 * dx16;
    }
    for (; k < n; ++k, x16 += dx16) {
        const uint32_t fx = static_cast<uint32_t>(x16 & 0xFFFF);
        const uint32_t wbr = (fx * fy) >> 16;
        const __m128i s = Sample(at(x16), Pair(fx >> 8, wbr >> 8), Pair(fx & 0xFF, wbr & 0xFF));
        const __m128i packed = _mm_packs_epi32(s, s);
        out[k] = static_cast<GFX_Color32>(_mm_cvtsi128_si32(_mm_packus_epi16(packed, packed)));
    }
}

#else

bool HaveBilinearSamplesVector() { return false; }
void BilinearSamples(GFX_Color32 *, const GFX_Color32 *, const GFX_Color32 *, int64_t, int64_t, int, uint32_t) {}

#endif

}  // namespace gfx_internal
