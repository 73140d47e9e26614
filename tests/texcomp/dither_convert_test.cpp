// Dither tables and reducers; conversions of every uncompressed code.
#include <gtest/gtest.h>

#include "texcomp_test_util.h"

namespace {

TextureCompressor compressor_with_planes(int16_t planes) {
    TextureCompressor tc;
    texture_settings_init(tc.settings);
    tc.image.planes = planes;
    return tc;
}

std::vector<uint8_t> convert(uint32_t word, int32_t code) {
    TestLevel level(1, 1, {word});
    std::vector<uint8_t> out(static_cast<size_t>(texture_level_size(code, 1, 1)) + 1, 0xEE);
    const int64_t n = convert_level(level.level, code, out.data());
    EXPECT_EQ(n, texture_level_size(code, 1, 1)) << code;
    EXPECT_EQ(out.back(), 0xEE) << "wrote past the level, code " << code;
    out.pop_back();
    return out;
}

}  // namespace

TEST(DitherTables, EachLevelHasTwoQOnes) {
    for (int phase = 0; phase < 2; ++phase)
        for (int q = 1; q <= 7; ++q) {
            int ones = 0;
            for (int i = 0; i < 16; ++i) {
                ASSERT_LE(DitherPattern[phase][q - 1][i], 1);
                ones += DitherPattern[phase][q - 1][i];
            }
            EXPECT_EQ(ones, 2 * q) << phase << "," << q;
        }
    int phase_ones = 0;
    for (uint8_t v : DitherPhase) phase_ones += v;
    EXPECT_EQ(phase_ones, 7);
}

TEST(Dither, Examples565) {
    // Red 0x0B at (0, 0): phase 1, q = 3 -> up one step to 0x10.
    // Green 0x0B: phase 0, q = 6 -> 0x0C. Blue 0x08 has no remainder.
    const uint32_t out = dither_565(0xFF0B0B08u, 0, 0);
    EXPECT_EQ((out >> 16) & 0xFF, 0x10u);
    EXPECT_EQ((out >> 8) & 0xFF, 0x0Cu);
    EXPECT_EQ(out & 0xFF, 0x08u);
    EXPECT_EQ(out >> 24, 0xF8u);  // alpha 255 reduced to 5 bits, already the top
    // 0xFD stays 0xF8: already the largest 5-bit base.
    EXPECT_EQ(dither_565(0x000000FDu, 0, 0) & 0xFF, 0xF8u);
    EXPECT_EQ((dither_565(0x0000FF00u, 1, 2) >> 8) & 0xFF, 0xFCu);
}

TEST(Dither, RemainderRoundsUpAtItsShareOfPositions) {
    // A remainder of q/8 of a step goes up at exactly 2q of 16 positions.
    for (int q = 0; q < 8; ++q) {
        int ups = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) ups += (dither_565(0x40u + q, x, y) & 0xFF) == 0x48u;
        EXPECT_EQ(ups, 2 * q) << q;
    }
}

TEST(Dither, OtherReducers) {
    // 1555: alpha keeps only its top bit.
    EXPECT_EQ(dither_1555(0x7F000000u, 0, 0) >> 24, 0x00u);
    EXPECT_EQ(dither_1555(0x80000000u, 0, 0) >> 24, 0x80u);
    // 555: alpha 0.
    EXPECT_EQ(dither_555(0xFF000000u, 5, 5) >> 24, 0u);
    // 4444: alpha untouched; a channel of 0x13 (base 0x10, q = 1) at (0, 0)
    // uses phase 1 - 1 = 0, entry 0 of level 1: 1 -> 0x20.
    EXPECT_EQ(dither_4444(0x7F000013u, 0, 0), 0x7F000020u);
    // At (1, 0) the entry is 0: stays at the base.
    EXPECT_EQ(dither_4444(0x7F000013u, 1, 0), 0x7F000010u);
}

