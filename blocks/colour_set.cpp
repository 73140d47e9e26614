// The block's colours as the end-point search sees them: weighted samples,
// their mean and box, the table of distinct colours, and the two axes the
// search starts from.
//
// The distinct-colour table is what keeps the split search affordable: a
// block rarely has 16 different colours, and every split, ordering and
// rounding step works on entries with a share instead of on samples.

#include <cmath>
#include <cstdlib>

#include "blocks/colour_search.h"

void clamp_samples(BlockSamples& b) {
    for (int i = 0; i < b.count; ++i) {
        for (int c = 0; c < 3; ++c) {
            double& v = b.samples[i][c];
            if (v < 0.0) v = 0.0;
            if (v > 1.0) v = 1.0;
        }
    }
}

// A block is grey when every pixel's 8-bit channels lie within 2 of each
// other; such blocks round green with red and blue's 5 bits so that the
// three channels land on the same levels and no tint appears.
int samples_are_grey(const BlockSamples& b) {
    for (int i = 0; i < b.count; ++i) {
        const int r = static_cast<int>(b.samples[i][0] * 255.0 + 0.5);
        const int g = static_cast<int>(b.samples[i][1] * 255.0 + 0.5);
        const int bl = static_cast<int>(b.samples[i][2] * 255.0 + 0.5);
        if (std::abs(r - g) > 2 || std::abs(g - bl) > 2 || std::abs(bl - r) > 2) return 0;
    }
    return 1;
}

int prepare_colour_set(const BlockSamples& b, ColourSet& cs) {
    cs.count = b.count;
    cs.n = 0;
    cs.max_colours = b.max_colours;
    cs.force_four = b.force_four;
    for (int c = 0; c < 3; ++c) {
        // Negative (or undefined) weights would turn the error into a gain.
        cs.w[c] = b.weights[c] > 0.0 ? b.weights[c] : 0.0;
    }
    double sum[3] = {0.0, 0.0, 0.0};
    int identical = 1;
    for (int i = 0; i < b.count; ++i) {
        for (int c = 0; c < 3; ++c) {
            cs.q[i][c] = cs.w[c] * b.samples[i][c];
            sum[c] += cs.q[i][c];
            if (b.samples[i][c] != b.samples[0][c]) identical = 0;
        }
    }
    const double n = static_cast<double>(b.count);
    for (int c = 0; c < 3; ++c) {
        cs.mean[c] = sum[c] / n;
        cs.lo[c] = -cs.mean[c];
        cs.hi[c] = cs.w[c] - cs.mean[c];
    }
    cs.grey = samples_are_grey(b);
    return identical;
}

int number_colours_plain(ColourSet& cs, int* first) {
    int n = 0;
    for (int i = 0; i < cs.count; ++i) {
        const double* q = cs.q[i];
        int k = 0;
        while (k < n && !(cs.q[first[k]][0] == q[0] && cs.q[first[k]][1] == q[1] &&
                          cs.q[first[k]][2] == q[2])) {
            ++k;
        }
        if (k == n) first[n++] = i;
        cs.sample_colour[i] = k;
    }
    return n;
}

void build_distinct_colours(ColourSet& cs) {
    int first[BLOCK_MAX_SAMPLES];
    int n = 0;
    if (search_path() != SearchPath::Wide || (n = number_colours_wide(cs, first)) < 0)
        n = number_colours_plain(cs, first);
    int members[BLOCK_MAX_SAMPLES];
    for (int k = 0; k < n; ++k) {
        DistinctColour& d = cs.colours[k];
        for (int c = 0; c < 3; ++c) {
            d.u[c] = cs.q[first[k]][c];
            d.s[c] = 0.0;
        }
        members[k] = 0;
    }
    for (int i = 0; i < cs.count; ++i) {
        const int k = cs.sample_colour[i];
        ++members[k];
        for (int c = 0; c < 3; ++c) cs.colours[k].s[c] += cs.q[i][c] - cs.mean[c];
    }
    const double total = static_cast<double>(cs.count);
    for (int k = 0; k < n; ++k) {
        DistinctColour& d = cs.colours[k];
        d.f = members[k] / total;
        for (int c = 0; c < 3; ++c) d.s[c] = d.s[c] / total;
    }
    cs.n = n;
}

