// Scores of box-constrained cuts four at a time: each lane runs
// boxed_endpoints' arithmetic in its order (the divisions dominate, and four
// of them cost about as much as one).
#include "blocks/boxed_cuts.h"
#include "cpu/cpu.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>

#define WIDE __attribute__((target("avx2")))

namespace {
// v < lo ? lo : (v > hi ? hi : v), lane by lane.
WIDE inline __m256d clamp4(__m256d v, __m256d lo, __m256d hi) {
    const __m256d upper = _mm256_blendv_pd(v, hi, _mm256_cmp_pd(v, hi, _CMP_GT_OQ));
    return _mm256_blendv_pd(upper, lo, _mm256_cmp_pd(v, lo, _CMP_LT_OQ));
}

WIDE void score_four(const ColourSet& cs, const BoxedCuts& cuts, int k, double* scores) {
    const __m256d p = _mm256_load_pd(cuts.p + k);
    const __m256d q = _mm256_load_pd(cuts.q + k);
    const __m256d md = _mm256_load_pd(cuts.m + k);
    const __m256d a0 = _mm256_xor_pd(p, _mm256_set1_pd(-0.0));  // -p, sign of zero too
    const __m256d a1 = _mm256_sub_pd(md, p);
    const __m256d g00 = _mm256_add_pd(_mm256_mul_pd(a1, a1), q);
    const __m256d g11 = _mm256_add_pd(_mm256_mul_pd(a0, a0), q);
    const __m256d g01 = _mm256_add_pd(_mm256_mul_pd(a0, a1), q);
    const __m256d mm = _mm256_mul_pd(md, md);
    const __m256d two = _mm256_set1_pd(2.0);
    __m256d score = _mm256_setzero_pd();
    for (int c = 0; c < 3; ++c) {
        const __m256d x = _mm256_load_pd(cuts.x[c] + k);
        const __m256d lo = _mm256_set1_pd(cs.lo[c]);
        const __m256d hi = _mm256_set1_pd(cs.hi[c]);
        const __m256d u0 = _mm256_div_pd(_mm256_mul_pd(a0, x), q);
        const __m256d u1 = _mm256_div_pd(_mm256_mul_pd(a1, x), q);
        __m256d e0 = clamp4(u0, lo, hi);
        const __m256d e1 =
            clamp4(_mm256_add_pd(u1, _mm256_div_pd(_mm256_mul_pd(_mm256_sub_pd(e0, u0), g01), g11)),
                   lo, hi);
        e0 =
            clamp4(_mm256_add_pd(u0, _mm256_div_pd(_mm256_mul_pd(_mm256_sub_pd(e1, u1), g01), g00)),
                   lo, hi);
        const __m256d quad = _mm256_add_pd(
            _mm256_sub_pd(_mm256_mul_pd(_mm256_mul_pd(e0, e0), g00),
                          _mm256_mul_pd(_mm256_mul_pd(_mm256_mul_pd(two, e0), e1), g01)),
            _mm256_mul_pd(_mm256_mul_pd(e1, e1), g11));
        const __m256d pull =
            _mm256_div_pd(_mm256_mul_pd(_mm256_mul_pd(two, _mm256_sub_pd(e1, e0)), x), md);
        score = _mm256_add_pd(score, _mm256_sub_pd(_mm256_div_pd(quad, mm), pull));
    }
    _mm256_storeu_pd(scores + k, score);
}
}  // namespace

bool boxed_scores_wide(const ColourSet& cs, const BoxedCuts& cuts, double* scores) {
    if (!cpu_has_avx2()) return false;
    int k = 0;
    for (; k + 4 <= cuts.count; k += 4) score_four(cs, cuts, k, scores);
    if (k < cuts.count) {
        BoxedCuts rest;
        rest.count = cuts.count - k;
        for (int j = 0; j < rest.count; ++j) {
            rest.p[j] = cuts.p[k + j];
            rest.q[j] = cuts.q[k + j];
            for (int c = 0; c < 3; ++c) rest.x[c][j] = cuts.x[c][k + j];
            rest.m[j] = cuts.m[k + j];
        }
        boxed_scores_plain(cs, rest, scores + k);
    }
    return true;
}
#else
bool boxed_scores_wide(const ColourSet&, const BoxedCuts&, double*) { return false; }
#endif
