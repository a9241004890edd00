// SSE2 bilinear samples (see bilinear_rows.h for why they are exact).
#include "gfx/bilinear_rows.h"

#include "gfx/kernel_level.h"

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
//   V = 65536·tl + fy·(bl − tl),  D = tr − tl,  E = (br − bl) − D.
// V, D and E depend only on the column (fy is fixed for the row), so they are formed once per
// column into a table. The weights fx and wBR (0..65535) do not fit signed 16-bit lanes, but
// fx − 32768 and wBR − 32768 do; the table holds V′ = V + 32768·(D + E) instead of V, so each
// sample is V′ + (fx − 32768)·D + (wBR − 32768)·E: one multiply-add of (D, E) with the offset
// weights, whose lanes (at most 32768 × 765 in size) and the total stay exact in 32 bits, and
// the total equals the original non-negative sum.
//
// V in 32-bit lanes from 16-bit lanes: fy·(bl − tl) is a signed 16 × unsigned 16 product, taken
// as its low and high halves (the signed high half corrected by (bl − tl) when fy ≥ 32768, where
// the signed multiply sees fy − 65536); adding tl to the high half adds 65536·tl.
struct RowFraction {
    __m128i fy16;     // fy in every 16-bit lane
    __m128i fy_big;   // all ones when fy ≥ 32768
};

inline RowFraction MakeRowFraction(uint32_t fy) {
    return RowFraction{_mm_set1_epi16(static_cast<short>(fy)), _mm_set1_epi16(fy >= 32768 ? -1 : 0)};
}

// Terms of the two columns held in 16-bit lanes (lanes 0..3 and 4..7): top, bottom pixels and
// their right-hand neighbours.
inline void TwoColumns(BilinearColumn *out, __m128i t, __m128i t_right, __m128i b, __m128i b_right,
                       const RowFraction &f) {
    const __m128i d = _mm_sub_epi16(t_right, t);
    const __m128i e = _mm_sub_epi16(_mm_sub_epi16(b_right, b), d);
    const __m128i vert = _mm_sub_epi16(b, t);
    const __m128i lo = _mm_mullo_epi16(vert, f.fy16);
    const __m128i hi =
        _mm_add_epi16(_mm_add_epi16(_mm_mulhi_epi16(vert, f.fy16), _mm_and_si128(vert, f.fy_big)), t);
    const __m128i minus = _mm_set1_epi16(-32768);
    const __m128i de0 = _mm_unpacklo_epi16(d, e), de1 = _mm_unpackhi_epi16(d, e);
    // V′ = V − (−32768)·(D + E).
    _mm_store_si128(reinterpret_cast<__m128i *>(out[0].v),
                    _mm_sub_epi32(_mm_unpacklo_epi16(lo, hi), _mm_madd_epi16(de0, minus)));
    _mm_store_si128(reinterpret_cast<__m128i *>(out[0].de), de0);
    _mm_store_si128(reinterpret_cast<__m128i *>(out[1].v),
                    _mm_sub_epi32(_mm_unpackhi_epi16(lo, hi), _mm_madd_epi16(de1, minus)));
    _mm_store_si128(reinterpret_cast<__m128i *>(out[1].de), de1);
}

inline __m128i Load4(const GFX_Color32 *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
inline __m128i Load2(const GFX_Color32 *p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)); }

// One column's terms (the second half of the pair is unused).
inline void OneColumn(BilinearColumn *out, const GFX_Color32 *q, const GFX_Color32 *r, const RowFraction &f) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i t = _mm_unpacklo_epi8(Load2(q), zero), b = _mm_unpacklo_epi8(Load2(r), zero);
    BilinearColumn pair[2];
    TwoColumns(pair, t, _mm_srli_si128(t, 8), b, _mm_srli_si128(b, 8), f);
    *out = pair[0];
}

// The four channel values (32-bit lanes) of one sample from its column terms and the offset
// weight pair (fx − 32768, wBR − 32768) in every 32-bit lane.
inline __m128i Sample(const BilinearColumn &t, __m128i w) {
    const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i *>(t.v));
    const __m128i de = _mm_load_si128(reinterpret_cast<const __m128i *>(t.de));
    return _mm_srli_epi32(_mm_add_epi32(v, _mm_madd_epi16(de, w)), 16);
}

// A sample's column: x16 / 65536 truncated, for x16 > −65536.
inline int Column(int64_t x16) {
    const int c = static_cast<int>(x16 >> 16);
    return c & ~(c >> 31);
}

// Offset weight pairs (fx − 32768, wBR − 32768) of four samples, one 32-bit lane each.
inline __m128i MakeWeights(int64_t x16, __m128i ramp, __m128i fy16) {
    const __m128i flip = _mm_set1_epi16(-32768);
    // Fractions in 16-bit lanes: x16 & 0xFFFF taken modulo 2^16.
    const __m128i fx = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(x16 & 0xFFFF)), ramp);
    const __m128i wbr = _mm_mulhi_epu16(fx, fy16);  // (fx × fy) >> 16
    return _mm_unpacklo_epi16(_mm_xor_si128(fx, flip), _mm_xor_si128(wbr, flip));
}

inline __m128i Pair(uint32_t fx, uint32_t wbr) {
    return _mm_set1_epi32(static_cast<int>((fx ^ 0x8000u) | ((wbr ^ 0x8000u) << 16)));
}

inline GFX_Color32 PackOne(__m128i s) {
    const __m128i packed = _mm_packs_epi32(s, s);
    return static_cast<GFX_Color32>(_mm_cvtsi128_si32(_mm_packus_epi16(packed, packed)));
}

