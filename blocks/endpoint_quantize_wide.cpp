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
#include "cpu/cpu.h"

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

// The low 32 bits of each 64-bit lane of a double comparison, as a mask of
// four 32-bit lanes.
WIDE inline __m128i narrow_mask(__m256d mask) {
    const __m256i picked = _mm256_permutevar8x32_epi32(_mm256_castpd_si256(mask),
                                                       _mm256_setr_epi32(0, 2, 4, 6, 0, 0, 0, 0));
    return _mm256_castsi256_si128(picked);
}

// Codes aligned to the top of a byte, widened as a decoder does.
WIDE inline __m128i expand_levels(__m128i level, __m128i bits) {
    return _mm_add_epi32(level, _mm_srlv_epi32(level, bits));
}

// The expanded levels just below and just above each channel's end point
// value e (lanes R, G, B and an unused one), as the plain bracket finds them:
// x = 255 e / w (0 for no weight), its floor kept to 0 .. 256 - step and
// aligned to the step, one step down while its level lies above x, one up
// for the level above.
WIDE void bracket_channels(__m256d e, __m256d w, __m128i bits, double x_out[4], int low[4],
                           int high[4]) {
    const __m256d zero = _mm256_setzero_pd();
    const __m128i step = _mm_sllv_epi32(_mm_set1_epi32(1), _mm_sub_epi32(_mm_set1_epi32(8), bits));
    const __m128i below_step = _mm_sub_epi32(step, _mm_set1_epi32(1));
    const __m256d x =
        _mm256_blendv_pd(zero, _mm256_div_pd(_mm256_mul_pd(_mm256_set1_pd(255.0), e), w),
                         _mm256_cmp_pd(w, zero, _CMP_GT_OQ));
    const __m256d fl = _mm256_floor_pd(x);
    __m256d kept =
        _mm256_blendv_pd(fl, _mm256_cvtepi32_pd(_mm_sub_epi32(_mm_set1_epi32(256), step)),
                         _mm256_cmp_pd(fl, _mm256_set1_pd(255.0), _CMP_GT_OQ));
    kept = _mm256_blendv_pd(zero, kept, _mm256_cmp_pd(fl, zero, _CMP_GE_OQ));
    __m128i v = _mm256_cvttpd_epi32(kept);
    v = _mm_sub_epi32(v, _mm_and_si128(v, below_step));
    const __m128i down = _mm_and_si128(
        narrow_mask(_mm256_cmp_pd(_mm256_cvtepi32_pd(expand_levels(v, bits)), x, _CMP_GT_OQ)),
        _mm_cmpgt_epi32(v, below_step));
    v = _mm_sub_epi32(v, _mm_and_si128(down, step));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(low), expand_levels(v, bits));
    const __m128i up = _mm_cmplt_epi32(_mm_add_epi32(v, step), _mm_set1_epi32(256));
    v = _mm_add_epi32(v, _mm_and_si128(up, step));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(high), expand_levels(v, bits));
    _mm256_storeu_pd(x_out, x);
}

template <int colours>
WIDE bool quantize_wide(const ColourSet& cs, const double e0[3], const double e1[3],
                        QuantizedEndpoints& out) {
    ChannelPalettes cp[3];
    {
        const __m256d w = _mm256_setr_pd(cs.w[0], cs.w[1], cs.w[2], 0.0);
        const __m128i bits =
            _mm_setr_epi32(channel_bits(cs, 0), channel_bits(cs, 1), channel_bits(cs, 2), 5);
        double x[2][4];
        int low[2][4], high[2][4];
        bracket_channels(_mm256_setr_pd(e0[0], e0[1], e0[2], 0.0), w, bits, x[0], low[0], high[0]);
        bracket_channels(_mm256_setr_pd(e1[0], e1[1], e1[2], 0.0), w, bits, x[1], low[1], high[1]);
        for (int ch = 0; ch < 3; ++ch) {
            const double xs[2] = {x[0][ch], x[1][ch]};
            const int lows[2] = {low[0][ch], low[1][ch]}, highs[2] = {high[0][ch], high[1][ch]};
            palettes_from_levels(xs, lows, highs, cs.w[ch], colours, cp[ch], false);
        }
    }
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
    if (!cpu_has_avx2()) return false;
    return colours == 3 ? quantize_wide<3>(cs, e0, e1, out) : quantize_wide<4>(cs, e0, e1, out);
}
#else
bool quantize_endpoints_wide(const ColourSet&, const double*, const double*, int,
                             QuantizedEndpoints&) {
    return false;
}
#endif
