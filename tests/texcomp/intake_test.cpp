// Taking the picture into the working level: the steps and their order.
#include <gtest/gtest.h>

#include "texcomp_test_util.h"

namespace {

struct Intake {
    std::vector<uint8_t> pic;
    TextureCompressor tc;
    WorkLevel work;
    LevelImage* level = &work.level;

    Intake(int32_t w, int32_t h, int32_t planes, std::vector<uint8_t> pixels)
        : pic(std::move(pixels)) {
        texture_settings_init(tc.settings);
        tc.image.width = static_cast<int16_t>(w);
        tc.image.height = static_cast<int16_t>(h);
        tc.image.planes = static_cast<int16_t>(planes);
        tc.image.pitch = w * planes;
        tc.image.level_pixels = pic.data();
        make_work_level(work, w, h);
    }
    void take() { take_level(*level, tc, tc.image.width, tc.image.height, 0); }
    const uint8_t* px(int32_t x, int32_t y) const {
        return level->pixels + (y * level->width + x) * 4;
    }
};

}  // namespace

TEST(Intake, PlainCopyAndOpaqueAlpha) {
    Intake in(3, 2, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
    in.take();
    EXPECT_EQ(in.px(0, 0)[0], 1);
    EXPECT_EQ(in.px(2, 1)[2], 18);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(in.level->pixels[4 * i + 3], 255);
}

TEST(Intake, StepsRunInOrder) {
    // 3 x 3, 4 planes: centre pixel is the only non-edge pixel.
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 9; ++i) pixels.insert(pixels.end(), {10, 20, 30, 200});
    Intake in(3, 3, 4, pixels);
    in.tc.settings.g_b_alpha_border = 1;
    in.tc.settings.g_b_border = 1;
    in.tc.settings.g_border_color = 0x00030201;
    in.tc.settings.g_b_binary_alpha = 1;
    in.tc.settings.g_b_swap_rgb = 1;
    in.take();
    // Edge: border colour 1, 2, 3 written, then exchanged; alpha 0 stays 0.
    const uint8_t* edge = in.px(0, 1);
    EXPECT_EQ(edge[0], 3);
    EXPECT_EQ(edge[1], 2);
    EXPECT_EQ(edge[2], 1);
    EXPECT_EQ(edge[3], 0);
    // Centre: colour exchanged, alpha 200 made binary.
    const uint8_t* centre = in.px(1, 1);
    EXPECT_EQ(centre[0], 30);
    EXPECT_EQ(centre[1], 20);
    EXPECT_EQ(centre[2], 10);
    EXPECT_EQ(centre[3], 255);
    // Binary alpha comes after the alpha border: with threshold 0 the
    // border's 0 becomes 255.
    in.tc.settings.g_binary_alpha_threshold = 0;
    in.take();
    EXPECT_EQ(in.px(0, 0)[3], 255);
}

TEST(Intake, BinaryAlphaThreshold) {
    Intake in(2, 1, 4, {0, 0, 0, 127, 0, 0, 0, 128});
    in.tc.settings.g_b_binary_alpha = 1;
    in.take();
    EXPECT_EQ(in.px(0, 0)[3], 0);
    EXPECT_EQ(in.px(1, 0)[3], 255);
}

TEST(Intake, OffsetAndPitch) {
    // Take a 2 x 2 window from column 1 of a 4 x 3 picture.
    std::vector<uint8_t> pixels(4 * 3 * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i);
    Intake in(4, 3, 3, pixels);
    take_level(*in.level, in.tc, 2, 2, 3);
    EXPECT_EQ(in.level->width, 2);
    EXPECT_EQ(in.level->height, 2);
    EXPECT_EQ(in.px(0, 0)[0], 3);
    EXPECT_EQ(in.px(1, 1)[2], 12 + 6 + 2);
}

TEST(LevelImageAlloc, ZeroFilledAtLeastOneBlockAndMovable) {
    WorkLevel w;
    ASSERT_TRUE(make_work_level(w, 5, 3));
    EXPECT_EQ(w.level.width, 5);
    EXPECT_EQ(w.level.height, 3);
    for (int i = 0; i < 5 * 3 * 4; ++i) EXPECT_EQ(w.level.pixels[i], 0);
    WorkLevel small;
    ASSERT_TRUE(make_work_level(small, 1, 1));
    EXPECT_EQ(small.level.capacity, 16);  // the 1x1 level still holds a 4x4 block
    const WorkLevel moved = std::move(small);
    EXPECT_EQ(moved.level.pixels, moved.bytes.data());
    EXPECT_FALSE(make_work_level(w, -1, 3));
    EXPECT_TRUE(w.bytes.empty());
}
