// The end-point fit of one BC7 index set over one subset's texels: the
// texels' principal line gives the first end points, every allowed P-bit
// choice is quantised and indexed, then least-squares rounds move the end
// points to the indices chosen, keeping whatever lowers the exact error.
//
// All decisions are taken on the integer error of the decoded values, so
// the choice is the one a decoder's pixels judge; the doubles only propose.
#include <cmath>
#include <cstdlib>

#include "blocks/bc7.h"

namespace {

struct Proposal {
    double end[2][4];
};

// The mean and the direction of largest spread of the texels (power
// iteration on their covariance, started from its widest channel).
void principal_line(const int px[16][4], const uint8_t* texels, int count, const Bc7FitRules& s,
                    double mean[4], double axis[4]) {
    const int c0 = s.first_channel, cn = s.channel_count;
    double cov[4][4] = {};
    for (int c = 0; c < cn; ++c) {
        double sum = 0;
        for (int i = 0; i < count; ++i) sum += px[texels[i]][c0 + c];
        mean[c] = sum / count;
    }
    for (int i = 0; i < count; ++i) {
        double d[4];
        for (int c = 0; c < cn; ++c) d[c] = px[texels[i]][c0 + c] - mean[c];
        for (int a = 0; a < cn; ++a)
            for (int b = 0; b < cn; ++b) cov[a][b] += d[a] * d[b];
    }
    int widest = 0;
    for (int c = 1; c < cn; ++c)
        if (cov[c][c] > cov[widest][widest]) widest = c;
    double v[4];
    for (int c = 0; c < cn; ++c) v[c] = cov[widest][c];
    for (int round = 0; round < 6; ++round) {
        double next[4] = {}, largest = 0;
        for (int a = 0; a < cn; ++a) {
            for (int b = 0; b < cn; ++b) next[a] += cov[a][b] * v[b];
            largest = std::fmax(largest, std::fabs(next[a]));
        }
        if (largest <= 0) break;
        for (int c = 0; c < cn; ++c) v[c] = next[c] / largest;
    }
    double length = 0;
    for (int c = 0; c < cn; ++c) length += v[c] * v[c];
    length = std::sqrt(length);
    for (int c = 0; c < cn; ++c) axis[c] = length > 0 ? v[c] / length : 0;
}

double clamp255(double v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

Proposal line_ends(const int px[16][4], const uint8_t* texels, int count, const Bc7FitRules& s) {
    double mean[4], axis[4];
    principal_line(px, texels, count, s, mean, axis);
    double lo = 0, hi = 0;
    for (int i = 0; i < count; ++i) {
        double t = 0;
        for (int c = 0; c < s.channel_count; ++c)
            t += (px[texels[i]][s.first_channel + c] - mean[c]) * axis[c];
        lo = std::fmin(lo, t);
        hi = std::fmax(hi, t);
    }
    Proposal p;
    for (int c = 0; c < s.channel_count; ++c) {
        p.end[0][c] = clamp255(mean[c] + lo * axis[c]);
        p.end[1][c] = clamp255(mean[c] + hi * axis[c]);
    }
    return p;
}

// The index whose weight lies nearest each position 0 .. 64 along the line,
// for 2-, 3- and 4-bit indices.
struct NearestWeight {
    uint8_t index[3][65];
    NearestWeight() {
        for (int bits = 2; bits <= 4; ++bits) {
            const int* w = bc7_weights(bits);
            for (int f = 0; f <= 64; ++f) {
                int best = 0;
                for (int k = 1; k < (1 << bits); ++k)
                    if (std::abs(w[k] - f) < std::abs(w[best] - f)) best = k;
                index[bits - 2][f] = static_cast<uint8_t>(best);
            }
        }
    }
};

// Indices for fixed codes: each texel takes the palette entry nearest it.
// Its place along the line names the entry to look at; that entry and its
// two neighbours are compared exactly, since rounding can put the nearest
// one step aside. Callers keep a candidate only below `limit`, so the sum
// stops as soon as it reaches it (the indices are then incomplete).
int64_t index_texels(const int px[16][4], const uint8_t* texels, int count, const Bc7FitRules& s,
                     Bc7SubsetFit& f, int64_t limit = INT64_MAX) {
    static const NearestWeight nearest;
    const int* weights = bc7_weights(s.index_bits);
    const uint8_t* guess = nearest.index[s.index_bits - 2];
    const int last = (1 << s.index_bits) - 1, c0 = s.first_channel, cn = s.channel_count;
    int pal[16][4], d0[4], dir[4];
    int64_t length = 0;
    for (int c = 0; c < cn; ++c) {
        const int p0 = s.pbits ? f.pbit[0] : -1, p1 = s.pbits ? f.pbit[1] : -1;
        d0[c] = bc7_expand(f.endpoint[0][c], s.bits, p0);
        const int d1 = bc7_expand(f.endpoint[1][c], s.bits, p1);
        dir[c] = d1 - d0[c];
        length += dir[c] * dir[c];
        for (int k = 0; k <= last; ++k)
            pal[k][c] = ((64 - weights[k]) * d0[c] + weights[k] * d1 + 32) >> 6;
    }
    // On a short line the rounded entries bunch up and their order along it
    // no longer holds; there every entry is compared.
    const int64_t short_line = int64_t(4) * (last + 1) * (last + 1);
    int64_t total = 0;
    for (int i = 0; i < count; ++i) {
        const int* x = px[texels[i]] + c0;
        int from = 0, to = last;
        if (length >= short_line) {
            int64_t dot = 0;
            for (int c = 0; c < cn; ++c) dot += int64_t(x[c] - d0[c]) * dir[c];
            const int64_t at = dot <= 0 ? 0 : (64 * dot + length / 2) / length;
            const int centre = guess[at > 64 ? 64 : at];
            from = centre > 0 ? centre - 1 : 0;
            to = centre < last ? centre + 1 : last;
        }
        int best = from, best_error = 1 << 30;
        for (int k = from; k <= to; ++k) {
            int e = 0;
            for (int c = 0; c < cn; ++c) e += (pal[k][c] - x[c]) * (pal[k][c] - x[c]);
            if (e < best_error) best_error = e, best = k;
        }
        f.index[texels[i]] = static_cast<uint8_t>(best);
        total += best_error;
        if (total >= limit) break;
    }
    return total;
}

// The P-bit pairs a rules allows, as (end 0, end 1).
int pbit_choices(const Bc7FitRules& s, int pairs[4][2]) {
    if (s.pbits == 0) {
        pairs[0][0] = pairs[0][1] = -1;
        return 1;
    }
    if (s.pbit_one) {
        pairs[0][0] = pairs[0][1] = 1;
        return 1;
    }
    int n = 0;
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            if (s.pbits == 1 || a == b) pairs[n][0] = a, pairs[n][1] = b, ++n;
    return n;
}

// Quantises a proposal under every allowed P-bit pair and keeps the best
// into `best` when it beats it.
void try_proposal(const int px[16][4], const uint8_t* texels, int count, const Bc7FitRules& s,
                  const Proposal& p, Bc7SubsetFit& best) {
    int pairs[4][2];
    const int n = pbit_choices(s, pairs);
    for (int k = 0; k < n; ++k) {
        Bc7SubsetFit f;
        for (int e = 0; e < 2; ++e) {
            f.pbit[e] = pairs[k][e] < 0 ? 0 : pairs[k][e];
            for (int c = 0; c < s.channel_count; ++c)
                f.endpoint[e][c] = bc7_quantise(static_cast<int>(std::floor(p.end[e][c] + 0.5)),
                                                s.bits, pairs[k][e]);
        }
        f.error = index_texels(px, texels, count, s, f, best.error);
        if (f.error < best.error) best = f;
    }
}

// The end points that best match the chosen indices (least squares per
// channel); false when every texel has the same weight.
bool least_squares(const int px[16][4], const uint8_t* texels, int count, const Bc7FitRules& s,
                   const Bc7SubsetFit& f, Proposal& p) {
    const int* weights = bc7_weights(s.index_bits);
    double aa = 0, ab = 0, bb = 0, xa[4] = {}, xb[4] = {};
    for (int i = 0; i < count; ++i) {
        const double t = weights[f.index[texels[i]]] / 64.0, u = 1.0 - t;
        aa += u * u;
        ab += u * t;
        bb += t * t;
        for (int c = 0; c < s.channel_count; ++c) {
            xa[c] += u * px[texels[i]][s.first_channel + c];
            xb[c] += t * px[texels[i]][s.first_channel + c];
        }
    }
    const double det = aa * bb - ab * ab;
    if (std::fabs(det) < 1e-9) return false;
    for (int c = 0; c < s.channel_count; ++c) {
        p.end[0][c] = clamp255((bb * xa[c] - ab * xb[c]) / det);
        p.end[1][c] = clamp255((aa * xb[c] - ab * xa[c]) / det);
    }
    return true;
}

// Each stored code one step up and down, kept where the error drops.
void nudge_codes(const int px[16][4], const uint8_t* texels, int count, const Bc7FitRules& s,
                 Bc7SubsetFit& best) {
    const int top = (1 << s.bits) - 1;
    for (int e = 0; e < 2; ++e)
        for (int c = 0; c < s.channel_count; ++c)
            for (int step = -1; step <= 1; step += 2) {
                Bc7SubsetFit f = best;
                f.endpoint[e][c] += step;
                if (f.endpoint[e][c] < 0 || f.endpoint[e][c] > top) continue;
                f.error = index_texels(px, texels, count, s, f, best.error);
                if (f.error < best.error) best = f;
            }
}

}  // namespace

int64_t bc7_fit_subset(const int px[16][4], const uint8_t* texels, int count,
                       const Bc7FitRules& rules, Bc7SubsetFit& fit) {
    fit = Bc7SubsetFit{};
    fit.error = INT64_MAX;
    if (count == 0) {
        fit.error = 0;
        return 0;
    }
    try_proposal(px, texels, count, rules, line_ends(px, texels, count, rules), fit);
    for (int round = 0; round < rules.refine_rounds && fit.error > 0; ++round) {
        Proposal p;
        const int64_t before = fit.error;
        if (!least_squares(px, texels, count, rules, fit, p)) break;
        try_proposal(px, texels, count, rules, p, fit);
        if (fit.error >= before) break;
    }
    if (rules.nudge && fit.error > 0) nudge_codes(px, texels, count, rules, fit);
    return fit.error;
}
