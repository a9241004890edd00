// SSE2 bilinear samples (see bilinear_rows.h for why they are exact).
#include "gfx/bilinear_rows.h"

#include "gfx/kernel_level.h"

#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gfx_internal {

#if defined(__SSE2__)

bool HaveBilinearSamplesVector() { return true; }

namespace {

// The weighted sum of a sample, rearranged (exactly, in integers) around the source column's
// pixels tl, tr (row q) and bl, br (row r), with wTR = fx − wBR, wBL = fy − wBR and
// wTL = 65536 − fx − fy + wBR:
//   wTL·tl + wTR·tr + wBL·bl + wBR·br = 65536·tl + fy·B + fx·D + wBR·E, where
//   B = bl − tl,  D = tr − tl,  E = (br − bl) − D.
// The weights fy, fx, wBR (0..65535) do not fit signed 16-bit lanes, but f′ = f − 32768 does;
// putting f = f′ + 32768 in gives
//   fy′·B + fx′·D + wBR′·E + (−32768)·K,  K = −(2·tl + B + D + E),
// two multiply-adds of the pairs (B, D) · (fy′, fx′) and (E, K) · (wBR′, −32768). B, D, E and K
// (|K| ≤ 1530) depend only on the row pair and the column, so they are formed once per column
// into a table; each lane's two products stay below 2^27 in size, and the total equals the
// original non-negative sum.
inline void TwoColumns(BilinearColumn *out, __m128i t, __m128i t_right, __m128i b, __m128i b_right) {
    const __m128i d = _mm_sub_epi16(t_right, t);
    const __m128i e = _mm_sub_epi16(_mm_sub_epi16(b_right, b), d);
    const __m128i v = _mm_sub_epi16(b, t);
    const __m128i k = _mm_sub_epi16(_mm_setzero_si128(),
                                    _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(t, t), v), _mm_add_epi16(d, e)));
    _mm_store_si128(reinterpret_cast<__m128i *>(out[0].bd), _mm_unpacklo_epi16(v, d));
    _mm_store_si128(reinterpret_cast<__m128i *>(out[0].ek), _mm_unpacklo_epi16(e, k));
    _mm_store_si128(reinterpret_cast<__m128i *>(out[1].bd), _mm_unpackhi_epi16(v, d));
    _mm_store_si128(reinterpret_cast<__m128i *>(out[1].ek), _mm_unpackhi_epi16(e, k));
}

inline __m128i Load4(const GFX_Color32 *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
inline __m128i Load2(const GFX_Color32 *p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)); }

// One column's terms (the second half of the pair is unused).
inline void OneColumn(BilinearColumn *out, const GFX_Color32 *q, const GFX_Color32 *r) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i t = _mm_unpacklo_epi8(Load2(q), zero), b = _mm_unpacklo_epi8(Load2(r), zero);
    BilinearColumn pair[2];
    TwoColumns(pair, t, _mm_srli_si128(t, 8), b, _mm_srli_si128(b, 8));
    *out = pair[0];
}

// The four channel values (32-bit lanes) of one sample from its column terms and its weight
// pairs (fy′, fx′) and (wBR′, −32768) in every 32-bit lane.
inline __m128i Sample(const BilinearColumn &t, __m128i w_bd, __m128i w_ek) {
    const __m128i bd = _mm_load_si128(reinterpret_cast<const __m128i *>(t.bd));
    const __m128i ek = _mm_load_si128(reinterpret_cast<const __m128i *>(t.ek));
    return _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(bd, w_bd), _mm_madd_epi16(ek, w_ek)), 16);
}

// A sample's column: x16 / 65536 truncated, for x16 > −65536.
inline int Column(int64_t x16) {
    const int c = static_cast<int>(x16 >> 16);
    return c & ~(c >> 31);
}

inline __m128i Pair(uint32_t a, uint32_t b) {
    return _mm_set1_epi32(static_cast<int>((a & 0xFFFFu) | (b << 16)));
}

inline GFX_Color32 PackOne(__m128i s) {
    const __m128i packed = _mm_packs_epi32(s, s);
    return static_cast<GFX_Color32>(_mm_cvtsi128_si32(_mm_packus_epi16(packed, packed)));
}

