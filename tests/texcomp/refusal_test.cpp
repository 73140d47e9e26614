// Settings that must be refused before anything is emitted: pre-made chains
// that reach past the picture, absurd filter values, and the result code of
// empty sides with the block formats.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "texcomp_test_util.h"

namespace {

int32_t run(const std::vector<uint8_t>& pic, int32_t w, int32_t h, const TextureSettings& s) {
    return compress_texture(pic.data(), w, h, w * 3, s, 3, nullptr, nullptr);
}

}  // namespace

TEST(Refusal, PremadeChainMustFitThePicture) {
    struct Case {
        int32_t w, h, texturemap_type, specified;
        int32_t expected;
        size_t levels;  // level runs when accepted
    } cases[] = {
        {10, 1, 0, 0, TEXCOMP_REFUSED, 0},    // 5 + 3 + 2 + 1 columns > 10
        {10, 3, 0, 0, TEXCOMP_REFUSED, 0},    // would read the next row instead
        {11, 1, 0, 0, 0, 4},                  // 5 + 3 + 2 + 1 = 11 fits
        {10, 1, 0, 2, 0, 2},                  // only 5 + 3 are taken
        {16, 4, 0, 0, 0, 4},                  // 8 + 4 + 2 + 1 < 16
        {120, 10, 1, 0, TEXCOMP_REFUSED, 0},  // faces of 10: 10+5+3+2+1 > 20 columns
        {96, 8, 1, 0, 0, 6 * 4},              // faces of 8: 8+4+2+1 < 16 columns
    };
    for (const Case& c : cases) {
        Capture cap;
        TextureSettings s = settings_for(8, &cap);
        s.g_mip_map_type = 31;
        s.g_texturemap_type = c.texturemap_type;
        s.g_specified_mip_maps = static_cast<int16_t>(c.specified);
        const auto pic = pattern_picture(c.w, c.h, 3);
        EXPECT_EQ(run(pic, c.w, c.h, s), c.expected) << c.w << "x" << c.h;
        if (c.expected != 0) {
            EXPECT_TRUE(cap.runs.empty()) << c.w << "x" << c.h;
        } else {
            EXPECT_EQ(cap.level_sizes().size(), c.levels) << c.w << "x" << c.h;
        }
    }
}

TEST(Refusal, AbsurdFilterValues) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float blur, width, gamma;
        bool accepted;
    } cases[] = {
        {1.0f, 10.0f, 2.2f, true},     {-1.0f, -1.0f, 2.2f, true}, {16.0f, 64.0f, 2.2f, true},
        {3.4e38f, 10.0f, 2.2f, false}, {1.0f, inf, 2.2f, false},   {1.0f, 1e30f, 2.2f, false},
        {nan, 10.0f, 2.2f, false},     {0.0f, 10.0f, 2.2f, false}, {1.0f, 10.0f, nan, false},
        {1.0f, 10.0f, -inf, false},    {1.0f, 10.0f, 0.0f, false}, {-inf, 10.0f, 2.2f, false},
    };
    const auto pic = pattern_picture(16, 16, 3);
    for (const Case& c : cases) {
        Capture cap;
        TextureSettings s = settings_for(8, &cap);
        s.g_override_filter_width = 1;
        s.g_filter_blur = c.blur;
        s.g_filter_width = c.width;
        s.g_filter_gamma = c.gamma;
        const int32_t result = run(pic, 16, 16, s);
        EXPECT_EQ(result, c.accepted ? 0 : TEXCOMP_REFUSED) << c.blur << " " << c.width;
        EXPECT_EQ(cap.runs.empty(), !c.accepted) << c.blur << " " << c.width;
    }
}

TEST(Refusal, EmptySideOfABlockFormatIsNotAPowerOfTwo) {
    Capture cap;
    const auto pic = pattern_picture(16, 16, 3);
    for (int32_t code : {0, 1, 2, 3}) {
        TextureSettings s = settings_for(code, &cap);
        EXPECT_EQ(run(pic, 0, 16, s), -3) << code;
        EXPECT_EQ(compress_texture(pic.data(), 16, -4, 48, s, 3, nullptr, nullptr), -3) << code;
    }
    TextureSettings s = settings_for(8, &cap);
    EXPECT_EQ(run(pic, 0, 16, s), TEXCOMP_BAD_SIZE);
    EXPECT_TRUE(cap.runs.empty());
}
