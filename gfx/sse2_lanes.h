// Small SSE2 helpers shared by the vector row kernels. Not part of the public interface.
// Only included where the target has SSE2 (every x86-64 processor).
#pragma once

#include "gfx/gfx.h"

#include <emmintrin.h>

namespace gfx_internal::sse2 {

inline __m128i Load4(const GFX_Color32 *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
inline void Store4(GFX_Color32 *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }

// Each pixel's alpha (lane 3 of its four 16-bit lanes) copied into all four of its lanes.
inline __m128i BroadcastAlpha(__m128i px16) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, 0xFF), 0xFF); }

// True when all four pixels have alpha 0.
inline bool AllTransparent(__m128i px) {
    const __m128i alpha = _mm_and_si128(px, _mm_set1_epi32(static_cast<int>(0xFF000000u)));
    return _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, _mm_setzero_si128())) == 0xFFFF;
}

}  // namespace gfx_internal::sse2
