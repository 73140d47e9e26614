// Ordered dithering towards the channel depths of the 16-bit and block
// formats.
//
// A channel loses its low bits; the dropped remainder, in eighths of a step,
// picks a 4x4 pattern with that many eighths of ones, and where the pattern
// says 1 the channel goes up one step. Two phases of every pattern are
// alternated in 4x4 tiles by DitherPhase, so the patterns of neighbouring
// tiles do not line up into visible stripes.
#include "texcomp/pipeline.h"
#include "workpool/workpool.h"

const uint8_t DitherPhase[16] = {1, 0, 0, 1,  //
                                 1, 1, 0, 1,  //
                                 1, 1, 0, 0,  //
                                 0, 0, 0, 0};

const uint8_t DitherPattern[2][7][16] = {
    {
        {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0},
        {1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0},
        {1, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1},
        {1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1},
        {1, 1, 1, 0, 0, 1, 0, 1, 1, 0, 1, 1, 0, 1, 0, 1},
        {1, 1, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1, 0, 1, 0, 1},
        {1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 0, 1, 1, 1},
    },
    {
        {0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 1},
        {1, 0, 1, 0, 0, 0, 0, 1, 1, 0, 1, 0, 0, 1, 0, 0},
        {1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1},
        {1, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1, 0, 0, 1, 0, 1},
        {1, 0, 1, 0, 1, 1, 1, 1, 1, 0, 1, 0, 1, 1, 1, 1},
        {1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1},
    },
};

namespace {

uint32_t channel(uint32_t p, int k) { return (p >> (8 * k)) & 0xFF; }

// Reduces one 8-bit channel to `bits` (4, 5 or 6) with the given phase; the
// result keeps 8 bits with the low ones cleared.
uint32_t reduce(uint32_t v, int bits, int phase, int32_t column, int32_t row) {
    const uint32_t drop = 8 - bits;
    const uint32_t base = v & (0xFFu << drop) & 0xFF;
    uint32_t q = 0;
    if (bits == 5) q = v & 7;
    if (bits == 6) q = 2 * (v & 3);
    if (bits == 4) q = (v >> 1) & 7;
    const uint32_t top = (0xFFu << drop) & 0xFF;  // the largest k-bit value
    if (q == 0 || base == top) return base;
    const int pos = (row & 3) * 4 + (column & 3);
    return base + (1u << drop) * DitherPattern[phase][q - 1][pos];
}

int phase_at(int32_t column, int32_t row) {
    return DitherPhase[((row >> 2) & 3) * 4 + ((column >> 2) & 3)];
}

uint32_t pack(uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
    return b | (g << 8) | (r << 16) | (a << 24);
}

}  // namespace

uint32_t dither_565(uint32_t p, int32_t column, int32_t row) {
    const int ph = phase_at(column, row);
    return pack(
        reduce(channel(p, 0), 5, ph, column, row), reduce(channel(p, 1), 6, 1 - ph, column, row),
        reduce(channel(p, 2), 5, ph, column, row), reduce(channel(p, 3), 5, ph, column, row));
}

uint32_t dither_1555(uint32_t p, int32_t column, int32_t row) {
    const int ph = phase_at(column, row);
    return pack(reduce(channel(p, 0), 5, ph, column, row),
                reduce(channel(p, 1), 5, ph, column, row),
                reduce(channel(p, 2), 5, ph, column, row), channel(p, 3) & 0x80);
}

uint32_t dither_555(uint32_t p, int32_t column, int32_t row) {
    const int ph = phase_at(column, row);
    return pack(reduce(channel(p, 0), 5, ph, column, row),
                reduce(channel(p, 1), 5, 1 - ph, column, row),
                reduce(channel(p, 2), 5, ph, column, row), 0);
}

uint32_t dither_4444(uint32_t p, int32_t column, int32_t row) {
    const int ph = 1 - phase_at(column, row);
    return pack(reduce(channel(p, 0), 4, ph, column, row),
                reduce(channel(p, 1), 4, ph, column, row),
                reduce(channel(p, 2), 4, ph, column, row), channel(p, 3));
}

uint32_t dither_pixel(const TextureCompressor& tc, int32_t code, uint32_t pixel, int32_t column,
                      int32_t row) {
    // Alpha counts only when the picture brought one.
    const uint32_t a = tc.image.planes == 4 ? (pixel >> 24) : 255u;
    const uint32_t p = (pixel & 0x00FFFFFFu) | (a << 24);
    const TextureFormatInfo* f = texture_format_info(code);
    switch (f ? f->dither : TextureDither::None) {
        case TextureDither::Rgb565:
            return dither_565(p, column, row);
        case TextureDither::Argb4444:
            return dither_4444(p, column, row);
        case TextureDither::Argb1555:
            return dither_1555(p, column, row);
        case TextureDither::Xrgb1555:
            return dither_555(p, column, row);
        case TextureDither::None:
            break;
    }
    return p;
}

namespace {
// Rows y0 .. y1 - 1 of the level.
void dither_rows(LevelImage& level, const TextureCompressor& tc, int32_t code, int32_t y0,
                 int32_t y1) {
    uint8_t* p = level.pixels + static_cast<int64_t>(y0) * level.width * 4;
    for (int32_t y = y0; y < y1; ++y) {
        for (int32_t x = 0; x < level.width; ++x, p += 4) {
            const uint32_t word = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                  (static_cast<uint32_t>(p[2]) << 16) |
                                  (static_cast<uint32_t>(p[3]) << 24);
            const uint32_t out = dither_pixel(tc, code, word, x, y);
            p[0] = static_cast<uint8_t>(out);
            p[1] = static_cast<uint8_t>(out >> 8);
            p[2] = static_cast<uint8_t>(out >> 16);
            p[3] = static_cast<uint8_t>(out >> 24);
        }
    }
}
}  // namespace

void dither_level(LevelImage& level, const TextureCompressor& tc, int32_t code) {
    // Each pixel depends on its own value and place alone.
    run_bands(tc.pool, level.height, band_min_rows(level.width), [&](int64_t y0, int64_t y1) {
        dither_rows(level, tc, code, static_cast<int32_t>(y0), static_cast<int32_t>(y1));
    });
}
