// The generated mip chain: made from level 0, filters and override, edges,
// binary alpha, constant pictures.
#include <gtest/gtest.h>

#include <cstring>

#include "texcomp_test_util.h"

namespace {

// Every level of a code 7 chain (4 bytes per pixel: the working level itself).
std::vector<LevelRecord> chain_of(const std::vector<uint8_t>& pic, int32_t w, int32_t h,
                                  int32_t planes, TextureSettings s) {
    LevelCapture levels;
    s.g_texture_format = 7;
    s.user = &levels;
    EXPECT_EQ(
        compress_texture(pic.data(), w, h, w * planes, s, planes, &LevelCapture::callback, nullptr),
        0);
    return levels.levels;
}

// Reference reduction through the resampler exactly as its callers are meant
// to use it: bound source, allocated destination, copy out, release.
std::vector<uint8_t> reduce(const std::vector<uint8_t>& src, int32_t sw, int32_t sh, int32_t dw,
                            int32_t dh, ZoomFilter filter) {
    MemoryPicture source;
    source.bind(const_cast<uint8_t*>(src.data()), sw, sh, sw * 4, 4);
    MemoryPicture dest;
    dest.allocate(dw, dh, 4);
    ZoomWindow swin{};
    swin.x0 = swin.x1 = ZOOM_UNSET;
    picture_get_window(&source, &swin);
    ZoomWindow dwin{0, 0, 0, 0, dw, dh};
    window_set_corner(dwin);
    ZoomOptions o{0, 0, 1, ZOOM_UNSET, 1};
    ZoomFilter xf = filter, yf = filter;
    zoom_opt(o, &source, swin, &dest, dwin, xf, yf, 0, 0);
    std::vector<uint8_t> out(dest.pixels, dest.pixels + static_cast<size_t>(dw) * dh * 4);
    dest.release();
    return out;
}

}  // namespace

TEST(MipChain, EveryLevelComesFromLevelZero) {
    const auto pic = pattern_picture(64, 64, 4, 3);
    TextureSettings s;
    texture_settings_init(s);
    const auto levels = chain_of(pic, 64, 64, 4, s);
    ASSERT_EQ(levels.size(), 7u);
    EXPECT_EQ(levels[0].bytes, pic);
    const ZoomFilter triangle = filter_at(2);
    EXPECT_EQ(levels[1].bytes, reduce(pic, 64, 64, 32, 32, triangle));
    EXPECT_EQ(levels[2].bytes, reduce(pic, 64, 64, 16, 16, triangle));
    // Reducing level 1 instead would give something else on this picture.
    EXPECT_NE(levels[2].bytes, reduce(levels[1].bytes, 32, 32, 16, 16, triangle));
}

TEST(MipChain, TriangleHalvingTaps) {
    // A single bright column: an interior output pixel next to it draws on
    // source columns 2k-1 .. 2k+2 with weights 1/8, 3/8, 3/8, 1/8.
    std::vector<uint8_t> pic(32 * 8 * 3, 0);
    for (int y = 0; y < 8; ++y)
        for (int c = 0; c < 3; ++c) pic[(y * 32 + 10) * 3 + c] = 160;
    TextureSettings s;
    texture_settings_init(s);
    s.g_specified_mip_maps = 2;
    const auto levels = chain_of(pic, 32, 8, 3, s);
    ASSERT_EQ(levels.size(), 2u);
    const std::vector<uint8_t>& l1 = levels[1].bytes;  // 16 x 4
    auto at = [&](int x, int y) { return static_cast<int>(l1[(y * 16 + x) * 4]); };
    // Column 10 is 2k + 2 for k = 4 (weight 1/8 -> 20) and 2k for k = 5
    // (weight 3/8 -> 60); other outputs do not reach it.
    for (int y = 0; y < 4; ++y) {
        EXPECT_NEAR(at(4, y), 20, 1);
        EXPECT_NEAR(at(5, y), 60, 1);
        EXPECT_EQ(at(3, y), 0);
        EXPECT_EQ(at(6, y), 0);
    }
}

TEST(MipChain, ConstantPictureStaysConstantWithEveryFilter) {
    const std::vector<uint8_t> px = {17, 130, 244, 99};
    const auto pic = constant_picture(37, 23, px);
    for (int32_t filter = 0; filter < ZOOM_FILTER_COUNT; ++filter) {
        TextureSettings s;
        texture_settings_init(s);
        s.g_mip_filter_type = filter;
        const auto levels = chain_of(pic, 37, 23, 4, s);
        ASSERT_EQ(levels.size(), 7u) << filter;  // 37 -> 19 -> 10 -> 5 -> 3 -> 2 -> 1
        for (const LevelRecord& l : levels)
            for (size_t i = 0; i < l.bytes.size(); ++i)
                ASSERT_EQ(l.bytes[i], px[i % 4]) << "filter " << filter << " level " << l.level;
    }
}

