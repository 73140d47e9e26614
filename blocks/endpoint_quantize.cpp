// Rounding the fitted end points to 5:6:5 codes.
//
// Rounding each end point to its nearest code ignores that the palette
// entries between them move too, so each channel's end point is tried one
// level below and one level above its exact value (64 combinations over the
// three channels) and the combination with the smallest weighted error over
// the block's colours wins. A line fitted for fewer colours is also tried
// stretched into a larger palette, where its colours may land closer to
// the interpolated entries.

#include <cmath>

#include "blocks/colour_search.h"

namespace {
int channel_bits(const ColourSet& cs, int ch) { return ch == 1 && !cs.grey ? 6 : 5; }

// v is a code aligned to the top of a byte.
int expand_aligned(int v, int bits) { return v + (v >> bits); }

// The expanded levels just below and just above end point value e.
void bracket_levels(double e, double w, int bits, int& low, int& high) {
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
    v -= v % step;
    if (expand_aligned(v, bits) > x && v >= step) v -= step;
    low = expand_aligned(v, bits);
    if (v + step < 256) v += step;
    high = expand_aligned(v, bits);
}

// Per channel, per rounding choice r (bit 1: end point 0 rounds up, bit 0:
// end point 1 rounds up): the 8-bit palette and its weighted values.
struct ChannelPalettes {
    int level[4][2];      // [r][end point]
    double value[4][4];   // [r][palette entry]: w * entry / 255
};

void channel_palettes(double e0, double e1, double w, int bits, int colours, ChannelPalettes& cp) {
    int low[2];
    int high[2];
    bracket_levels(e0, w, bits, low[0], high[0]);
    bracket_levels(e1, w, bits, low[1], high[1]);
    for (int r = 0; r < 4; ++r) {
        const int a = (r & 2) ? high[0] : low[0];
        const int b = (r & 1) ? high[1] : low[1];
        cp.level[r][0] = a;
        cp.level[r][1] = b;
        int pal[4] = {a, b, 0, 0};
        if (colours == 3) {
            pal[2] = (a + b) / 2;
        } else {
            pal[2] = (2 * a + b + 1) / 3;
            pal[3] = (a + 2 * b + 1) / 3;
        }
        for (int j = 0; j < 4; ++j) cp.value[r][j] = w * pal[j] / 255.0;
    }
}
}  // namespace

void quantize_endpoints(const ColourSet& cs, const double e0[3], const double e1[3], int colours,
                        QuantizedEndpoints& out) {
    ChannelPalettes cp[3];
    for (int ch = 0; ch < 3; ++ch) {
        channel_palettes(e0[ch], e1[ch], cs.w[ch], channel_bits(cs, ch), colours, cp[ch]);
    }
    const int n = cs.n;
    // Squared channel distances of every colour to every entry of every
    // rounding choice; a combination then only adds three of them.
    double dist[BLOCK_MAX_SAMPLES][3][4][4];
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
    int best_z = 0;
    double best_total = 0.0;
    for (int z = 0; z < 64; ++z) {
        const int rr = z % 4;
        const int rg = (z / 4) % 4;
        const int rb = z / 16;
        double total = 0.0;
        for (int i = 0; i < n; ++i) {
            double nearest = dist[i][0][rr][0] + dist[i][1][rg][0] + dist[i][2][rb][0];
            for (int j = 1; j < colours; ++j) {
                const double d = dist[i][0][rr][j] + dist[i][1][rg][j] + dist[i][2][rb][j];
                if (d < nearest) nearest = d;
            }
            total += cs.colours[i].f * nearest;
            // Sums of non-negative terms never shrink: once this combination
            // is no better than the best, it cannot replace it.
            if (z > 0 && total >= best_total) break;
        }
        if (z == 0 || total < best_total) {
            best_z = z;
            best_total = total;
        }
    }

    const int r[3] = {best_z % 4, (best_z / 4) % 4, best_z / 16};
    for (int ch = 0; ch < 3; ++ch) {
        const int shift = 8 - channel_bits(cs, ch);
        out.codes[0][ch] = cp[ch].level[r[ch]][0] >> shift;
        out.codes[1][ch] = cp[ch].level[r[ch]][1] >> shift;
    }
    for (int i = 0; i < n; ++i) {
        const double f = cs.colours[i].f;
        int pick = 0;
        double pick_err = 0.0;
        for (int j = 0; j < colours; ++j) {
            const double d = dist[i][0][r[0]][j] + dist[i][1][r[1]][j] + dist[i][2][r[2]][j];
            const double err = f * d;
            if (j == 0 || err < pick_err) {
                pick = j;
                pick_err = err;
            }
        }
        out.index[i] = static_cast<uint8_t>(pick);
    }
    out.colours = colours;
    out.error = best_total;
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
