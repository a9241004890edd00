// Row copies of the window system's pixel words. Windows keep no alpha: every copy into a window,
// and every read of one, clears the top byte of each word.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qlv_gdi {

// to[i] = from[i] & 0x00FFFFFF for i < n; the rows must not overlap. Four words at a time in SSE2
// registers where the target has them (a memcpy-speed loop), word by word for the rest.
//
// `stream`: the stores bypass the caches (for copies far larger than the last-level cache, where
// keeping the destination cached only costs reading it in first); the caller issues
// StreamFence() after the last such row.
inline void CopyWithoutAlpha(uint32_t *__restrict to, const uint32_t *__restrict from, size_t n, bool stream = false) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i keep = _mm_set1_epi32(0x00FFFFFF);
    if (stream) {
        // Word by word up to a 16-byte boundary of the destination, then aligned streaming stores.
        for (; i < n && (reinterpret_cast<uintptr_t>(to + i) & 15) != 0; ++i) to[i] = from[i] & 0x00FFFFFFu;
        for (; i + 8 <= n; i += 8) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i + 4));
            _mm_stream_si128(reinterpret_cast<__m128i *>(to + i), _mm_and_si128(a, keep));
            _mm_stream_si128(reinterpret_cast<__m128i *>(to + i + 4), _mm_and_si128(b, keep));
        }
    }
    for (; i + 8 <= n; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + i), _mm_and_si128(a, keep));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + i + 4), _mm_and_si128(b, keep));
    }
#endif
    for (; i < n; ++i) to[i] = from[i] & 0x00FFFFFFu;
}

// Orders streaming stores before whatever follows (see CopyWithoutAlpha).
inline void StreamFence() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// to[i] = from[i] | 0xFF000000 for i < n (a window's words as opaque frame pixels); the rows
// must not overlap.
inline void CopyOpaque(uint32_t *__restrict to, const uint32_t *__restrict from, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; i + 8 <= n; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + i), _mm_or_si128(a, alpha));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + i + 4), _mm_or_si128(b, alpha));
    }
#endif
    for (; i < n; ++i) to[i] = from[i] | 0xFF000000u;
}

}  // namespace qlv_gdi
