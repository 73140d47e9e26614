// Rounding the fitted end points to 5:6:5 codes.
//
// Rounding each end point to its nearest code ignores that the palette
// entries between them move too, so each channel's end point is tried one
// level below and one level above its exact value (64 combinations over the
// three channels) and the combination with the smallest weighted error over
// the block's colours wins. A line fitted for fewer colours is also tried
// stretched into a larger palette, where its colours may land closer to
// the interpolated entries.

#include "blocks/endpoint_quantize.h"

#include <cmath>

#include "blocks/blocks.h"

namespace {
// v is a code aligned to the top of a byte.
int expand_aligned(int v, int bits) { return v + (v >> bits); }

// The expanded levels just below and just above end point value e.
// Returns the value x on the 8-bit scale.
double bracket_levels(double e, double w, int bits, int& low, int& high) {
    const int step = 1 << (8 - bits);
    const double x = w > 0.0 ? 255.0 * e / w : 0.0;
    const double fl = std::floor(x);
    int v;
    if (!(fl >= 0.0)) {
        v = 0;
    } else if (fl > 255.0) {
        v = 256 - step;
    } else {
        v = static_cast<int>(fl);
    }
    v -= v & (step - 1);  // v >= 0 and step a power of two: v % step
    if (expand_aligned(v, bits) > x && v >= step) v -= step;
    low = expand_aligned(v, bits);
    if (v + step < 256) v += step;
    high = expand_aligned(v, bits);
    return x;
}
}  // namespace

void palettes_from_levels(const double x[2], const int low[2], const int high[2], double w,
                          int colours, ChannelPalettes& cp, bool with_values) {
    cp.nearer = (high[0] - x[0] < x[0] - low[0] ? 2 : 0) + (high[1] - x[1] < x[1] - low[1] ? 1 : 0);
    for (int r = 0; r < 4; ++r) {
        const int a = (r & 2) ? high[0] : low[0];
        const int b = (r & 1) ? high[1] : low[1];
        cp.level[r][0] = a;
        cp.level[r][1] = b;
        int* pal = cp.palette[r];
        for (int j = 0; j < 4; ++j) pal[j] = block_palette_entry(a, b, colours, j);
        if (with_values)
            for (int j = 0; j < 4; ++j) cp.value[r][j] = w * pal[j] / 255.0;
    }
}

void channel_palettes(double e0, double e1, double w, int bits, int colours, ChannelPalettes& cp,
                      bool with_values) {
    int low[2];
    int high[2];
    double x[2];
    x[0] = bracket_levels(e0, w, bits, low[0], high[0]);
    x[1] = bracket_levels(e1, w, bits, low[1], high[1]);
    palettes_from_levels(x, low, high, w, colours, cp, with_values);
}

namespace {
using Distances = double[BLOCK_MAX_SAMPLES][3][4][4];

// Total error of combination z (red r = z % 4, green (z / 4) % 4, blue
// z / 16) over the distinct colours. Returns true when it beats `best` (at
// z_best): a smaller total, or an equal one at a lower z. Sums of
// non-negative terms never shrink, so the sum stops as soon as it cannot win.
template <int colours>
bool combination_total(const ColourSet& cs, const Distances& dist, int z, double best, int z_best,
                       double& total) {
    const int rr = z & 3;
    const int rg = (z >> 2) & 3;
    const int rb = z >> 4;
    const bool must_beat = z > z_best;
    total = 0.0;
    for (int i = 0; i < cs.n; ++i) {
        const double* dr = dist[i][0][rr];
        const double* dg = dist[i][1][rg];
        const double* db = dist[i][2][rb];
        double nearest = dr[0] + dg[0] + db[0];
        for (int j = 1; j < colours; ++j) {
            const double d = dr[j] + dg[j] + db[j];
            if (d < nearest) nearest = d;
        }
        total += cs.colours[i].f * nearest;
        if (total > best || (must_beat && total == best)) return false;
    }
    return true;
}

// The search for a palette of `colours` entries; a constant, so that the
// loops over the entries unroll.
template <int colours>
void quantize_for(const ColourSet& cs, const double e0[3], const double e1[3],
                  QuantizedEndpoints& out) {
    ChannelPalettes cp[3];
    for (int ch = 0; ch < 3; ++ch) {
        channel_palettes(e0[ch], e1[ch], cs.w[ch], channel_bits(cs, ch), colours, cp[ch]);
    }
    const int n = cs.n;
    // Squared channel distances of every colour to every entry of every
    // rounding choice; a combination then only adds three of them.
    Distances dist;
    for (int i = 0; i < n; ++i) {
        for (int ch = 0; ch < 3; ++ch) {
            const double q = cs.colours[i].u[ch];
            for (int r = 0; r < 4; ++r) {
                for (int j = 0; j < colours; ++j) {
                    const double d = q - cp[ch].value[r][j];
                    dist[i][ch][r][j] = d * d;
                }
            }
        }
    }
    // The smallest total wins, the lower z on equal totals. Starting from
    // the combination that rounds every end point to its nearer level (most
    // often the winner), the others are skipped when a lower bound already
    // exceeds the best total, or stop after a few colours; the comparison on
    // (total, z) keeps the result that of a plain scan in z order.
    //
    // The bound takes each channel's nearest entry on its own:
    // sum_i f_i min_j (dR + dG + dB) >= A_R[rr] + A_G[rg] + A_B[rb] with
    // A_c[r] = sum_i f_i min_j d_c. Rounding can move either side by a few
    // parts in 1e14, so a combination is skipped only when its bound is
    // clearly above the best total.
    double bound[3][4];
    for (int ch = 0; ch < 3; ++ch) {
        for (int r = 0; r < 4; ++r) {
            double sum = 0.0;
            for (int i = 0; i < n; ++i) {
                const double* d = dist[i][ch][r];
                double m = d[0];
                for (int j = 1; j < colours; ++j) m = d[j] < m ? d[j] : m;
                sum += cs.colours[i].f * m;
            }
            bound[ch][r] = sum;
        }
    }
    const int guess = cp[0].nearer + 4 * cp[1].nearer + 16 * cp[2].nearer;
    int best_z = guess;
    double best_total = 0.0;
    combination_total<colours>(cs, dist, guess, HUGE_VAL, 64, best_total);
    // z = red + 4 green + 16 blue, rising.
    for (int rb = 0; rb < 4; ++rb) {
        for (int rg = 0; rg < 4; ++rg) {
            for (int rr = 0; rr < 4; ++rr) {
                const int z = rr + 4 * rg + 16 * rb;
                if (z == guess) continue;
                const double lower = bound[0][rr] + bound[1][rg] + bound[2][rb];
                if (lower > best_total * BOUND_MARGIN) continue;
                double total;
                if (combination_total<colours>(cs, dist, z, best_total, best_z, total)) {
                    best_z = z;
                    best_total = total;
                }
            }
        }
    }

    settle_rounding(
        cs, cp, best_z, colours, best_total,
        [&](int i, int ch, int r, int j) { return dist[i][ch][r][j]; }, out);
}
}  // namespace