inline __m128i Ramp4(int64_t dx16) {
    const auto step = static_cast<uint16_t>(dx16 & 0xFFFF);
    return _mm_set_epi16(0, 0, 0, 0, static_cast<short>(3 * step), static_cast<short>(2 * step),
                         static_cast<short>(step), 0);
}

// Samples over a table of column terms (column c at terms[c − first]).
int SamplesFromTable(GFX_Color32 *out, const BilinearColumn *terms, int first, int64_t x16, int64_t dx16, int n,
                     uint32_t fy) {
    const __m128i fy16 = _mm_set1_epi16(static_cast<short>(fy));
    const __m128i ramp = Ramp4(dx16);
    const BilinearColumn *base = terms - first;
    int k = 0;
    for (; k + 4 <= n; k += 4, x16 += 4 * dx16) {
        const __m128i w = MakeWeights(x16, ramp, fy16);
        const __m128i s0 = Sample(base[Column(x16)], _mm_shuffle_epi32(w, 0x00));
        const __m128i s1 = Sample(base[Column(x16 + dx16)], _mm_shuffle_epi32(w, 0x55));
        const __m128i s2 = Sample(base[Column(x16 + 2 * dx16)], _mm_shuffle_epi32(w, 0xAA));
        const __m128i s3 = Sample(base[Column(x16 + 3 * dx16)], _mm_shuffle_epi32(w, 0xFF));
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(s0, s1), _mm_packs_epi32(s2, s3));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + k), packed);
    }
    return k;
}

}  // namespace

void BilinearColumnTerms(BilinearColumn *terms, const GFX_Color32 *top, const GFX_Color32 *bottom, int first,
                         int count, uint32_t fy) {
    const __m128i zero = _mm_setzero_si128();
    const RowFraction f = MakeRowFraction(fy);
    int i = Avx2Kernels() ? BilinearColumnTermsAvx2(terms, top, bottom, first, count, fy) : 0;
    // Four columns at a time read pixels first + i .. first + i + 4, all inside the columns'
    // own reach.
    for (; i + 4 <= count; i += 4) {
        const GFX_Color32 *q = top + first + i, *r = bottom + first + i;
        const __m128i t = Load4(q), tr = Load4(q + 1), b = Load4(r), br = Load4(r + 1);
        TwoColumns(terms + i, _mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(tr, zero), _mm_unpacklo_epi8(b, zero),
                   _mm_unpacklo_epi8(br, zero), f);
        TwoColumns(terms + i + 2, _mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(tr, zero),
                   _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(br, zero), f);
    }
    for (; i + 2 <= count; i += 2) {
        const GFX_Color32 *q = top + first + i, *r = bottom + first + i;
        TwoColumns(terms + i, _mm_unpacklo_epi8(Load2(q), zero), _mm_unpacklo_epi8(Load2(q + 1), zero),
                   _mm_unpacklo_epi8(Load2(r), zero), _mm_unpacklo_epi8(Load2(r + 1), zero), f);
    }
    if (i < count) OneColumn(terms + i, top + first + i, bottom + first + i, f);
}

void BilinearSamples(GFX_Color32 *out, const GFX_Color32 *top, const GFX_Color32 *bottom, int64_t x_start,
                     int64_t dx16, int n, uint32_t fy) {
    const RowFraction f = MakeRowFraction(fy);
    int64_t x16 = x_start;
    int k = 0;
    if (dx16 > 0 && dx16 < 2 * 65536) {
        // Enlarging or reducing a little: the terms of every column in reach are formed once per
        // pass (four at a time, cheaper than one per sample even where some go unused).
        const bool avx2 = Avx2Kernels();
        const int per_pass = static_cast<int>((static_cast<int64_t>(kBilinearPassColumns - 2) << 16) / dx16);
        BilinearColumn terms[kBilinearPassColumns];
        while (k < n) {
            const int m = n - k < per_pass ? n - k : per_pass;
            const int first = Column(x16);
            const int count = Column(x16 + (m - 1) * dx16) - first + 1;
            BilinearColumnTerms(terms, top, bottom, first, count, fy);
            int done = 0;
            if (avx2) done = BilinearSamplesAvx2(out + k, terms, first, x16, dx16, m, fy);
            done += SamplesFromTable(out + k + done, terms, first, x16 + done * dx16, dx16, m - done, fy);
            for (int j = done; j < m; ++j) {
                const int64_t x = x16 + j * dx16;
                const uint32_t fx = static_cast<uint32_t>(x & 0xFFFF);
                const uint32_t wbr = (fx * fy) >> 16;
                out[k + j] = PackOne(Sample(terms[Column(x) - first], Pair(fx, wbr)));
            }
            k += m;
            x16 += m * dx16;
        }
        return;
    }
    // Reducing by two or more (or mirrored): the terms are formed on the spot.
    for (; k < n; ++k, x16 += dx16) {
        const int col = Column(x16);
        BilinearColumn t;
        OneColumn(&t, top + col, bottom + col, f);
        const uint32_t fx = static_cast<uint32_t>(x16 & 0xFFFF);
        const uint32_t wbr = (fx * fy) >> 16;
        out[k] = PackOne(Sample(t, Pair(fx, wbr)));
    }
}

#else

bool HaveBilinearSamplesVector() { return false; }
void BilinearSamples(GFX_Color32 *, const GFX_Color32 *, const GFX_Color32 *, int64_t, int64_t, int, uint32_t) {}
void BilinearColumnTerms(BilinearColumn *, const GFX_Color32 *, const GFX_Color32 *, int, int, uint32_t) {}

#endif

}  // namespace gfx_internal
