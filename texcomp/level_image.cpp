// The working level: creation, intake from the picture, edge and binary-alpha
// treatments.
#include <cstring>
#include <new>

#include "texcomp/pipeline.h"

namespace {

// A level is never smaller than one 4x4 block in memory: the block encoder's
// neighbourhood variant looks at a whole block even on the 1x1 level.
constexpr int64_t MIN_CAPACITY = 16;

template <typename Fn>
void for_each_edge_pixel(LevelImage& level, Fn fn) {
    const int32_t w = level.width, h = level.height;
    if (w < 1 || h < 1) return;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = level.pixels + static_cast<int64_t>(y) * w * 4;
        if (y == 0 || y == h - 1) {
            for (int32_t x = 0; x < w; ++x) fn(row + 4 * x);
        } else {
            fn(row);
            if (w > 1) fn(row + 4 * (w - 1));
        }
    }
}

}  // namespace

bool make_work_level(WorkLevel& out, int32_t width, int32_t height) {
    out = WorkLevel();
    if (width < 0 || height < 0) return false;
    int64_t capacity = static_cast<int64_t>(width) * height;
    if (capacity < MIN_CAPACITY) capacity = MIN_CAPACITY;
    try {
        out.bytes.assign(static_cast<size_t>(capacity) * 4, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    out.level = LevelImage{width, height, capacity, out.bytes.data()};
    return true;
}

void take_level(LevelImage& level, const TextureCompressor& tc, int32_t width, int32_t height,
                int64_t offset) {
    const TextureSettings& s = tc.settings;
    const ImageDesc& img = tc.image;
    const int32_t planes = img.planes;
    const uint8_t border[3] = {static_cast<uint8_t>(s.g_border_color),
                               static_cast<uint8_t>(s.g_border_color >> 8),
                               static_cast<uint8_t>(s.g_border_color >> 16)};
    level.width = width;
    level.height = height;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = img.level_pixels + offset + static_cast<int64_t>(y) * img.pitch;
        uint8_t* dst = level.pixels + static_cast<int64_t>(y) * width * 4;
        const bool edge_row = (y == 0 || y == height - 1);
        for (int32_t x = 0; x < width; ++x, src += planes, dst += 4) {
            // The steps run in this order for every pixel; the exchange comes
            // last, so a border colour is exchanged along with the rest.
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            dst[3] = planes == 4 ? src[3] : 255;
            const bool edge = edge_row || x == 0 || x == width - 1;
            if (edge && s.g_b_alpha_border) dst[3] = 0;
            if (edge && s.g_b_border) std::memcpy(dst, border, 3);
            if (s.g_b_binary_alpha) dst[3] = dst[3] < s.g_binary_alpha_threshold ? 0 : 255;
            if (s.g_b_swap_rgb) {
                const uint8_t t = dst[0];
                dst[0] = dst[2];
                dst[2] = t;
            }
        }
    }
}

void apply_edges(LevelImage& level, const TextureSettings& s) {
    if (s.g_b_alpha_border) for_each_edge_pixel(level, [](uint8_t* p) { p[3] = 0; });
    if (s.g_b_border) {
        const uint8_t border[3] = {static_cast<uint8_t>(s.g_border_color),
                                   static_cast<uint8_t>(s.g_border_color >> 8),
                                   static_cast<uint8_t>(s.g_border_color >> 16)};
        for_each_edge_pixel(level, [&border](uint8_t* p) { std::memcpy(p, border, 3); });
    }
}

void apply_binary_alpha(LevelImage& level, int32_t threshold) {
    const int64_t n = static_cast<int64_t>(level.width) * level.height;
    uint8_t* p = level.pixels;
    for (int64_t i = 0; i < n; ++i, p += 4) p[3] = p[3] < threshold ? 0 : 255;
}
