// End points for a block whose pixels all have one colour.
//
// A single colour needs no line fit: the question is only which pair of
// codes puts one of the palette entries closest to it. Besides the end
// points themselves, the three-colour middle entry and the four-colour
// entry next to the second end point reach 8-bit values that no single code
// expands to, so a solid colour between two code levels often comes out
// exact. The table answers "which code pair hits value v at position p" for
// every value, once per process.

#include <cmath>
#include <cstdlib>

#include "blocks/blocks.h"
#include "blocks/colour_search.h"

namespace {
int expand_bits(int code, int bits) {
    return bits == 5 ? (code << 3) | (code >> 2) : (code << 2) | (code >> 4);
}

int channel_bits(int g, int channel) { return channel == 1 && g == 1 ? 6 : 5; }

void build_solid_table(SolidTable& t) {
    for (int g = 0; g < 2; ++g) {
        for (int ch = 0; ch < 3; ++ch) {
            const int bits = channel_bits(g, ch);
            const int shift = 8 - bits;
            const int top = (1 << bits) - 1;
            for (int e0 = top; e0 >= 0; --e0) {
                for (int e1 = top; e1 >= 0; --e1) {
                    const int x0 = expand_bits(e0, bits);
                    const int x1 = expand_bits(e1, bits);
                    // The end point, the three-colour midpoint and the
                    // four-colour third next to the other end point.
                    const int value[3] = {x0, block_palette_entry(x0, x1, 3, 2),
                                          block_palette_entry(x0, x1, 4, 3)};
                    const int spread = std::abs(x1 - x0);
                    for (int p = 0; p < 3; ++p) {
                        SolidEntry& e = t.entry[g][value[p]][ch][p];
                        // The stored spread is measured on the top-aligned
                        // bytes, the new one on expanded values: a pair wins
                        // only when it is clearly tighter, so earlier (higher)
                        // pairs keep ties.
                        if (!e.valid || std::abs(e.e1 - e.e0) > spread) {
                            e.valid = 1;
                            e.e0 = static_cast<uint8_t>(e0 << shift);
                            e.e1 = static_cast<uint8_t>(e1 << shift);
                        }
                    }
                }
            }
        }
    }
}

// The value reached at position p closest to x (8-bit scale) in one
// channel, and the error it leaves for `count` samples.
struct ChannelPick {
    int value;
    double error;
};

ChannelPick pick_value(const SolidTable& t, int g, int ch, int p, double x, double w, int count) {
    int v = static_cast<int>(std::floor(x + 0.5));
    if (v < 0) v = 0;
    if (v > 255) v = 255;
    auto valid = [&](int value) { return t.entry[g][value][ch][p].valid != 0; };
    int upper = -1;
    if (valid(v) && x <= v) {
        upper = v;
    } else {
        for (int u = v + 1; u < 256 && upper < 0; ++u) {
            if (valid(u)) upper = u;
        }
    }
    int lower = -1;
    if (valid(v) && x >= v) {
        lower = v;
    } else {
        for (int u = v - 1; u >= 0 && lower < 0; --u) {
            if (valid(u)) lower = u;
        }
    }
    // 0 and 255 are reachable at every position, so one side always exists;
    // only a colour a rounding step above 255 finds nothing above it.
    if (upper < 0) upper = lower;
    if (lower < 0) lower = upper;
    const double n = static_cast<double>(count);
    const double du = w * (upper - x);
    const double dl = w * (lower - x);
    const double err_up = n * (du * du);
    const double err_low = n * (dl * dl);
    // Equal errors alternate with the parity of v so that values half-way
    // between levels do not all drift the same way.
    bool take_upper = err_up < err_low;
    if (err_up == err_low) take_upper = (v & 1) != 0;
    return take_upper ? ChannelPick{upper, err_up} : ChannelPick{lower, err_low};
}

int choose_position(const double total[3], int max_colours, int force_four) {
    if (max_colours == 4) {
        if (force_four) return total[0] > total[2] ? 2 : 0;
        int p = 0;
        if (total[1] < total[p]) p = 1;
        if (total[2] < total[p]) p = 2;
        return p;
    }
    return total[0] > total[1] ? 1 : 0;
}
}  // namespace

const SolidTable& solid_table() {
    static const SolidTable* table = [] {
        static SolidTable t = {};
        build_solid_table(t);
        return &t;
    }();
    return *table;
}

void solid_block_fit(BlockSamples& b, const ColourSet& cs) {
    const SolidTable& t = solid_table();
    const int g = cs.grey ? 0 : 1;
    const int positions = cs.max_colours - 1;
    double total[3] = {0.0, 0.0, 0.0};
    int value[3][3] = {};
    for (int p = 0; p < positions; ++p) {
        for (int ch = 0; ch < 3; ++ch) {
            const double w = cs.w[ch];
            // Undo the weighting the way the weighted colour was made; a
            // zero weight leaves nothing to undo, and that channel's error
            // counts for nothing anyway.
            const double x = w > 0.0 ? (255.0 / w) * cs.q[0][ch] : 255.0 * b.samples[0][ch];
            const ChannelPick pick = pick_value(t, g, ch, p, x, w, cs.count);
            value[p][ch] = pick.value;
            total[p] += pick.error;
        }
    }
    const int p = choose_position(total, cs.max_colours, cs.force_four);
    for (int ch = 0; ch < 3; ++ch) {
        const SolidEntry& e = t.entry[g][value[p][ch]][ch][p];
        const int shift = 8 - channel_bits(g, ch);
        b.endpoints[0][ch] = e.e0 >> shift;
        b.endpoints[1][ch] = e.e1 >> shift;
    }
    if (cs.grey) {
        b.endpoints[0][1] = widen_grey_green(b.endpoints[0][1]);
        b.endpoints[1][1] = widen_grey_green(b.endpoints[1][1]);
    }
    for (int i = 0; i < b.count; ++i) b.indices[i] = p + 1;
    b.colour_mode = p >= 1 ? p + 2 : cs.max_colours;
}
