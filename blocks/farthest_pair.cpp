// The quick search's end points: the two samples farthest apart. The plain
// scan is the definition; the fast version finds the same pair without the
// scan's unpredictable branch, and a test holds the two together.
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
