// Error-diffusion pre-pass: reduces channels to fewer bits while spreading
// each pixel's rounding error over its not yet visited neighbours, so that
// areas keep their mean colour.
//
// Work values are 12-bit fixed point (byte x 16). A value rounds to the
// nearest multiple of the channel's step, an exact half step rounding down;
// negative values (a dark pixel that received negative error) round with the
// same two's-complement mask.
#include <cstddef>
#include <vector>

#include "palette/palette.h"

namespace {

int32_t round_to_step(int32_t v, int32_t bits) {
    const int32_t step = 1 << (12 - bits);
    return (v + (step - 1) / 2) & ~(step - 1);
}

}  // namespace

void diffuse_to_bits(uint8_t* pixels, int32_t width, int32_t height, int32_t channels,
                     int32_t colour_bits, int32_t alpha_bits) {
    if (!pixels || width < 1 || height < 1 || channels < 1) return;
    if (colour_bits < 1 || colour_bits > 8 || alpha_bits < 1 || alpha_bits > 8) return;
    const int64_t row = static_cast<int64_t>(width) * channels;
    const int64_t total = row * height;
    std::vector<int16_t> work(static_cast<size_t>(total));
    for (int64_t i = 0; i < total; ++i) work[i] = static_cast<int16_t>(pixels[i] * 16);

    auto bits_of = [&](int32_t c) { return channels == 4 && c == 3 ? alpha_bits : colour_bits; };
    for (int32_t y = 0; y < height; ++y) {
        const bool last_row = y == height - 1;
        for (int32_t x = 0; x < width; ++x) {
            const bool spreads = !last_row && x < width - 1;
            int16_t* px = &work[y * row + static_cast<int64_t>(x) * channels];
            for (int32_t c = 0; c < channels; ++c) {
                const int32_t v = px[c];
                const int32_t r = round_to_step(v, bits_of(c));
                px[c] = static_cast<int16_t>(r);
                if (!spreads) continue;
                const int32_t e = v - r;
                px[channels + c] = static_cast<int16_t>(px[channels + c] + e / 2);
                int16_t* below = px + row;
                below[c] = static_cast<int16_t>(below[c] + e / 4);
                if (x >= 1) below[c - channels] = static_cast<int16_t>(below[c - channels] + e / 8);
                if (x >= 3)
                    below[c - 3 * channels] = static_cast<int16_t>(below[c - 3 * channels] + e / 8);
            }
        }
    }

    for (int64_t i = 0; i < total; ++i) {
        const int32_t v = work[i];
        int32_t b = v < 0 ? 0 : (v >= 4096 ? 255 : v >> 4);
        const int32_t bits = bits_of(static_cast<int32_t>(i % channels));
        b &= ~((1 << (8 - bits)) - 1) & 0xFF;
        pixels[i] = static_cast<uint8_t>(b);
    }
}
