// The entry's checks, results and rectangle; rescaling as seen in the stream.
#include <gtest/gtest.h>

#include "texcomp_test_util.h"

namespace {

int32_t run(const std::vector<uint8_t>& pic, int32_t w, int32_t h, int32_t planes,
            const TextureSettings& s, const CompressRect* rect = nullptr) {
    return compress_texture(pic.empty() ? nullptr : pic.data(), w, h, w * planes, s, planes,
                            nullptr, rect);
}

}  // namespace

TEST(Entry, ArgumentResultsEmitNothing) {
    Capture cap;
    TextureSettings s = settings_for(0, &cap);
    const auto pic = pattern_picture(300, 300, 3);
    EXPECT_EQ(compress_texture(nullptr, 4, 4, 12, s, 3, nullptr, nullptr), -1);
    EXPECT_EQ(run(pic, 300, 300, 2, s), -2);
    EXPECT_EQ(run(pic, 300, 300, 5, s), -2);
    EXPECT_EQ(run(pic, 300, 300, 3, s), -3);  // block format, no rescaling
    s.g_texturemap_type = 2;                  // volume: the tested width is the height
    EXPECT_EQ(run(pic, 300, 300, 3, s), -3);
    EXPECT_TRUE(cap.runs.empty());
}

TEST(Entry, CubeTestsTheFaceWidth) {
    Capture cap;
    TextureSettings s = settings_for(0, &cap);
    s.g_texturemap_type = 1;
    s.g_mip_map_type = 32;  // level 0 only keeps the block encoding cheap
    s.g_b_quick_compress = 1;
    const auto pic = pattern_picture(3072, 512, 3);
    EXPECT_EQ(run(pic, 3072, 512, 3, s), 0);
    ASSERT_EQ(cap.runs.size(), 2u + 6u);
    EXPECT_EQ(cap.header_word(12), 512u);
}

TEST(Entry, UncompressedFormatsTakeAnySize) {
    Capture cap;
    TextureSettings s = settings_for(8, &cap);
    s.g_mip_map_type = 32;
    const auto pic = pattern_picture(300, 300, 3);
    EXPECT_EQ(run(pic, 300, 300, 3, s), 0);
    ASSERT_EQ(cap.runs.size(), 3u);
    EXPECT_EQ(cap.runs[2].bytes.size(), 300u * 300u * 3u);
}

TEST(Entry, BadSizesAreRejectedBeforeAnyOutput) {
    Capture cap;
    TextureSettings s = settings_for(8, &cap);
    const auto pic = pattern_picture(64, 64, 3);
    EXPECT_EQ(run(pic, 0, 64, 3, s), TEXCOMP_BAD_SIZE);
    EXPECT_EQ(run(pic, 64, -1, 3, s), TEXCOMP_BAD_SIZE);
    const CompressRect outside[] = {
        {-1, 0, 10, 10}, {0, 0, 64, 10}, {0, 0, 10, 64}, {20, 0, 10, 10}, {0, 30, 10, 29}};
    for (const CompressRect& r : outside) EXPECT_EQ(run(pic, 64, 64, 3, s, &r), TEXCOMP_BAD_SIZE);
    s.g_rescale_mode = 5;  // zero size
    s.g_rescale_width = 0.0f;
    EXPECT_EQ(run(pic, 64, 64, 3, s), TEXCOMP_BAD_SIZE);
    s.g_rescale_mode = 4;  // a side of 1 has no lower power of two
    const auto row = pattern_picture(64, 1, 3);
    EXPECT_EQ(run(row, 64, 1, 3, s), TEXCOMP_BAD_SIZE);
    EXPECT_TRUE(cap.runs.empty());
}

TEST(Entry, UnsupportedSettingsAreRefusedBeforeAnyOutput) {
    Capture cap;
    const auto pic = pattern_picture(16, 16, 4);
    auto refused = [&](TextureSettings s) { return run(pic, 16, 16, 4, s); };
    for (int32_t code : {TEXTURE_FORMAT_COUNT, 100, -1}) {
        EXPECT_EQ(refused(settings_for(code, &cap)), TEXCOMP_REFUSED) << code;
    }
    TextureSettings s = settings_for(8, &cap);
    for (int16_t mode : {0, 29, 33}) {
        s = settings_for(8, &cap);
        s.g_mip_map_type = mode;
        EXPECT_EQ(refused(s), TEXCOMP_REFUSED) << mode;
    }
    s = settings_for(8, &cap);
    s.g_mip_filter_type = 14;
    EXPECT_EQ(refused(s), TEXCOMP_REFUSED);
    s.g_mip_map_type = 32;  // no chain, so the filter is never used
    EXPECT_EQ(refused(s), 0);
    EXPECT_EQ(cap.runs.size(), 3u);  // the only call that emitted anything
    cap.runs.clear();
    s = settings_for(8, &cap);
    s.g_mip_map_type = 31;  // level 0 of 0 x 16: nothing to compress
    EXPECT_EQ(run(pattern_picture(1, 16, 3), 1, 16, 3, s), TEXCOMP_REFUSED);
    EXPECT_TRUE(cap.runs.empty());
}

