// Power-of-two rounding and the size each rescale mode asks for.
#include <gtest/gtest.h>

#include "texcomp_test_util.h"

TEST(Pow2Rounding, PowersComeBackUnchanged) {
    for (int k = 0; k <= 30; ++k) {
        const int32_t p = 1 << k;
        EXPECT_EQ(round_pow2_nearest(p), p);
        EXPECT_EQ(round_pow2_up(p), p);
        EXPECT_EQ(round_pow2_down(p), p);
    }
}

TEST(Pow2Rounding, NearestUpDown) {
    EXPECT_EQ(round_pow2_nearest(300), 256);  // 44 from 256, 212 from 512
    EXPECT_EQ(round_pow2_up(300), 512);
    EXPECT_EQ(round_pow2_down(300), 256);
    EXPECT_EQ(round_pow2_nearest(384), 512);  // exactly between: ties go up
    EXPECT_EQ(round_pow2_nearest(383), 256);
    EXPECT_EQ(round_pow2_nearest(3), 4);  // tie between 2 and 4
    EXPECT_EQ(round_pow2_down(3), 2);
    EXPECT_EQ(round_pow2_up(3), 4);
}

TEST(Pow2Rounding, NoPairGivesMinusOne) {
    for (int32_t x : {0, -1, -512, (1 << 30) + 1, 2147483647}) {
        EXPECT_EQ(round_pow2_nearest(x), -1) << x;
        EXPECT_EQ(round_pow2_up(x), -1) << x;
        EXPECT_EQ(round_pow2_down(x), -1) << x;
    }
}

TEST(Pow2Fit, EachRoundingOfBothSides) {
    using Fit = int32_t (*)(int32_t, int32_t, int32_t*, int32_t*);
    const struct {
        Fit fit;
        int32_t w, h, result, new_w, new_h;
    } cases[] = {
        {fit_pow2_nearest, 512, 512, 0, 512, 512},  // powers of two are kept
        {fit_pow2_nearest, 512, 300, 1, 512, 256},
        {fit_pow2_up, 300, 300, 1, 512, 512},
        {fit_pow2_down, 300, 64, 1, 256, 64},
        // Lower always shrinks; a side of 1 cannot be halved.
        {fit_pow2_lower, 512, 512, 1, 256, 256},
        {fit_pow2_lower, 2, 300, 1, 1, 256},
        {fit_pow2_lower, 1, 8, 1, -1, 4},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
        int32_t w = 0, h = 0;
        EXPECT_EQ(cases[i].fit(cases[i].w, cases[i].h, &w, &h), cases[i].result) << i;
        EXPECT_EQ(w, cases[i].new_w) << i;
        EXPECT_EQ(h, cases[i].new_h) << i;
    }
}

namespace {
struct RescaleCase {
    int32_t mode;
    float rw, rh;
    int32_t w, h;
    int32_t result, new_w, new_h;
};
}  // namespace

TEST(RescaleSize, EveryMode) {
    const RescaleCase cases[] = {
        {0, 1, 1, 300, 300, 0, 0, 0},
        {1, 1, 1, 300, 300, 1, 256, 256},
        {2, 1, 1, 300, 300, 1, 512, 512},
        {3, 1, 1, 300, 300, 1, 256, 256},
        {1, 1, 1, 384, 384, 1, 512, 512},
        {1, 1, 1, 512, 300, 1, 512, 256},
        {1, 1, 1, 512, 512, 0, 0, 0},  // already powers of two: no resampling
        {4, 1, 1, 512, 512, 1, 256, 256},
        {4, 1, 1, 300, 100, 1, 256, 64},
        {5, 100.9f, 33.2f, 512, 512, 1, 100, 33},
        {6, 0.5f, 0.25f, 300, 300, 1, 150, 75},
        {6, 1.0f, 1.0f, 300, 300, 1, 300, 300},  // mode 6 always resamples
        {7, 256, 256, 200, 300, 1, 256, 256},
        {7, 256, 256, 200, 200, 0, 0, 0},
        {7, 256, 256, 256, 256, 0, 0, 0},
        {7, 40000, 40000, 200, 200, 0, 0, 0},  // never larger than the picture: nothing to do
        {99, 1, 1, 300, 300, 0, 0, 0},
        // No usable size: rejected, never resampled to nothing.
        {4, 1, 1, 1, 64, -1, 0, 0},
        {5, 0.0f, 64, 100, 100, -1, 0, 0},
        {5, -3.0f, 64, 100, 100, -1, 0, 0},
        {6, 0.001f, 1, 100, 100, -1, 0, 0},
        {6, 1e30f, 1, 100, 100, -1, 0, 0},
        {7, 0.0f, 0.0f, 100, 100, -1, 0, 0},
        {5, 40000, 64, 100, 100, -1, 0, 0},
    };
    for (const RescaleCase& c : cases) {
        TextureSettings s = settings_for(8, nullptr);
        s.g_rescale_mode = c.mode;
        s.g_rescale_width = c.rw;
        s.g_rescale_height = c.rh;
        int32_t nw = 0, nh = 0;
        const int32_t r = choose_rescale_size(s, c.w, c.h, &nw, &nh);
        EXPECT_EQ(r, c.result) << "mode " << c.mode << " " << c.w << "x" << c.h;
        if (r == 1) {
            EXPECT_EQ(nw, c.new_w) << "mode " << c.mode;
            EXPECT_EQ(nh, c.new_h) << "mode " << c.mode;
        }
    }
}
