// Level filters: one in-place pass of a sharpening (or other) filter over a
// level of pixels, chosen by g_sharpen_method.
//
//   1 .. 15  fixed 5x5 kernels (all of them reach only the inner 3x3)
//   16       unsharp mask (Gaussian blur, then the difference added back)
//   17       luminance-guided sharpener (each pixel pulled towards the nearer
//            of the brightest and darkest pixel around it)
//   19       the kernel built from CustomFilter
//   0, 18 and every other number filter nothing.
//
// The parameters that CustomFilter supplies (the method-19 kernel, the
// unsharp mask's radius, amount and threshold, the sharpener's strength and
// threshold) and the row buffers live in a LevelFilterState that belongs to
// one compression call, so two calls may filter at the same time. A state
// that prepare_custom_filter has not seen filters with the start-up values:
// method 19 is the identity, 16 and 17 use the profile defaults (radius 5,
// amount 0.5, threshold 0; strength 255, threshold 255).
#pragma once

#include <cstdint>
#include <vector>

#include "texcomp/texcomp.h"

// A 5x5 convolution kernel: row 0 lies two rows above the pixel, column 0 two
// columns to its left.
struct FilterKernel {
    const char* name;
    float weights[5][5];
    float divisor;
    float bias;
};

// Per-call filter parameters and working memory.
struct LevelFilterState {
    FilterKernel custom{
        "Custom 5x5 filter",
        {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
        1.0f,
        0.0f};
    float unsharp_radius = 5.0f;
    float unsharp_amount = 0.5f;
    int32_t unsharp_threshold = 0;
    int32_t sharpen_strength = 255;
    int32_t sharpen_threshold = 255;

    // Working memory, grown on demand and kept for the next pass.
    std::vector<uint8_t> rows;     // row copies of the kernel filters
    std::vector<int32_t> sums;     // integer sums of one row (kernel filters)
    std::vector<uint8_t> table;    // sum -> byte (kernel filters)
    std::vector<uint8_t> picture;  // blurred copy (16) or second buffer (17)
    std::vector<double> line;      // sums of one blur row (16)
    std::vector<double> taps;      // blur kernel (16)
};

// The fixed kernel of a method 1..15, or null for any other number.
const FilterKernel* fixed_filter_kernel(int32_t method);

// Takes the 33 CustomFilter values: entries 0..24 the method-19 weights row by
// row, 25 its divisor, 26 its bias, 27 the unsharp radius, 28 its amount, 29
// its threshold, 30 the sharpener strength, 31 its threshold (the last three
// truncated toward zero; NaN gives 0, values beyond int range the nearest
// int). Entry 32 is not used.
void prepare_custom_filter(LevelFilterState& state, const float custom[CUSTOM_FILTER_COUNT]);

// Makes sure one pass of `method` over a level of width x height at
// `bytes_per_pixel` needs no further memory. False when memory runs out.
bool reserve_level_filter(LevelFilterState& state, int32_t method, int32_t width, int32_t height,
                          int32_t bytes_per_pixel);

// One pass of `method` over width x height pixels of `bytes_per_pixel` bytes
// (1..4; method 17 needs 4 and filters nothing otherwise), rows `row_bytes`
// apart, in place. Every byte of a pixel is filtered alike except where
// method 17 says otherwise. A level too small for the method is left as it is.
// Returns false (level unchanged) when working memory runs out or the
// arguments are unusable (no pixels, bytes_per_pixel outside 1..4, row_bytes
// shorter than a row); a width or height below 1 is an empty level.
bool filter_level(LevelFilterState& state, uint8_t* pixels, int32_t row_bytes,
                  int32_t bytes_per_pixel, int32_t width, int32_t height, int32_t method);

// ---------------------------------------------------------------------------
// The three families, one file each (called by filter_level with checked
// arguments; they may throw std::bad_alloc).
// ---------------------------------------------------------------------------
// Largest absolute weight sum of a whole-number kernel that is summed in
// integers and mapped through a table of 255 x this + 1 bytes.
constexpr int32_t KERNEL_TABLE_WEIGHT_LIMIT = 4096;

struct LevelView {
    uint8_t* pixels;
    int64_t row_bytes;
    int32_t bpp;
    int32_t width;
    int32_t height;
    uint8_t* row(int32_t y) const { return pixels + y * row_bytes; }
};
void filter_kernel_level(LevelFilterState& state, FilterKernel& kernel, const LevelView& level);
void unsharp_level(LevelFilterState& state, const LevelView& level);
void luminance_sharpen_level(LevelFilterState& state, const LevelView& level);
// The unsharp mask's normalised Gaussian taps for a radius (NaN counts as 0,
// a magnitude above 32767 as 32767).
void unsharp_taps(float radius, std::vector<double>& taps);