TEST(Dither, PixelByFormatCode) {
    const TextureCompressor rgb = compressor_with_planes(3);
    const TextureCompressor rgba = compressor_with_planes(4);
    // Without a picture alpha the pixel counts as opaque.
    EXPECT_EQ(dither_pixel(rgb, 8, 0x12345678u, 0, 0), 0xFF345678u);
    EXPECT_EQ(dither_pixel(rgba, 8, 0x12345678u, 0, 0), 0x12345678u);
    for (int32_t code : {10, 13, 14, 16, 7, 15})
        EXPECT_EQ(dither_pixel(rgba, code, 0x12345678u, 3, 3), 0x12345678u);
    for (int32_t code : {0, 1, 2, 3, 6})
        EXPECT_EQ(dither_pixel(rgba, code, 0x12345678u, 2, 1), dither_565(0x12345678u, 2, 1));
    EXPECT_EQ(dither_pixel(rgba, 4, 0x12345678u, 2, 1), dither_4444(0x12345678u, 2, 1));
    EXPECT_EQ(dither_pixel(rgba, 5, 0x12345678u, 2, 1), dither_1555(0x12345678u, 2, 1));
    EXPECT_EQ(dither_pixel(rgba, 9, 0x12345678u, 2, 1), dither_555(0x12345678u, 2, 1));
}

TEST(Convert, EveryUncompressedCode) {
    EXPECT_EQ(convert(0xFF804020u, 6), (std::vector<uint8_t>{0x04, 0x82}));
    EXPECT_EQ(convert(0x7F000000u, 5)[1] & 0x80, 0);
    EXPECT_EQ(convert(0x80000000u, 5)[1] & 0x80, 0x80);
    EXPECT_EQ(convert(0x80FFFFFFu, 5), (std::vector<uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(convert(0x11223344u, 8), (std::vector<uint8_t>{0x44, 0x33, 0x22}));
    EXPECT_EQ(convert(0xA1B2C3D4u, 4), (std::vector<uint8_t>{0xCD, 0xAB}));
    EXPECT_EQ(convert(0x11223344u, 7), (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(convert(0x11223344u, 15), (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(convert(0xFFFFFFFFu, 9), (std::vector<uint8_t>{0xFF, 0x7F}));
    EXPECT_EQ(convert(0x11223344u, 11), (std::vector<uint8_t>{0x22, 0x33}));
    EXPECT_EQ(convert(0x11223344u, 12), (std::vector<uint8_t>{0x22, 0x33}));
    EXPECT_EQ(convert(0x11223344u, 13), (std::vector<uint8_t>{0x11}));
    EXPECT_EQ(convert(0x40FF00FFu, 16), (std::vector<uint8_t>{76, 0x40}));
    EXPECT_EQ(convert(0x4000FF00u, 16), (std::vector<uint8_t>{179, 0x40}));
    EXPECT_EQ(convert(0x00FFFFFFu, 16)[0], 255);
    TestLevel level(1, 1, {0});
    uint8_t out[4];
    EXPECT_EQ(convert_level(level.level, 0, out), -1);
    EXPECT_EQ(convert_level(level.level, 10, out), -1);
}

TEST(Convert, CodeSevenIsTheWorkingLevel) {
    const auto pic = pattern_picture(5, 7, 4, 11);
    LevelCapture levels;
    TextureSettings s = settings_for(7, &levels);
    s.g_mip_map_type = 32;
    ASSERT_EQ(compress_texture(pic.data(), 5, 7, 20, s, 4, &LevelCapture::callback, nullptr), 0);
    ASSERT_EQ(levels.levels.size(), 1u);
    EXPECT_EQ(levels.levels[0].bytes, pic);
}

TEST(Convert, DitheredLevelsOnlyWhenAsked) {
    // Flat 0x0B channels: the 5:6:5 dither moves some pixels up a step,
    // plain truncation moves none.
    const auto pic = constant_picture(8, 8, {0x0B, 0x0B, 0x0B});
    LevelCapture levels;
    TextureSettings s = settings_for(6, &levels);
    s.g_mip_map_type = 32;
    ASSERT_EQ(compress_texture(pic.data(), 8, 8, 24, s, 3, &LevelCapture::callback, nullptr), 0);
    for (size_t i = 0; i < levels.levels[0].bytes.size(); i += 2) {
        ASSERT_EQ(levels.levels[0].bytes[i], 0x41);  // B 1, G 2 (low bits)
        ASSERT_EQ(levels.levels[0].bytes[i + 1], 0x08);
    }
    levels.levels.clear();
    s.g_b_dither_mip0 = 1;
    ASSERT_EQ(compress_texture(pic.data(), 8, 8, 24, s, 3, &LevelCapture::callback, nullptr), 0);
    int changed = 0;
    for (size_t i = 0; i < levels.levels[0].bytes.size(); i += 2)
        changed += levels.levels[0].bytes[i] != 0x41 || levels.levels[0].bytes[i + 1] != 0x08;
    EXPECT_GT(changed, 0);
}
