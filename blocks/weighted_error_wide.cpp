// The weighted error four samples at a time: each lane finds one sample's
// nearest entry with the plain distances and tie rule; the sum then runs over
// the samples in order, as the plain one does.
#include "blocks/colour_search.h"
#include "blocks/weighted_error.h"
#include "cpu/cpu.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>

namespace {
__attribute__((target("avx2"))) double four_at_a_time(const WeightedSamples& s,
                                                      const double pal[4][3], int colours,
                                                      int* indices, double limit) {
    double sum = 0.0;
    for (int i = 0; i < s.count; i += 4) {
        const __m256d x0 = _mm256_load_pd(s.x[0] + i);
        const __m256d x1 = _mm256_load_pd(s.x[1] + i);
        const __m256d x2 = _mm256_load_pd(s.x[2] + i);
        __m256d best = _mm256_setzero_pd();
        __m256d pick = _mm256_setzero_pd();
        for (int j = 0; j < colours; ++j) {
            const __m256d d0 = _mm256_sub_pd(x0, _mm256_set1_pd(pal[j][0]));
            const __m256d d1 = _mm256_sub_pd(x1, _mm256_set1_pd(pal[j][1]));
            const __m256d d2 = _mm256_sub_pd(x2, _mm256_set1_pd(pal[j][2]));
            const __m256d d = _mm256_add_pd(
                _mm256_add_pd(_mm256_mul_pd(d0, d0), _mm256_mul_pd(d1, d1)), _mm256_mul_pd(d2, d2));
            if (j == 0) {
                best = d;
                continue;
            }
            const __m256d nearer = _mm256_cmp_pd(d, best, _CMP_LT_OQ);
            best = _mm256_blendv_pd(best, d, nearer);
            pick = _mm256_blendv_pd(pick, _mm256_set1_pd(j), nearer);
        }
        alignas(32) double bests[4];
        alignas(32) double picks[4];
        _mm256_store_pd(bests, best);
        _mm256_store_pd(picks, pick);
        const int lanes = s.count - i < 4 ? s.count - i : 4;
        for (int k = 0; k < lanes; ++k) {
            if (indices) indices[i + k] = static_cast<int>(picks[k]);
            sum += bests[k];
            if (sum >= limit) return sum;
        }
    }
    return sum;
}
}  // namespace

bool nearest_error_wide(const WeightedSamples& s, const double pal[4][3], int colours, int* indices,
                        double limit, double& sum) {
    if (!cpu_has_avx2()) return false;
    sum = four_at_a_time(s, pal, colours, indices, limit);
    return true;
}
#else
bool nearest_error_wide(const WeightedSamples&, const double[4][3], int, int*, double, double&) {
    return false;
}
#endif
