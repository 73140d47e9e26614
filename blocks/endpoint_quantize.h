// The pieces of the end-point rounding that its plain and its four-lane
// versions share. Internal to the library.
#pragma once

#include "blocks/colour_search.h"

// Per channel, per rounding choice r (bit 1: end point 0 rounds up, bit 0:
// end point 1 rounds up): the 8-bit palette and its weighted values.
struct ChannelPalettes {
    int level[4][2];     // [r][end point]
    int nearer;          // r with each end point on its nearer level
    int palette[4][4];   // [r][palette entry], 8-bit
    double value[4][4];  // [r][palette entry]: w * entry / 255
};

inline int channel_bits(const ColourSet& cs, int ch) { return ch == 1 && !cs.grey ? 6 : 5; }

// The palettes of one channel for end point values e0, e1 (weighted).
// `with_values` false leaves `value` for the caller to fill.
void channel_palettes(double e0, double e1, double w, int bits, int colours, ChannelPalettes& cp,
                      bool with_values = true);
// Its second half: the palettes from each end point's value x on the 8-bit
// scale and the expanded levels just below and above it.
void palettes_from_levels(const double x[2], const int low[2], const int high[2], double w,
                          int colours, ChannelPalettes& cp, bool with_values);

// The winning combination z's codes, and each colour's nearest palette entry
// under it (the first on a tie), its error f * (dR + dG + dB) summed in that
// order; `distance(i, ch, r, j)` reads a squared channel distance.
template <typename Distance>
void settle_rounding(const ColourSet& cs, const ChannelPalettes* cp, int z, int colours,
                     double total, Distance distance, QuantizedEndpoints& out) {
    const int r[3] = {z % 4, (z / 4) % 4, z / 16};
    for (int ch = 0; ch < 3; ++ch) {
        const int shift = 8 - channel_bits(cs, ch);
        out.codes[0][ch] = cp[ch].level[r[ch]][0] >> shift;
        out.codes[1][ch] = cp[ch].level[r[ch]][1] >> shift;
    }
    for (int i = 0; i < cs.n; ++i) {
        const double f = cs.colours[i].f;
        int pick = 0;
        double pick_err = 0.0;
        for (int j = 0; j < colours; ++j) {
            const double d =
                distance(i, 0, r[0], j) + distance(i, 1, r[1], j) + distance(i, 2, r[2], j);
            const double err = f * d;
            if (j == 0 || err < pick_err) {
                pick = j;
                pick_err = err;
            }
        }
        out.index[i] = static_cast<uint8_t>(pick);
    }
    out.colours = colours;
    out.error = total;
}

// A bound is only trusted when clearly above the best total: both sides can
// be off by a few parts in 1e14.
constexpr double BOUND_MARGIN = 1.0 + 1e-9;

// The plain rounding search, the definition of the result.
void quantize_endpoints_plain(const ColourSet& cs, const double e0[3], const double e1[3],
                              int colours, QuantizedEndpoints& out);

// The same search four rounding choices at a time on processors with
// four-double vectors. Returns false, leaving `out` alone, where it does not
// run (no such processor, or distances that are not numbers, whose
// comparisons the lanes could not replay); the caller then runs the plain one.
bool quantize_endpoints_wide(const ColourSet& cs, const double e0[3], const double e1[3],
                             int colours, QuantizedEndpoints& out);
