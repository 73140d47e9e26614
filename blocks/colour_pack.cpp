// The bit packer of the colour block. The searches only choose end points,
// a palette size and an index per sample; the block layout decides the palette
// by the order of the two 16-bit end points (c0 > c1: four colours, c0 <= c1:
// three colours and a transparent index 3), so the order is fixed here and the
// indices are renamed to match.
#include <cstdint>

#include "blocks/block_encoder.h"

namespace {

uint32_t pack565(const int code[3]) {
    return ((uint32_t(code[0]) << 11) | (uint32_t(code[1]) << 5) | uint32_t(code[2])) & 0xFFFF;
}

void put16(uint8_t* out, uint32_t v) {
    out[0] = uint8_t(v);
    out[1] = uint8_t(v >> 8);
}

}  // namespace

void pack_colour_block(BlockSamples& b, const int slots[16], int mode, uint8_t out[8]) {
    uint32_t c0 = pack565(b.endpoints[0]);
    uint32_t c1 = pack565(b.endpoints[1]);

    // Equal end points cannot express the palette order, so one is nudged by a
    // code. In the cutout mode the block must stay in three-colour order (index
    // 3 is transparency), so c1 goes up and every sample takes c0; otherwise c0
    // goes up and every sample takes the untouched c1. Both wrap at 16 bits.
    if (c0 == c1) {
        if ((mode & 0xFF) == BLOCK_MODE_CUTOUT) {
            c1 = (c1 + 1) & 0xFFFF;
            for (int i = 0; i < b.count; ++i) b.indices[i] = 0;
            b.colour_mode = 3;
        } else {
            c0 = (c0 + 1) & 0xFFFF;
            for (int i = 0; i < b.count; ++i) b.indices[i] = 1;
        }
    }

    const bool three = b.colour_mode == 3;
    if (three ? c1 < c0 : c1 >= c0) {
        const uint32_t t = c0;
        c0 = c1;
        c1 = t;
        // Swapping the end points swaps indices 0 and 1; in four colours the
        // two interpolants swap as well, in three colours the middle entry and
        // the transparent index stay where they are.
        for (int i = 0; i < b.count; ++i) {
            const int v = b.indices[i];
            if (!three)
                b.indices[i] = v ^ 1;
            else if (v < 2)
                b.indices[i] = v ^ 1;
        }
    }

    put16(out, c0);
    put16(out + 2, c1);
    uint32_t word = 0;
    for (int p = 15; p >= 0; --p) {
        const uint32_t v = slots[p] < 0 ? 3u : uint32_t(b.indices[slots[p]] & 3);
        word = (word << 2) | v;
    }
    out[4] = uint8_t(word);
    out[5] = uint8_t(word >> 8);
    out[6] = uint8_t(word >> 16);
    out[7] = uint8_t(word >> 24);
}
