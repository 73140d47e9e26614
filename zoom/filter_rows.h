// The horizontal pass's inner loop: each output pixel is the weighted sum of
// its taps, formed in double one tap after the other, per channel.
//
// The plain loop is the definition. On processors with four-double vectors
// the four-channel rows run with the four channels of a pixel side by side,
// each lane summing its channel in the plain order, so both give the same
// bits; tests hold the two together.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zoom/scanline.h"
#include "zoom/weighttab.h"

struct StoreByte {
    static void put(uint8_t* out, double sum) { *out = round_to_byte(sum); }
};
struct StoreShort {
    static void put(int16_t* out, double sum) { *out = round_to_short(sum); }
};
struct StoreFloat {
    static void put(float* out, double sum) { *out = static_cast<float>(sum); }
};

// dst[i][c] = sum over the taps of tables[i] of src[k][c] * weight, for C
// channels per pixel.
template <int C, typename In, typename Out, typename Store>
void filter_rows(const WeightTable* tables, const In* src, Out* dst, int n) {
    for (int i = 0; i < n; ++i) {
        const WeightTable& t = tables[i];
        double sum[C] = {};
        const In* p = src + static_cast<std::ptrdiff_t>(t.i0) * C;
        for (int k = 0; k < t.i1 - t.i0; ++k, p += C) {
            double w = t.weights[k];
            for (int c = 0; c < C; ++c) sum[c] += static_cast<double>(p[c]) * w;
        }
        for (int c = 0; c < C; ++c)
            Store::put(dst + static_cast<std::ptrdiff_t>(i) * C + c, sum[c]);
    }
}

// The four-channel pairs (byte4 or float4 in; byte4, short4 or float4 out)
// with the channels side by side; `code` is scanline_pair(src.type, dst.type)
// as in scanline_filter. False where this processor has no such vectors or the
// pair is not a four-channel one.
bool filter_rows4_wide(int code, const WeightTable* tables, const void* src, void* dst, int n);
