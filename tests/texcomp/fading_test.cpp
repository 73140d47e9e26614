// Fading of the smaller levels, format 11 and normal-map levels, and the
// renormalisation of normal maps.
#include <gtest/gtest.h>

#include <cmath>

#include "texcomp_test_util.h"

namespace {

std::vector<LevelRecord> chain_of(const std::vector<uint8_t>& pic, int32_t w, int32_t h,
                                  TextureSettings s) {
    LevelCapture levels;
    s.g_texture_format = 7;
    s.user = &levels;
    EXPECT_EQ(compress_texture(pic.data(), w, h, w * 4, s, 4, &LevelCapture::callback, nullptr), 0);
    return levels.levels;
}

// The blend of one byte with factor f towards t, in single precision.
int blend(int v, int t, float f) {
    const float k = 1.0f - f;
    return static_cast<int>(static_cast<float>(v) * f + static_cast<float>(t) * k + 0.5f);
}

void expect_level_colour(const LevelRecord& l, int b, int g, int r, int a) {
    for (size_t i = 0; i < l.bytes.size(); i += 4) {
        ASSERT_EQ(l.bytes[i], b) << "level " << l.level;
        ASSERT_EQ(l.bytes[i + 1], g) << "level " << l.level;
        ASSERT_EQ(l.bytes[i + 2], r) << "level " << l.level;
        ASSERT_EQ(l.bytes[i + 3], a) << "level " << l.level;
    }
}

}  // namespace

TEST(Fading, DelayTwoAmountTen) {
    const auto pic = constant_picture(32, 32, {200, 100, 50, 240});
    TextureSettings s;
    texture_settings_init(s);
    s.g_b_fade_color = 1;
    s.g_b_fade_alpha = 1;
    s.g_fade_to_color = 0x00102030;  // bytes 0x30, 0x20, 0x10
    s.g_fade_to_alpha = 16;
    s.g_fade_to_delay = 2;
    s.g_fade_amount = 10;
    const auto levels = chain_of(pic, 32, 32, s);
    ASSERT_EQ(levels.size(), 6u);
    expect_level_colour(levels[0], 200, 100, 50, 240);
    expect_level_colour(levels[1], 200, 100, 50, 240);
    // Levels 2, 3, 4, 5 blend with 0.9, 0.81, 0.729, 0.6561.
    float f = 1.0f - 10 * 0.01f;
    for (size_t j = 2; j < levels.size(); ++j) {
        SCOPED_TRACE(j);
        expect_level_colour(levels[j], blend(200, 0x30, f), blend(100, 0x20, f), blend(50, 0x10, f),
                            blend(240, 16, f));
        f = f * (1.0f - 10 * 0.01f);
    }
    EXPECT_EQ(blend(200, 0x30, 0.9f), 185);  // 180 + 4.8 + 0.5
}

TEST(Fading, AmountHundredReachesTheTargetAtOnce) {
    const auto pic = constant_picture(16, 8, {200, 100, 50, 255});
    TextureSettings s;
    texture_settings_init(s);
    s.g_b_fade_color = 1;
    s.g_fade_to_color = 0x00ABCDEF;
    s.g_fade_amount = 100;
    const auto levels = chain_of(pic, 16, 8, s);
    expect_level_colour(levels[0], 200, 100, 50, 255);
    for (size_t j = 1; j < levels.size(); ++j)
        expect_level_colour(levels[j], 0xEF, 0xCD, 0xAB, 255);
}

TEST(Fading, FactorsOutsideTheUnitRangeSaturate) {
    TextureCompressor tc;
    texture_settings_init(tc.settings);
    tc.settings.g_b_fade_color = 1;
    tc.settings.g_b_fade_alpha = 1;
    tc.settings.g_fade_to_color = 0x00FFFFFF;
    tc.settings.g_fade_to_alpha = 0;
    TestLevel up(1, 1, {0xC8C8C8C8u});
    fade_level(up.level, tc, 7, 1.5f, -0.5f);  // colour 300 - 127.5 + 0.5; alpha 300.5 -> 255
    EXPECT_EQ(up.word(0), 0xFFADADADu);
    tc.settings.g_fade_to_color = 0;
    tc.settings.g_fade_to_alpha = 255;
    TestLevel down(1, 1, {0xC8C8C8C8u});
    fade_level(down.level, tc, 7, -0.5f, 1.5f);  // colour -100 -> 0; alpha 382.5 - 100 -> 255
    EXPECT_EQ(down.word(0), 0xFF000000u);
    TestLevel far(1, 1, {0xC8C8C8C8u});
    tc.settings.g_fade_to_color = 0x00FFFFFF;
    fade_level(far.level, tc, 7, -2.0f, 3.0f);  // -400 + 765 = 365 -> 255
    EXPECT_EQ(far.word(0) & 0x00FFFFFFu, 0x00FFFFFFu);
}

TEST(Fading, TwoChannelFormatScalesRedAndGreen) {
    TextureCompressor tc;
    texture_settings_init(tc.settings);
    tc.settings.g_b_fade_color = 1;
    tc.settings.g_fade_to_color = 0x00FFFFFF;  // not used by format 11
    TestLevel level(1, 1, {0x7BC86432u});      // A 0x7B, R 200, G 100, B 50
    fade_level(level.level, tc, 11, 0.5f, 0.5f);
    EXPECT_EQ(level.word(0), 0x7B643232u);  // R 100, G 50, B and A untouched
}

TEST(Fading, NormalMapLevelsLeanTowardsZ) {
    TextureCompressor tc;
    texture_settings_init(tc.settings);
    tc.settings.g_b_fade_color = 1;
    tc.settings.g_b_normalmaptype = 1;
    // f = 0, k = 1: x and y vanish, z keeps its sign and is normalised.
    TestLevel level(3, 1, {0x11FF40C0u, 0x22000000u, 0x3310F090u});
    fade_level(level.level, tc, 0, 0.0f, 1.0f);
    EXPECT_EQ(level.word(0), 0x118080FFu);  // z from 0xC0 > 127.5: +1
    EXPECT_EQ(level.word(1), 0x22000000u);  // black pixels are left alone
    EXPECT_EQ(level.word(2), 0x338080FFu);  // z from 0x90: +1
}

TEST(Renormalise, UnitLengthAndBlackPixels) {
    TestLevel level(3, 1, {0x44808080u, 0x55000000u, 0x66FF8080u});
    renormalise_level(level.level);
    // (128, 128, 128) is a short vector along the diagonal: 1/sqrt(3) each.
    EXPECT_EQ(level.word(0), 0x44C9C9C9u);
    EXPECT_EQ(level.word(1), 0x55000000u);
    EXPECT_EQ(level.word(2), 0x66FF8080u);  // already unit length (to rounding)
    // Independent check of the diagonal value.
    const int expect = static_cast<int>((1.0 / std::sqrt(3.0) + 1.0) * 127.5 + 0.5);
    EXPECT_EQ(expect, 0xC9);
}
