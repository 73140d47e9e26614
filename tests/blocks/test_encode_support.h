// Helpers of the block encoder tests: levels made by the tests themselves, a
// call of encode_blocks as the driver makes it, and a small reference decoder
// of the three block layouts written from the published formats.
#pragma once

#include <cstdint>
#include <vector>

#include "blocks/blocks.h"
#include "tests/common/test_random.h"

namespace enc_test {

inline uint32_t argb(int a, int r, int g, int b) {
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}
inline int red_of(uint32_t w) { return int((w >> 16) & 0xFF); }
inline int green_of(uint32_t w) { return int((w >> 8) & 0xFF); }
inline int blue_of(uint32_t w) { return int(w & 0xFF); }
inline int alpha_of(uint32_t w) { return int(w >> 24); }

struct EncodeOptions {
    int mode = BLOCK_MODE_OPAQUE;
    int quick = 0;
    int force_four = 0;
    int diffusion = 0;
    int normalmap_type = 0;
    const float* weights = nullptr;               // null: the perceptual weights
    BlockQuality quality = BlockQuality::Normal;  // quick = 1 overrides it
    BlockDecoder decoder = BlockDecoder::Nearest;
};

// The door's options for a test call.
inline BlockOptions block_options(const EncodeOptions& o) {
    BlockOptions b;
    b.mode = o.mode;
    const float* w = o.weights ? o.weights : perceptual_weights;
    for (int c = 0; c < 3; ++c) b.weights[c] = w[c];
    b.quality = o.quick ? BlockQuality::Quick : o.quality;
    b.force_four = o.force_four != 0;
    b.diffusion = o.diffusion != 0;
    b.normalmap_type = o.normalmap_type;
    b.decoder = o.decoder;
    return b;
}

// A level of 0xAARRGGBB words seen as the pipeline's blue, green, red, alpha
// bytes (the words' little-endian order).
inline BlockLevel level_view(const std::vector<uint32_t>& pixels, int width, int height) {
    return BlockLevel{reinterpret_cast<const uint8_t*>(pixels.data()), width, height,
                      int64_t(width) * 4, ChannelOrder::Bgra};
}

inline std::vector<uint8_t> encode_level(const std::vector<uint32_t>& pixels, int width, int height,
                                         const EncodeOptions& o = EncodeOptions()) {
    const int32_t size = block_data_size(width, height, o.mode);
    std::vector<uint8_t> data(size_t(size), 0xCD);
    encode_blocks(level_view(pixels, width, height), block_options(o), data.data(), size);
    return data;
}

inline std::vector<uint8_t> block_bytes(const std::vector<uint8_t>& data, size_t block,
                                        size_t bytes_per_block) {
    return std::vector<uint8_t>(data.begin() + long(block * bytes_per_block),
                                data.begin() + long((block + 1) * bytes_per_block));
}

inline uint32_t read16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
inline uint32_t read32(const uint8_t* p) { return read16(p) | (read16(p + 2) << 16); }

// ---------------------------------------------------------------------------
// Reference decoder. Interpolants as the encoder models them: three-colour
// middle (c0 + c1) / 2, four-colour thirds rounded to nearest, with integer
// division on the widened 8-bit values.
// ---------------------------------------------------------------------------
struct Colour {
    int r, g, b, a;
};

inline Colour widen565(uint32_t c) {
    const int r = int((c >> 11) & 31), g = int((c >> 5) & 63), b = int(c & 31);
    return Colour{(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2), 255};
}

inline void colour_palette(const uint8_t* block, Colour pal[4]) {
    const uint32_t c0 = read16(block), c1 = read16(block + 2);
    pal[0] = widen565(c0);
    pal[1] = widen565(c1);
    if (c0 > c1) {
        pal[2] = Colour{(2 * pal[0].r + pal[1].r + 1) / 3, (2 * pal[0].g + pal[1].g + 1) / 3,
                        (2 * pal[0].b + pal[1].b + 1) / 3, 255};
        pal[3] = Colour{(pal[0].r + 2 * pal[1].r + 1) / 3, (pal[0].g + 2 * pal[1].g + 1) / 3,
                        (pal[0].b + 2 * pal[1].b + 1) / 3, 255};
    } else {
        pal[2] = Colour{(pal[0].r + pal[1].r) / 2, (pal[0].g + pal[1].g) / 2,
                        (pal[0].b + pal[1].b) / 2, 255};
        pal[3] = Colour{0, 0, 0, 0};
    }
}

inline int colour_index(const uint8_t* block, int p) {
    return int((read32(block + 4) >> (2 * p)) & 3);
}

inline void decode_colour_block(const uint8_t* block, Colour out[16]) {
    Colour pal[4];
    colour_palette(block, pal);
    for (int p = 0; p < 16; ++p) out[p] = pal[colour_index(block, p)];
}

inline void decode_explicit_alpha(const uint8_t* block, int out[16]) {
    for (int p = 0; p < 16; ++p) {
        const int nibble = (block[p / 2] >> (4 * (p & 1))) & 15;
        out[p] = nibble * 17;
    }
}

inline int interp_alpha_index(const uint8_t* block, int p) {
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= uint64_t(block[2 + i]) << (8 * i);
    return int((bits >> (3 * p)) & 7);
}

inline void interp_alpha_palette(const uint8_t* block, int pal[8]) {
    const int a0 = block[0], a1 = block[1];
    pal[0] = a0;
    pal[1] = a1;
    if (a0 > a1) {
        for (int i = 2; i < 8; ++i) pal[i] = ((8 - i) * a0 + (i - 1) * a1 + 3) / 7;
    } else {
        for (int i = 2; i < 6; ++i) pal[i] = ((6 - i) * a0 + (i - 1) * a1 + 2) / 5;
        pal[6] = 0;
        pal[7] = 255;
    }
}

inline void decode_interp_alpha(const uint8_t* block, int out[16]) {
    int pal[8];
    interp_alpha_palette(block, pal);
    for (int p = 0; p < 16; ++p) out[p] = pal[interp_alpha_index(block, p)];
}

// Decodes a whole level into 0xAARRGGBB words (alpha 255 in mode 0).
inline std::vector<uint32_t> decode_level(const std::vector<uint8_t>& data, int width, int height,
                                          int mode) {
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    const size_t per_block = (mode & 0xFF00) == 0 ? 8 : 16;
    size_t block = 0;
    for (int y0 = 0; y0 < height; y0 += 4) {
        for (int x0 = 0; x0 < width; x0 += 4, ++block) {
            const uint8_t* b = data.data() + block * per_block;
            int alpha[16];
            for (int& a : alpha) a = -1;
            if (mode == BLOCK_MODE_EXPLICIT_ALPHA) decode_explicit_alpha(b, alpha);
            if (mode == BLOCK_MODE_INTERP_ALPHA) decode_interp_alpha(b, alpha);
            Colour c[16];
            decode_colour_block(b + per_block - 8, c);
            for (int p = 0; p < 16; ++p) {
                const int x = x0 + (p & 3), y = y0 + (p >> 2);
                if (x >= width || y >= height) continue;
                const int a = alpha[p] >= 0 ? alpha[p] : (mode == BLOCK_MODE_CUTOUT ? c[p].a : 255);
                pixels[size_t(x) + size_t(y) * size_t(width)] = argb(a, c[p].r, c[p].g, c[p].b);
            }
        }
    }
    return pixels;
}

// Sum over pixels of the weighted squared colour error, channels on 0..255.
inline double weighted_error(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                             const double w[3]) {
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double dr = w[0] * (red_of(a[i]) - red_of(b[i]));
        const double dg = w[1] * (green_of(a[i]) - green_of(b[i]));
        const double db = w[2] * (blue_of(a[i]) - blue_of(b[i]));
        sum += dr * dr + dg * dg + db * db;
    }
    return sum;
}

// The generator of the test pictures (the pinned outputs' inputs among them).
using Lcg = TestLcg;

// The hash the pinned outputs are kept by (64-bit FNV-1a).
inline uint64_t fnv1a(const std::vector<uint8_t>& data) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t v : data) {
        h ^= v;
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace enc_test
