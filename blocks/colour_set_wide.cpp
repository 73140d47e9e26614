// The distinct-colour numbering four table entries at a time: a sample is
// compared with four known colours in one step, channel by channel with the
// plain comparison, and the first match wins as in the plain scan.
#include "blocks/colour_search.h"
#include "cpu/cpu.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>

namespace {
__attribute__((target("avx2"))) int number_four_at_a_time(ColourSet& cs, int* first) {
    // The known colours by channel; entries past n are kept at zero so that
    // whole groups of four can be read (their lanes are masked off).
    alignas(32) double known[3][BLOCK_MAX_SAMPLES + 4];
    int n = 0;
    for (int i = 0; i < cs.count; ++i) {
        const double* q = cs.q[i];
        const __m256d q0 = _mm256_set1_pd(q[0]);
        const __m256d q1 = _mm256_set1_pd(q[1]);
        const __m256d q2 = _mm256_set1_pd(q[2]);
        int k = n;
        for (int base = 0; base < n; base += 4) {
            const __m256d same = _mm256_and_pd(
                _mm256_and_pd(_mm256_cmp_pd(_mm256_load_pd(known[0] + base), q0, _CMP_EQ_OQ),
                              _mm256_cmp_pd(_mm256_load_pd(known[1] + base), q1, _CMP_EQ_OQ)),
                _mm256_cmp_pd(_mm256_load_pd(known[2] + base), q2, _CMP_EQ_OQ));
            const int valid = n - base >= 4 ? 15 : (1 << (n - base)) - 1;
            const int hits = _mm256_movemask_pd(same) & valid;
            if (hits != 0) {
                k = base + __builtin_ctz(static_cast<unsigned>(hits));
                break;
            }
        }
        if (k == n) {
            if (n % 4 == 0)
                for (auto& channel : known) _mm256_store_pd(channel + n, _mm256_setzero_pd());
            for (int c = 0; c < 3; ++c) known[c][n] = q[c];
            first[n++] = i;
        }
        cs.sample_colour[i] = k;
    }
    return n;
}
}  // namespace

int number_colours_wide(ColourSet& cs, int* first) {
    return cpu_has_avx2() ? number_four_at_a_time(cs, first) : -1;
}
#else
int number_colours_wide(ColourSet&, int*) { return -1; }
#endif
