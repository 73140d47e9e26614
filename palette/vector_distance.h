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

// A leaf of the nearest-vector search: each record in turn (record order[k]
// of `vectors`, `dims` bytes each), its squared distance to q, a smaller one
// replacing best and nearest. A distance stops early once its partial sum
// reaches best (it cannot win then), which changes nothing but the time. The
// wide version takes 32 dimensions a step on processors with 256-bit
// vectors, for dims a multiple of 32; false where it does not run.
bool scan_records_wide(const uint8_t* vectors, const int32_t* order, int32_t count, int32_t dims,
                       const uint8_t* q, int32_t& best, int32_t& nearest);

// The search's test of whether the ball of radius^2 `best` around q lies
// inside the box lo..hi: best below both faces' squared distances in every
// dimension. 1 or 0 from eight dimensions a step on processors with 256-bit
// vectors (dims a multiple of 8); -1 where it does not run.
int ball_inside_wide(const uint8_t* q, const int32_t* lo, const int32_t* hi, int32_t dims,
                     int32_t best);
