// Internal pieces of the colour block encoder, shared by the two level walks
// (the plain 4x4 walk and the 6x6 neighbourhood walk) and by the tests.
#pragma once

#include <cstdint>
#include <vector>

#include "blocks/block_samples.h"
#include "blocks/blocks.h"

// Alpha at or below this value (on a 0..255 scale) makes a pixel transparent
// in the cutout mode.
constexpr int cutout_threshold = 128;

// One channel of a pixel word, described by its mask.
struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;     // trailing zero bits of the mask
    uint32_t max = 0;  // mask >> shift: the channel's largest value
};

ChannelMask channel_mask(uint32_t mask);
// The channel's value scaled to [0, 1]; 0 for an empty mask.
double channel_value(const ChannelMask& channel, uint32_t word);
// Masked alpha word at or below which a pixel counts as transparent.
uint32_t cutout_threshold_word(const ChannelMask& alpha);

// Fills the fields of the output descriptor that the encoder owns (flags,
// sizes copied from the source, output pointer and size, pixel format).
void fill_output_desc(const SurfaceDesc& src, SurfaceDesc& out, uint8_t* buffer, int32_t size);

// Checks that a call can be served: a known mode, pixels present and an
// output buffer large enough for width x height. Returns 0 or -1.
int check_encode_call(const SurfaceDesc& src, const uint8_t* buffer, int mode, int32_t size);

// Start of every block: nothing gathered, every index and slot -1, weights
// from the call's vector, and no palette size left from the last block.
void reset_block(BlockSamples& b, int* slots, int slot_count, const float* weights);

// Per-block weights of the normal-map types (1 and 2); other types keep the
// weights that reset_block set.
void choose_block_weights(BlockSamples& b, int normalmap_type);

// Weights, then the quick or the full end-point search; a block without
// samples gets both end points 0 and no search.
void fit_block_colours(BlockSamples& b, int normalmap_type);
// The same, with the samples' 8-bit levels (0x00RRGGBB per sample, see
// quick_colour_fit_levels) when the gather has them, or null.
void fit_block_colours(BlockSamples& b, int normalmap_type, const uint32_t* levels);

// Samples split into one array per channel, for loops over contiguous values.
struct SampleChannels {
    double r[BLOCK_MAX_SAMPLES];
    double g[BLOCK_MAX_SAMPLES];
    double b[BLOCK_MAX_SAMPLES];
};
void split_channels(const double (*samples)[3], int n, SampleChannels& c);

// The two samples farthest apart (unweighted), the quick search's end points:
// the plain scan, and the same answer found without its unpredictable branch.
// A single sample is its own pair.
void farthest_pair_scan(const double (*samples)[3], int n, int& ia, int& ib);
void farthest_pair(const SampleChannels& c, int n, int& ia, int& ib);
// The same pair for samples that are whole 8-bit levels: sample i is
// levels[i] (0x00RRGGBB) divided by 255 per channel, bit for bit as the
// gather makes it. Decided on the levels, with the samples for exact ties.
void farthest_pair_levels(const uint32_t* levels, const double (*samples)[3], int n, int& ia,
                          int& ib);

// quick_colour_fit for samples that are whole 8-bit levels (as above): the
// same results, with the colour comparisons and the pair search on levels.
// More than 16 samples take quick_colour_fit.
void quick_colour_fit_levels(BlockSamples& b, const uint32_t* levels);

// Writes the 8-byte colour block: 5:6:5 end points, the equal-end-point
// separation, the palette-order rule and the 16 indices. `slots[p]` is the
// sample of pixel p (row-major in the block) or -1 for a pixel without one,
// which gets index 3. Sample indices in `b` are remapped in place.
void pack_colour_block(BlockSamples& b, const int slots[16], int mode, uint8_t out[8]);

// The neighbourhood variant of encode_blocks (same arguments, without the
// variant flag).
int encode_blocks_diffused(SurfaceDesc& src, SurfaceDesc& out, uint8_t* buffer, int mode,
                           const float* weights, int32_t size, int grey_scale, int quick,
                           int force_four, int normalmap_type);

// The per-call choices every block of a level is encoded with (the weights
// already resolved to the caller's or the standard ones).
struct BlockCallOptions {
    int mode;
    const float* weights;
    int quick;
    int force_four;
    int normalmap_type;
};

struct AlphaSamples;  // blocks/alpha.h

// The first steps of a block in both walks: the alpha half, when the mode
// has one, written from `alpha` (0..a_max, -1 for a pixel outside the level)
// as the mode says, explicit or interpolated; and the colour half's
// four-colour choice, which the alpha half always makes and the opaque mode
// makes when asked. Returns where the colour half goes.
uint8_t* begin_block(const BlockCallOptions& o, const int alpha[16], int a_max, AlphaSamples& a,
                     BlockSamples& b, uint8_t* out);

// Bytes of one block in `mode`: 8 for colour only, 16 with an alpha half.
inline int block_bytes_for(int mode) { return (mode & 0xFF00) == 0 ? 8 : 16; }

// Walks the blocks of a width x height level row of blocks by row of blocks,
// left to right, calling encode(x0, y0, out) with each block's place in the
// output buffer.
template <typename EncodeBlock>
void walk_blocks(int64_t width, int64_t height, int mode, uint8_t* buffer, EncodeBlock encode) {
    const int step = block_bytes_for(mode);
    for (int64_t y0 = 0; y0 < height; y0 += 4) {
        for (int64_t x0 = 0; x0 < width; x0 += 4) {
            encode(x0, y0, buffer);
            buffer += step;
        }
    }
}

// ---------------------------------------------------------------------------
// Neighbourhood variant: each block is fitted over a 6x6 window.
// ---------------------------------------------------------------------------
constexpr int DIFFUSION_WINDOW = 6;
constexpr int DIFFUSION_WINDOW_SLOTS = DIFFUSION_WINDOW * DIFFUSION_WINDOW;

struct WorkPixel {
    double r, g, b, a;  // bytes of the 0xAARRGGBB word, / 255
};

// The level as four doubles per pixel, at the raised sizes.
struct WorkLevel {
    std::vector<WorkPixel> pixels;
    int64_t width = 0;
    int64_t height = 0;
    const WorkPixel& at(int64_t x, int64_t y) const;
};

// Copies a src_width x src_height level of words into a working level of
// width x height (each at least the source's, and the source not empty).
WorkLevel make_work_level(const uint32_t* source, int64_t src_width, int64_t src_height,
                          int64_t width, int64_t height);

// Gathers the colour samples of the window around the block at (x0, y0);
// slots[6 * (i + 1) + (j + 1)] is the sample of row offset i, column offset j
// (-1..4), or -1. Expects a reset record.
void gather_window(const WorkLevel& level, int64_t x0, int64_t y0, int mode, BlockSamples& b,
                   int slots[DIFFUSION_WINDOW_SLOTS]);
