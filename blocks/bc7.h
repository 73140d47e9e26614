// Internal pieces of the BC7 encoder: the block record, its packing, the
// end-point fit of one subset and the search over modes and partitions.
// The tests use them directly.
#pragma once

#include <cstdint>

#include "blocks/blocks.h"

// A block before packing. Values are the stored end-point codes (colour_bits
// for R, G, B and alpha_bits for A of the mode), without their P-bits.
struct Bc7Block {
    int mode = 6;
    int partition = 0;
    int rotation = 0;
    int selection = 0;
    int endpoint[3][2][4] = {};    // [subset][end][R, G, B, A]
    int pbit[3][2] = {};           // [subset][end]; a shared P-bit is the same in both
    uint8_t index[16] = {};        // colour indices, or the only index set
    uint8_t alpha_index[16] = {};  // modes 4 and 5: the alpha indices
};

// Writes the 16 bytes. Where an anchor texel's index has its top bit set,
// that subset's end points (and P-bits) are exchanged and its indices
// mirrored, which decodes to the same pixels and frees the bit.
void pack_bc7_block(const Bc7Block& block, uint8_t out[16]);

// An end-point value of `bits` stored bits and P-bit `pbit` (-1: none) as the
// 8-bit value a decoder makes of it.
int bc7_expand(int code, int bits, int pbit);
// The stored code of `bits` bits whose value with P-bit `pbit` (-1: none)
// lies nearest to `value` (0 .. 255).
int bc7_quantise(int value, int bits, int pbit);

// One fit of one index set over some texels: which channels (first ..
// first + count - 1 of R, G, B, A), their stored bits, the P-bits (0 none,
// 1 one per end point, 2 one shared), the index bits, and the search effort.
struct Bc7FitRules {
    int first_channel = 0;
    int channel_count = 3;
    int bits = 7;
    int pbits = 0;
    int index_bits = 2;
    // Opaque blocks in modes whose alpha carries a P-bit: only P-bit 1 lets
    // alpha reach 255, so the colour takes that P-bit too.
    bool pbit_one = false;
    int refine_rounds = 1;  // least-squares rounds after the first fit
    bool nudge = false;     // also try each code one step either way
};

struct Bc7SubsetFit {
    int endpoint[2][4] = {};
    int pbit[2] = {};
    uint8_t index[16] = {};  // per texel of the block (only the fitted ones set)
    int64_t error = 0;
};

// Fits the texels texels[0 .. count - 1] of `px` (16 pixels, R, G, B, A
// 0..255); returns the squared error over the channels the rules name.
int64_t bc7_fit_subset(const int px[16][4], const uint8_t* texels, int count,
                       const Bc7FitRules& rules, Bc7SubsetFit& fit);

// The whole block: chooses mode, partition, rotation, index selection and
// end points by the block error at `quality`, and packs it.
void encode_bc7_block(const int px[16][4], BlockQuality quality, uint8_t out[16]);
// The same, restricted to one mode (for the tests): the search of `quality`
// within that mode. Returns the squared error over R, G, B, A.
int64_t encode_bc7_block_in_mode(const int px[16][4], int mode, BlockQuality quality,
                                 uint8_t out[16]);
