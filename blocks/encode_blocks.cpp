// The level walk of the block encoder: cuts a level of 32-bit pixel words
// into 4x4 blocks, gathers each block's colour samples and alpha values by the
// descriptor's masks, runs the alpha half and the end-point search, and
// appends the packed bytes, row of blocks by row of blocks.
#include <cstdint>

#include "blocks/alpha.h"
#include "blocks/block_encoder.h"
#include "blocks/blocks.h"

namespace {

// A channel's 8-bit value on [0, 1], looked up rather than divided for
// every pixel; the table holds the very quotients v / 255 (divided rather
// than multiplied by a reciprocal: 255 / 255 must be exactly 1 and every
// value must land where a decoder expects it).
struct ByteScale {
    double value[256];
    ByteScale() {
        for (int v = 0; v < 256; ++v) value[v] = double(v) / 255.0;
    }
};
const ByteScale& byte_scale() {
    static const ByteScale scale;
    return scale;
}

// The source level as the walk reads it.
struct LevelReader {
    const uint8_t* pixels = nullptr;
    int64_t width = 0;
    int64_t height = 0;
    int64_t pitch = 0;
    ChannelOffsets at{};
    // The level's alpha is read only by the modes that use it; without it
    // every pixel is opaque (1 on a scale of 1).
    bool has_alpha = false;
    const double* scale = nullptr;

    const uint8_t* pixel(int64_t x, int64_t y) const { return pixels + y * pitch + 4 * x; }
};

LevelReader make_reader(const BlockLevel& level, int mode) {
    LevelReader r;
    r.pixels = level.pixels;
    r.width = level.width;
    r.height = level.height;
    r.pitch = level.pitch;
    r.at = channel_offsets(level.order);
    r.has_alpha = mode != BLOCK_MODE_OPAQUE;
    r.scale = byte_scale().value;
    return r;
}

int alpha_max(const LevelReader& r) { return r.has_alpha ? 255 : 1; }

// Step 2 of a block: samples in row-major order, dropping pixels outside the
// level and, in the cutout mode, transparent ones (alpha at or below the
// threshold). Alpha values are kept for the alpha half (-1 outside the
// level), and each sample's levels (0x00RRGGBB) for the quick search.
template <bool kCutout>
void gather_block(const LevelReader& r, int64_t x0, int64_t y0, BlockSamples& b, int slots[16],
                  int alpha[16], uint32_t levels[16]) {
    for (int p = 0; p < 16; ++p) alpha[p] = -1;
    const int rows = int(r.height - y0 < 4 ? r.height - y0 : 4);
    const int cols = int(r.width - x0 < 4 ? r.width - x0 : 4);
    const ChannelOffsets at = r.at;
    int count = 0;
    bool transparent = false;
    for (int row = 0; row < rows; ++row) {
        const uint8_t* px = r.pixel(x0, y0 + row);
        for (int col = 0; col < cols; ++col, px += 4) {
            const int p = 4 * row + col;
            alpha[p] = r.has_alpha ? px[at.a] : 1;
            if (kCutout && px[at.a] <= cutout_threshold) {
                transparent = true;
                continue;
            }
            const uint32_t red = px[at.r], green = px[at.g], blue = px[at.b];
            double* s = b.samples[count];
            s[0] = r.scale[red];
            s[1] = r.scale[green];
            s[2] = r.scale[blue];
            levels[count] = (red << 16) | (green << 8) | blue;
            slots[p] = count++;
        }
    }
    b.count = count;
    if (transparent) b.has_transparent = 1;
}

void gather_block(const LevelReader& r, int64_t x0, int64_t y0, int mode, BlockSamples& b,
                  int slots[16], int alpha[16], uint32_t levels[16]) {
    if ((mode & 0xFF) == BLOCK_MODE_CUTOUT)
        gather_block<true>(r, x0, y0, b, slots, alpha, levels);
    else
        gather_block<false>(r, x0, y0, b, slots, alpha, levels);
}

using CallOptions = BlockCallOptions;

// Flat areas are full of blocks of one colour. In the quick search such a
// block has a known answer - every sample takes index 0 and the colour is
// both end points - so one sample stands for all sixteen and the gather is
// skipped. Colour-only blocks (mode 0) that lie wholly inside the level.
bool encode_solid_quick_block(const LevelReader& r, int64_t x0, int64_t y0, const CallOptions& o,
                              BlockSamples& b, uint8_t* out) {
    if (!o.quick || o.mode != BLOCK_MODE_OPAQUE || x0 + 4 > r.width || y0 + 4 > r.height)
        return false;
    const ChannelOffsets at = r.at;
    const uint8_t* first = r.pixel(x0, y0);
    for (int row = 0; row < 4; ++row) {
        const uint8_t* px = r.pixel(x0, y0 + row);
        for (int col = 0; col < 4; ++col, px += 4)
            if (px[at.r] != first[at.r] || px[at.g] != first[at.g] || px[at.b] != first[at.b])
                return false;
    }
    int slots[16];
    reset_block(b, slots, 0, o.weights);
    b.samples[0][0] = r.scale[first[at.r]];
    b.samples[0][1] = r.scale[first[at.g]];
    b.samples[0][2] = r.scale[first[at.b]];
    b.count = 1;
    b.force_four = o.force_four != 0;
    b.quick = 1;
    quick_colour_fit(b);
    b.count = 16;
    for (int p = 0; p < 16; ++p) {
        b.indices[p] = b.indices[0];
        slots[p] = p;
    }
    pack_colour_block(b, slots, o.mode, out);
    return true;
}

void encode_one_block(const LevelReader& r, int64_t x0, int64_t y0, const CallOptions& o,
                      BlockSamples& b, AlphaSamples& a, uint8_t* out) {
    if (encode_solid_quick_block(r, x0, y0, o, b, out)) return;
    int slots[16];
    int alpha[16];
    uint32_t levels[16];
    reset_block(b, slots, 16, o.weights);
    gather_block(r, x0, y0, o.mode, b, slots, alpha, levels);

    out = begin_block(o, alpha, alpha_max(r), a, b, out);
    // Only a level that fits in one block, with every pixel gathered, may use
    // the four-colour palette unasked; larger levels keep to three colours.
    // Every tile file and texture stored so far was made under this rule, so
    // it stays the Normal quality's; the High and Best qualities lift it.
    b.max_colours = b.count < r.width * r.height ? 3 : 4;
    b.colour_mode = b.max_colours;

    if (refines_full_search(o.quality) && !o.quick)
        fit_block_colours_quality(b, o.normalmap_type, o.quality, o.decoder,
                                  b.has_transparent == 0);
    else if (o.quality == BlockQuality::Fast && !o.quick)
        fit_block_colours_fast(b, o.normalmap_type, b.has_transparent == 0, levels);
    else
        fit_block_colours(b, o.normalmap_type, levels);
    pack_colour_block(b, slots, o.mode, out);
}

}  // namespace