// One sample from its terms, the fraction of its position and fy.
inline GFX_Color32 OneSample(const BilinearColumn &t, int64_t x16, uint32_t fy) {
    const uint32_t fx = static_cast<uint32_t>(x16 & 0xFFFF);
    const uint32_t wbr = (fx * fy) >> 16;
    return PackOne(Sample(t, Pair(fy ^ 0x8000u, fx ^ 0x8000u), Pair(wbr ^ 0x8000u, 0x8000u)));
}

// Samples over a table of column terms (column c at terms[c − first]): AVX2 groups of eight at
// that level, then four at a time, then one by one.
void SamplesFromTable(GFX_Color32 *out, const BilinearColumn *terms, int first, int64_t x16, int64_t dx16, int n,
                      uint32_t fy) {
    int k = Avx2Kernels() ? BilinearSamplesAvx2(out, terms, first, x16, dx16, n, fy) : 0;
    x16 += k * dx16;
    const __m128i flip = _mm_set1_epi16(-32768);
    const __m128i fy16 = _mm_set1_epi16(static_cast<short>(fy));
    const __m128i fy_offset = _mm_xor_si128(fy16, flip);
    const auto step = static_cast<uint16_t>(dx16 & 0xFFFF);
    const __m128i ramp = _mm_set_epi16(0, 0, 0, 0, static_cast<short>(3 * step), static_cast<short>(2 * step),
                                       static_cast<short>(step), 0);
    // Positions relative to the first column's start, four at a time in 32-bit lanes (a table
    // spans at most kBilinearMaxTableColumns columns); x16 in (−65536, 0) belongs to column 0.
    const auto dx = static_cast<int32_t>(dx16);  // below 2^17 here
    __m128i rel = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(x16 - static_cast<int64_t>(first) * 65536)),
                                _mm_setr_epi32(0, dx, 2 * dx, 3 * dx));
    const __m128i advance = _mm_set1_epi32(4 * dx);
    const auto *bytes = reinterpret_cast<const char *>(terms);
    alignas(16) int32_t offset[4];
    auto at = [&](int m) -> const BilinearColumn & {
        return *reinterpret_cast<const BilinearColumn *>(bytes + offset[m]);
    };
    const BilinearColumn *base = terms - first;
    for (; k + 4 <= n; k += 4, x16 += 4 * dx16) {
        // Byte offsets of the four samples' columns in the table (negative columns become 0).
        const __m128i col = _mm_srai_epi32(rel, 16);
        _mm_store_si128(reinterpret_cast<__m128i *>(offset), _mm_slli_epi32(_mm_andnot_si128(_mm_srai_epi32(col, 31), col), 5));
        rel = _mm_add_epi32(rel, advance);
        // Fractions in 16-bit lanes: x16 & 0xFFFF taken modulo 2^16.
        const __m128i fx = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(x16 & 0xFFFF)), ramp);
        const __m128i wbr = _mm_mulhi_epu16(fx, fy16);  // (fx × fy) >> 16
        const __m128i w_bd = _mm_unpacklo_epi16(fy_offset, _mm_xor_si128(fx, flip));
        const __m128i w_ek = _mm_unpacklo_epi16(_mm_xor_si128(wbr, flip), flip);
        const __m128i s0 = Sample(at(0), _mm_shuffle_epi32(w_bd, 0x00), _mm_shuffle_epi32(w_ek, 0x00));
        const __m128i s1 = Sample(at(1), _mm_shuffle_epi32(w_bd, 0x55), _mm_shuffle_epi32(w_ek, 0x55));
        const __m128i s2 = Sample(at(2), _mm_shuffle_epi32(w_bd, 0xAA), _mm_shuffle_epi32(w_ek, 0xAA));
        const __m128i s3 = Sample(at(3), _mm_shuffle_epi32(w_bd, 0xFF), _mm_shuffle_epi32(w_ek, 0xFF));
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(s0, s1), _mm_packs_epi32(s2, s3));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + k), packed);
    }
    for (; k < n; ++k, x16 += dx16) out[k] = OneSample(base[Column(x16)], x16, fy);
}

// Whether a table of the columns in reach pays: a step below two pixels (most columns serve a
// sample) and positions that move forward.
inline bool TableStep(int64_t dx16) { return dx16 > 0 && dx16 < 2 * 65536; }

}  // namespace

