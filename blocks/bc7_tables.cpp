// BC7's fixed tables: the subset of each texel in the 64 partitions of two
// and three subsets, their anchor texels, the index weights and the mode
// layouts. The partitions are written as the 16 digits of their texels in
// row order, which is how they are easiest to check by eye; the tables the
// encoder and the readers use are unpacked from them when compiled.
#include "blocks/blocks.h"

namespace {

constexpr const char* TWO_SUBSETS[64] = {
    "0011001100110011", "0001000100010001", "0111011101110111", "0001001100110111",
    "0000000100010011", "0011011101111111", "0001001101111111", "0000000100110111",
    "0000000000010011", "0011011111111111", "0000000101111111", "0000000000010111",
    "0001011111111111", "0000000011111111", "0000111111111111", "0000000000001111",
    "0000100011101111", "0111000100000000", "0000000010001110", "0111001100010000",
    "0011000100000000", "0000100011001110", "0000000010001100", "0111001100110001",
    "0011000100010000", "0000100010001100", "0110011001100110", "0011011001101100",
    "0001011111101000", "0000111111110000", "0111000110001110", "0011100110011100",
    "0101010101010101", "0000111100001111", "0101101001011010", "0011001111001100",
    "0011110000111100", "0101010110101010", "0110100101101001", "0101101010100101",
    "0111001111001110", "0001001111001000", "0011001001001100", "0011101111011100",
    "0110100110010110", "0011110011000011", "0110011010011001", "0000011001100000",
    "0100111001000000", "0010011100100000", "0000001001110010", "0000010011100100",
    "0110110010010011", "0011011011001001", "0110001110011100", "0011100111000110",
    "0110110011001001", "0110001100111001", "0111111010000001", "0001100011100111",
    "0000111100110011", "0011001111110000", "0010001011101110", "0100010001110111",
};

constexpr const char* THREE_SUBSETS[64] = {
    "0011001102212222", "0001001122112221", "0000200122112211", "0222002200110111",
    "0000000011221122", "0011001100220022", "0022002211111111", "0011001122112211",
    "0000000011112222", "0000111111112222", "0000111122222222", "0012001200120012",
    "0112011201120112", "0122012201220122", "0011011211221222", "0011200122002220",
    "0001001101121122", "0111001120012200", "0000112211221122", "0022002200221111",
    "0111011102220222", "0001000122212221", "0000001101220122", "0000110022102210",
    "0122012200110000", "0012001211222222", "0110122112210110", "0000011012211221",
    "0022110211020022", "0110011020022222", "0011012201220011", "0000200022112221",
    "0000000211221222", "0222002200120011", "0011001200220222", "0120012001200120",
    "0000111122220000", "0120120120120120", "0120201212010120", "0011220011220011",
    "0011112222000011", "0101010122222222", "0000000021212121", "0022112200221122",
    "0022001100220011", "0220122102201221", "0101222222220101", "0000212121212121",
    "0101010101012222", "0222011102220111", "0002111200021112", "0000211221122112",
    "0222011101110222", "0002111211120002", "0110011001102222", "0000000021122112",
    "0110011022222222", "0022001100110022", "0022112211220022", "0000000000002112",
    "0002000100020001", "0222122202221222", "0101222222222222", "0111201122012220",
};

// Anchor texel of subset 1 (two subsets), of subsets 1 and 2 (three).
constexpr unsigned char ANCHOR_TWO[64] = {
    15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 2,  8, 2,  2, 8,
    8,  15, 2,  8,  2,  2,  8,  8,  2,  2,  15, 15, 6,  8,  2,  8,  15, 15, 2, 8,  2, 2,
    2,  15, 15, 6,  6,  2,  6,  8,  15, 15, 2,  2,  15, 15, 15, 15, 15, 2,  2, 15,
};
constexpr unsigned char ANCHOR_THREE_1[64] = {
    3,  3,  15, 15, 8, 3,  15, 15, 8,  8,  6, 6,  6, 5,  3, 3,  3,  3,  8,  15, 3,  3,
    6,  10, 5,  8,  8, 6,  8,  5,  15, 15, 8, 15, 3, 5,  6, 10, 8,  15, 15, 3,  15, 5,
    15, 15, 15, 15, 3, 15, 5,  5,  5,  8,  5, 10, 5, 10, 8, 13, 15, 12, 3,  3,
};
constexpr unsigned char ANCHOR_THREE_2[64] = {
    15, 8, 8, 3,  15, 15, 3,  8,  15, 15, 15, 15, 15, 15, 15, 8,  15, 8,  15, 3,  15, 8,
    15, 8, 3, 15, 6,  10, 15, 15, 10, 8,  15, 3,  15, 10, 10, 8,  9,  10, 6,  15, 8,  15,
    3,  6, 6, 8,  15, 3,  15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 3,  15, 15, 8,
};

struct SubsetTable {
    unsigned char texel[2][64][16];  // [two or three subsets][partition][texel]
};

constexpr SubsetTable unpack_subsets() {
    SubsetTable t{};
    for (int p = 0; p < 64; ++p)
        for (int i = 0; i < 16; ++i) {
            t.texel[0][p][i] = static_cast<unsigned char>(TWO_SUBSETS[p][i] - '0');
            t.texel[1][p][i] = static_cast<unsigned char>(THREE_SUBSETS[p][i] - '0');
        }
    return t;
}
constexpr SubsetTable SUBSETS = unpack_subsets();

// Each anchor must lie in its own subset, and subset 0's anchor (texel 0)
// in subset 0: a typing slip in the digits above would break that.
constexpr bool anchors_agree() {
    for (int p = 0; p < 64; ++p) {
        if (SUBSETS.texel[0][p][0] != 0 || SUBSETS.texel[1][p][0] != 0) return false;
        if (SUBSETS.texel[0][p][ANCHOR_TWO[p]] != 1) return false;
        if (SUBSETS.texel[1][p][ANCHOR_THREE_1[p]] != 1) return false;
        if (SUBSETS.texel[1][p][ANCHOR_THREE_2[p]] != 2) return false;
    }
    return true;
}
static_assert(anchors_agree(), "every anchor texel lies in its subset");

constexpr int WEIGHTS2[4] = {0, 21, 43, 64};
constexpr int WEIGHTS3[8] = {0, 9, 18, 27, 37, 46, 55, 64};
constexpr int WEIGHTS4[16] = {0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64};

// subsets, partition, rotation, selection, colour, alpha, P-bit per end
// point, shared P-bit, index bits, second index bits.
constexpr Bc7ModeInfo MODES[BC7_MODES] = {
    {3, 4, 0, 0, 4, 0, 1, 0, 3, 0}, {2, 6, 0, 0, 6, 0, 0, 1, 3, 0}, {3, 6, 0, 0, 5, 0, 0, 0, 2, 0},
    {2, 6, 0, 0, 7, 0, 1, 0, 2, 0}, {1, 0, 2, 1, 5, 6, 0, 0, 2, 3}, {1, 0, 2, 0, 7, 8, 0, 0, 2, 2},
    {1, 0, 0, 0, 7, 7, 1, 0, 4, 0}, {2, 6, 0, 0, 5, 5, 1, 0, 2, 0},
};

// Every mode fills exactly 128 bits.
constexpr bool modes_fill_128_bits() {
    for (int m = 0; m < BC7_MODES; ++m) {
        const Bc7ModeInfo& i = MODES[m];
        const int ends = 2 * i.subsets;
        int bits = m + 1 + i.partition_bits + i.rotation_bits + i.selection_bits;
        bits += ends * (3 * i.colour_bits + i.alpha_bits);
        bits += ends * i.endpoint_pbits + i.subsets * i.shared_pbits;
        bits += 16 * i.index_bits - i.subsets;
        if (i.second_index_bits) bits += 16 * i.second_index_bits - 1;
        if (bits != 128) return false;
    }
    return true;
}
static_assert(modes_fill_128_bits(), "every BC7 mode is 128 bits");

}  // namespace

int bc7_subset(int subsets, int partition, int texel) {
    if (subsets < 2) return 0;
    return SUBSETS.texel[subsets == 2 ? 0 : 1][partition & 63][texel & 15];
}

int bc7_anchor(int subsets, int partition, int subset) {
    if (subset == 0) return 0;
    if (subsets == 2) return ANCHOR_TWO[partition & 63];
    return subset == 1 ? ANCHOR_THREE_1[partition & 63] : ANCHOR_THREE_2[partition & 63];
}

const int* bc7_weights(int bits) {
    if (bits == 2) return WEIGHTS2;
    if (bits == 3) return WEIGHTS3;
    if (bits == 4) return WEIGHTS4;
    return nullptr;
}

const Bc7ModeInfo& bc7_mode_info(int mode) { return MODES[mode & 7]; }