BlockResult encode_block_rows(const BlockLevel& level, const BlockOptions& options,
                              int32_t first_row, int32_t row_count, uint8_t* out,
                              int64_t out_size) {
    if (check_encode_call(level, options.mode, first_row, row_count, out, out_size) !=
        BlockResult::Ok)
        return BlockResult::Refused;
    if (level.width == 0 || row_count == 0) return BlockResult::Ok;
    const BlockCallOptions o = call_options(options);
    if (is_astc_mode(o.mode)) return encode_astc_rows(level, o, first_row, row_count, out);
    if (o.mode >= BLOCK_MODE_BC4) {
        // The newer layouts fit each block on its own pixels: no
        // neighbourhood variant.
        encode_bc_rows(level, o, first_row, row_count, out);
        return BlockResult::Ok;
    }
    if (options.diffusion) {
        encode_blocks_diffused(level, o, first_row, row_count, out);
        return BlockResult::Ok;
    }
    const LevelReader reader = make_reader(level, o.mode);
    // One working record per call, reused block by block.
    BlockSamples samples;
    AlphaSamples alpha_samples;
    walk_blocks(reader.width, first_row, row_count, o.mode, out,
                [&](int64_t x0, int64_t y0, uint8_t* block) {
                    encode_one_block(reader, x0, y0, o, samples, alpha_samples, block);
                });
    return BlockResult::Ok;
}

BlockResult encode_blocks(const BlockLevel& level, const BlockOptions& options, uint8_t* out,
                          int64_t out_size) {
    const int32_t side = block_side_for(options.mode);
    const int32_t block_rows = level.height > 0 ? (level.height + side - 1) / side : 0;
    return encode_block_rows(level, options, 0, block_rows, out, out_size);
}
