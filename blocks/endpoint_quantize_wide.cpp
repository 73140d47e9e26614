// The end-point rounding search four rounding choices at a time.
//
// The plain search totals one combination of rounding choices (red r, green
// g, blue b) at a time. Here the four red choices of a (g, b) pair share one
// pass over the colours, each in its own lane of a four-double vector, with
// the plain search's arithmetic in the plain order: the palettes' values, the
// distances, the per-colour nearest entry and the running total are the same
// numbers. The plain scan's decisions are then replayed lane by lane in its
// order, so the winner is the same. A pass stops early once every lane that
// could still win has passed the best total, as the plain one does per
// combination; the totals only grow, so the decisions do not change.
#include "blocks/endpoint_quantize.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>

#define WIDE __attribute__((target("avx2")))

namespace {
// Squared distances of every colour to every palette entry, per channel,
// with the four rounding choices side by side: d[i][ch][j][r].
struct alignas(32) LaneDistances {
    double d[BLOCK_MAX_SAMPLES][3][4][4];
};

// The total of one combination over all colours, as the plain search sums
// it (used for its first guess, which it sums to the end).
template <int colours>
double combination_sum(const ColourSet& cs, const LaneDistances& dist, int rr, int rg, int rb) {
    double total = 0.0;
    for (int i = 0; i < cs.n; ++i) {
        const double(*d)[4][4] = dist.d[i];
        double nearest = d[0][0][rr] + d[1][0][rg] + d[2][0][rb];
        for (int j = 1; j < colours; ++j) {
            const double e = d[0][j][rr] + d[1][j][rg] + d[2][j][rb];
            if (e < nearest) nearest = e;
        }
        total += cs.colours[i].f * nearest;
    }
    return total;
}

// Fills the distances and the per-channel lower bounds; false when a
// distance is not a number.
template <int colours>
WIDE bool lane_distances(const ColourSet& cs, const ChannelPalettes* cp, LaneDistances& dist,
                         double bound[3][4]) {
    __m256d value[3][4];
    for (int ch = 0; ch < 3; ++ch) {
        const __m256d w = _mm256_set1_pd(cs.w[ch]);
        for (int j = 0; j < colours; ++j) {
            const __m128i pal = _mm_setr_epi32(cp[ch].palette[0][j], cp[ch].palette[1][j],
                                               cp[ch].palette[2][j], cp[ch].palette[3][j]);
            value[ch][j] =
                _mm256_div_pd(_mm256_mul_pd(w, _mm256_cvtepi32_pd(pal)), _mm256_set1_pd(255.0));
        }
    }
    __m256d sum[3] = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd()};
    __m256d unordered = _mm256_setzero_pd();
    for (int i = 0; i < cs.n; ++i) {
        const __m256d f = _mm256_set1_pd(cs.colours[i].f);
        for (int ch = 0; ch < 3; ++ch) {
            const __m256d q = _mm256_set1_pd(cs.colours[i].u[ch]);
            __m256d nearest = _mm256_setzero_pd();
            for (int j = 0; j < colours; ++j) {
                __m256d d = _mm256_sub_pd(q, value[ch][j]);
                d = _mm256_mul_pd(d, d);
                _mm256_store_pd(dist.d[i][ch][j], d);
                unordered = _mm256_or_pd(unordered, _mm256_cmp_pd(d, d, _CMP_UNORD_Q));
                // min(d, m) is "d < m ? d : m", the plain search's choice.
                nearest = j == 0 ? d : _mm256_min_pd(d, nearest);
            }
            sum[ch] = _mm256_add_pd(sum[ch], _mm256_mul_pd(f, nearest));
        }
    }
    for (int ch = 0; ch < 3; ++ch) _mm256_storeu_pd(bound[ch], sum[ch]);
    return _mm256_movemask_pd(unordered) == 0;
}

