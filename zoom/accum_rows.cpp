// Byte-row accumulation, plain and two doubles at a time.
#include "zoom/accum_rows.h"

#include <cstring>

#include "cpu/cpu.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

void accum_bytes_plain(double weight, const uint8_t* src, float* dst, int n) {
    for (int i = 0; i < n; ++i)
        dst[i] = static_cast<float>(static_cast<double>(dst[i]) + weight * src[i]);
}

#if defined(__SSE2__)
void accum_bytes_sse2(double weight, const uint8_t* src, float* dst, int n) {
    const __m128d w = _mm_set1_pd(weight);
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        int32_t four;
        std::memcpy(&four, src + i, 4);
        const __m128i b32 =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(four), zero), zero);
        const __m128d s01 = _mm_cvtepi32_pd(b32);
        const __m128d s23 = _mm_cvtepi32_pd(_mm_shuffle_epi32(b32, _MM_SHUFFLE(1, 0, 3, 2)));
        const __m128 d = _mm_loadu_ps(dst + i);
        const __m128d d01 = _mm_add_pd(_mm_cvtps_pd(d), _mm_mul_pd(w, s01));
        const __m128d d23 = _mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(d, d)), _mm_mul_pd(w, s23));
        _mm_storeu_ps(dst + i, _mm_movelh_ps(_mm_cvtpd_ps(d01), _mm_cvtpd_ps(d23)));
    }
    accum_bytes_plain(weight, src + i, dst + i, n - i);
}

#if defined(__GNUC__) && defined(__x86_64__)
// Four doubles at a time where the processor has them; chosen at run time,
// the rest of the program is built for the plain instruction set.
__attribute__((target("avx2"))) void accum_bytes_avx2(double weight, const uint8_t* src, float* dst,
                                                      int n) {
    const __m256d w = _mm256_set1_pd(weight);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        int64_t eight;
        std::memcpy(&eight, src + i, 8);
        const __m256i b32 = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(eight));
        const __m256d s0 = _mm256_cvtepi32_pd(_mm256_castsi256_si128(b32));
        const __m256d s1 = _mm256_cvtepi32_pd(_mm256_extracti128_si256(b32, 1));
        const __m256d d0 =
            _mm256_add_pd(_mm256_cvtps_pd(_mm_loadu_ps(dst + i)), _mm256_mul_pd(w, s0));
        const __m256d d1 =
            _mm256_add_pd(_mm256_cvtps_pd(_mm_loadu_ps(dst + i + 4)), _mm256_mul_pd(w, s1));
        _mm_storeu_ps(dst + i, _mm256_cvtpd_ps(d0));
        _mm_storeu_ps(dst + i + 4, _mm256_cvtpd_ps(d1));
    }
    accum_bytes_sse2(weight, src + i, dst + i, n - i);
}

#endif

AccumBytes accum_bytes_variant(int k) {
    if (k == 0) return accum_bytes_sse2;
#if defined(__GNUC__) && defined(__x86_64__)
    if (k == 1 && cpu_has_avx2()) return accum_bytes_avx2;
#endif
    return nullptr;
}

void accum_bytes(double weight, const uint8_t* src, float* dst, int n) {
#if defined(__GNUC__) && defined(__x86_64__)
    if (cpu_has_avx2()) return accum_bytes_avx2(weight, src, dst, n);
#endif
    accum_bytes_sse2(weight, src, dst, n);
}
#else
void accum_bytes(double weight, const uint8_t* src, float* dst, int n) {
    accum_bytes_plain(weight, src, dst, n);
}
AccumBytes accum_bytes_variant(int) { return nullptr; }
#endif
