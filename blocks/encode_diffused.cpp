// The neighbourhood variant of the level walk. Each block's end points are
// fitted to the block together with the ring of pixels around it (a 6x6
// window), while indices are still written for the block's own 16 pixels.
// Neighbouring blocks then choose end points from overlapping colour sets,
// which softens the visible steps between blocks in smooth gradients.
#include <cstdint>

#include "blocks/alpha.h"
#include "blocks/block_encoder.h"
#include "blocks/blocks.h"

const WorkPixel& WorkLevel::at(int64_t x, int64_t y) const {
    return pixels[size_t(x + (y - top) * width)];
}

// Where the raised level reaches past the real one, the nearest real pixel is
// repeated, so that no position of the window reads outside the source.
WorkLevel make_work_level(const BlockLevel& source, int64_t width, int64_t height, int64_t top,
                          int64_t rows) {
    WorkLevel level;
    level.width = width;
    level.height = height;
    level.top = top;
    level.pixels.resize(size_t(width * rows));
    const ChannelOffsets at = channel_offsets(source.order);
    for (int64_t y = top; y < top + rows; ++y) {
        const int64_t sy = y < source.height ? y : source.height - 1;
        for (int64_t x = 0; x < width; ++x) {
            const int64_t sx = x < source.width ? x : source.width - 1;
            const uint8_t* px = source.pixels + sy * source.pitch + 4 * sx;
            WorkPixel& p = level.pixels[size_t(x + (y - top) * width)];
            p.r = double(px[at.r]) / 255.0;
            p.g = double(px[at.g]) / 255.0;
            p.b = double(px[at.b]) / 255.0;
            p.a = double(px[at.a]) / 255.0;
        }
    }
    return level;
}

// Window rows and columns -1..4 around the block, row-major; positions outside
// the level, and transparent ones in the cutout mode, keep slot -1.
void gather_window(const WorkLevel& level, int64_t x0, int64_t y0, int mode, BlockSamples& b,
                   int slots[DIFFUSION_WINDOW_SLOTS]) {
    // Held in single precision, which keeps alpha 128 transparent and 129 opaque.
    const float threshold = float(cutout_threshold) / 255.0f;
    const bool cutout = mode == BLOCK_MODE_CUTOUT;
    for (int i = -1; i <= 4; ++i) {
        const int64_t y = y0 + i;
        for (int j = -1; j <= 4; ++j) {
            const int64_t x = x0 + j;
            if (x < 0 || y < 0 || x >= level.width || y >= level.height) continue;
            const WorkPixel& p = level.at(x, y);
            if (cutout && p.a <= threshold) {
                b.has_transparent = 1;
                continue;
            }
            double* s = b.samples[b.count];
            s[0] = p.r;
            s[1] = p.g;
            s[2] = p.b;
            slots[DIFFUSION_WINDOW * (i + 1) + (j + 1)] = b.count++;
        }
    }
}

namespace {

using DiffusedOptions = BlockCallOptions;

// Whether one of the block's own pixels (inside the level) is transparent in
// the cutout mode, by the same threshold as gather_window.
bool block_has_transparent(const WorkLevel& level, int64_t x0, int64_t y0, int mode) {
    if (mode != BLOCK_MODE_CUTOUT) return false;
    const float threshold = float(cutout_threshold) / 255.0f;
    for (int64_t y = y0; y < y0 + 4 && y < level.height; ++y)
        for (int64_t x = x0; x < x0 + 4 && x < level.width; ++x)
            if (level.at(x, y).a <= threshold) return true;
    return false;
}

void encode_window_block(const WorkLevel& level, int64_t x0, int64_t y0, const DiffusedOptions& o,
                         BlockSamples& b, AlphaSamples& a, uint8_t* out) {
    int window_slots[DIFFUSION_WINDOW_SLOTS];
    reset_block(b, window_slots, DIFFUSION_WINDOW_SLOTS, o.weights);
    gather_window(level, x0, y0, o.mode, b, window_slots);

    int alpha[16] = {0};
    if (o.mode & 0xFF00) {
        for (int p = 0; p < 16; ++p) {
            const int64_t x = x0 + (p & 3);
            const int64_t y = y0 + (p >> 2);
            alpha[p] =
                x < level.width && y < level.height ? int(255.0 * level.at(x, y).a + 0.5) : -1;
        }
    }
    out = begin_block(o, alpha, 255, a, b, out);

    // The central 4x4 of the window, row-major: the pixels that get indices.
    int slots[16];
    for (int p = 0; p < 16; ++p)
        slots[p] = window_slots[DIFFUSION_WINDOW * ((p >> 2) + 1) + (p & 3) + 1];

    // A transparent pixel of the block itself needs index 3 to mean
    // transparency, which only the three-colour order gives; with four
    // colours it would come out opaque. Such a block keeps to three colours
    // as the plain walk does. Transparent ring pixels get no index here.
    const bool own_transparent = b.has_transparent && block_has_transparent(level, x0, y0, o.mode);
    b.max_colours = own_transparent ? 3 : 4;
    b.colour_mode = b.max_colours;
    if (refines_full_search(o.quality) && !o.quick)
        fit_block_colours_quality(b, o.normalmap_type, o.quality, o.decoder, !own_transparent);
    else if (o.quality == BlockQuality::Fast && !o.quick)
        fit_block_colours_fast(b, o.normalmap_type, !own_transparent);
    else
        fit_block_colours(b, o.normalmap_type);
    pack_colour_block(b, slots, o.mode, out);
}

}  // namespace

void encode_blocks_diffused(const BlockLevel& source, const BlockCallOptions& o, int32_t first_row,
                            int32_t row_count, uint8_t* out) {
    // A level narrower or shorter than a block is widened to a whole block,
    // its edge pixels repeated.
    const int64_t width = source.width < 4 ? 4 : source.width;
    const int64_t height = source.height < 4 ? 4 : source.height;
    // The band's own pixel rows and the ring row above and below it.
    const int64_t top = first_row > 0 ? 4 * int64_t(first_row) - 1 : 0;
    int64_t end = 4 * (int64_t(first_row) + row_count) + 1;
    if (end > height) end = height;
    const WorkLevel level = make_work_level(source, width, height, top, end - top);
    BlockSamples samples;
    AlphaSamples alpha_samples;
    walk_blocks(level.width, first_row, row_count, o.mode, out,
                [&](int64_t x0, int64_t y0, uint8_t* block) {
                    encode_window_block(level, x0, y0, o, samples, alpha_samples, block);
                });
}
