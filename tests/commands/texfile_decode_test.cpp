// The decoding table's decoders on hand-made levels whose pixels are known: the
// published block rules (both DXT1 orders, DXT3 nibbles, both DXT5 alpha
// palettes) and the widening of every narrow field.
#include <gtest/gtest.h>

#include <vector>

#include "texfile/texfile.h"

namespace {

void decode(int32_t format, const uint8_t* data, int64_t size, int32_t w, int32_t h, uint8_t* out,
            const uint8_t* palette = nullptr) {
    TexSlice slice;
    slice.data = data;
    slice.size = size;
    slice.width = w;
    slice.height = h;
    slice.palette = palette;
    tex_decoding(format)->decode(slice, out);
}

std::vector<uint8_t> decode_blocks(int32_t format, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out(16 * 4);
    decode(format, data.data(), static_cast<int64_t>(data.size()), 4, 4, out.data());
    return out;
}

TEST(DecodeBlocks, Dxt1FourColourOrderInterpolatesThirds) {
    // c0 = pure red 0xF800 > c1 = pure blue 0x001F; pixels 0..3 take indices 0..3.
    const auto px = decode_blocks(0, {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00});
    const uint8_t want[4][4] = {
        {255, 0, 0, 255}, {0, 0, 255, 255}, {170, 0, 85, 255}, {85, 0, 170, 255}};
    for (int p = 0; p < 4; ++p)
        for (int k = 0; k < 4; ++k) EXPECT_EQ(px[4 * p + k], want[p][k]) << p << " " << k;
    EXPECT_EQ(px[4 * 15], 255);  // the rest take index 0
}

// The decoder reads the interpolated colours by the encoder's own rule
// (thirds rounded to nearest; the midpoint by integer division), and as
// truncating decoders do when asked: every channel of end-point pairs in both
// orders, against the rule worked out here.
TEST(DecodeBlocks, InterpolatedColoursFollowTheEncodersRule) {
    const uint16_t pairs[][2] = {{0xF800, 0x0841}, {0xFFFF, 0x0000}, {0x7BEF, 0x2104},
                                 {0x0841, 0xF800}, {0x1234, 0x1233}, {0x8410, 0x8410}};
    const auto widen = [](uint16_t c, int k) {
        const int v[3] = {(c >> 11) & 31, (c >> 5) & 63, c & 31};
        return k == 1 ? (v[1] << 2) | (v[1] >> 4) : (v[k] << 3) | (v[k] >> 2);
    };
    for (const auto& pr : pairs)
        for (BlockDecoder reading : {BlockDecoder::Nearest, BlockDecoder::Truncate}) {
            const std::vector<uint8_t> block = {uint8_t(pr[0]), uint8_t(pr[0] >> 8),
                                                uint8_t(pr[1]), uint8_t(pr[1] >> 8),
                                                0xE4,           0x00,
                                                0x00,           0x00};
            std::vector<uint8_t> px(16 * 4);
            TexSlice slice;
            slice.data = block.data();
            slice.size = 8;
            slice.width = slice.height = 4;
            slice.reading = reading;
            tex_decoding(0)->decode(slice, px.data());
            const bool four = pr[0] > pr[1];
            const int round = reading == BlockDecoder::Nearest ? 1 : 0;
            for (int k = 0; k < 3; ++k) {
                const int a = widen(pr[0], k), b = widen(pr[1], k);
                const int want[4] = {a, b, four ? (2 * a + b + round) / 3 : (a + b) / 2,
                                     four ? (a + 2 * b + round) / 3 : 0};
                for (int j = 0; j < 4; ++j)
                    EXPECT_EQ(px[4 * j + k], want[j])
                        << std::hex << pr[0] << " " << pr[1] << " entry " << j << " channel " << k
                        << " reading " << int(reading);
            }
        }
}

TEST(DecodeBlocks, Dxt1ThreeColourOrderHasMidpointAndTransparentBlack) {
    const auto px = decode_blocks(1, {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00});
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
    const auto px = decode_blocks(2, block);
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
        const auto px = decode_blocks(3, block);
        EXPECT_EQ(px[7], c.alpha) << int(c.a0) << " " << int(c.a1) << " " << c.index;
        EXPECT_EQ(px[3], c.a0);
    }
}

