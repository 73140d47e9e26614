// Volume textures: slice runs per level, pairing of slices, refusals.
#include <gtest/gtest.h>

#include "texcomp_test_util.h"

namespace {

// n slices of d x d side by side, slice i of constant grey values[i].
std::vector<uint8_t> slices_picture(int32_t d, const std::vector<uint8_t>& values) {
    const int32_t w = d * static_cast<int32_t>(values.size());
    std::vector<uint8_t> pic(static_cast<size_t>(w) * d * 3);
    for (int32_t y = 0; y < d; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) pic[(y * w + x) * 3 + c] = values[x / d];
    return pic;
}

}  // namespace

TEST(Volume, SixtyFourBySixteen) {
    const auto pic = slices_picture(16, {10, 30, 100, 200});
    CaptureBinding bind;
    Capture cap;
    TextureSettings s = settings_for(8, &cap);
    s.g_texturemap_type = 2;
    EXPECT_EQ(compress_texture(pic.data(), 64, 16, 64 * 3, s, 3, nullptr, nullptr), 0);
    EXPECT_EQ(cap.header_word(4), 0x000A1007u | 0x00800000u);
    EXPECT_EQ(cap.header_word(8), 16u);
    EXPECT_EQ(cap.header_word(12), 16u);
    EXPECT_EQ(cap.header_word(16), 16u * 16u * 3u);
    EXPECT_EQ(cap.header_word(20), 4u);
    EXPECT_EQ(cap.header_word(24), 5u);
    EXPECT_EQ(cap.header_word(108), 0x00200000u);
    const std::vector<size_t> expect = {768, 768, 768, 768, 192, 192, 48, 12, 3};
    EXPECT_EQ(cap.level_sizes(), expect);

    // Slices of one level are the byte averages of neighbouring pairs.
    LevelCapture levels;
    s.user = &levels;
    EXPECT_EQ(compress_texture(pic.data(), 64, 16, 64 * 3, s, 3, &LevelCapture::callback, nullptr),
              0);
    ASSERT_EQ(levels.levels.size(), 9u);
    const int32_t expect_level[9] = {0, 0, 0, 0, 1, 1, 2, 3, 4};
    const uint8_t expect_grey[9] = {10, 30, 100, 200, 20, 150, 85, 85, 85};
    for (size_t i = 0; i < 9; ++i) {
        const LevelRecord& l = levels.levels[i];
        EXPECT_EQ(l.level, expect_level[i]) << i;
        ASSERT_FALSE(l.bytes.empty());
        for (uint8_t b : l.bytes) ASSERT_EQ(b, expect_grey[i]) << i;
    }
}

TEST(Volume, SpecifiedMipMapsLimitTheRuns) {
    const auto pic = slices_picture(16, {10, 30, 100, 200});
    CaptureBinding bind;
    Capture cap;
    TextureSettings s = settings_for(8, &cap);
    s.g_texturemap_type = 2;
    s.g_specified_mip_maps = 2;
    EXPECT_EQ(compress_texture(pic.data(), 64, 16, 64 * 3, s, 3, nullptr, nullptr), 0);
    EXPECT_EQ(cap.header_word(24), 2u);
    EXPECT_EQ(cap.level_sizes(), (std::vector<size_t>{768, 768, 768, 768, 192, 192}));
}

TEST(Volume, DeeperThanWideCountsTheDepth) {
    // 8 slices of 2 x 2: the sides reach 1 after one level, the depth after three.
    const auto pic = slices_picture(2, {1, 2, 3, 4, 5, 6, 7, 8});
    CaptureBinding bind;
    Capture cap;
    TextureSettings s = settings_for(8, &cap);
    s.g_texturemap_type = 2;
    EXPECT_EQ(compress_texture(pic.data(), 16, 2, 16 * 3, s, 3, nullptr, nullptr), 0);
    EXPECT_EQ(cap.header_word(24), 4u);
    EXPECT_EQ(cap.level_sizes().size(), 8u + 4u + 2u + 1u);
}

TEST(Volume, BlockFormatVolume) {
    const auto pic = slices_picture(8, {0, 80, 160, 240});
    CaptureBinding bind;
    Capture cap;
    TextureSettings s = settings_for(3, &cap);
    s.g_texturemap_type = 2;
    s.g_b_quick_compress = 1;
    EXPECT_EQ(compress_texture(pic.data(), 32, 8, 32 * 3, s, 3, nullptr, nullptr), 0);
    EXPECT_EQ(cap.header_word(80), 0x35545844u);
    EXPECT_EQ(cap.header_word(20), 4u);
    EXPECT_EQ(cap.level_sizes(), (std::vector<size_t>{64, 64, 64, 64, 16, 16, 16, 16}));
}

TEST(Volume, RefusedShapesEmitNothing) {
    CaptureBinding bind;
    Capture cap;
    TextureSettings s = settings_for(8, &cap);
    s.g_texturemap_type = 2;
    const auto three = slices_picture(16, {1, 2, 3});
    EXPECT_EQ(compress_texture(three.data(), 48, 16, 48 * 3, s, 3, nullptr, nullptr),
              TEXCOMP_REFUSED);
    const auto narrow = pattern_picture(8, 16, 3);  // no whole slice
    EXPECT_EQ(compress_texture(narrow.data(), 8, 16, 8 * 3, s, 3, nullptr, nullptr),
              TEXCOMP_REFUSED);
    const auto four = slices_picture(16, {1, 2, 3, 4});
    s.g_texture_format = 10;
    EXPECT_EQ(compress_texture(four.data(), 64, 16, 64 * 3, s, 3, nullptr, nullptr),
              TEXCOMP_REFUSED);
    s.g_texture_format = 0;  // block format on slices that are not powers of two
    const auto odd = slices_picture(12, {1, 2});
    EXPECT_EQ(compress_texture(odd.data(), 24, 12, 24 * 3, s, 3, nullptr, nullptr), -3);
    EXPECT_TRUE(cap.runs.empty());
}
