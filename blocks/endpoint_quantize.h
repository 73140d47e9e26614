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
