// The exact weighted error of a colour block as a decoder will show it, for
// the quality refinement. Internal to the library.
#pragma once

#include <cmath>

#include "blocks/block_samples.h"
#include "blocks/blocks.h"

// The block's samples on the 8-bit scale, each channel times its weight, so
// that errors are plain squared distances; laid out by channel, with room to
// read whole groups of four.
struct WeightedSamples {
    int count;
    double w[3];
    BlockDecoder reading;  // how the palette's interpolated entries are read
    alignas(32) double x[3][BLOCK_MAX_SAMPLES + 4];
};

// The samples of `b`, judged under `reading`.
void weigh_samples(const BlockSamples& b, WeightedSamples& s,
                   BlockDecoder reading = BlockDecoder::Nearest);

// The palette a decoder builds from two codes, weighted: the end points
// widened to 8 bits, the interpolants as the samples' reading forms them.
void weighted_palette(const WeightedSamples& s, const int e[2][3], int colours, double pal[4][3]);

// Error of codes `e` with every sample on its nearest entry (the lower index
// on a tie); the indices go to `indices` when it is given. A caller that only
// wants errors below `limit` gets the sum so far as soon as it reaches the
// limit: the terms are never negative, so the whole sum could not be below.
double nearest_error(const WeightedSamples& s, const int e[2][3], int colours, int* indices,
                     double limit = HUGE_VAL);

// Its two versions: plain, and four samples at a time on processors with
// four-double vectors (false where that does not run). Each sample's
// distances are the plain ones and the sum runs in sample order.
double nearest_error_plain(const WeightedSamples& s, const double pal[4][3], int colours,
                           int* indices, double limit);
bool nearest_error_wide(const WeightedSamples& s, const double pal[4][3], int colours, int* indices,
                        double limit, double& sum);
