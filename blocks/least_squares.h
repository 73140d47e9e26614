// The least-squares end points of a colour block for given indices, shared
// by the refinements of the quality levels. Internal to the library.
#pragma once

#include "blocks/block_samples.h"

// Nearest code of an 8-bit value for channel c (green of a grey block on the
// widened 5-bit codes).
int code_for(double value, int c, bool grey);

// The end points that fit the block's samples best in the least-squares
// sense when each sample stands for the fixed mix of the two end points its
// index names (b.indices; `colours` 3 or 4), rounded to codes. False when the
// indices do not tell the two end points apart.
bool least_squares_codes(const BlockSamples& b, int colours, bool grey, int out[2][3]);