TEST(DecodeBlocks, PartialBlocksOfSmallLevelsStayInside) {
    const std::vector<uint8_t> block = {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::vector<uint8_t> out(2 * 1 * 4 + 1, 7);
    decode(0, block.data(), 8, 2, 1, out.data());
    EXPECT_EQ(out, (std::vector<uint8_t>{255, 0, 0, 255, 255, 0, 0, 255, 7}));
}

struct PlainCase {
    int32_t format;
    std::vector<uint8_t> data;
    std::vector<uint8_t> want;
};

TEST(DecodePlain, EveryLayoutWidensItsFields) {
    const PlainCase cases[] = {
        {4, {0x42, 0xF8}, {136, 68, 34, 255}},
        {5, {0x00, 0xFC}, {255, 0, 0, 255}},
        {5, {0x1F, 0x00}, {0, 0, 255, 0}},
        {6, {0x04, 0x82}, {132, 65, 33}},
        {7, {1, 2, 3, 4}, {3, 2, 1, 4}},
        {8, {1, 2, 3}, {3, 2, 1}},
        {9, {0xE0, 0x03}, {0, 255, 0}},
        {11, {9, 8}, {9, 8, 0}},
        {12, {9, 8}, {9, 8, 0}},
        {13, {77}, {77}},
        {15, {1, 2, 3, 4}, {3, 2, 1, 4}},
        {16, {76, 200}, {76, 200}},
    };
    for (const PlainCase& c : cases) {
        EXPECT_EQ(tex_decoding(c.format)->channels, static_cast<int32_t>(c.want.size()));
        std::vector<uint8_t> out(c.want.size(), 0xAA);
        decode(c.format, c.data.data(), static_cast<int64_t>(c.data.size()), 1, 1, out.data());
        EXPECT_EQ(out, c.want) << "format " << c.format;
    }
}

TEST(DecodePalette, SixteenColoursTwoPixelsPerByteLowNibbleFirst) {
    std::vector<uint8_t> palette(64);
    for (int i = 0; i < 16; ++i) palette[4 * i] = static_cast<uint8_t>(i * 10);
    // 3 x 2: pixels 1..6 in pixel order, across the row end.
    const std::vector<uint8_t> data = {0x21, 0x43, 0x65};
    std::vector<uint8_t> out(6 * 4);
    decode(14, data.data(), 3, 3, 2, out.data(), palette.data());
    for (int p = 0; p < 6; ++p) EXPECT_EQ(out[4 * p], (p + 1) * 10) << p;
    // A level cut short shows index 0 for what is missing.
    decode(14, data.data(), 2, 3, 2, out.data(), palette.data());
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
    decode(10, data.data(), 2, 2, 1, out.data(), palette.data());
    EXPECT_EQ(out, (std::vector<uint8_t>{0, 0, 0, 255, 200, 0, 0, 55}));
}

// Every format code has a row, in code order; nothing outside 0..16.
TEST(DecodeTable, OneRowPerFormatCode) {
    for (int32_t code = 0; code < TEXTURE_FORMAT_COUNT; ++code) {
        ASSERT_NE(tex_decoding(code), nullptr) << code;
        EXPECT_EQ(static_cast<int32_t>(tex_decoding(code)->format), code);
    }
    EXPECT_EQ(tex_decoding(-1), nullptr);
    EXPECT_EQ(tex_decoding(TEXTURE_FORMAT_COUNT), nullptr);
}

// A 24-bit tile file holds the picture's R, G, B in the B, G, R layout and
// a DXT1 tile file decodes to three channels: the file's view, not the row's.
TEST(DecodeTable, TileFilesShowThreeChannelsInThePicturesOrder) {
    TexFile rgb;
    rgb.kind = TexFileKind::tile;
    rgb.format = 8;
    rgb.colours_exchanged = true;
    const uint8_t stored[3] = {1, 2, 3};
    uint8_t out[3] = {};
    std::string error;
    ASSERT_TRUE(decode_tex_slice(rgb, TexSlice{stored, 3, 1, 1, nullptr}, out, error));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{1, 2, 3}));
    TexFile blocks;
    blocks.kind = TexFileKind::tile;
    blocks.format = 0;
    const uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0};
    uint8_t two[6] = {};
    ASSERT_TRUE(decode_tex_slice(blocks, TexSlice{block, 8, 2, 1, nullptr}, two, error));
    EXPECT_EQ(std::vector<uint8_t>(two, two + 6), (std::vector<uint8_t>{255, 0, 0, 0, 0, 255}));
}

}  // namespace
