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

// Volume settings of one format, the stream captured in `cap`.
struct VolumeTest : ::testing::Test {
    Capture cap;
    TextureSettings s = settings_for(8, &cap);
    void SetUp() override { s.g_texturemap_type = 2; }

    // The slices of d x d of slices_picture as one texture.
    int32_t compress_slices(int32_t d, const std::vector<uint8_t>& values,
                            LevelCallback callback = nullptr) {
        const auto pic = slices_picture(d, values);
        const int32_t w = d * static_cast<int32_t>(values.size());
        return compress_texture(pic.data(), w, d, w * 3, s, 3, callback, nullptr);
    }
};

}  // namespace

TEST_F(VolumeTest, SixtyFourBySixteen) {
    EXPECT_EQ(compress_slices(16, {10, 30, 100, 200}), 0);
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
    EXPECT_EQ(compress_slices(16, {10, 30, 100, 200}, &LevelCapture::callback), 0);
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

TEST_F(VolumeTest, SpecifiedMipMapsLimitTheRuns) {
    s.g_specified_mip_maps = 2;
    EXPECT_EQ(compress_slices(16, {10, 30, 100, 200}), 0);
    EXPECT_EQ(cap.header_word(24), 2u);
    EXPECT_EQ(cap.level_sizes(), (std::vector<size_t>{768, 768, 768, 768, 192, 192}));
}

TEST_F(VolumeTest, DeeperThanWideCountsTheDepth) {
    // 8 slices of 2 x 2: the sides reach 1 after one level, the depth after three.
    EXPECT_EQ(compress_slices(2, {1, 2, 3, 4, 5, 6, 7, 8}), 0);
    EXPECT_EQ(cap.header_word(24), 4u);
    EXPECT_EQ(cap.level_sizes().size(), 8u + 4u + 2u + 1u);
}

TEST_F(VolumeTest, BlockFormatVolume) {
    s.g_texture_format = 3;
    s.g_b_quick_compress = 1;
    EXPECT_EQ(compress_slices(8, {0, 80, 160, 240}), 0);
    EXPECT_EQ(cap.header_word(80), 0x35545844u);
    EXPECT_EQ(cap.header_word(20), 4u);
    EXPECT_EQ(cap.level_sizes(), (std::vector<size_t>{64, 64, 64, 64, 16, 16, 16, 16}));
}

TEST_F(VolumeTest, RefusedShapesEmitNothing) {
    EXPECT_EQ(compress_slices(16, {1, 2, 3}), TEXCOMP_REFUSED);
    const auto narrow = pattern_picture(8, 16, 3);  // no whole slice
    EXPECT_EQ(compress_texture(narrow.data(), 8, 16, 8 * 3, s, 3, nullptr, nullptr),
              TEXCOMP_REFUSED);
    s.g_texture_format = 10;
    EXPECT_EQ(compress_slices(16, {1, 2, 3, 4}), TEXCOMP_REFUSED);
    s.g_texture_format = 0;  // block format on slices that are not powers of two
    EXPECT_EQ(compress_slices(12, {1, 2}), -3);
    EXPECT_TRUE(cap.runs.empty());
}
