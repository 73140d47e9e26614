// Split search for blocks whose best line leaves the colour box.
//
// The least-squares end points of a cut can lie outside the cube of
// representable colours (a dark block's line easily overshoots black).
// Clamping them afterwards would throw away the fit, so here every cut gets
// end points constrained to the box (clamp one end, refit the other for it,
// then refit the first) and is ranked by its error against that constrained
// line.

#include "blocks/boxed_cuts.h"

namespace {
using Sums = RunningSplitSums;

double clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

// End points of the line for positions 0..m with sums p, q, x, kept inside
// the box [lo, hi]; returns the error of the distinct colours against that
// line, less the error-free constant sum f |y|^2 (which all cuts share).
//
// With l(t) = (e0 (m - t) + e1 t) / m and the Gram terms G00 = sum f (m-t)^2,
// G11 = sum f t^2, G01 = -sum f t (m-t), the error less the constant is
// (e0^2 G00 - 2 e0 e1 G01 + e1^2 G11) / m^2 - 2 (e1 - e0) X / m per channel,
// which costs the same for every cut however many colours the block has.
double boxed_endpoints(const ColourSet& cs, double p, double q, const double* x, int m,
                       double e[2][3]) {
    const double a0 = -p;
    const double a1 = m - p;
    const double g00 = a1 * a1 + q;
    const double g11 = a0 * a0 + q;
    const double g01 = a0 * a1 + q;
    const double md = static_cast<double>(m);
    const double mm = md * md;
    double score = 0.0;
    for (int c = 0; c < 3; ++c) {
        const double u0 = a0 * x[c] / q;
        const double u1 = a1 * x[c] / q;
        double e0 = clamp(u0, cs.lo[c], cs.hi[c]);
        const double e1 = clamp(u1 + (e0 - u0) * g01 / g11, cs.lo[c], cs.hi[c]);
        e0 = clamp(u0 + (e1 - u1) * g01 / g00, cs.lo[c], cs.hi[c]);
        e[0][c] = e0;
        e[1][c] = e1;
        score += (e0 * e0 * g00 - 2.0 * e0 * e1 * g01 + e1 * e1 * g11) / mm -
                 2.0 * (e1 - e0) * x[c] / md;
    }
    return score;
}

void boxed_scores_plain(const ColourSet& cs, const BoxedCuts& cuts, double* scores) {
    for (int k = 0; k < cuts.count; ++k) {
        const double x[3] = {cuts.x[0][k], cuts.x[1][k], cuts.x[2][k]};
        double e[2][3];
        scores[k] = boxed_endpoints(cs, cuts.p[k], cuts.q[k], x, static_cast<int>(cuts.m[k]), e);
    }
}

namespace {
// The best cut so far; the cuts are scored a batch at a time and then
// judged in the order they were enumerated, a later cut winning ties.
struct Best {
    int found = 0;
    double score = 0.0;
    int i1 = 0, i2 = 0, i3 = 0;
    BoxedCuts cuts;
    int at[BoxedCuts::SIZE][3];

    void consider(const ColourSet& cs, const Sums& s, int m, int a, int b, int c) {
        const int k = cuts.count++;
        cuts.p[k] = s.p;
        cuts.q[k] = s.q;
        for (int ch = 0; ch < 3; ++ch) cuts.x[ch][k] = s.x[ch];
        cuts.m[k] = m;
        at[k][0] = a;
        at[k][1] = b;
        at[k][2] = c;
        if (cuts.count == BoxedCuts::SIZE) judge(cs);
    }

    void judge(const ColourSet& cs) {
        double scores[BoxedCuts::SIZE];
        if (search_path() != SearchPath::Wide || !boxed_scores_wide(cs, cuts, scores))
            boxed_scores_plain(cs, cuts, scores);
        for (int k = 0; k < cuts.count; ++k) {
            if (!found || scores[k] <= score) {
                found = 1;
                score = scores[k];
                i1 = at[k][0];
                i2 = at[k][1];
                i3 = at[k][2];
            }
        }
        cuts.count = 0;
    }
};
}  // namespace

void best_split_boxed(const ColourSet& cs, const uint8_t* order, int intervals, SplitResult& out) {
    const int n = cs.n;
    double f[BLOCK_MAX_SAMPLES];
    double s[BLOCK_MAX_SAMPLES][3];
    for (int k = 0; k < n; ++k) {
        const DistinctColour& d = cs.colours[order[k]];
        f[k] = d.f;
        for (int c = 0; c < 3; ++c) s[k][c] = d.s[c];
    }
    Best best;
    Sums s1 = {0.0, 0.0, {0.0, 0.0, 0.0}};
    for (int i1 = n - 1; i1 >= 1; --i1) {
        s1.move(f[i1], s[i1], 0);
        Sums s2 = s1;
        for (int i2 = n; i2 >= i1; --i2) {
            if (i2 < n) s2.move(f[i2], s[i2], 1);
            const int m2 = i2 < n ? 2 : 1;  // highest position with no group at 3
            best.consider(cs, s2, m2, i1, i2, n);
            if (intervals < 3) continue;
            Sums s3 = s2;
            for (int i3 = n - 1; i3 >= i2; --i3) {
                s3.move(f[i3], s[i3], 2);
                best.consider(cs, s3, 3, i1, i2, i3);
            }
        }
    }

    best.judge(cs);

    SplitSums fin;
    final_split_sums(cs, order, best.i1, best.i2, best.i3, fin);
    boxed_endpoints(cs, fin.p, fin.q, fin.x, fin.m, out.e);
    for (int c = 0; c < 3; ++c) out.axis[c] = fin.x[c];
    out.intervals = fin.intervals;
    out.score = best.score;
}