TEST(Entry, RectangleCutsThePicture) {
    Capture cap;
    TextureSettings s = settings_for(7, &cap);
    s.g_mip_map_type = 32;
    const int32_t W = 64, H = 80;
    const auto pic = pattern_picture(W, H, 3);
    const CompressRect r{10, 20, 41, 51};
    EXPECT_EQ(run(pic, W, H, 3, s, &r), 0);
    EXPECT_EQ(cap.header_word(8), 32u);
    EXPECT_EQ(cap.header_word(12), 32u);
    ASSERT_EQ(cap.runs.size(), 3u);
    const std::vector<uint8_t>& level = cap.runs[2].bytes;
    ASSERT_EQ(level.size(), 32u * 32u * 4u);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x) {
            const uint8_t* src = &pic[((20 + y) * W + 10 + x) * 3];
            const uint8_t* out = &level[(y * 32 + x) * 4];
            ASSERT_EQ(out[0], src[0]);
            ASSERT_EQ(out[1], src[1]);
            ASSERT_EQ(out[2], src[2]);
            ASSERT_EQ(out[3], 255);
        }
}

TEST(Entry, CallerSettingsAndPixelsAreUntouched) {
    Capture cap;
    TextureSettings s = settings_for(8, &cap);
    s.g_b_swap_rgb = 1;
    s.g_b_border = 1;
    const TextureSettings before = s;
    const auto pic = pattern_picture(8, 8, 3);
    const auto copy = pic;
    s.g_mip_map_type = 32;
    EXPECT_EQ(run(pic, 8, 8, 3, s), 0);
    EXPECT_EQ(pic, copy);
    EXPECT_EQ(s.g_b_swap_rgb, before.g_b_swap_rgb);
    EXPECT_EQ(s.g_texture_format, 8);
}

TEST(EntryRescale, SizesReachTheStream) {
    const auto pic = gradient_picture(300, 300, 3);
    struct Case {
        int32_t mode;
        uint32_t side;
    } cases[] = {{1, 256}, {2, 512}, {3, 256}, {4, 256}};
    for (const Case& c : cases) {
        Capture cap;
        TextureSettings s = settings_for(8, &cap);
        s.g_rescale_mode = c.mode;
        s.g_mip_map_type = 32;
        EXPECT_EQ(run(pic, 300, 300, 3, s), 0);
        EXPECT_EQ(cap.header_word(12), c.side) << c.mode;
        EXPECT_EQ(cap.header_word(8), c.side) << c.mode;
        ASSERT_EQ(cap.runs.size(), 3u);
        EXPECT_EQ(cap.runs[2].bytes.size(), c.side * c.side * 3) << c.mode;
    }
}

TEST(EntryRescale, BlockFormatGetsPowerOfTwoSides) {
    Capture cap;
    TextureSettings s = settings_for(0, &cap);
    s.g_rescale_mode = 1;
    s.g_b_quick_compress = 1;
    const auto pic = gradient_picture(300, 300, 3);
    EXPECT_EQ(run(pic, 300, 300, 3, s), 0);
    EXPECT_EQ(cap.header_word(12), 256u);
    EXPECT_EQ(cap.header_word(24), 9u);
    EXPECT_EQ(cap.level_sizes().size(), 9u);
}

TEST(EntryRescale, ModeSevenShrinksOnlyLargerPictures) {
    for (int32_t h : {300, 200}) {
        Capture cap;
        TextureSettings s = settings_for(8, &cap);
        s.g_rescale_mode = 7;
        s.g_rescale_width = s.g_rescale_height = 256.0f;
        s.g_mip_map_type = 32;
        const auto pic = gradient_picture(200, h, 3);
        EXPECT_EQ(run(pic, 200, h, 3, s), 0);
        const uint32_t expect_w = h == 300 ? 256u : 200u;
        const uint32_t expect_h = h == 300 ? 256u : 200u;
        EXPECT_EQ(cap.header_word(12), expect_w);
        EXPECT_EQ(cap.header_word(8), expect_h);
        if (h == 200) {
            // Untouched: level 0 is the picture itself.
            const std::vector<uint8_t>& level = cap.runs.at(2).bytes;
            EXPECT_EQ(level, pic);
        }
    }
}

TEST(EntryRescale, ConstantPictureStaysConstantThroughTheCubicFilter) {
    // The cubic B-spline's weights add up to one: a flat picture stays flat
    // whatever the scale.
    const std::vector<uint8_t> px = {40, 120, 200, 77};
    const auto pic = constant_picture(300, 190, px);
    const auto out = resample_picture(pic.data(), 300, 190, 4, 300 * 4, 256, 128);
    ASSERT_NE(out, nullptr);
    for (int i = 0; i < 256 * 128; ++i)
        for (int c = 0; c < 4; ++c) ASSERT_EQ(out[4 * i + c], px[c]) << i;
}
