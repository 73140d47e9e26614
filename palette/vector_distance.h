// Internal: the squared distance of the nearest-vector search over 16 byte
// dimensions, its innermost step.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Squared distance over 16 byte dimensions. Integer sums, so the vector
// version (SSE2, part of every x86-64 processor) and the plain loop give the
// same value.
inline int32_t distance16_plain(const uint8_t* x, const uint8_t* q) {
    int32_t sum = 0;
    for (int32_t k = 0; k < 16; ++k) {
        const int32_t e = static_cast<int32_t>(x[k]) - q[k];
        sum += e * e;
    }
    return sum;
}

#if defined(__SSE2__)
inline int32_t distance16(const uint8_t* x, const uint8_t* q) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i lo = _mm_sub_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    const __m128i hi = _mm_sub_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
    __m128i s = _mm_add_epi32(_mm_madd_epi16(lo, lo), _mm_madd_epi16(hi, hi));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
    return _mm_cvtsi128_si32(s);
}
#else
inline int32_t distance16(const uint8_t* x, const uint8_t* q) { return distance16_plain(x, q); }
#endif