void BilinearColumnTerms(BilinearColumn *terms, const GFX_Color32 *top, const GFX_Color32 *bottom, int first,
                         int count) {
    const __m128i zero = _mm_setzero_si128();
    int i = Avx2Kernels() ? BilinearColumnTermsAvx2(terms, top, bottom, first, count) : 0;
    // Four columns at a time read pixels first + i .. first + i + 4, all inside the columns'
    // own reach.
    for (; i + 4 <= count; i += 4) {
        const GFX_Color32 *q = top + first + i, *r = bottom + first + i;
        const __m128i t = Load4(q), tr = Load4(q + 1), b = Load4(r), br = Load4(r + 1);
        TwoColumns(terms + i, _mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(tr, zero), _mm_unpacklo_epi8(b, zero),
                   _mm_unpacklo_epi8(br, zero));
        TwoColumns(terms + i + 2, _mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(tr, zero),
                   _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(br, zero));
    }
    for (; i + 2 <= count; i += 2) {
        const GFX_Color32 *q = top + first + i, *r = bottom + first + i;
        TwoColumns(terms + i, _mm_unpacklo_epi8(Load2(q), zero), _mm_unpacklo_epi8(Load2(q + 1), zero),
                   _mm_unpacklo_epi8(Load2(r), zero), _mm_unpacklo_epi8(Load2(r + 1), zero));
    }
    if (i < count) OneColumn(terms + i, top + first + i, bottom + first + i);
}

void BilinearSamples(GFX_Color32 *out, const GFX_Color32 *top, const GFX_Color32 *bottom, int64_t x_start,
                     int64_t dx16, int n, uint32_t fy) {
    int64_t x16 = x_start;
    if (TableStep(dx16)) {
        // The terms of every column in reach, a pass at a time (four columns at a time, cheaper
        // than one per sample even where some go unused).
        constexpr int kPassColumns = 256;
        const int per_pass = static_cast<int>((static_cast<int64_t>(kPassColumns - 2) << 16) / dx16);
        BilinearColumn terms[kPassColumns];
        for (int k = 0; k < n;) {
            const int m = n - k < per_pass ? n - k : per_pass;
            const int first = Column(x16);
            BilinearColumnTerms(terms, top, bottom, first, Column(x16 + (m - 1) * dx16) - first + 1);
            SamplesFromTable(out + k, terms, first, x16, dx16, m, fy);
            k += m;
            x16 += m * dx16;
        }
        return;
    }
    // Reducing by two or more (or mirrored): the terms are formed on the spot.
    for (int k = 0; k < n; ++k, x16 += dx16) {
        const int col = Column(x16);
        BilinearColumn t;
        OneColumn(&t, top + col, bottom + col);
        out[k] = OneSample(t, x16, fy);
    }
}

BilinearRun::BilinearRun(int64_t x_start, int64_t dx16, int n) : x_start_(x_start), dx16_(dx16) {
    if (n < 1 || !TableStep(dx16)) return;
    first_ = Column(x_start);
    const int64_t columns = Column(x_start + (n - 1) * dx16) - static_cast<int64_t>(first_) + 1;
    if (columns > kBilinearMaxTableColumns) return;
    terms_.reset(new (std::nothrow) BilinearColumn[static_cast<size_t>(columns)]);
    if (terms_) columns_ = static_cast<int>(columns);
}

void BilinearRun::Samples(GFX_Color32 *out, int pair, const GFX_Color32 *top, const GFX_Color32 *bottom, uint32_t fy,
                          int k0, int count) {
    const int64_t x16 = x_start_ + k0 * dx16_;
    if (!terms_) {
        BilinearSamples(out, top, bottom, x16, dx16_, count, fy);
        return;
    }
    if (pair != pair_) {
        BilinearColumnTerms(terms_.get(), top, bottom, first_, columns_);
        pair_ = pair;
    }
    SamplesFromTable(out, terms_.get(), first_, x16, dx16_, count, fy);
}

#else

bool HaveBilinearSamplesVector() { return false; }
void BilinearSamples(GFX_Color32 *, const GFX_Color32 *, const GFX_Color32 *, int64_t, int64_t, int, uint32_t) {}
void BilinearColumnTerms(BilinearColumn *, const GFX_Color32 *, const GFX_Color32 *, int, int) {}
BilinearRun::BilinearRun(int64_t x_start, int64_t dx16, int) : x_start_(x_start), dx16_(dx16) {}
void BilinearRun::Samples(GFX_Color32 *, int, const GFX_Color32 *, const GFX_Color32 *, uint32_t, int, int) {}

#endif

}  // namespace gfx_internal