// The totals of the four red choices with green g and blue b. Returns false
// when it stopped early, every lane in `live` (bit r) having passed `best`.
template <int colours>
WIDE bool lane_totals(const ColourSet& cs, const LaneDistances& dist, int rg, int rb, int live,
                      double best, double totals[4]) {
    const __m256d best_v = _mm256_set1_pd(best);
    __m256d total = _mm256_setzero_pd();
    for (int i = 0; i < cs.n; ++i) {
        const double(*d)[4][4] = dist.d[i];
        __m256d nearest = _mm256_setzero_pd();
        for (int j = 0; j < colours; ++j) {
            const __m256d e =
                _mm256_add_pd(_mm256_add_pd(_mm256_load_pd(d[0][j]), _mm256_set1_pd(d[1][j][rg])),
                              _mm256_set1_pd(d[2][j][rb]));
            nearest = j == 0 ? e : _mm256_min_pd(e, nearest);
        }
        total = _mm256_add_pd(total, _mm256_mul_pd(_mm256_set1_pd(cs.colours[i].f), nearest));
        const int passed = _mm256_movemask_pd(_mm256_cmp_pd(total, best_v, _CMP_GT_OQ));
        if ((live & ~passed) == 0) return false;
    }
    _mm256_storeu_pd(totals, total);
    return true;
}

template <int colours>
WIDE bool quantize_wide(const ColourSet& cs, const double e0[3], const double e1[3],
                        QuantizedEndpoints& out) {
    ChannelPalettes cp[3];
    for (int ch = 0; ch < 3; ++ch)
        channel_palettes(e0[ch], e1[ch], cs.w[ch], channel_bits(cs, ch), colours, cp[ch], false);
    LaneDistances dist;
    double bound[3][4];
    if (!lane_distances<colours>(cs, cp, dist, bound)) return false;

    const int guess = cp[0].nearer + 4 * cp[1].nearer + 16 * cp[2].nearer;
    int best_z = guess;
    double best_total = combination_sum<colours>(cs, dist, guess & 3, (guess >> 2) & 3, guess >> 4);
    for (int rb = 0; rb < 4; ++rb) {
        for (int rg = 0; rg < 4; ++rg) {
            int live = 0;
            for (int rr = 0; rr < 4; ++rr) {
                const int z = rr + 4 * rg + 16 * rb;
                const double lower = bound[0][rr] + bound[1][rg] + bound[2][rb];
                if (z != guess && !(lower > best_total * BOUND_MARGIN)) live |= 1 << rr;
            }
            if (live == 0) continue;
            double totals[4];
            if (!lane_totals<colours>(cs, dist, rg, rb, live, best_total, totals)) continue;
            // The plain scan's decisions, lane by lane: a lane passed over
            // at the start stays passed over, as the best total only falls.
            for (int rr = 0; rr < 4; ++rr) {
                if (!(live & (1 << rr))) continue;
                const int z = rr + 4 * rg + 16 * rb;
                const double lower = bound[0][rr] + bound[1][rg] + bound[2][rb];
                if (lower > best_total * BOUND_MARGIN) continue;
                const double t = totals[rr];
                if (t > best_total || (z > best_z && t == best_total)) continue;
                best_z = z;
                best_total = t;
            }
        }
    }

    settle_rounding(
        cs, cp, best_z, colours, best_total,
        [&](int i, int ch, int r, int j) { return dist.d[i][ch][j][r]; }, out);
    return true;
}
}  // namespace

bool quantize_endpoints_wide(const ColourSet& cs, const double e0[3], const double e1[3],
                             int colours, QuantizedEndpoints& out) {
    if (!wide_search_available()) return false;
    return colours == 3 ? quantize_wide<3>(cs, e0, e1, out) : quantize_wide<4>(cs, e0, e1, out);
}
#else
bool quantize_endpoints_wide(const ColourSet&, const double*, const double*, int,
                             QuantizedEndpoints&) {
    return false;
}
#endif
