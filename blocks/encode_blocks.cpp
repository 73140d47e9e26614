// The level walk of the block encoder: cuts a level of 32-bit pixel words
// into 4x4 blocks, gathers each block's colour samples and alpha values by the
// descriptor's masks, runs the alpha half and the end-point search, and
// appends the packed bytes, row of blocks by row of blocks.
#include <cstdint>

#include "blocks/alpha.h"
#include "blocks/block_encoder.h"
#include "blocks/blocks.h"

namespace {

// A colour channel with its values in [0, 1] looked up rather than divided
// for every pixel, when the channel has at most 8 bits; the table holds the
// very quotients channel_value computes.
struct ChannelReader {
    ChannelMask mask;
    bool use_table = false;
    double table[256];

    void init(uint32_t bits) {
        mask = channel_mask(bits);
        use_table = mask.max != 0 && mask.max <= 255;
        if (use_table)
            for (uint32_t v = 0; v <= mask.max; ++v)
                table[v] = channel_value(mask, v << mask.shift);
    }
    double operator()(uint32_t word) const {
        return use_table ? looked_up(word) : channel_value(mask, word);
    }
    double looked_up(uint32_t word) const { return table[(word & mask.mask) >> mask.shift]; }
};

// The source level as the walk reads it: the masks are decoded once per call.
struct LevelReader {
    const uint32_t* pixels = nullptr;
    int64_t width = 0;
    int64_t height = 0;
    ChannelReader red, green, blue;
    ChannelMask alpha;
    uint32_t cutout_word = 0;
    // All three colour channels hold 8 bits: samples are whole levels / 255,
    // and the quick search can compare the levels themselves.
    bool byte_levels = false;
};

void init_reader(const SurfaceDesc& src, LevelReader& r) {
    r.pixels = static_cast<const uint32_t*>(src.surface);
    r.width = src.width;
    r.height = src.height;
    r.red.init(src.pixel_format.red_mask);
    r.green.init(src.pixel_format.green_mask);
    r.blue.init(src.pixel_format.blue_mask);
    r.alpha = channel_mask(src.pixel_format.alpha_mask);
    if (r.alpha.mask != 0) r.cutout_word = cutout_threshold_word(r.alpha);
    r.byte_levels = r.red.mask.max == 255 && r.green.mask.max == 255 && r.blue.mask.max == 255;
}

// Alpha of a word on the 0..a_max scale. Without an alpha mask every pixel
// is opaque (1 on a scale of 1): a level without alpha must not come out
// see-through.
int alpha_max(const LevelReader& r) { return r.alpha.mask != 0 ? int(r.alpha.max) : 1; }

int alpha_of(const LevelReader& r, uint32_t word) {
    if (r.alpha.mask == 0) return 1;
    return int((word & r.alpha.mask) >> r.alpha.shift);
}

// Step 2 of a block: samples in row-major order, dropping pixels outside the
// level and, in the cutout mode, transparent ones. Alpha values are kept for
// the alpha half (-1 outside the level). The count lives in a register while
// the block is read, and the three channel readers are fixed per call. With
// kLevels (8-bit channels) each sample's levels are kept as well.
template <bool kCutout, bool kTables, bool kLevels>
void gather_block(const LevelReader& r, int64_t x0, int64_t y0, BlockSamples& b, int slots[16],
                  int alpha[16], uint32_t levels[16]) {
    for (int p = 0; p < 16; ++p) alpha[p] = -1;
    const int rows = int(r.height - y0 < 4 ? r.height - y0 : 4);
    const int cols = int(r.width - x0 < 4 ? r.width - x0 : 4);
    int count = 0;
    bool transparent = false;
    for (int row = 0; row < rows; ++row) {
        const uint32_t* line = r.pixels + x0 + (y0 + row) * r.width;
        for (int col = 0; col < cols; ++col) {
            const uint32_t word = line[col];
            const int p = 4 * row + col;
            alpha[p] = alpha_of(r, word);
            if (kCutout && (word & r.alpha.mask) <= r.cutout_word) {
                transparent = true;
                continue;
            }
            double* s = b.samples[count];
            if (kLevels) {
                const uint32_t red = (word & r.red.mask.mask) >> r.red.mask.shift;
                const uint32_t green = (word & r.green.mask.mask) >> r.green.mask.shift;
                const uint32_t blue = (word & r.blue.mask.mask) >> r.blue.mask.shift;
                s[0] = r.red.table[red];
                s[1] = r.green.table[green];
                s[2] = r.blue.table[blue];
                levels[count] = (red << 16) | (green << 8) | blue;
            } else {
                s[0] = kTables ? r.red.looked_up(word) : r.red(word);
                s[1] = kTables ? r.green.looked_up(word) : r.green(word);
                s[2] = kTables ? r.blue.looked_up(word) : r.blue(word);
            }
            slots[p] = count++;
        }
    }
    b.count = count;
    if (transparent) b.has_transparent = 1;
}

// Returns the samples' levels when it kept them, else null.
const uint32_t* gather_block(const LevelReader& r, int64_t x0, int64_t y0, int mode,
                             BlockSamples& b, int slots[16], int alpha[16], uint32_t levels[16]) {
    const bool cutout = (mode & 0xFF) == BLOCK_MODE_CUTOUT && r.alpha.mask != 0;
    const bool tables = r.red.use_table && r.green.use_table && r.blue.use_table;
    if (r.byte_levels) {
        cutout ? gather_block<true, true, true>(r, x0, y0, b, slots, alpha, levels)
               : gather_block<false, true, true>(r, x0, y0, b, slots, alpha, levels);
        return levels;
    }
    if (cutout)
        tables ? gather_block<true, true, false>(r, x0, y0, b, slots, alpha, levels)
               : gather_block<true, false, false>(r, x0, y0, b, slots, alpha, levels);
    else
        tables ? gather_block<false, true, false>(r, x0, y0, b, slots, alpha, levels)
               : gather_block<false, false, false>(r, x0, y0, b, slots, alpha, levels);
    return nullptr;
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
    const uint32_t colour_bits = r.red.mask.mask | r.green.mask.mask | r.blue.mask.mask;
    const uint32_t* line = r.pixels + x0 + y0 * r.width;
    const uint32_t first = line[0] & colour_bits;
    for (int row = 0; row < 4; ++row, line += r.width)
        for (int col = 0; col < 4; ++col)
            if ((line[col] & colour_bits) != first) return false;
    int slots[16];
    reset_block(b, slots, 0, o.weights);
    b.samples[0][0] = r.red(first);
    b.samples[0][1] = r.green(first);
    b.samples[0][2] = r.blue(first);
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
    const uint32_t* kept = gather_block(r, x0, y0, o.mode, b, slots, alpha, levels);

    out = begin_block(o, alpha, alpha_max(r), a, b, out);
    // Only a level that fits in one block, with every pixel gathered, may use
    // the four-colour palette unasked; larger levels keep to three colours.
    b.max_colours = b.count < r.width * r.height ? 3 : 4;
    b.colour_mode = b.max_colours;

    fit_block_colours(b, o.normalmap_type, kept);
    pack_colour_block(b, slots, o.mode, out);
}

}  // namespace

int encode_blocks(SurfaceDesc& src, SurfaceDesc& out, uint8_t* buffer, int mode,
                  const float* weights, int32_t size, int grey_scale, int quick, int force_four,
                  int error_diffusion, int normalmap_type) {
    if (error_diffusion)
        return encode_blocks_diffused(src, out, buffer, mode, weights, size, grey_scale, quick,
                                      force_four, normalmap_type);
    fill_output_desc(src, out, buffer, size);
    if (check_encode_call(src, buffer, mode, size) != BLOCKS_OK) return BLOCKS_REFUSED;

    LevelReader reader;
    init_reader(src, reader);
    const CallOptions options{mode, weights != nullptr ? weights : colour_weights, quick,
                              force_four, normalmap_type};
    // One working record per call, reused block by block.
    BlockSamples samples;
    AlphaSamples alpha_samples;
    walk_blocks(reader.width, reader.height, mode, buffer,
                [&](int64_t x0, int64_t y0, uint8_t* out) {
                    encode_one_block(reader, x0, y0, options, samples, alpha_samples, out);
                });
    return BLOCKS_OK;
}
