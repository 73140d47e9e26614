// Internal: the vector of one block of a picture, shared by training and
// encoding so that both see the same blocks.
#pragma once

#include <cstdint>

// The block at block column bx, band by of bw x bh pixels: row by row, pixel
// by pixel, byte by byte. Pixels past the right or bottom edge repeat the
// nearest edge pixel, so a partial block stands for its own pixels only.
template <typename T>
void block_vector(const uint8_t* pixels, int32_t width, int32_t height, int32_t channels,
                  int32_t bw, int32_t bh, int32_t bx, int32_t by, T* out) {
    for (int32_t yy = 0; yy < bh; ++yy) {
        int32_t y = by * bh + yy;
        if (y > height - 1) y = height - 1;
        for (int32_t xx = 0; xx < bw; ++xx) {
            int32_t x = bx * bw + xx;
            if (x > width - 1) x = width - 1;
            const uint8_t* px = pixels + (static_cast<int64_t>(y) * width + x) * channels;
            for (int32_t c = 0; c < channels; ++c) *out++ = static_cast<T>(px[c]);
        }
    }
}

// Whole blocks plus one partial block where a side is not a multiple.
inline int32_t blocks_over(int32_t side, int32_t block) { return (side + block - 1) / block; }

// Largest vector the quantiser takes (bytes of one codeword).
constexpr int32_t MAX_VECTOR_DIMS = 4096;
