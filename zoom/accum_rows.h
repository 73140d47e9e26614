// The vertical accumulation's inner loop on byte rows, the resampler's most
// frequent operation: dst[i] = float(double(dst[i]) + weight * src[i]).
//
// The plain loop is the definition. The vector loops do the same
// operations on two or four values at a time (exact products of a float weight and
// a byte, one rounding of the double sum to float), so both give the same
// bits; it is used where the processor has it, the plain one elsewhere and
// in the tests that hold the two together.
#pragma once

#include <cstdint>

void accum_bytes_plain(double weight, const uint8_t* src, float* dst, int n);
void accum_bytes(double weight, const uint8_t* src, float* dst, int n);

// The vector loops this processor can run, for the tests: k = 0, 1, ... until
// null.
using AccumBytes = void (*)(double weight, const uint8_t* src, float* dst, int n);
AccumBytes accum_bytes_variant(int k);
