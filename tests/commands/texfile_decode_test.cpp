// The family decoders on hand-made levels whose pixels are known: the
// published block rules (both DXT1 orders, DXT3 nibbles, both DXT5 alpha
// palettes) and the widening of every narrow field.
#include <gtest/gtest.h>

#include <vector>

#include "texfile/texfile.h"

namespace {

std::vector<uint8_t> decode_blocks(int32_t format, const std::vector<uint8_t>& data,
                                   int32_t channels) {
    std::vector<uint8_t> out(16 * channels);
    decode_block_level(format, data.data(), 4, 4, channels, out.data());
    return out;
}

TEST(DecodeBlocks, Dxt1FourColourOrderInterpolatesThirds) {
    // c0 = pure red 0xF800 > c1 = pure blue 0x001F; pixels 0..3 take indices 0..3.
    const auto px = decode_blocks(0, {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00}, 4);
    const uint8_t want[4][4] = {
        {255, 0, 0, 255}, {0, 0, 255, 255}, {170, 0, 85, 255}, {85, 0, 170, 255}};
    for (int p = 0; p < 4; ++p)
        for (int k = 0; k < 4; ++k) EXPECT_EQ(px[4 * p + k], want[p][k]) << p << " " << k;
    EXPECT_EQ(px[4 * 15], 255);  // the rest take index 0
}

TEST(DecodeBlocks, Dxt1ThreeColourOrderHasMidpointAndTransparentBlack) {
    const auto px = decode_blocks(1, {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00}, 4);
    const uint8_t want[4][4] = {
        {0, 0, 255, 255}, {255, 0, 0, 255}, {127, 0, 127, 255}, {0, 0, 0, 0}};
    for (int p = 0; p < 4; ++p)
        for (int k = 0; k < 4; ++k) EXPECT_EQ(px[4 * p + k], want[p][k]) << p << " " << k;
}

TEST(DecodeBlocks, Dxt3NibblesTimesSeventeenAndColourAlwaysInFourColourOrder) {
    std::vector<uint8_t> block = {0x10, 0xF0, 0, 0, 0, 0, 0, 0};
    // Colour half with c0 <= c1: still four colours in DXT3.
    const std::vector<uint8_t> colour = {0x1F, 0x00, 0x00, 0xF8, 0x0C, 0x00, 0x00, 0x00};
    block.insert(block.end(), colour.begin(), colour.end());
    const auto px = decode_blocks(2, block, 4);
    EXPECT_EQ(px[3], 0);     // pixel 0: low nibble of byte 0
    EXPECT_EQ(px[7], 17);    // pixel 1: high nibble of byte 0
    EXPECT_EQ(px[11], 0);    // pixel 2
    EXPECT_EQ(px[15], 255);  // pixel 3
    // Pixel 1 has index 3: two thirds of the way from c0 (blue) to c1 (red).
    EXPECT_EQ(px[4], 170);
    EXPECT_EQ(px[6], 85);
}

TEST(DecodeBlocks, Dxt5BothAlphaPalettes) {
    const std::vector<uint8_t> colour = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0};
    struct Case {
        uint8_t a0, a1;
        int index;
        int alpha;
    };
    const Case cases[] = {{200, 100, 0, 200}, {200, 100, 1, 100}, {200, 100, 2, 185},
                          {200, 100, 7, 114}, {100, 200, 2, 120}, {100, 200, 5, 180},
                          {100, 200, 6, 0},   {100, 200, 7, 255}};
    for (const Case& c : cases) {
        // Pixel 1 takes the index (bits 3..5), pixel 0 index 0.
        std::vector<uint8_t> block = {c.a0, c.a1, static_cast<uint8_t>(c.index << 3), 0, 0, 0,
                                      0,    0};
        block.insert(block.end(), colour.begin(), colour.end());
        const auto px = decode_blocks(3, block, 4);
        EXPECT_EQ(px[7], c.alpha) << int(c.a0) << " " << int(c.a1) << " " << c.index;
        EXPECT_EQ(px[3], c.a0);
    }
}

TEST(DecodeBlocks, PartialBlocksOfSmallLevelsStayInside) {
    const std::vector<uint8_t> block = {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::vector<uint8_t> out(2 * 1 * 3, 7);
    decode_block_level(0, block.data(), 2, 1, 3, out.data());
    EXPECT_EQ(out, (std::vector<uint8_t>{255, 0, 0, 255, 0, 0}));
}

struct PlainCase {
    int32_t format;
    bool rgb_order;
    std::vector<uint8_t> data;
    std::vector<uint8_t> want;
};

TEST(DecodePlain, EveryLayoutWidensItsFields) {
    const PlainCase cases[] = {
        {4, false, {0x42, 0xF8}, {136, 68, 34, 255}},
        {5, false, {0x00, 0xFC}, {255, 0, 0, 255}},
        {5, false, {0x1F, 0x00}, {0, 0, 255, 0}},
        {6, false, {0x04, 0x82}, {132, 65, 33}},
        {7, false, {1, 2, 3, 4}, {3, 2, 1, 4}},
        {8, false, {1, 2, 3}, {3, 2, 1}},
        {8, true, {1, 2, 3}, {1, 2, 3}},
        {9, false, {0xE0, 0x03}, {0, 255, 0}},
        {11, false, {9, 8}, {9, 8, 0}},
        {12, false, {9, 8}, {9, 8, 0}},
        {13, false, {77}, {77}},
        {15, false, {1, 2, 3, 4}, {3, 2, 1, 4}},
        {16, false, {76, 200}, {76, 200}},
    };
    for (const PlainCase& c : cases) {
        std::vector<uint8_t> out(c.want.size(), 0xAA);
        decode_plain_level(c.format, c.rgb_order, c.data.data(), 1, 1, out.data());
        EXPECT_EQ(out, c.want) << "format " << c.format;
    }
}

TEST(DecodePalette, SixteenColoursTwoPixelsPerByteLowNibbleFirst) {
    std::vector<uint8_t> palette(64);
    for (int i = 0; i < 16; ++i) palette[4 * i] = static_cast<uint8_t>(i * 10);
    // 3 x 2: pixels 1..6 in pixel order, across the row end.
    const std::vector<uint8_t> data = {0x21, 0x43, 0x65};
    std::vector<uint8_t> out(6 * 4);
    decode_palette_level(14, palette.data(), data.data(), 3, 3, 2, out.data());
    for (int p = 0; p < 6; ++p) EXPECT_EQ(out[4 * p], (p + 1) * 10) << p;
    // A level cut short shows index 0 for what is missing.
    decode_palette_level(14, palette.data(), data.data(), 2, 3, 2, out.data());
    EXPECT_EQ(out[4 * 3], 40);
    EXPECT_EQ(out[4 * 4], 0);
    EXPECT_EQ(out[4 * 5], 0);
}

TEST(DecodePalette, TwoHundredFiftySixColoursOneBytePerPixel) {
    std::vector<uint8_t> palette(1024);
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = static_cast<uint8_t>(i);
        palette[4 * i + 3] = static_cast<uint8_t>(255 - i);
    }
    const std::vector<uint8_t> data = {0, 200};
    std::vector<uint8_t> out(8);
    decode_palette_level(10, palette.data(), data.data(), 2, 2, 1, out.data());
    EXPECT_EQ(out, (std::vector<uint8_t>{0, 0, 0, 255, 200, 0, 0, 55}));
}

}  // namespace
