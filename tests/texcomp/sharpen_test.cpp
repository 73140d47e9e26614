// Sharpening in the level loop: where it runs, how many passes per level,
// the volume path, and one pinned end-to-end output per filter family.
#include <gtest/gtest.h>

#include "texcomp/level_filter.h"
#include "texcomp_test_util.h"

namespace {

std::vector<LevelRecord> levels_of(const std::vector<uint8_t>& pic, int32_t w, int32_t h,
                                   TextureSettings s) {
    LevelCapture cap;
    s.user = &cap;
    s.write_sink = &Capture::sink;
    EXPECT_EQ(compress_texture(pic.data(), w, h, w * 4, s, 4, &LevelCapture::callback, nullptr), 0);
    return cap.levels;
}

}  // namespace

TEST(Sharpen, PassesPerLevelAfterTheTreatmentsOnly) {
    // Code 7 hands out the working level's bytes as they are, so the
    // sharpened chain must equal the plain chain with the passes applied by
    // hand to each level: the smaller levels are made from the unsharpened
    // level 0.
    const auto pic = gradient_picture(32, 16, 4);
    TextureSettings s = settings_for(7, nullptr);
    s.g_b_fade_color = 1;
    s.g_fade_amount = 20;
    s.g_fade_to_color = 0x405060;
    const auto plain = levels_of(pic, 32, 16, s);
    const int32_t passes[14] = {1, 0, 2, 1, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int32_t method : {8, 16, 17}) {
        TextureSettings t = s;
        t.g_sharpen_method = method;
        for (int j = 0; j < 14; ++j) t.SharpeningPassMIP[j] = passes[j];
        const auto sharp = levels_of(pic, 32, 16, t);
        ASSERT_EQ(sharp.size(), plain.size());
        LevelFilterState st;
        prepare_custom_filter(st, t.CustomFilter);
        for (size_t j = 0; j < plain.size(); ++j) {
            std::vector<uint8_t> expect = plain[j].bytes;
            const int32_t w = plain[j].width, h = plain[j].height;
            for (int p = 0; p < passes[j]; ++p)
                filter_level(st, expect.data(), 4 * w, 4, w, h, method);
            EXPECT_EQ(sharp[j].bytes, expect) << method << " level " << j;
        }
    }
}

TEST(Sharpen, LevelsBeyondThirteenUseTheLastEntry) {
    // 16384 x 1 has 15 levels. Negative on levels 13 and 14 only: the alpha
    // code shows 0 there and 255 elsewhere.
    const std::vector<uint8_t> pic(16384 * 4, 0xFF);
    TextureSettings s = settings_for(13, nullptr);
    s.g_sharpen_method = 1;
    for (int j = 0; j < 14; ++j) s.SharpeningPassMIP[j] = j == 13 ? 1 : 0;
    const auto levels = levels_of(pic, 16384, 1, s);
    ASSERT_EQ(levels.size(), 15u);
    for (size_t j = 0; j < levels.size(); ++j)
        EXPECT_EQ(levels[j].bytes[0], j >= 13 ? 0 : 255) << j;
}

TEST(Sharpen, VolumeSlicesAreSharpenedPerLevel) {
    // Negative on level 0 only: the level-0 slices come out inverted, and the
    // deeper levels are made from the inverted slices.
    const auto pic = gradient_picture(32, 8, 4);
    TextureSettings s = settings_for(7, nullptr);
    s.g_texturemap_type = 2;
    const auto plain = levels_of(pic, 32, 8, s);
    s.g_sharpen_method = 1;
    for (int j = 0; j < 14; ++j) s.SharpeningPassMIP[j] = j == 0 ? 1 : 0;
    const auto sharp = levels_of(pic, 32, 8, s);
    ASSERT_EQ(sharp.size(), plain.size());
    for (size_t i = 0; i < 4; ++i)
        for (size_t b = 0; b < plain[i].bytes.size(); ++b)
            ASSERT_EQ(sharp[i].bytes[b], 255 - plain[i].bytes[b]) << i;
    // Level 1 is made from the inverted slices, not from the picture.
    EXPECT_NE(sharp[4].bytes, plain[4].bytes);
}

TEST(Sharpen, PinnedOutput) {
    // A 64 x 64 texture with one pass on every level, 24-bit levels.
    const auto pic = gradient_picture(64, 64, 3);
    const struct {
        int32_t method;
        uint64_t hash;
    } pins[] = {
        {8, 508615553095502123ull}, {16, 15716172378267813914ull}, {17, 4922145963862744490ull}};
    for (const auto& pin : pins) {
        Capture cap;
        TextureSettings s = settings_for(8, &cap);
        s.g_sharpen_method = pin.method;
        for (int32_t& p : s.SharpeningPassMIP) p = 1;
        ASSERT_EQ(compress_texture(pic.data(), 64, 64, 64 * 3, s, 3, nullptr, nullptr), 0);
        std::vector<uint8_t> all;
        for (const StreamRun& r : cap.runs) all.insert(all.end(), r.bytes.begin(), r.bytes.end());
        EXPECT_EQ(fnv1a(all), pin.hash) << pin.method;
    }
}
