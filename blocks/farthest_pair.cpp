// The quick search's end points: the two samples farthest apart. The plain
// scan is the definition; the fast version finds the same pair without the
// scan's unpredictable branch, and a test holds the two together.
#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "blocks/block_encoder.h"

void split_channels(const double (*samples)[3], int n, SampleChannels& c) {
    for (int i = 0; i < n; ++i) {
        c.r[i] = samples[i][0];
        c.g[i] = samples[i][1];
        c.b[i] = samples[i][2];
    }
}

// Unweighted squared distances. The running maximum is held in single
// precision, and only a strictly larger distance replaces it, so the first
// such pair in (i, j) order wins. A single sample is its own pair.
void farthest_pair_scan(const double (*samples)[3], int n, int& ia, int& ib) {
    ia = 0;
    ib = 0;
    float farthest = -1.0f;
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            const double dr = samples[i][0] - samples[j][0];
            const double dg = samples[i][1] - samples[j][1];
            const double db = samples[i][2] - samples[j][2];
            const double d = dr * dr + dg * dg + db * db;
            if (d > farthest) {
                farthest = float(d);
                ia = i;
                ib = j;
            }
        }
    }
}

namespace {

constexpr int kMaxFast = 36;  // the neighbourhood window; larger sets are scanned
constexpr int kGroup = 8;
constexpr int kMaxPairs = (kMaxFast * (kMaxFast - 1) / 2 + kGroup - 1) / kGroup * kGroup;

// Distances in (i, j) order, padded with -1 to whole groups; returns the
// number of pairs.
int pair_distances(const SampleChannels& c, int n, double* distance) {
    int pairs = 0;
    for (int i = 0; i + 1 < n; ++i) {
        const double ri = c.r[i], gi = c.g[i], bi = c.b[i];
        double* row = distance + pairs - i - 1;
        for (int j = i + 1; j < n; ++j) {
            const double dr = ri - c.r[j];
            const double dg = gi - c.g[j];
            const double db = bi - c.b[j];
            row[j] = dr * dr + dg * dg + db * db;
        }
        pairs += n - 1 - i;
    }
    const int padded = (pairs + kGroup - 1) / kGroup * kGroup;
    for (int k = pairs; k < padded; ++k) distance[k] = -1.0;
    return pairs;
}

// The next lower float of a non-negative one.
float next_float_down(float f) {
    if (f <= 0.0f) return -std::numeric_limits<float>::denorm_min();
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    --bits;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

}  // namespace

// The scan's running maximum only ever becomes the larger of itself and the
// single-precision value of a distance (a distance above a single-precision
// number cannot round below it, one at or below cannot round above it), so it
// is the running maximum of the rounded distances. With F the rounded value of
// the largest distance and k1 the first pair whose distance rounds to F
// (which always replaces), the scan's answer is the last later pair whose
// distance exceeds F, or k1 itself when there is none.
void farthest_pair(const SampleChannels& c, int n, int& ia, int& ib) {
    ia = 0;
    ib = 0;
    if (n < 2) return;
    if (n > kMaxFast) {
        double samples[BLOCK_MAX_SAMPLES][3];
        for (int i = 0; i < n; ++i) {
            samples[i][0] = c.r[i];
            samples[i][1] = c.g[i];
            samples[i][2] = c.b[i];
        }
        farthest_pair_scan(samples, n, ia, ib);
        return;
    }
    double distance[kMaxPairs];
    const int pairs = pair_distances(c, n, distance);
    const int groups = (pairs + kGroup - 1) / kGroup;
    // The largest distance of each group of eight and of all; a maximum is
    // exact in any order, so it is taken as a tree.
    double group_max[kMaxPairs / kGroup];
    double largest = -1.0;
    for (int g = 0; g < groups; ++g) {
        const double* d = distance + kGroup * g;
        const double m01 = std::max(d[0], d[1]), m23 = std::max(d[2], d[3]);
        const double m45 = std::max(d[4], d[5]), m67 = std::max(d[6], d[7]);
        group_max[g] = std::max(std::max(m01, m23), std::max(m45, m67));
        largest = std::max(largest, group_max[g]);
    }
    const float rounded = float(largest);
    // Only distances that round to F matter: k1 is one, and a later distance
    // above F rounds to F as well. They all lie at or above the midpoint
    // between F and the next lower float (exact in double), and usually a
    // single group holds them all.
    const double floor_mid = (double(rounded) + double(next_float_down(rounded))) / 2.0;
    int winner = -1;
    for (int g = 0; g < groups; ++g) {
        if (group_max[g] < floor_mid) continue;
        for (int k = kGroup * g; k < kGroup * (g + 1); ++k) {
            if (distance[k] < floor_mid) continue;
            if (winner < 0 ? float(distance[k]) == rounded : distance[k] > rounded) winner = k;
        }
    }
    // Back from the pair number to (i, j).
    int i = 0;
    while (winner >= n - 1 - i) {
        winner -= n - 1 - i;
        ++i;
    }
    ia = i;
    ib = i + 1 + winner;
}

namespace {

constexpr int kLevelSamples = 16;  // one block; larger sets take the general path

// The 16 x 16 table of whole-level squared distances of a block. Sample
// levels are small whole numbers, so single precision holds every difference,
// square and sum exactly, four pairs at a time. Row i is filled from the group
// of four that holds column i + 1 up to the group that holds column n - 1; the
// extra columns repeat distances of real pairs (the lower triangle mirrors the
// upper one, and the padding repeats sample 0), so they cannot raise the
// maximum. Returns the largest distance.
float level_distances(const uint32_t* levels, int n, float (*dist)[kLevelSamples]) {
    alignas(16) float ch[3][kLevelSamples];
    for (int i = 0; i < kLevelSamples; ++i) {
        const uint32_t w = levels[i < n ? i : 0];
        ch[0][i] = float((w >> 16) & 0xFF);
        ch[1][i] = float((w >> 8) & 0xFF);
        ch[2][i] = float(w & 0xFF);
    }
    const int groups = (n + 3) / 4;
    __m128 largest = _mm_set1_ps(-1.0f);
    for (int i = 0; i + 1 < n; ++i) {
        const __m128 ri = _mm_set1_ps(ch[0][i]);
        const __m128 gi = _mm_set1_ps(ch[1][i]);
        const __m128 bi = _mm_set1_ps(ch[2][i]);
        for (int g = (i + 1) / 4; g < groups; ++g) {
            const __m128 dr = _mm_sub_ps(ri, _mm_load_ps(ch[0] + 4 * g));
            const __m128 dg = _mm_sub_ps(gi, _mm_load_ps(ch[1] + 4 * g));
            const __m128 db = _mm_sub_ps(bi, _mm_load_ps(ch[2] + 4 * g));
            const __m128 d =
                _mm_add_ps(_mm_add_ps(_mm_mul_ps(dr, dr), _mm_mul_ps(dg, dg)), _mm_mul_ps(db, db));
            _mm_store_ps(dist[i] + 4 * g, d);
            largest = _mm_max_ps(largest, d);
        }
    }
    largest = _mm_max_ps(largest, _mm_shuffle_ps(largest, largest, _MM_SHUFFLE(1, 0, 3, 2)));
    largest = _mm_max_ps(largest, _mm_shuffle_ps(largest, largest, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtss_f32(largest);
}

}  // namespace

// Sample distances are the level distances divided by 255 squared, give or
// take a few units in the last place of a double. Two level distances differ
// by at least one in 195075 of the larger, far beyond both those errors and
// single-precision rounding, so a pair below the largest level distance can
// neither round to the scan's final maximum nor exceed it: only the pairs at
// the largest level distance can be the answer. One such pair is the answer;
// among several the scan's rule is replayed on their double distances.
void farthest_pair_levels(const uint32_t* levels, const double (*samples)[3], int n, int& ia,
                          int& ib) {
    ia = 0;
    ib = 0;
    if (n < 2) return;
    if (n > kLevelSamples) {
        SampleChannels c;
        split_channels(samples, n, c);
        farthest_pair(c, n, ia, ib);
        return;
    }
    alignas(16) float dist[kLevelSamples][kLevelSamples];
    const __m128 largest = _mm_set1_ps(level_distances(levels, n, dist));
    const int groups = (n + 3) / 4;
    int cand_i[kLevelSamples * (kLevelSamples - 1) / 2];
    int cand_j[kLevelSamples * (kLevelSamples - 1) / 2];
    int count = 0;
    for (int i = 0; i + 1 < n; ++i) {
        unsigned hits = 0;
        for (int g = (i + 1) / 4; g < groups; ++g)
            hits |= unsigned(_mm_movemask_ps(_mm_cmpeq_ps(_mm_load_ps(dist[i] + 4 * g), largest)))
                    << (4 * g);
        hits &= ((1u << n) - 1) & ~((2u << i) - 1);  // columns i + 1 .. n - 1
        for (; hits != 0; hits &= hits - 1) {
            cand_i[count] = i;
            cand_j[count++] = __builtin_ctz(hits);
        }
    }
    ia = cand_i[0];
    ib = cand_j[0];
    if (count == 1) return;
    double d[kLevelSamples * (kLevelSamples - 1) / 2];
    double top = -1.0;
    for (int k = 0; k < count; ++k) {
        const double* s = samples[cand_i[k]];
        const double* t = samples[cand_j[k]];
        const double dr = s[0] - t[0];
        const double dg = s[1] - t[1];
        const double db = s[2] - t[2];
        d[k] = dr * dr + dg * dg + db * db;
        top = std::max(top, d[k]);
    }
    // The first pair that rounds to the final maximum replaces whatever the
    // scan held; after it only a distance above that maximum replaces.
    const float rounded = float(top);
    int winner = -1;
    for (int k = 0; k < count; ++k)
        if (winner < 0 ? float(d[k]) == rounded : d[k] > rounded) winner = k;
    ia = cand_i[winner];
    ib = cand_j[winner];
}