void quantize_endpoints_plain(const ColourSet& cs, const double e0[3], const double e1[3],
                              int colours, QuantizedEndpoints& out) {
    if (colours == 3)
        quantize_for<3>(cs, e0, e1, out);
    else
        quantize_for<4>(cs, e0, e1, out);
}

void quantize_endpoints(const ColourSet& cs, const double e0[3], const double e1[3], int colours,
                        QuantizedEndpoints& out) {
    if (search_path() == SearchPath::Wide && quantize_endpoints_wide(cs, e0, e1, colours, out))
        return;
    quantize_endpoints_plain(cs, e0, e1, colours, out);
}

namespace {
// A re-placement of the end points: E0' = a0 E0 + b0 E1, E1' = a1 E0 + b1 E1.
struct Variant {
    double a0, b0, a1, b1;
};

// Three-colour fits whose middle colour would suit a four-colour palette
// better, and two-colour fits stretched so that their colours fall on the
// interpolated entries.
constexpr Variant kTwoToThree[] = {{2.0, -1.0, 0.0, 1.0}, {1.0, 0.0, -1.0, 2.0}};
constexpr Variant kTwoToFour[] = {{1.0, 0.0, 0.0, 1.0},  {1.0, 0.0, -2.0, 3.0},
                                  {3.0, -2.0, 0.0, 1.0}, {2.0, -1.0, -1.0, 2.0},
                                  {1.5, -0.5, 0.0, 1.0}, {1.0, 0.0, -0.5, 1.5}};
constexpr Variant kThreeToFour[] = {{1.5, -0.5, 0.0, 1.0}, {1.0, 0.0, -0.5, 1.5}};

struct VariantRow {
    const Variant* list;
    int size;
};

VariantRow variants_for(int colour_mode, int colours) {
    if (colour_mode == 2 && colours == 3) return {kTwoToThree, 2};
    if (colour_mode == 2 && colours == 4) return {kTwoToFour, 6};
    if (colour_mode == 3 && colours == 4) return {kThreeToFour, 2};
    return {nullptr, 0};
}
}  // namespace

void try_endpoint_variants(const ColourSet& cs, const double e0[3], const double e1[3],
                           int colour_mode, QuantizedEndpoints& out) {
    quantize_endpoints(cs, e0, e1, colour_mode == 4 ? 4 : 3, out);
    for (int k = 0; k <= cs.max_colours - 3; ++k) {
        const int colours = 3 + k;
        const VariantRow row = variants_for(colour_mode, colours);
        for (int v = 0; v < row.size; ++v) {
            const Variant& var = row.list[v];
            double p0[3];
            double p1[3];
            for (int ch = 0; ch < 3; ++ch) {
                p0[ch] = var.a0 * e0[ch] + var.b0 * e1[ch];
                p1[ch] = var.a1 * e0[ch] + var.b1 * e1[ch];
            }
            QuantizedEndpoints candidate;
            quantize_endpoints(cs, p0, p1, colours, candidate);
            if (candidate.error < out.error) out = candidate;
        }
    }
    if (cs.grey) {
        out.codes[0][1] = widen_grey_green(out.codes[0][1]);
        out.codes[1][1] = widen_grey_green(out.codes[1][1]);
    }
}
