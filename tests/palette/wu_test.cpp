// Wu's quantiser through quantize_palette (three-channel pictures).
#include <gtest/gtest.h>

#include "palette_test_util.h"

using namespace palette_test;

TEST(Wu, OneColourIsOneBox) {
    for (int32_t colours : {256, 16}) {
        const std::vector<uint8_t> pic = {
            0x12, 0x34, 0x56, 0x12, 0x34, 0x56, 0x12, 0x34, 0x56, 0x12, 0x34, 0x56,
        };
        PaletteRecord pal;
        pal.id = 77;
        std::vector<uint8_t> idx;
        ASSERT_EQ(quantize_palette(pic.data(), 2, 2, 3, pal, false, true, colours, idx),
                  PALETTE_OK);
        EXPECT_EQ(pal.id, 77);  // Wu leaves the id alone
        EXPECT_EQ(pal.channels, 3);
        EXPECT_EQ(pal.entries, colours);
        std::vector<int32_t> expect(colours * 3, 0);
        expect[0] = 0x12;
        expect[1] = 0x34;
        expect[2] = 0x56;
        EXPECT_EQ(pal.components, expect);
        EXPECT_EQ(idx, std::vector<uint8_t>(index_buffer_size(2, 2, colours), 0));
    }
}

// Two colours apart along one channel only: the cut falls on that axis, also
// on green and blue, whose cuts cut_box takes without checking them for none.
TEST(Wu, TwoColoursApartInOneChannelSplit) {
    for (int channel : {0, 1, 2}) {
        std::vector<uint8_t> pic(2 * 3, 40);
        pic[3 + channel] = 200;
        PaletteRecord pal;
        std::vector<uint8_t> idx;
        ASSERT_EQ(quantize_palette(pic.data(), 2, 1, 3, pal, false, true, 16, idx), PALETTE_OK);
        for (int64_t i = 0; i < 2; ++i)
            EXPECT_EQ(entry(pal, index_at(idx, 2, 16, i)),
                      std::vector<int32_t>(pic.begin() + 3 * i, pic.begin() + 3 * i + 3))
                << "channel " << channel << " pixel " << i;
    }
}

TEST(Wu, ExactlyNColoursComeBackExactly) {
    // 256 colours in 256 different cells (and 16 for the small palette),
    // each repeated, in a scrambled order; 4-byte pixels B, G, R, A.
    for (int32_t colours : {256, 16}) {
        std::vector<uint8_t> pic;
        Random rnd{42};
        const int32_t w = 64, h = 32;
        for (int32_t i = 0; i < w * h; ++i) {
            const int k = rnd.below(colours);
            const int r = 32 * (k % 8) + 5, g = 32 * ((k / 8) % 8) + 9, b = 64 * (k / 64) + 3;
            pic.insert(pic.end(), {static_cast<uint8_t>(b), static_cast<uint8_t>(g),
                                   static_cast<uint8_t>(r), 0x80});
        }
        PaletteRecord pal;
        std::vector<uint8_t> idx;
        ASSERT_EQ(quantize_palette(pic.data(), w, h, 4, pal, false, true, colours, idx),
                  PALETTE_OK);
        for (int64_t i = 0; i < w * h; ++i) {
            const std::vector<int32_t> c = entry(pal, index_at(idx, w, colours, i));
            const std::vector<int32_t> want = {pic[4 * i + 2], pic[4 * i + 1], pic[4 * i]};
            ASSERT_EQ(c, want) << colours << " pixel " << i;
        }
    }
}

TEST(Wu, WidthOneSixteenColoursLowNibbles) {
    const std::vector<uint8_t> pic = {200, 10, 10, 10, 200, 10, 10, 10, 200, 200, 10, 10};
    PaletteRecord pal;
    std::vector<uint8_t> idx;
    ASSERT_EQ(quantize_palette(pic.data(), 1, 4, 3, pal, false, true, 16, idx), PALETTE_OK);
    ASSERT_EQ(idx.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(idx[i] >> 4, 0) << i;
        const std::vector<int32_t> want(pic.begin() + 3 * i, pic.begin() + 3 * i + 3);
        EXPECT_EQ(entry(pal, idx[i] & 0x0F), want) << i;
    }
    EXPECT_EQ(idx[0], idx[3]);
}

TEST(Wu, BeatsAUniformPaletteOnAPhoto) {
    const int32_t w = 256, h = 192;
    const std::vector<uint8_t> pic = photo(w, h, 3);
    PaletteRecord pal;
    std::vector<uint8_t> idx;
    ASSERT_EQ(quantize_palette(pic.data(), w, h, 3, pal, false, true, 256, idx), PALETTE_OK);
    double wu = 0, uniform = 0;
    for (int64_t i = 0; i < w * h; ++i) {
        const std::vector<int32_t> c = entry(pal, idx[i]);
        for (int k = 0; k < 3; ++k) {
            const int v = pic[3 * i + k];
            const int q = (v + 25) / 51 * 51;  // nearest of 0, 51, ..., 255
            wu += (v - c[k]) * (v - c[k]);
            uniform += (v - q) * (v - q);
        }
    }
    EXPECT_LT(wu, uniform);
}

TEST(Wu, DitherDiffusesBeforeCutting) {
    // With the pre-pass every palette colour is a multiple of 16 or the mean
    // of such colours; on one flat colour it is exactly one diffused value.
    const std::vector<uint8_t> pic(3 * 8 * 8, 0x18);
    PaletteRecord pal;
    std::vector<uint8_t> idx;
    ASSERT_EQ(quantize_palette(pic.data(), 8, 8, 3, pal, true, true, 16, idx), PALETTE_OK);
    for (int32_t k = 0; k < pal.entries; ++k)
        for (int32_t c : entry(pal, k)) EXPECT_TRUE(c == 0 || c == 0x10 || c == 0x20) << c;
    const std::vector<int32_t> low = {0x10, 0x10, 0x10}, high = {0x20, 0x20, 0x20};
    EXPECT_EQ(entry(pal, index_at(idx, 8, 16, 0)), low);
    EXPECT_EQ(entry(pal, index_at(idx, 8, 16, 1)), high);
}
