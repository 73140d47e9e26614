// Conversion of a treated level into the bytes of an uncompressed format.
//
// Every field keeps the top bits of its 8-bit channel (plain truncation):
// rounding towards the smaller depth is the dithering's job, when asked for.
// 16-bit values are stored little-endian. Each converter is the `convert`
// entry of its format's row in the format table.
#include <cmath>
#include <cstring>

#include "texcomp/pipeline.h"
#include "workpool/workpool.h"

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
int64_t convert_each(const uint8_t* p, int64_t n, int32_t bpp, uint8_t* out, Fn fn) {
    for (int64_t i = 0; i < n; ++i, p += 4, out += bpp) fn(p, out);
    return n * bpp;
}

}  // namespace

int64_t convert_argb4444(const uint8_t* p, int64_t n, uint8_t* out) {
    return convert_each(p, n, 2, out, [](const uint8_t* q, uint8_t* o) {
        put16(o, (q[A] >> 4) << 12 | (q[R] >> 4) << 8 | (q[G] >> 4) << 4 | (q[B] >> 4));
    });
}

int64_t convert_argb1555(const uint8_t* p, int64_t n, uint8_t* out) {
    return convert_each(p, n, 2, out, [](const uint8_t* q, uint8_t* o) {
        put16(o, (q[A] >= 128 ? 0x8000u : 0u) | (q[R] >> 3) << 10 | (q[G] >> 3) << 5 | (q[B] >> 3));
    });
}

int64_t convert_rgb565(const uint8_t* p, int64_t n, uint8_t* out) {
    return convert_each(p, n, 2, out, [](const uint8_t* q, uint8_t* o) {
        put16(o, (q[R] >> 3) << 11 | (q[G] >> 2) << 5 | (q[B] >> 3));
    });
}

int64_t convert_copy32(const uint8_t* p, int64_t n, uint8_t* out) {
    std::memcpy(out, p, static_cast<size_t>(n * 4));
    return n * 4;
}

int64_t convert_rgb888(const uint8_t* p, int64_t n, uint8_t* out) {
    // The 24-bit files are the tool's bulk output: a tight loop of byte moves.
    for (int64_t i = 0; i < n; ++i) {
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
        p += 4;
        out += 3;
    }
    return n * 3;
}

int64_t convert_xrgb1555(const uint8_t* p, int64_t n, uint8_t* out) {
    return convert_each(p, n, 2, out, [](const uint8_t* q, uint8_t* o) {
        put16(o, (q[R] >> 3) << 10 | (q[G] >> 3) << 5 | (q[B] >> 3));
    });
}

int64_t convert_red_green(const uint8_t* p, int64_t n, uint8_t* out) {
    return convert_each(p, n, 2, out, [](const uint8_t* q, uint8_t* o) {
        o[0] = q[R];
        o[1] = q[G];
    });
}

int64_t convert_alpha8(const uint8_t* p, int64_t n, uint8_t* out) {
    return convert_each(p, n, 1, out, [](const uint8_t* q, uint8_t* o) { o[0] = q[A]; });
}

int64_t convert_a8l8(const uint8_t* p, int64_t n, uint8_t* out) {
    return convert_each(p, n, 2, out, [](const uint8_t* q, uint8_t* o) {
        o[0] = luminance(q);
        o[1] = q[A];
    });
}

int64_t convert_level(const LevelImage& level, int32_t code, uint8_t* out, WorkPool* pool) {
    const TextureFormatInfo* info = texture_format_info(code);
    if (!info || !info->convert) return -1;
    // Every converter writes a fixed number of bytes per pixel, so a band of
    // rows lands at its own offset whatever thread converts it.
    const int64_t out_pixel = info->bits_per_pixel / 8;
    const int64_t row = level.width;
    run_bands(pool, level.height, band_min_rows(level.width), [&](int64_t y0, int64_t y1) {
        info->convert(level.pixels + y0 * row * 4, (y1 - y0) * row, out + y0 * row * out_pixel);
    });
    return static_cast<int64_t>(level.width) * level.height * out_pixel;
}
