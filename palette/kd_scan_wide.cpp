// The nearest-vector search's leaf scan 32 byte dimensions a step: the
// differences widened to 16 bits, squared and added in pairs, the same
// integer sums as the plain scan's.
#include <cstddef>

#include "cpu/cpu.h"
#include "vector_distance.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>

namespace {
__attribute__((target("avx2"))) int32_t distance_wide(const uint8_t* x, const uint8_t* q,
                                                      int32_t dims, int32_t best) {
    int32_t sum = 0;
    for (int32_t d = 0; d < dims; d += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + d));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + d));
        const __m256i lo = _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm256_castsi256_si128(a)),
                                            _mm256_cvtepu8_epi16(_mm256_castsi256_si128(b)));
        const __m256i hi = _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm256_extracti128_si256(a, 1)),
                                            _mm256_cvtepu8_epi16(_mm256_extracti128_si256(b, 1)));
        __m256i s = _mm256_add_epi32(_mm256_madd_epi16(lo, lo), _mm256_madd_epi16(hi, hi));
        __m128i h = _mm_add_epi32(_mm256_castsi256_si128(s), _mm256_extracti128_si256(s, 1));
        h = _mm_add_epi32(h, _mm_shuffle_epi32(h, 0x4E));
        h = _mm_add_epi32(h, _mm_shuffle_epi32(h, 0xB1));
        sum += _mm_cvtsi128_si32(h);
        if (sum >= best) return sum;
    }
    return sum;
}

__attribute__((target("avx2"))) void scan_wide(const uint8_t* vectors, const int32_t* order,
                                               int32_t count, int32_t dims, const uint8_t* q,
                                               int32_t& best, int32_t& nearest) {
    for (int32_t k = 0; k < count; ++k) {
        const int32_t r = order[k];
        const int32_t sum = distance_wide(vectors + static_cast<size_t>(r) * dims, q, dims, best);
        if (sum < best) {
            best = sum;
            nearest = r;
        }
    }
}
}  // namespace

bool scan_records_wide(const uint8_t* vectors, const int32_t* order, int32_t count, int32_t dims,
                       const uint8_t* q, int32_t& best, int32_t& nearest) {
    if (!cpu_has_avx2() || dims % 32 != 0) return false;
    scan_wide(vectors, order, count, dims, q, best, nearest);
    return true;
}

namespace {
// Eight dimensions a step: the squares of the query's distances to both
// faces, each compared with best as the plain test does.
__attribute__((target("avx2"))) bool ball_inside_eights(const uint8_t* q, const int32_t* lo,
                                                        const int32_t* hi, int32_t dims,
                                                        int32_t best) {
    const __m256i b = _mm256_set1_epi32(best);
    for (int32_t d = 0; d < dims; d += 8) {
        const __m256i x =
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q + d)));
        const __m256i to_lo =
            _mm256_sub_epi32(x, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lo + d)));
        const __m256i to_hi =
            _mm256_sub_epi32(x, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hi + d)));
        const __m256i inside =
            _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_mullo_epi32(to_lo, to_lo), b),
                             _mm256_cmpgt_epi32(_mm256_mullo_epi32(to_hi, to_hi), b));
        if (_mm256_movemask_epi8(inside) != -1) return false;
    }
    return true;
}

}  // namespace

int ball_inside_wide(const uint8_t* q, const int32_t* lo, const int32_t* hi, int32_t dims,
                     int32_t best) {
    if (!cpu_has_avx2() || dims % 8 != 0) return -1;
    return ball_inside_eights(q, lo, hi, dims, best) ? 1 : 0;
}
#else
bool scan_records_wide(const uint8_t*, const int32_t*, int32_t, int32_t, const uint8_t*, int32_t&,
                       int32_t&) {
    return false;
}

int ball_inside_wide(const uint8_t*, const int32_t*, const int32_t*, int32_t, int32_t) {
    return -1;
}
#endif
