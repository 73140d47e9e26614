// The 8-byte alpha halves of the 16-byte block layouts: explicit 4-bit alpha
// (DXT3) and interpolated alpha (DXT5). Internal to the block encoder; the
// tests use it directly.
//
// Both encoders take the block's 16 alpha values in row-major order on a
// 0..a_max scale, with -1 for a pixel outside the level.
#pragma once

#include <cstdint>

#include "blocks/block_samples.h"

// Explicit alpha: one nibble per pixel, the alpha rounded to the nearest of 16
// levels (ties upward); pixel p in bits 4p..4p+3 of a little-endian 64-bit
// value, a pixel outside the level 0.
void encode_explicit_alpha(const int alpha[16], int a_max, uint8_t out[8]);

// Working record of the interpolated encoder.
struct AlphaSamples {
    int count = 0;
    float samples[BLOCK_MAX_SAMPLES] = {};  // alpha in [0, 1]; 1.0 exactly for a_max
    int quick = 0;
    int levels = 8;  // 8: a0 > a1 palette; 6: a0 <= a1 palette with 0 and 255
    int a0 = 0;
    int a1 = 0;
    int indices[BLOCK_MAX_SAMPLES] = {};  // 0..7 per sample
};

// Fills the record's samples from the block's alpha values and the slot map
// (slots[p] = sample of pixel p, or -1 outside the level).
void gather_alpha_samples(const int alpha[16], int a_max, AlphaSamples& a, int slots[16]);

// Fits end points and indices with up to five ways of using the two palettes
// (plain 8 levels; plain 6 levels; 6 levels with exact 0, exact 1, or both
// taken by the fixed entries 6 and 7) and keeps the smallest squared error.
void fit_alpha_endpoints(AlphaSamples& a);

// Cheap choice: the block's largest and smallest alpha as end points of the
// six-value palette.
void quick_alpha_fit(AlphaSamples& a);

// Fits `levels` (8 or 6) evenly spaced palette values to `values` by iterated
// least squares within [0, 1]; writes the two 8-bit end points and a palette
// index (0..levels-1) per value, and returns the squared error on the 0..255
// scale. With no values it returns 0 and writes nothing.
double refine_alpha_levels(int levels, const float* values, int count, int& a0, int& a1,
                           int* index);

// Writes the 8 bytes: end points separated when equal, put in the order that
// selects the chosen palette, indices remapped accordingly (pixels without a
// sample get index 0).
void pack_interp_alpha(AlphaSamples& a, const int slots[16], uint8_t out[8]);

// Gather, fit (quick or full) and pack, in one call.
void encode_interp_alpha(const int alpha[16], int a_max, int quick, AlphaSamples& a,
                         uint8_t out[8]);
