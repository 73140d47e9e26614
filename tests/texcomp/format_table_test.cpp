// The format table: one row per code, found by code, enum or name.
#include <gtest/gtest.h>

#include "texcomp/texcomp.h"

namespace {

struct NamedFormat {
    TextureFormat format;
    const char* name;
    int32_t bits;  // per pixel; 0 for block formats
    bool block;
};

const NamedFormat EXPECTED[TEXTURE_FORMAT_COUNT] = {
    {TextureFormat::Dxt1, "dxt1", 0, true},
    {TextureFormat::Dxt1a, "dxt1a", 0, true},
    {TextureFormat::Dxt3, "dxt3", 0, true},
    {TextureFormat::Dxt5, "dxt5", 0, true},
    {TextureFormat::Argb4444, "argb4444", 16, false},
    {TextureFormat::Argb1555, "argb1555", 16, false},
    {TextureFormat::Rgb565, "rgb565", 16, false},
    {TextureFormat::Argb8888, "argb8888", 32, false},
    {TextureFormat::Rgb888, "rgb888", 24, false},
    {TextureFormat::Xrgb1555, "xrgb1555", 16, false},
    {TextureFormat::P8, "p8", 8, false},
    {TextureFormat::V8u8, "v8u8", 16, false},
    {TextureFormat::Cxv8u8, "cxv8u8", 16, false},
    {TextureFormat::A8, "a8", 8, false},
    {TextureFormat::P4, "p4", 4, false},
    {TextureFormat::Q8w8v8u8, "q8w8v8u8", 32, false},
    {TextureFormat::A8l8, "a8l8", 16, false},
    {TextureFormat::Bc4, "bc4", 0, true},
    {TextureFormat::Bc5, "bc5", 0, true},
    {TextureFormat::Bc7, "bc7", 0, true},
    {TextureFormat::Astc4x4, "astc4x4", 0, true},
    {TextureFormat::Astc6x6, "astc6x6", 0, true},
    {TextureFormat::Astc8x8, "astc8x8", 0, true},
};

}  // namespace

TEST(FormatTable, RowsByCodeEnumAndName) {
    for (int32_t code = 0; code < TEXTURE_FORMAT_COUNT; ++code) {
        const NamedFormat& e = EXPECTED[code];
        const TextureFormatInfo* f = texture_format_info(code);
        ASSERT_NE(f, nullptr) << code;
        EXPECT_EQ(f->code, code);
        EXPECT_EQ(static_cast<int32_t>(e.format), code);
        EXPECT_EQ(f->format, e.format);
        EXPECT_STREQ(f->name, e.name);
        EXPECT_EQ(f->bits_per_pixel, e.bits) << e.name;
        EXPECT_EQ(f->block_mode >= 0, e.block) << e.name;
        EXPECT_EQ(texture_format_info(e.format), f);
        EXPECT_EQ(texture_format_find(e.name), f);
        // Block and palettised formats have no per-pixel converter.
        EXPECT_EQ(f->convert == nullptr, e.block || f->palettised != 0) << e.name;
    }
}

TEST(FormatTable, NamesFoldCaseOnly) {
    EXPECT_EQ(texture_format_find("DXT1"), texture_format_info(TextureFormat::Dxt1));
    EXPECT_EQ(texture_format_find("Rgb888"), texture_format_info(TextureFormat::Rgb888));
    EXPECT_EQ(texture_format_find("dxt"), nullptr);
    EXPECT_EQ(texture_format_find("dxt1 "), nullptr);
    EXPECT_EQ(texture_format_find(""), nullptr);
    EXPECT_EQ(texture_format_find(nullptr), nullptr);
}

TEST(FormatTable, CodesOutsideTheTable) {
    EXPECT_EQ(texture_format_info(-1), nullptr);
    EXPECT_EQ(texture_format_info(TEXTURE_FORMAT_COUNT), nullptr);
    EXPECT_EQ(texture_level_size(-1, 4, 4), 0);
    EXPECT_EQ(texture_level_size(0, 0, 4), 0);
    EXPECT_EQ(texture_level_size(8, 4, -1), 0);
}

TEST(FormatTable, LevelSizes) {
    EXPECT_EQ(texture_level_size(14, 3, 3), 5);  // two pixels a byte, the last one alone
    EXPECT_EQ(texture_level_size(10, 3, 3), 9);
    EXPECT_EQ(texture_level_size(16, 3, 3), 18);
    EXPECT_EQ(texture_level_size(7, 32767, 32767), int64_t{32767} * 32767 * 4);
}

// ASTC levels: 16 bytes for every started block of the format's side, so the
// edges of a level whose sides are no multiples of it take whole blocks.
TEST(FormatTable, AstcLevelSizes) {
    const struct {
        TextureFormat format;
        int32_t side, w, h;
        int64_t bytes;
    } cases[] = {
        {TextureFormat::Astc4x4, 4, 1, 1, 16},  {TextureFormat::Astc4x4, 4, 5, 3, 32},
        {TextureFormat::Astc6x6, 6, 17, 9, 96}, {TextureFormat::Astc6x6, 6, 256, 256, 29584},
        {TextureFormat::Astc8x8, 8, 17, 9, 96}, {TextureFormat::Astc8x8, 8, 32767, 1, 65536}};
    for (const auto& c : cases) {
        const int32_t code = static_cast<int32_t>(c.format);
        EXPECT_TRUE(is_astc_format(code));
        EXPECT_EQ(texture_block_side(code), c.side);
        EXPECT_EQ(texture_level_size(code, c.w, c.h), c.bytes) << code << " " << c.w << "x" << c.h;
    }
    EXPECT_FALSE(is_astc_format(static_cast<int32_t>(TextureFormat::Bc7)));
    EXPECT_EQ(texture_block_side(static_cast<int32_t>(TextureFormat::Bc7)), 4);
}
