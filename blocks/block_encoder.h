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

// The byte offsets of the four channels of a pixel in a level's order.
struct ChannelOffsets {
    int r, g, b, a;
};
ChannelOffsets channel_offsets(ChannelOrder order);

// The per-call choices every block of a level is encoded with.
struct BlockCallOptions {
    int mode;
    const float* weights;
    int quick;
    int force_four;
    int normalmap_type;
    BlockQuality quality;
    BlockDecoder decoder;
    int single_channel;
};
BlockCallOptions call_options(const BlockOptions& o);

// Checks that a call for block rows first_row .. first_row + row_count - 1
// can be served: a known mode, pixels and output present for a non-empty
// level, a pitch that holds a row, the rows inside the level and an output
// large enough for them.
BlockResult check_encode_call(const BlockLevel& level, int mode, int32_t first_row,
                              int32_t row_count, const uint8_t* out, int64_t out_size);

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

// fit_block_colours at a quality: b.max_colours holds the Normal quality's
// palette limit on entry; High also tries the other palette size when
// `may_use_four` (no transparent pixel of the block's own needs the
// three-colour order) and keeps the smaller exact weighted error; Best then
// refines the end points. Quick and Normal are fit_block_colours itself.
// Whether a quality goes on from the full search (High, Best).
inline bool refines_full_search(BlockQuality q) {
    return q == BlockQuality::High || q == BlockQuality::Best;
}

// The Fast quality: weights, then the quick choice's end points
// re-fitted by least squares; four colours unless the block's own
// transparent pixels need the three-colour order (`may_use_four` false).
// `levels`: the samples' 8-bit levels when the gather has them (see
// quick_colour_fit_levels), or null.
void fit_block_colours_fast(BlockSamples& b, int normalmap_type, bool may_use_four,
                            const uint32_t* levels = nullptr);

void fit_block_colours_quality(BlockSamples& b, int normalmap_type, BlockQuality quality,
                               BlockDecoder decoder, bool may_use_four);

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
// The two samples whose colours the quick choice takes as its end points
// (quick_colour_fit and its levels path), without its palettes and indices:
// the pair alone, for fits that start where the quick choice does. `levels`
// as above, or null.
void quick_colour_pair(const BlockSamples& b, const uint32_t* levels, int& ia, int& ib);

// Writes the 8-byte colour block: 5:6:5 end points, the equal-end-point
// separation, the palette-order rule and the 16 indices. `slots[p]` is the
// sample of pixel p (row-major in the block) or -1 for a pixel without one,
// which gets index 3. Sample indices in `b` are remapped in place.
void pack_colour_block(BlockSamples& b, const int slots[16], int mode, uint8_t out[8]);

// The level walk of the BC4, BC5 and BC7 modes, for block rows first_row ..
// first_row + row_count - 1 of a checked call.
void encode_bc_rows(const BlockLevel& level, const BlockCallOptions& o, int32_t first_row,
                    int32_t row_count, uint8_t* out);

// The ASTC level walk (astc_codec.cpp), for block rows first_row ..
// first_row + row_count - 1 of a checked call: the rows go to the library as
// one image through the thread's context. Ok, NoMemory or CodecFailed.
BlockResult encode_astc_rows(const BlockLevel& level, const BlockCallOptions& o, int32_t first_row,
                             int32_t row_count, uint8_t* out);

// The neighbourhood variant of the level walk, for block rows first_row ..
// first_row + row_count - 1 of a checked call.
void encode_blocks_diffused(const BlockLevel& level, const BlockCallOptions& o, int32_t first_row,
                            int32_t row_count, uint8_t* out);

struct AlphaSamples;  // blocks/alpha.h

// The first steps of a block in both walks: the alpha half, when the mode
// has one, written from `alpha` (0..a_max, -1 for a pixel outside the level)
// as the mode says, explicit or interpolated; and the colour half's
// four-colour choice, which the alpha half always makes and the opaque mode
// makes when asked. Returns where the colour half goes.
uint8_t* begin_block(const BlockCallOptions& o, const int alpha[16], int a_max, AlphaSamples& a,
                     BlockSamples& b, uint8_t* out);

// Walks block rows first_row .. first_row + row_count - 1 of a width x
// height level, left to right within a row, calling encode(x0, y0, out) with
// each block's place in the output buffer.
template <typename EncodeBlock>
void walk_blocks(int64_t width, int32_t first_row, int32_t row_count, int mode, uint8_t* buffer,
                 EncodeBlock encode) {
    const int step = block_bytes_for(mode);
    for (int64_t row = first_row; row < int64_t(first_row) + row_count; ++row) {
        for (int64_t x0 = 0; x0 < width; x0 += 4) {
            encode(x0, 4 * row, buffer);
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

// The level as four doubles per pixel, at the raised sizes, for the pixel
// rows a band of blocks reads (its own rows and one above and below).
struct WorkLevel {
    std::vector<WorkPixel> pixels;
    int64_t width = 0;
    int64_t height = 0;  // of the whole raised level
    int64_t top = 0;     // first pixel row held
    const WorkPixel& at(int64_t x, int64_t y) const;
};

// Copies rows top .. top + rows - 1 of the level, raised to width x height
// (each at least the level's, the level not empty), into a working level.
WorkLevel make_work_level(const BlockLevel& source, int64_t width, int64_t height, int64_t top,
                          int64_t rows);

// Gathers the colour samples of the window around the block at (x0, y0);
// slots[6 * (i + 1) + (j + 1)] is the sample of row offset i, column offset j
// (-1..4), or -1. Expects a reset record.
void gather_window(const WorkLevel& level, int64_t x0, int64_t y0, int mode, BlockSamples& b,
                   int slots[DIFFUSION_WINDOW_SLOTS]);
