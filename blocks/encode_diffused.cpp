// The neighbourhood variant of the level walk. Each block's end points are
// fitted to the block together with the ring of pixels around it (a 6x6
// window), while indices are still written for the block's own 16 pixels.
// Neighbouring blocks then choose end points from overlapping colour sets,
// which softens the visible steps between blocks in smooth gradients.
#include <cstdint>

#include "blocks/alpha.h"
#include "blocks/block_encoder.h"
#include "blocks/blocks.h"

const WorkPixel& WorkLevel::at(int64_t x, int64_t y) const { return pixels[size_t(x + y * width)]; }

// Where the raised level reaches past the real one, the nearest real pixel is
// repeated, so that no position of the window reads outside the source.
WorkLevel make_work_level(const uint32_t* source, int64_t src_width, int64_t src_height,
                          int64_t width, int64_t height) {
    WorkLevel level;
    level.width = width;
    level.height = height;
    level.pixels.resize(size_t(width * height));
    for (int64_t y = 0; y < height; ++y) {
        const int64_t sy = y < src_height ? y : src_height - 1;
        for (int64_t x = 0; x < width; ++x) {
            const int64_t sx = x < src_width ? x : src_width - 1;
            const uint32_t word = source[sx + sy * src_width];
            WorkPixel& p = level.pixels[size_t(x + y * width)];
            p.r = double((word >> 16) & 0xFF) / 255.0;
            p.g = double((word >> 8) & 0xFF) / 255.0;
            p.b = double(word & 0xFF) / 255.0;
            p.a = double(word >> 24) / 255.0;
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
    fit_block_colours(b, o.normalmap_type);
    pack_colour_block(b, slots, o.mode, out);
}

}  // namespace

int encode_blocks_diffused(SurfaceDesc& src, SurfaceDesc& out, uint8_t* buffer, int mode,
                           const float* weights, int32_t size, int grey_scale, int quick,
                           int force_four, int normalmap_type) {
    // The grey-scale choice already reaches the search through `weights`.
    (void)grey_scale;
    const int64_t src_width = src.width;
    const int64_t src_height = src.height;
    // A level narrower or shorter than a block is widened to a whole block;
    // the caller sees the raised sizes in both descriptors. An empty level
    // has no pixel to widen and stays empty.
    if (src_width > 0 && src_height > 0) {
        if (src.width < 4) src.width = 4;
        if (src.height < 4) src.height = 4;
    }
    fill_output_desc(src, out, buffer, size);
    if (check_encode_call(src, buffer, mode, size) != BLOCKS_OK) return BLOCKS_REFUSED;
    if (src_width == 0 || src_height == 0) return BLOCKS_OK;

    const WorkLevel level = make_work_level(static_cast<const uint32_t*>(src.surface), src_width,
                                            src_height, src.width, src.height);
    const DiffusedOptions options{mode, weights != nullptr ? weights : colour_weights, quick,
                                  force_four, normalmap_type};
    BlockSamples samples;
    AlphaSamples alpha_samples;
    walk_blocks(level.width, level.height, mode, buffer, [&](int64_t x0, int64_t y0, uint8_t* out) {
        encode_window_block(level, x0, y0, options, samples, alpha_samples, out);
    });
    return BLOCKS_OK;
}
