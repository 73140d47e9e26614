// BC7 blocks read by their published layout: the mode from the lowest set
// bit of the first byte, then partition, rotation, index selection, end
// points (colour channel by channel, then alpha), P-bits and the index sets,
// each field from its lowest bit up. The fixed tables (partitions, anchors,
// weights, the mode layouts) come from the block library.
#include <utility>

#include "blocks/blocks.h"
#include "texfile/readers.h"

namespace {

struct BitReader {
    const uint8_t* in;
    int at;
    int get(int bits) {
        int v = 0;
        for (int i = 0; i < bits; ++i, ++at) v |= ((in[at >> 3] >> (at & 7)) & 1) << i;
        return v;
    }
};

// An end point's stored bits with its P-bit below them, widened to 8 bits
// by repeating the top bits.
int widen(int value, int bits) {
    if (bits >= 8) return value;
    return (value << (8 - bits)) | (value >> (2 * bits - 8));
}

bool is_anchor(int subsets, int partition, int texel) {
    for (int s = 0; s < subsets; ++s)
        if (bc7_anchor(subsets, partition, s) == texel) return true;
    return false;
}

}  // namespace

void decode_bc7_block(const uint8_t in[16], uint8_t out[16][4]) {
    int mode = 0;
    while (mode < 8 && !((in[0] >> mode) & 1)) ++mode;
    if (mode == 8) {  // the reserved mode: every channel 0
        for (int t = 0; t < 16; ++t) out[t][0] = out[t][1] = out[t][2] = out[t][3] = 0;
        return;
    }
    const Bc7ModeInfo& m = bc7_mode_info(mode);
    BitReader r{in, mode + 1};
    const int partition = r.get(m.partition_bits);
    const int rotation = r.get(m.rotation_bits);
    const int selection = r.get(m.selection_bits);
    int ends[3][2][4] = {};
    for (int c = 0; c < 3; ++c)
        for (int s = 0; s < m.subsets; ++s)
            for (int e = 0; e < 2; ++e) ends[s][e][c] = r.get(m.colour_bits);
    for (int s = 0; s < m.subsets && m.alpha_bits; ++s)
        for (int e = 0; e < 2; ++e) ends[s][e][3] = r.get(m.alpha_bits);
    int pbits[3][2] = {};
    for (int s = 0; s < m.subsets && m.endpoint_pbits; ++s)
        for (int e = 0; e < 2; ++e) pbits[s][e] = r.get(1);
    for (int s = 0; s < m.subsets && m.shared_pbits; ++s) pbits[s][0] = pbits[s][1] = r.get(1);
    const int extra = m.endpoint_pbits + m.shared_pbits;
    for (int s = 0; s < m.subsets; ++s)
        for (int e = 0; e < 2; ++e) {
            for (int c = 0; c < 3; ++c)
                ends[s][e][c] = widen((ends[s][e][c] << extra) | (extra ? pbits[s][e] : 0),
                                      m.colour_bits + extra);
            ends[s][e][3] = m.alpha_bits
                                ? widen((ends[s][e][3] << extra) | (extra ? pbits[s][e] : 0),
                                        m.alpha_bits + extra)
                                : 255;
        }
    int primary[16], second[16] = {};
    for (int t = 0; t < 16; ++t)
        primary[t] = r.get(m.index_bits - (is_anchor(m.subsets, partition, t) ? 1 : 0));
    for (int t = 0; t < 16 && m.second_index_bits; ++t)
        second[t] = r.get(m.second_index_bits - (t == 0 ? 1 : 0));

    const bool swap_sets = m.second_index_bits && selection;
    const int* colour_weights = bc7_weights(swap_sets ? m.second_index_bits : m.index_bits);
    const int* alpha_weights =
        bc7_weights(m.second_index_bits && !selection ? m.second_index_bits : m.index_bits);
    for (int t = 0; t < 16; ++t) {
        const int s = bc7_subset(m.subsets, partition, t);
        const int ci = swap_sets ? second[t] : primary[t];
        const int ai = m.second_index_bits ? (selection ? primary[t] : second[t]) : primary[t];
        int px[4];
        for (int c = 0; c < 4; ++c) {
            const int w = c < 3 ? colour_weights[ci] : alpha_weights[ai];
            px[c] = ((64 - w) * ends[s][0][c] + w * ends[s][1][c] + 32) >> 6;
        }
        if (rotation) std::swap(px[3], px[rotation - 1]);
        for (int c = 0; c < 4; ++c) out[t][c] = static_cast<uint8_t>(px[c]);
    }
}

void decode_bc7(const TexSlice& slice, uint8_t* out) {
    const uint8_t* data = slice.data;
    for (int32_t y0 = 0; y0 < slice.height; y0 += 4)
        for (int32_t x0 = 0; x0 < slice.width; x0 += 4, data += 16) {
            uint8_t px[16][4];
            decode_bc7_block(data, px);
            for (int i = 0; i < 16; ++i) {
                const int32_t x = x0 + (i & 3), y = y0 + (i >> 2);
                if (x >= slice.width || y >= slice.height) continue;
                uint8_t* o = out + (static_cast<size_t>(y) * slice.width + x) * 4;
                for (int c = 0; c < 4; ++c) o[c] = px[i][c];
            }
        }
}
