// Conversion of a treated level into the bytes of an uncompressed format.
//
// Every field keeps the top bits of its 8-bit channel (plain truncation):
// rounding towards the smaller depth is the dithering's job, when asked for.
// 16-bit values are stored little-endian.
#include <cmath>
#include <cstring>

#include "texcomp/pipeline.h"

namespace {

// Level bytes: 0 blue, 1 green, 2 red, 3 alpha.
enum { B = 0, G = 1, R = 2, A = 3 };

inline void put16(uint8_t* out, uint32_t v) {
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
}

uint8_t luminance(const uint8_t* p) {
    // Red and green only: the weights add up to 1 without blue.
    const double l = (p[R] / 255.0 * 0.299 + p[G] / 255.0 * 0.701) * 255.0 + 0.5;
    const double t = std::trunc(l);
    if (t < 0.0) return 0;
    if (t > 255.0) return 255;
    return static_cast<uint8_t>(t);
}

// Applies `fn(pixel, out)` to every pixel, `bpp` output bytes per pixel.
template <typename Fn>
int64_t convert_each(const LevelImage& level, int32_t bpp, uint8_t* out, Fn fn) {
    const int64_t n = static_cast<int64_t>(level.width) * level.height;
    const uint8_t* p = level.pixels;
    for (int64_t i = 0; i < n; ++i, p += 4, out += bpp) fn(p, out);
    return n * bpp;
}

int64_t convert_24(const LevelImage& level, uint8_t* out) {
    // The 24-bit files are the tool's bulk output: a tight loop of byte moves.
    const int64_t n = static_cast<int64_t>(level.width) * level.height;
    const uint8_t* p = level.pixels;
    for (int64_t i = 0; i < n; ++i) {
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
        p += 4;
        out += 3;
    }
    return n * 3;
}

}  // namespace

int64_t convert_level(const LevelImage& level, int32_t code, uint8_t* out) {
    switch (code) {
        case 4:
            return convert_each(level, 2, out, [](const uint8_t* p, uint8_t* o) {
                put16(o, (p[A] >> 4) << 12 | (p[R] >> 4) << 8 | (p[G] >> 4) << 4 | (p[B] >> 4));
            });
        case 5:
            return convert_each(level, 2, out, [](const uint8_t* p, uint8_t* o) {
                put16(o, (p[A] >= 128 ? 0x8000u : 0u) | (p[R] >> 3) << 10 | (p[G] >> 3) << 5 |
                             (p[B] >> 3));
            });
        case 6:
            return convert_each(level, 2, out, [](const uint8_t* p, uint8_t* o) {
                put16(o, (p[R] >> 3) << 11 | (p[G] >> 2) << 5 | (p[B] >> 3));
            });
        case 7:
        case 15: {
            const int64_t n = static_cast<int64_t>(level.width) * level.height * 4;
            std::memcpy(out, level.pixels, static_cast<size_t>(n));
            return n;
        }
        case 8:
            return convert_24(level, out);
        case 9:
            return convert_each(level, 2, out, [](const uint8_t* p, uint8_t* o) {
                put16(o, (p[R] >> 3) << 10 | (p[G] >> 3) << 5 | (p[B] >> 3));
            });
        case 11:
        case 12:
            return convert_each(level, 2, out, [](const uint8_t* p, uint8_t* o) {
                o[0] = p[R];
                o[1] = p[G];
            });
        case 13:
            return convert_each(level, 1, out, [](const uint8_t* p, uint8_t* o) { o[0] = p[A]; });
        case 16:
            return convert_each(level, 2, out, [](const uint8_t* p, uint8_t* o) {
                o[0] = luminance(p);
                o[1] = p[A];
            });
        default:
            return -1;
    }
}
