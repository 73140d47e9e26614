// Index buffers and the file's palette entries.
#include <gtest/gtest.h>

#include "palette/palette.h"

TEST(Packing, PixelOrderNibbles) {
    struct Case {
        int32_t w, h;
        std::vector<uint8_t> rows, pixel_order;
    };
    const Case cases[] = {
        {3, 2, {0x21, 0x03, 0x54, 0x06}, {0x21, 0x43, 0x65}},
        {1, 3, {0x01, 0x02, 0x03}, {0x21, 0x03}},
        {1, 1, {0x07}, {0x07}},
        {4, 1, {0x21, 0x43}, {0x21, 0x43}},
        {2, 2, {0x21, 0x43}, {0x21, 0x43}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out(c.pixel_order.size() + 1, 0xEE);
        EXPECT_EQ(pack_nibbles_in_pixel_order(c.rows.data(), c.w, c.h, out.data()),
                  static_cast<int64_t>(c.pixel_order.size()));
        out.pop_back();
        EXPECT_EQ(out, c.pixel_order) << c.w << "x" << c.h;
    }
    EXPECT_EQ(index_buffer_size(3, 2, 16), 4);
    EXPECT_EQ(index_buffer_size(3, 2, 256), 6);
    EXPECT_EQ(index_buffer_size(1, 1, 16), 1);
}

TEST(Packing, PaletteEntriesForTheFile) {
    PaletteRecord three;
    three.block_height = three.block_width = 1;
    three.channels = 3;
    three.entries = 2;
    three.components = {1, 2, 3, 4, 5, 6};
    PaletteRecord four = three;
    four.channels = 4;
    four.components = {1, 2, 3, 4, 5, 6, 7, 8};
    uint8_t out[16 * 4];
    palette_to_rgba(three, 16, out);
    const std::vector<uint8_t> t(out, out + 12);
    EXPECT_EQ(t, (std::vector<uint8_t>{1, 2, 3, 255, 4, 5, 6, 255, 0, 0, 0, 0}));
    palette_to_rgba(four, 16, out);
    const std::vector<uint8_t> f(out, out + 12);
    EXPECT_EQ(f, (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8, 0, 0, 0, 0}));
    for (int i = 8; i < 64; ++i) EXPECT_EQ(out[i], 0) << i;
}