// Symmetric 3x3 matrices hold their upper triangle: 00 01 02 11 12 22.
namespace {
struct Sym3 {
    double m[6];
};

// T = A A, each element summed over k = 0, 1, 2 in that order.
Sym3 square(const Sym3& s) {
    const double a00 = s.m[0], a01 = s.m[1], a02 = s.m[2];
    const double a11 = s.m[3], a12 = s.m[4], a22 = s.m[5];
    Sym3 t;
    t.m[0] = a00 * a00 + a01 * a01 + a02 * a02;
    t.m[1] = a00 * a01 + a01 * a11 + a02 * a12;
    t.m[2] = a00 * a02 + a01 * a12 + a02 * a22;
    t.m[3] = a01 * a01 + a11 * a11 + a12 * a12;
    t.m[4] = a01 * a02 + a11 * a12 + a12 * a22;
    t.m[5] = a02 * a02 + a12 * a12 + a22 * a22;
    return t;
}

double element(const Sym3& s, int i, int j) {
    static const int slot[3][3] = {{0, 1, 2}, {1, 3, 4}, {2, 4, 5}};
    return s.m[slot[i][j]];
}
}  // namespace

// Power iteration on the scatter matrix: each round rescales the trace to
// 3.5 (so the powers stay far from overflow and underflow) and raises the
// matrix to the 256th power; after three rounds every row is parallel to
// the dominant eigenvector.
void principal_axis(const ColourSet& cs, double axis[3]) {
    Sym3 m = {{0.0, 0.0, 0.0, 0.0, 0.0, 0.0}};
    for (int i = 0; i < cs.count; ++i) {
        double d[3];
        for (int c = 0; c < 3; ++c) d[c] = cs.q[i][c] - cs.mean[c];
        m.m[0] += d[0] * d[0];
        m.m[1] += d[0] * d[1];
        m.m[2] += d[0] * d[2];
        m.m[3] += d[1] * d[1];
        m.m[4] += d[1] * d[2];
        m.m[5] += d[2] * d[2];
    }
    Sym3 t = m;
    for (int round = 0; round < 3; ++round) {
        const double scale = 3.5 / (m.m[0] + m.m[3] + m.m[5]);
        for (double& v : m.m) v *= scale;
        for (int i = 0; i < 4; ++i) {
            t = square(m);
            m = square(t);
        }
    }
    int k = 2;
    if (m.m[0] > m.m[3] && m.m[0] > m.m[5]) {
        k = 0;
    } else if (m.m[3] > m.m[5]) {
        k = 1;
    }
    const double len = std::sqrt(element(m, k, k));
    for (int c = 0; c < 3; ++c) axis[c] = element(t, k, c) / len;
    // A scatter too small for the iteration (only absurdly small weights can
    // cause it) leaves no direction; the farthest pair still gives one.
    if (!(std::isfinite(axis[0]) && std::isfinite(axis[1]) && std::isfinite(axis[2]))) {
        farthest_pair_axis(cs, axis);
    }
}

void farthest_pair_axis(const ColourSet& cs, double axis[3]) {
    // The pair kept is the first in (i, j) order whose distance is the
    // largest, when that is above 0. So the distances of each row are formed
    // first from the channels laid out side by side (a loop the compiler can
    // run on several pairs at once, each one summed as written), and only a
    // row whose largest distance beats the best is searched for its first.
    const int n = cs.n;
    double u[3][BLOCK_MAX_SAMPLES];
    for (int j = 0; j < n; ++j)
        for (int c = 0; c < 3; ++c) u[c][j] = cs.colours[j].u[c];
    double best = 0.0;
    int bi = 0, bj = 0;
    double dist[BLOCK_MAX_SAMPLES];
    for (int i = 0; i < n; ++i) {
        const double a0 = u[0][i], a1 = u[1][i], a2 = u[2][i];
        double row_max = 0.0;
        for (int j = i; j < n; ++j) {
            const double d0 = a0 - u[0][j], d1 = a1 - u[1][j], d2 = a2 - u[2][j];
            dist[j] = d0 * d0 + d1 * d1 + d2 * d2;
            row_max = dist[j] > row_max ? dist[j] : row_max;
        }
        if (!(row_max > best)) continue;
        int j = i;
        while (!(dist[j] == row_max)) ++j;
        best = row_max;
        bi = i;
        bj = j;
    }
    double d_best[3] = {1.0, 0.0, 0.0};
    if (best > 0.0)
        for (int c = 0; c < 3; ++c) d_best[c] = cs.colours[bi].u[c] - cs.colours[bj].u[c];
    const double len = best > 0.0 ? std::sqrt(best) : 1.0;
    for (int c = 0; c < 3; ++c) axis[c] = d_best[c] / len;
}
