// Byte-row accumulation, plain and two doubles at a time.
#include "zoom/accum_rows.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void accum_bytes_plain(double weight, const uint8_t* src, float* dst, int n) {
    for (int i = 0; i < n; ++i)
        dst[i] = static_cast<float>(static_cast<double>(dst[i]) + weight * src[i]);
}

#if defined(__SSE2__)
void accum_bytes(double weight, const uint8_t* src, float* dst, int n) {
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
#else
void accum_bytes(double weight, const uint8_t* src, float* dst, int n) {
    accum_bytes_plain(weight, src, dst, n);
}
#endif
