// The error-diffusion pre-pass: exact bytes of small cases worked out by hand.
#include <gtest/gtest.h>

#include "palette/palette.h"

TEST(Diffuse, SpreadsRightBelowAndBelowLeftThreeAway) {
    // One channel, every byte 0x18 (work value 384), kept at 4 bits.
    std::vector<uint8_t> p(10, 0x18);
    diffuse_to_bits(p.data(), 5, 2, 1, 4, 8);
    // Row 0 alternates as the error swings; pixel (0, 1) collects 32 from
    // above, -8 from above-right and -10 from three to the right above.
    const std::vector<uint8_t> expect = {0x10, 0x20, 0x10, 0x20, 0x10,
                                         0x20, 0x10, 0x20, 0x10, 0x10};
    EXPECT_EQ(p, expect);
}

TEST(Diffuse, AlphaKeptLastColumnOnlyReceives) {
    // 2 x 2 pixels B, G, R, A: colour 0x18, alpha 0x37.
    std::vector<uint8_t> p(16, 0x18);
    for (int i = 0; i < 4; ++i) p[4 * i + 3] = 0x37;
    diffuse_to_bits(p.data(), 2, 2, 4, 4, 8);
    // (0,0) rounds 384 down to 256 and passes 64 right, 32 down; the last
    // column (1,0) rounds 448 up, the last row (0,1) rounds 416 up, (1,1)
    // received nothing.
    const uint8_t colour[4] = {0x10, 0x20, 0x20, 0x10};
    for (int i = 0; i < 4; ++i) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(p[4 * i + c], colour[i]) << i;
        EXPECT_EQ(p[4 * i + 3], 0x37) << i;
    }
}

TEST(Diffuse, ClampsAndClearsLowBits) {
    // Bright values round up past 4095 and come back as 255 with the low
    // nibble cleared; a single row is only rounded.
    std::vector<uint8_t> p = {0xFF, 0xF8, 0x07, 0x08, 0x00};
    diffuse_to_bits(p.data(), 5, 1, 1, 4, 8);
    const std::vector<uint8_t> expect = {0xF0, 0xF0, 0x00, 0x00, 0x00};
    EXPECT_EQ(p, expect);
}
