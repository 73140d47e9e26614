// Fading of the smaller levels and the renormalisation of normal-map levels.
//
// A fading factor outside 0..1 (an amount above 100 or below 0) would push a
// blend outside the byte range; the blended values are clamped to 0..255 so
// they saturate instead of wrapping around.
#include <cmath>

#include "texcomp/pipeline.h"

namespace {

// 2/255 in double, the scale from a byte to [-1, 1].
constexpr double BYTE_TO_UNIT = 0.00784313725490196;

uint8_t clamp_byte(double v) {
    // Truncation toward zero first, then the clamp.
    const double t = std::trunc(v);
    if (!(t > 0.0)) return 0;  // NaN included
    if (t > 255.0) return 255;
    return static_cast<uint8_t>(t);
}

uint8_t clamp_byte(float v) { return clamp_byte(static_cast<double>(v)); }

// Stores a normal (x, y, z in [-1, 1]) as bytes 2, 1, 0, normalised first
// when it has a length.
void store_normal(uint8_t* p, double x, double y, double z) {
    const double s = x * x + y * y + z * z;
    if (std::fabs(s) > 1e-12) {
        const double len = std::sqrt(s);
        x = x / len;
        y = y / len;
        z = z / len;
    }
    p[2] = clamp_byte((x + 1.0) * 127.5 + 0.5);
    p[1] = clamp_byte((y + 1.0) * 127.5 + 0.5);
    p[0] = clamp_byte((z + 1.0) * 127.5 + 0.5);
}

bool has_colour(const uint8_t* p) { return p[0] != 0 || p[1] != 0 || p[2] != 0; }

void fade_normals(LevelImage& level, float f, float k) {
    const int64_t n = static_cast<int64_t>(level.width) * level.height;
    uint8_t* p = level.pixels;
    for (int64_t i = 0; i < n; ++i, p += 4) {
        if (!has_colour(p)) continue;
        // The normal leans towards +z as it fades: x and y shrink with f,
        // z takes the rest k.
        const double x = (p[2] * BYTE_TO_UNIT - 1.0) * f;
        const double y = (p[1] * BYTE_TO_UNIT - 1.0) * f;
        const double z = (p[0] * BYTE_TO_UNIT - 1.0) * k;
        store_normal(p, x, y, z);
    }
}

void fade_two_channel(LevelImage& level, float f) {
    // V8u8 holds signed-looking channels in red and green: they fade
    // towards 0 (about v x f) rather than towards a colour.
    const int64_t n = static_cast<int64_t>(level.width) * level.height;
    uint8_t* p = level.pixels;
    for (int64_t i = 0; i < n; ++i, p += 4) {
        p[2] = clamp_byte(static_cast<float>(p[2]) * 0.007843138f * f * 127.5f + 0.5f);
        p[1] = clamp_byte(static_cast<float>(p[1]) * 0.007843138f * f * 127.5f + 0.5f);
    }
}

void fade_colour(LevelImage& level, int32_t to_colour, float f, float k) {
    const float t[3] = {static_cast<float>(to_colour & 0xFF),
                        static_cast<float>((to_colour >> 8) & 0xFF),
                        static_cast<float>((to_colour >> 16) & 0xFF)};
    const int64_t n = static_cast<int64_t>(level.width) * level.height;
    uint8_t* p = level.pixels;
    for (int64_t i = 0; i < n; ++i, p += 4) {
        for (int c = 0; c < 3; ++c)
            p[c] = clamp_byte(static_cast<float>(p[c]) * f + t[c] * k + 0.5f);
    }
}

void fade_alpha(LevelImage& level, int32_t to_alpha, float f, float k) {
    const float t = static_cast<float>(to_alpha);
    const int64_t n = static_cast<int64_t>(level.width) * level.height;
    uint8_t* p = level.pixels;
    for (int64_t i = 0; i < n; ++i, p += 4)
        p[3] = clamp_byte(t * k + static_cast<float>(p[3]) * f + 0.5f);
}

bool fades_to_zero(int32_t code) {
    const TextureFormatInfo* f = texture_format_info(code);
    return f && f->fades_to_zero;
}

}  // namespace

bool is_normal_map(const TextureCompressor& tc) {
    return tc.settings.g_b_normalmaptype != static_cast<int32_t>(NormalMapWeights::None) ||
           tc.normal_map_conversion != 0;
}

void fade_level(LevelImage& level, const TextureCompressor& tc, int32_t code, float f, float k) {
    const TextureSettings& s = tc.settings;
    if (s.g_b_fade_color) {
        if (is_normal_map(tc))
            fade_normals(level, f, k);
        else if (fades_to_zero(code))
            fade_two_channel(level, f);
        else
            fade_colour(level, s.g_fade_to_color, f, k);
    }
    if (s.g_b_fade_alpha) fade_alpha(level, s.g_fade_to_alpha, f, k);
}

void renormalise_level(LevelImage& level) {
    const int64_t n = static_cast<int64_t>(level.width) * level.height;
    uint8_t* p = level.pixels;
    for (int64_t i = 0; i < n; ++i, p += 4) {
        if (!has_colour(p)) continue;
        store_normal(p, p[2] * BYTE_TO_UNIT - 1.0, p[1] * BYTE_TO_UNIT - 1.0,
                     p[0] * BYTE_TO_UNIT - 1.0);
    }
}
