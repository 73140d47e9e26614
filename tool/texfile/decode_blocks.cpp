// The 4x4 block layouts, decoded by the published rules: 5:6:5 end points
// widened by repeating their top bits, the third and fourth colours at one
// and two thirds (rounded to nearest, as the encoder builds them), or in
// three-colour order (c0 <= c1, DXT1 only) the midpoint and transparent black; DXT3 alpha nibbles
// times 17; DXT5 alpha from two end points with six or eight steps.
#include "blocks/blocks.h"
#include "texfile/readers.h"

namespace {

struct Rgba {
    uint8_t r, g, b, a;
};

Rgba expand565(uint32_t c) {
    const uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return {static_cast<uint8_t>((r << 3) | (r >> 2)), static_cast<uint8_t>((g << 2) | (g >> 4)),
            static_cast<uint8_t>((b << 3) | (b >> 2)), 255};
}

// A palette entry as an 8-bit value: the exact reading's thirds round to
// the nearest value, which is the nearest reading's integer rule.
uint8_t entry(int a, int b, int colours, int j, BlockDecoder reading) {
    if (reading == BlockDecoder::Exact) reading = BlockDecoder::Nearest;
    return static_cast<uint8_t>(block_palette_entry(a, b, colours, j, reading));
}

// The colour half: 16 pixels in row order. `always_four`: the DXT3/DXT5
// colour half, which is read in four-colour order whatever the end points.
// The interpolated entries are read as the encoder builds them, by the
// blocks library's one palette rule.
void colour_block(const uint8_t* p, bool always_four, BlockDecoder reading, Rgba out[16]) {
    const uint32_t c0 = p[0] | p[1] << 8, c1 = p[2] | p[3] << 8;
    const Rgba a = expand565(c0), b = expand565(c1);
    const int colours = always_four || c0 > c1 ? 4 : 3;
    Rgba pal[4];
    for (int j = 0; j < 4; ++j) {
        pal[j] = {entry(a.r, b.r, colours, j, reading), entry(a.g, b.g, colours, j, reading),
                  entry(a.b, b.b, colours, j, reading), 255};
    }
    if (colours == 3) pal[3] = {0, 0, 0, 0};
    const uint32_t bits = p[4] | p[5] << 8 | p[6] << 16 | static_cast<uint32_t>(p[7]) << 24;
    for (int i = 0; i < 16; ++i) out[i] = pal[(bits >> (2 * i)) & 3];
}

void explicit_alpha(const uint8_t* p, Rgba out[16]) {
    for (int i = 0; i < 16; ++i) {
        const int nibble = (p[i / 2] >> (4 * (i & 1))) & 15;
        out[i].a = static_cast<uint8_t>(nibble * 17);
    }
}

void interpolated_alpha(const uint8_t* p, Rgba out[16]) {
    const int a0 = p[0], a1 = p[1];
    int pal[8] = {a0, a1, 0, 0, 0, 0, 0, 255};
    if (a0 > a1) {
        for (int i = 2; i < 8; ++i) pal[i] = ((8 - i) * a0 + (i - 1) * a1) / 7;
    } else {
        for (int i = 2; i < 6; ++i) pal[i] = ((6 - i) * a0 + (i - 1) * a1) / 5;
    }
    uint64_t bits = 0;
    for (int k = 0; k < 6; ++k) bits |= static_cast<uint64_t>(p[2 + k]) << (8 * k);
    for (int i = 0; i < 16; ++i) out[i].a = static_cast<uint8_t>(pal[(bits >> (3 * i)) & 7]);
}

enum class AlphaHalf { none, explicit_nibbles, interpolated };

// Blocks of 8 bytes (colour only) or 16 (alpha half first), row of blocks by
// row of blocks; pixels past the level's edge are not written.
void decode_blocks(const TexSlice& slice, AlphaHalf alpha, uint8_t* out) {
    const int block_bytes = alpha == AlphaHalf::none ? 8 : 16;
    const uint8_t* data = slice.data;
    for (int32_t y0 = 0; y0 < slice.height; y0 += 4) {
        for (int32_t x0 = 0; x0 < slice.width; x0 += 4) {
            Rgba px[16];
            if (alpha == AlphaHalf::none) {
                colour_block(data, false, slice.reading, px);
            } else {
                colour_block(data + 8, true, slice.reading, px);
                if (alpha == AlphaHalf::explicit_nibbles) explicit_alpha(data, px);
                if (alpha == AlphaHalf::interpolated) interpolated_alpha(data, px);
            }
            data += block_bytes;
            for (int i = 0; i < 16; ++i) {
                const int32_t x = x0 + (i & 3), y = y0 + (i >> 2);
                if (x >= slice.width || y >= slice.height) continue;
                uint8_t* o = out + (static_cast<size_t>(y) * slice.width + x) * 4;
                o[0] = px[i].r;
                o[1] = px[i].g;
                o[2] = px[i].b;
                o[3] = px[i].a;
            }
        }
    }
}

}  // namespace

void decode_dxt1(const TexSlice& slice, uint8_t* out) {
    decode_blocks(slice, AlphaHalf::none, out);
}
void decode_dxt3(const TexSlice& slice, uint8_t* out) {
    decode_blocks(slice, AlphaHalf::explicit_nibbles, out);
}
void decode_dxt5(const TexSlice& slice, uint8_t* out) {
    decode_blocks(slice, AlphaHalf::interpolated, out);
}
