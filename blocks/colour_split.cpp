// Exhaustive search for the best cut of an ordering into contiguous groups.
//
// Every distinct colour k gets a palette position t_k (0..3, non-decreasing
// along the ordering). For fixed positions the least-squares line through
// the colours is y(t) = (t - P) X / Q, and its error falls as |X|^2 / Q
// rises, so that ratio ranks the cuts. The cuts are walked so that each one
// differs from the previous by moving a single colour one position up,
// which keeps the work per cut constant.

#include "blocks/colour_search.h"

namespace {
using Sums = RunningSplitSums;

// The distinct colours' shares and centred sums, in ordering order, so the
// inner loops read contiguous memory.
struct Ordered {
    double f[BLOCK_MAX_SAMPLES];
    double s[BLOCK_MAX_SAMPLES][3];
};

void gather(const ColourSet& cs, const uint8_t* order, Ordered& o) {
    for (int k = 0; k < cs.n; ++k) {
        const DistinctColour& d = cs.colours[order[k]];
        o.f[k] = d.f;
        o.s[k][0] = d.s[0];
        o.s[k][1] = d.s[1];
        o.s[k][2] = d.s[2];
    }
}

// Best cut so far. A later cut wins ties: |X|^2 Q_best >= |X_best|^2 Q.
struct Best {
    int found = 0;
    double xx = 0.0;
    double q = 1.0;
    int i1 = 0, i2 = 0, i3 = 0;

    void consider(const Sums& s, int a, int b, int c) {
        const double xx_new = s.x[0] * s.x[0] + s.x[1] * s.x[1] + s.x[2] * s.x[2];
        if (!found || xx_new * q >= xx * s.q) {
            found = 1;
            xx = xx_new;
            q = s.q;
            i1 = a;
            i2 = b;
            i3 = c;
        }
    }
};
}  // namespace

void final_split_sums(const ColourSet& cs, const uint8_t* order, int i1, int i2, int i3,
                      SplitSums& out) {
    const int n = cs.n;
    const int groups = (i2 > i1) + (i3 > i2) + (n > i3);
    // A lone group at position 3 is the same line as at position 2.
    if (groups == 1 && n > i3) i3 = n;
    out.m = n > i3 ? 3 : (i3 > i2 ? 2 : 1);
    out.intervals = groups == 1 ? 1 : out.m;
    double p = 0.0;
    double ft2 = 0.0;
    double x[3] = {0.0, 0.0, 0.0};
    for (int k = 0; k < n; ++k) {
        const int t = k < i1 ? 0 : (k < i2 ? 1 : (k < i3 ? 2 : 3));
        const DistinctColour& d = cs.colours[order[k]];
        p += d.f * t;
        ft2 += d.f * (t * t);
        for (int c = 0; c < 3; ++c) x[c] += t * d.s[c];
    }
    out.p = p;
    out.q = ft2 - p * p;
    for (int c = 0; c < 3; ++c) out.x[c] = x[c];
}

void best_split(const ColourSet& cs, const uint8_t* order, int intervals, SplitResult& out) {
    const int n = cs.n;
    Ordered o;
    gather(cs, order, o);
    Best best;
    Sums s1 = {0.0, 0.0, {0.0, 0.0, 0.0}};
    for (int i1 = n - 1; i1 >= 1; --i1) {
        s1.move(o.f[i1], o.s[i1], 0);
        Sums s2 = s1;
        for (int i2 = n; i2 >= i1; --i2) {
            if (i2 < n) s2.move(o.f[i2], o.s[i2], 1);
            if (intervals < 3) {
                best.consider(s2, i1, i2, n);
                continue;
            }
            Sums s3 = s2;
            best.consider(s3, i1, i2, n);
            for (int i3 = n - 1; i3 >= i2; --i3) {
                s3.move(o.f[i3], o.s[i3], 2);
                best.consider(s3, i1, i2, i3);
            }
        }
    }

    SplitSums fin;
    final_split_sums(cs, order, best.i1, best.i2, best.i3, fin);
    for (int c = 0; c < 3; ++c) {
        out.e[0][c] = -fin.p * fin.x[c] / fin.q;
        out.e[1][c] = (fin.m - fin.p) * fin.x[c] / fin.q;
        out.axis[c] = fin.x[c];
    }
    out.intervals = fin.intervals;
    out.score = -(fin.x[0] * fin.x[0] + fin.x[1] * fin.x[1] + fin.x[2] * fin.x[2]) / fin.q;
}