TEST(MipChain, OverrideWidthAndBlur) {
    const auto pic = pattern_picture(64, 64, 4, 5);
    TextureSettings s;
    texture_settings_init(s);
    const auto plain = chain_of(pic, 64, 64, 4, s);
    s.g_override_filter_width = 1;  // width 10, blur 1: the defaults
    const auto wide = chain_of(pic, 64, 64, 4, s);
    ZoomFilter triangle = filter_at(2);
    triangle.support = 10.0;
    triangle.blur = 1.0;
    EXPECT_EQ(wide[1].bytes, reduce(pic, 64, 64, 32, 32, triangle));
    EXPECT_EQ(wide[3].bytes, reduce(pic, 64, 64, 8, 8, triangle));
    // The triangle is zero beyond its own support: a wider window alone adds
    // only zero taps.
    for (size_t j = 0; j < wide.size(); ++j) EXPECT_EQ(wide[j].bytes, plain[j].bytes) << j;
    // A blur of 2 stretches the kernel over twice as many source pixels.
    s.g_filter_blur = 2.0f;
    const auto blurred = chain_of(pic, 64, 64, 4, s);
    triangle.blur = 2.0;
    EXPECT_EQ(blurred[1].bytes, reduce(pic, 64, 64, 32, 32, triangle));
    EXPECT_NE(blurred[1].bytes, plain[1].bytes);
    // Negative values keep the filter's own support and blur.
    s.g_filter_width = -1.0f;
    s.g_filter_blur = -1.0f;
    const auto own = chain_of(pic, 64, 64, 4, s);
    for (size_t j = 0; j < own.size(); ++j) EXPECT_EQ(own[j].bytes, plain[j].bytes) << j;
}

TEST(MipChain, EdgesOnEveryLevel) {
    const std::vector<uint8_t> px = {50, 60, 70, 200};
    const auto pic = constant_picture(16, 16, px);
    TextureSettings s;
    texture_settings_init(s);
    s.g_b_alpha_border = 1;
    s.g_b_border = 1;
    s.g_border_color = 0x00010203;
    const auto levels = chain_of(pic, 16, 16, 4, s);
    ASSERT_EQ(levels.size(), 5u);
    for (const LevelRecord& l : levels) {
        for (int32_t y = 0; y < l.height; ++y)
            for (int32_t x = 0; x < l.width; ++x) {
                const uint8_t* p = &l.bytes[(y * l.width + x) * 4];
                const bool edge = x == 0 || y == 0 || x == l.width - 1 || y == l.height - 1;
                if (edge) {
                    EXPECT_EQ(p[0], 3);
                    EXPECT_EQ(p[1], 2);
                    EXPECT_EQ(p[2], 1);
                    EXPECT_EQ(p[3], 0);
                } else if (l.level == 0) {
                    EXPECT_EQ(p[3], 200);
                }
            }
    }
}

TEST(MipChain, BinaryAlphaAfterResampling) {
    // Alpha columns 0 and 255 blend to in-between values in the smaller
    // levels; with binary alpha every level keeps only 0 and 255.
    std::vector<uint8_t> pic(32 * 32 * 4);
    for (int i = 0; i < 32 * 32; ++i) {
        pic[4 * i] = pic[4 * i + 1] = pic[4 * i + 2] = 90;
        pic[4 * i + 3] = ((i % 32) / 3) % 2 ? 255 : 0;
    }
    TextureSettings s;
    texture_settings_init(s);
    const auto blended = chain_of(pic, 32, 32, 4, s);
    bool in_between = false;
    for (const LevelRecord& l : blended)
        for (size_t i = 3; i < l.bytes.size(); i += 4)
            in_between |= l.bytes[i] != 0 && l.bytes[i] != 255;
    EXPECT_TRUE(in_between);
    s.g_b_binary_alpha = 1;
    for (const LevelRecord& l : chain_of(pic, 32, 32, 4, s))
        for (size_t i = 3; i < l.bytes.size(); i += 4)
            ASSERT_TRUE(l.bytes[i] == 0 || l.bytes[i] == 255) << "level " << l.level;

    TestLevel level(4, 1, {0x7F000000u, 0x80000000u, 0x00000000u, 0xFF000000u});
    apply_binary_alpha(level.level, 128);
    EXPECT_EQ(level.word(0), 0x00000000u);
    EXPECT_EQ(level.word(1), 0xFF000000u);
    EXPECT_EQ(level.word(2), 0x00000000u);
    EXPECT_EQ(level.word(3), 0xFF000000u);
}
