// The explicit alpha half (DXT3): four bits per pixel, no search.
#include <cmath>

#include "blocks/alpha.h"

void encode_explicit_alpha(const int alpha[16], int a_max, uint8_t out[8]) {
    for (int row = 0; row < 4; ++row) {
        // Pixels enter at the top nibble and move down, so after four columns
        // column x sits in bits 4x..4x+3; a pixel outside the level leaves 0.
        uint32_t word = 0;
        for (int col = 0; col < 4; ++col) {
            const int a = alpha[4 * row + col];
            if (a < 0 || a_max <= 0) {
                word >>= 4;
                continue;
            }
            // Rounded to the nearest of 16 levels, halves upward, in extended
            // precision.
            const long double scaled = (static_cast<long double>(a) / a_max) * 15.0L + 0.5L;
            uint32_t n = uint32_t(std::floor(scaled));
            if (n > 15) n = 15;
            word = (n << 12) | (word >> 4);
        }
        out[2 * row] = uint8_t(word);
        out[2 * row + 1] = uint8_t(word >> 8);
    }
}
