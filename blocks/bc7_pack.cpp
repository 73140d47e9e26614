// BC7 end-point values and the packing of a block record into its 128 bits.
#include <utility>

#include "blocks/bc7.h"

namespace {

// Bits are laid from the lowest bit of byte 0 upwards, each field with its
// own lowest bit first.
struct BitWriter {
    uint8_t* out;
    int at = 0;
    void put(int value, int bits) {
        for (int i = 0; i < bits; ++i, ++at)
            out[at >> 3] = static_cast<uint8_t>(out[at >> 3] | (((value >> i) & 1) << (at & 7)));
    }
};

// Every pair (stored bits, P-bit) once: the nearest code of each 8-bit value.
struct QuantTable {
    uint8_t code[5][3][256];  // [bits - 4][pbit + 1][value]
    QuantTable() {
        for (int bits = 4; bits <= 8; ++bits)
            for (int p = -1; p <= 1; ++p)
                for (int v = 0; v < 256; ++v) {
                    int best = 0, best_d = 1 << 20;
                    for (int c = 0; c < (1 << bits); ++c) {
                        const int e = bc7_expand(c, bits, p);
                        const int d = e > v ? e - v : v - e;
                        if (d < best_d) best_d = d, best = c;
                    }
                    code[bits - 4][p + 1][v] = static_cast<uint8_t>(best);
                }
    }
};

// Exchanges the two end points of `subset` in channels first .. last - 1
// (and the P-bits, when `with_pbits`) and mirrors the subset's indices.
void swap_subset(Bc7Block& b, uint8_t* index, int index_bits, int subset, int first, int last,
                 bool with_pbits) {
    const Bc7ModeInfo& m = bc7_mode_info(b.mode);
    for (int c = first; c < last; ++c)
        std::swap(b.endpoint[subset][0][c], b.endpoint[subset][1][c]);
    if (with_pbits) std::swap(b.pbit[subset][0], b.pbit[subset][1]);
    const int top = (1 << index_bits) - 1;
    for (int t = 0; t < 16; ++t)
        if (bc7_subset(m.subsets, b.partition, t) == subset)
            index[t] = static_cast<uint8_t>(top - index[t]);
}

}  // namespace

int bc7_expand(int code, int bits, int pbit) {
    int v = code, n = bits;
    if (pbit >= 0) v = (code << 1) | pbit, n = bits + 1;
    if (n >= 8) return v & 255;
    return (v << (8 - n)) | (v >> (2 * n - 8));
}

int bc7_quantise(int value, int bits, int pbit) {
    static const QuantTable table;
    const int v = value < 0 ? 0 : (value > 255 ? 255 : value);
    return table.code[bits - 4][pbit + 1][v];
}

void pack_bc7_block(const Bc7Block& block, uint8_t out[16]) {
    Bc7Block b = block;
    const Bc7ModeInfo& m = bc7_mode_info(b.mode);
    const bool two_sets = m.second_index_bits > 0;
    // Which stored set each index array goes to: the colour indices are the
    // primary set unless the selection bit sends them to the second one.
    const int colour_bits = two_sets && b.selection ? m.second_index_bits : m.index_bits;
    const int alpha_bits = two_sets && b.selection ? m.index_bits : m.second_index_bits;
    const int colour_channels = two_sets ? 3 : 4;
    const bool pbits = m.endpoint_pbits + m.shared_pbits > 0;
    for (int s = 0; s < m.subsets; ++s) {
        const int anchor = bc7_anchor(m.subsets, b.partition, s);
        if (b.index[anchor] >> (colour_bits - 1))
            swap_subset(b, b.index, colour_bits, s, 0, colour_channels, pbits);
    }
    if (two_sets && (b.alpha_index[0] >> (alpha_bits - 1)))
        swap_subset(b, b.alpha_index, alpha_bits, 0, 3, 4, false);

    for (int i = 0; i < 16; ++i) out[i] = 0;
    BitWriter w{out};
    w.put(1 << b.mode, b.mode + 1);
    w.put(b.partition, m.partition_bits);
    w.put(b.rotation, m.rotation_bits);
    w.put(b.selection, m.selection_bits);
    for (int c = 0; c < 3; ++c)
        for (int s = 0; s < m.subsets; ++s)
            for (int e = 0; e < 2; ++e) w.put(b.endpoint[s][e][c], m.colour_bits);
    if (m.alpha_bits)
        for (int s = 0; s < m.subsets; ++s)
            for (int e = 0; e < 2; ++e) w.put(b.endpoint[s][e][3], m.alpha_bits);
    if (m.endpoint_pbits)
        for (int s = 0; s < m.subsets; ++s)
            for (int e = 0; e < 2; ++e) w.put(b.pbit[s][e], 1);
    if (m.shared_pbits)
        for (int s = 0; s < m.subsets; ++s) w.put(b.pbit[s][0], 1);
    const uint8_t* primary = two_sets && b.selection ? b.alpha_index : b.index;
    const uint8_t* second = two_sets && b.selection ? b.index : b.alpha_index;
    for (int t = 0; t < 16; ++t) {
        bool anchor = false;
        for (int s = 0; s < m.subsets; ++s)
            anchor = anchor || bc7_anchor(m.subsets, b.partition, s) == t;
        w.put(primary[t], m.index_bits - (anchor ? 1 : 0));
    }
    if (two_sets)
        for (int t = 0; t < 16; ++t) w.put(second[t], m.second_index_bits - (t == 0 ? 1 : 0));
}
