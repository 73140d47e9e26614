// first_level: the levels a caller keeps are the same bytes whether or not
// the library was told to leave out the ones before them.
#include <gtest/gtest.h>

#include "texcomp_test_util.h"

namespace {

struct Case {
    const char* name;
    int32_t code;
    int32_t width, height;
    void (*adjust)(TextureSettings&);
};

void plain(TextureSettings&) {}
void swapped(TextureSettings& s) { s.g_b_swap_rgb = 1; }
// Fading carries a factor from level to level, so a left-out level must
// still pass it on.
void fading(TextureSettings& s) {
    s.g_b_fade_color = 1;
    s.g_b_fade_alpha = 1;
    s.g_fade_amount = 20;
    s.g_fade_to_delay = 1;
    s.g_fade_to_color = 0x204060;
}
void dithered(TextureSettings& s) {
    s.g_b_dither_mip0 = 1;
    s.g_b_dither_color = 1;
}
void premade(TextureSettings& s) { s.g_mip_map_type = 31; }
// Volume levels are made from the level before, dithering included.
void volume(TextureSettings& s) {
    s.g_texturemap_type = 2;
    dithered(s);
}
void cube(TextureSettings& s) { s.g_texturemap_type = 1; }
void level_zero_only(TextureSettings& s) { s.g_mip_map_type = 32; }
void three_levels(TextureSettings& s) { s.g_specified_mip_maps = 3; }

const Case kCases[] = {
    {"rgb888", 8, 64, 64, plain},
    {"dxt1 swapped", 0, 64, 32, swapped},
    {"rgb565 faded", 6, 32, 32, fading},
    {"argb4444 dithered", 4, 32, 16, dithered},
    {"pre-made chain", 8, 64, 32, premade},
    {"volume dithered", 6, 64, 16, volume},
    {"cube dxt5", 3, 96, 16, cube},
    {"level 0 only", 8, 16, 16, level_zero_only},
    {"three levels", 0, 32, 32, three_levels},
    {"not a power of two", 7, 30, 21, plain},
};

std::vector<LevelRecord> levels_of(const Case& c, const std::vector<uint8_t>& pic,
                                   int32_t first_level) {
    LevelCapture cap;
    TextureSettings s = settings_for(c.code, &cap);
    c.adjust(s);
    s.first_level = first_level;
    EXPECT_EQ(compress_texture(pic.data(), c.width, c.height, c.width * 3, s, 3,
                               &LevelCapture::callback, nullptr),
              0);
    return cap.levels;
}

}  // namespace

TEST(FirstLevel, KeptLevelsAreTheSameBytes) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const auto pic = pattern_picture(c.width, c.height, 3, 5);
        const std::vector<LevelRecord> all = levels_of(c, pic, 0);
        ASSERT_FALSE(all.empty());
        for (int32_t first = -1; first <= 9; ++first) {
            SCOPED_TRACE(testing::Message() << "first_level " << first);
            std::vector<const LevelRecord*> expected;
            for (const LevelRecord& r : all)
                if (r.level >= first) expected.push_back(&r);
            const std::vector<LevelRecord> kept = levels_of(c, pic, first);
            ASSERT_EQ(kept.size(), expected.size());
            for (size_t i = 0; i < kept.size(); ++i) {
                EXPECT_EQ(kept[i].level, expected[i]->level);
                EXPECT_EQ(kept[i].width, expected[i]->width);
                EXPECT_EQ(kept[i].height, expected[i]->height);
                EXPECT_TRUE(kept[i].bytes == expected[i]->bytes) << "level " << kept[i].level;
            }
        }
    }
}

TEST(FirstLevel, StreamKeepsMagicAndWholeChainHeader) {
    const auto pic = gradient_picture(64, 64, 3);
    Capture whole, skipped;
    TextureSettings s = settings_for(0, &whole);
    ASSERT_EQ(compress_texture(pic.data(), 64, 64, 64 * 3, s, 3, nullptr, nullptr), 0);
    s.user = &skipped;
    s.first_level = 2;
    ASSERT_EQ(compress_texture(pic.data(), 64, 64, 64 * 3, s, 3, nullptr, nullptr), 0);
    ASSERT_EQ(whole.runs.size(), 2u + 7u);
    ASSERT_EQ(skipped.runs.size(), 2u + 5u);
    EXPECT_EQ(skipped.runs[0].bytes, whole.runs[0].bytes);
    EXPECT_EQ(skipped.runs[1].bytes, whole.runs[1].bytes);  // mip_count 7 still
    for (size_t i = 2; i < skipped.runs.size(); ++i)
        EXPECT_EQ(skipped.runs[i].bytes, whole.runs[i + 2].bytes) << "run " << i;
}

// Every level of a palettised stream is indexed against the palette made from
// level 0, so the setting cannot leave levels out there: the stream is whole.
TEST(FirstLevel, PalettisedStreamsKeepEveryLevel) {
    for (const int32_t code : {10, 14}) {
        const Case c{"palette", code, 32, 16, plain};
        const auto pic = pattern_picture(c.width, c.height, 3, 5);
        const std::vector<LevelRecord> all = levels_of(c, pic, 0);
        const std::vector<LevelRecord> asked = levels_of(c, pic, 2);
        ASSERT_EQ(asked.size(), all.size()) << "code " << code;
        for (size_t i = 0; i < all.size(); ++i)
            EXPECT_TRUE(asked[i].bytes == all[i].bytes) << "code " << code << " run " << i;
    }
}
