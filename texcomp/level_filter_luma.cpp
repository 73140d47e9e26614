// The luminance-guided sharpener (method 17): every interior pixel whose
// luminance lies close to the brightest or darkest pixel of its 3x3
// neighbourhood is pulled towards the nearer of the two, which steepens soft
// edges without the halo of a convolution.
//
// The alpha byte of every pixel is overwritten with its luminance while the
// neighbourhoods are compared; a pixel that is pulled leaves with alpha 0, any
// other interior pixel with its luminance as alpha. The border keeps its
// pixels exactly.
#include <cstring>

#include "texcomp/level_filter.h"

namespace {

uint32_t word_at(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

void luminance_sharpen_level(LevelFilterState& state, const LevelView& level) {
    const int32_t w = level.width, h = level.height;
    const int64_t row_len = static_cast<int64_t>(w) * 4;
    state.picture.resize(static_cast<size_t>(row_len * h));
    uint8_t* out = state.picture.data();
    // The border goes over unchanged: copying every row is simplest, and the
    // interior is overwritten below.
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(out + y * row_len, level.row(y), static_cast<size_t>(row_len));
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* p = level.row(y);
        for (int32_t x = 0; x < w; ++x, p += 4)
            p[3] = static_cast<uint8_t>((55 * p[2] + 182 * p[1] + 19 * p[0]) >> 8);
    }

    const int64_t strength = state.sharpen_strength;
    const int32_t threshold = state.sharpen_threshold;
    for (int32_t y = 1; y < h - 1; ++y) {
        uint8_t* dst = out + y * row_len;
        for (int32_t x = 1; x < w - 1; ++x) {
            // Ties: the first of equal luminances in row-major order wins.
            const uint8_t* bright = level.row(y - 1) + (x - 1) * 4;
            const uint8_t* dark = bright;
            for (int32_t dy = -1; dy <= 1; ++dy)
                for (int32_t dx = -1; dx <= 1; ++dx) {
                    const uint8_t* q = level.row(y + dy) + (x + dx) * 4;
                    if (q[3] > bright[3]) bright = q;
                    if (q[3] < dark[3]) dark = q;
                }
            const uint8_t* c = level.row(y) + x * 4;
            uint8_t* o = dst + x * 4;
            std::memcpy(o, c, 4);
            if (strength == 0) continue;
            const int32_t to_bright = bright[3] - c[3], to_dark = c[3] - dark[3];
            const uint8_t* nearer = to_bright >= to_dark ? dark : bright;
            const int32_t distance = to_bright < to_dark ? to_bright : to_dark;
            if (distance >= threshold || word_at(nearer) == 0xFFFFFFFFu) continue;
            for (int32_t k = 0; k < 3; ++k)
                o[k] = static_cast<uint8_t>((strength * nearer[k] + (255 - strength) * c[k]) / 255);
            o[3] = 0;
        }
    }
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(level.row(y), out + y * row_len, static_cast<size_t>(row_len));
}
