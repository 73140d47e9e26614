// Shared helpers of the palette tests: a deterministic generator, picture
// makers and the colour an index stands for.
#pragma once

#include <cstdint>
#include <vector>

#include "palette/palette.h"
#include "tests/common/test_random.h"

namespace palette_test {

using Random = TestRandom;

// A photo-like picture of `bpp` bytes per pixel (3: R, G, B; 4: B, G, R, A):
// smooth shading, a few hard-edged shapes and fine noise.
inline std::vector<uint8_t> photo(int32_t w, int32_t h, int32_t bpp, uint32_t seed = 7) {
    Random rnd{seed};
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * bpp);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            int r = 40 + 150 * x / w + (y * 60) / h;
            int g = 90 + 100 * y / h - (x * 30) / w;
            int b = 200 - 120 * y / h;
            const int dx = x - w / 3, dy = y - h / 2;
            if (dx * dx + dy * dy < (w * w) / 25) {  // a red disc
                r = 220 - (dx + dy) / 4;
                g = 50;
                b = 40 + dy / 3;
            }
            if (y > (h * 3) / 4 + (x % 37) / 8) {  // textured ground
                g = 110 + static_cast<int>(rnd.next() % 40);
                r = 80 + static_cast<int>(rnd.next() % 30);
                b = 30;
            }
            const int n = rnd.below(9) - 4;
            auto clamp = [](int v) {
                return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
            };
            uint8_t* px = &p[(static_cast<size_t>(y) * w + x) * bpp];
            if (bpp == 3) {
                px[0] = clamp(r + n);
                px[1] = clamp(g + n);
                px[2] = clamp(b + n);
            } else {
                px[0] = clamp(b + n);
                px[1] = clamp(g + n);
                px[2] = clamp(r + n);
                px[3] = clamp(255 - (x * 200) / w);
            }
        }
    return p;
}

// Index of pixel i in a buffer of the quantiser's layout.
inline int32_t index_at(const std::vector<uint8_t>& indices, int32_t w, int32_t colours,
                        int64_t i) {
    if (colours == 256) return indices[i];
    const int64_t y = i / w, x = i % w;
    const uint8_t b = indices[y * ((w + 1) / 2) + x / 2];
    return (x & 1) ? b >> 4 : b & 0x0F;
}

// Palette entry k's bytes in the record's own channel order.
inline std::vector<int32_t> entry(const PaletteRecord& p, int32_t k) {
    return std::vector<int32_t>(p.components.begin() + k * p.channels,
                                p.components.begin() + (k + 1) * p.channels);
}

inline std::vector<int32_t> pixel(const std::vector<uint8_t>& pic, int32_t bpp, int64_t i) {
    return std::vector<int32_t>(pic.begin() + i * bpp, pic.begin() + (i + 1) * bpp);
}

}  // namespace palette_test
