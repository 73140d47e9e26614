// The palettised formats in the stream: palette before level 0 of every
// face, level sizes, 16-colour levels of odd width, cube faces with their
// own palettes, the level callback, and whole streams pinned by hash.
#include <gtest/gtest.h>

#include <cstdlib>

#include "texcomp_test_util.h"

namespace {

int32_t nibble(const std::vector<uint8_t>& bytes, int64_t i) {
    return (i & 1) ? bytes.at(i / 2) >> 4 : bytes.at(i / 2) & 0x0F;
}

}  // namespace

TEST(PaletteStream, SizesAndHeaders) {
    struct Case {
        int32_t code, w, h;
        uint32_t linear;
        std::vector<size_t> runs;  // after the header: palette, then levels
    };
    const Case cases[] = {
        {10, 4, 4, 16, {1024, 16, 4, 1}},
        {14, 1, 1, 1, {64, 1}},
        {14, 5, 3, 8, {64, 8, 3, 1, 1}},  // 5x3, 3x2, 2x1, 1x1
        {14,
         6,
         2,
         6,
         {64, 6, 2, 1, 1}},  // 6x2, 3x1, 2x1, 1x1     {10, 3, 5, 15, {1024, 15, 6, 2, 1}},
    };
    for (const Case& c : cases)
        for (int32_t planes : {3, 4}) {
            int32_t r = 1;
            const Capture cap = compress_captured(gradient_picture(c.w, c.h, planes), c.w, c.h,
                                                  planes, settings_for(c.code, nullptr), &r);
            EXPECT_EQ(r, 0);
            EXPECT_EQ(cap.header_word(16), c.linear) << c.code << " " << c.w;
            EXPECT_EQ(cap.header_word(76), c.code == 10 ? 0x20u : 0x08u);
            EXPECT_EQ(cap.header_word(84), c.code == 10 ? 8u : 4u);
            EXPECT_EQ(cap.level_sizes(), c.runs) << c.code << " " << c.w << "x" << c.h;
        }
}

TEST(PaletteStream, OddWidthKeepsEveryPixelsIndex) {
    // 5 x 3 pixels of 15 colours far apart: every pixel's index, read in
    // pixel order, names its own colour.
    for (int32_t planes : {3, 4}) {
        std::vector<uint8_t> pic;
        for (int32_t i = 0; i < 15; ++i) {
            const uint8_t px[4] = {static_cast<uint8_t>(16 * i + 8),
                                   static_cast<uint8_t>(255 - 16 * i), static_cast<uint8_t>(i * 40),
                                   255};
            pic.insert(pic.end(), px, px + planes);
        }
        TextureSettings s = settings_for(14, nullptr);
        s.g_mip_map_type = 32;
        const Capture cap = compress_captured(pic, 5, 3, planes, s);
        ASSERT_EQ(cap.runs.size(), 4u);
        const std::vector<uint8_t>& pal = cap.runs[2].bytes;
        const std::vector<uint8_t>& level = cap.runs[3].bytes;
        ASSERT_EQ(level.size(), 8u);
        EXPECT_EQ(level[7] >> 4, 0);
        for (int64_t i = 0; i < 15; ++i) {
            const int32_t k = nibble(level, i);
            // The picture's first byte is the level's blue byte, so the
            // entry (red, green, blue) holds the picture's bytes 2, 1, 0.
            for (int c = 0; c < 3; ++c) EXPECT_EQ(pal[4 * k + c], pic[i * planes + 2 - c]) << i;
        }
    }
}

TEST(PaletteStream, CubeFacesCarryTheirOwnPalettes) {
    const int32_t side = 4;
    const uint8_t colour[6][3] = {{200, 10, 10},  {10, 200, 10},  {10, 10, 200},
                                  {200, 200, 10}, {10, 200, 200}, {120, 60, 30}};
    for (int32_t planes : {3, 4})
        for (int32_t code : {10, 14}) {
            std::vector<uint8_t> pic;
            for (int32_t y = 0; y < side; ++y)
                for (int32_t f = 0; f < 6; ++f)
                    for (int32_t x = 0; x < side; ++x) {
                        pic.insert(pic.end(), colour[f], colour[f] + 3);
                        if (planes == 4) pic.push_back(255);
                    }
            TextureSettings s = settings_for(code, nullptr);
            s.g_texturemap_type = 1;
            const Capture cap = compress_captured(pic, 6 * side, side, planes, s);
            ASSERT_EQ(cap.runs.size(), 2u + 6 * 4);  // per face: palette and 3 levels
            for (int32_t f = 0; f < 6; ++f) {
                const std::vector<uint8_t>& pal = cap.runs[2 + 4 * f].bytes;
                const std::vector<uint8_t> first(pal.begin(), pal.begin() + 4);
                EXPECT_EQ(first,
                          (std::vector<uint8_t>{colour[f][2], colour[f][1], colour[f][0], 255}))
                    << "face " << f;
                for (int32_t j = 1; j <= 3; ++j)
                    for (uint8_t b : cap.runs[2 + 4 * f + j].bytes) EXPECT_EQ(b, 0) << f;
            }
        }
}

TEST(PaletteStream, LevelCallbackSeesThePaletteAsFourByN) {
    for (int32_t code : {10, 14}) {
        LevelCapture cap;
        TextureSettings s = settings_for(code, &cap);
        const auto pic = gradient_picture(8, 4, 3);
        ASSERT_EQ(compress_texture(pic.data(), 8, 4, 24, s, 3, &LevelCapture::callback, nullptr),
                  0);
        const int32_t n = code == 10 ? 256 : 16;
        ASSERT_EQ(cap.levels.size(), 5u);  // palette, 8x4, 4x2, 2x1, 1x1
        EXPECT_EQ(cap.levels[0].level, 0);
        EXPECT_EQ(cap.levels[0].count, 4 * n);
        EXPECT_EQ(cap.levels[0].width, 4);
        EXPECT_EQ(cap.levels[0].height, n);
        for (int32_t j = 0; j < 4; ++j) EXPECT_EQ(cap.levels[1 + j].level, j);
        EXPECT_EQ(cap.levels[1].width, 8);
        EXPECT_EQ(cap.levels[1].count, code == 10 ? 32 : 16);
    }
}

TEST(PaletteStream, WholeStreamsPinned) {
    struct Case {
        int32_t code, planes;
        bool dither;
        uint64_t hash;
    };
    const Case cases[] = {
        {10, 3, false, 17447243562255737194ull},
        {14, 3, true, 782558008739000810ull},
        {10, 4, true, 1197449205470009152ull},
        {14, 4, false, 18247064615403706835ull},
    };
    for (const Case& c : cases) {
        TextureSettings s = settings_for(c.code, nullptr);
        s.g_b_dither_mip0 = c.dither;
        s.g_b_dither_color = c.dither;
        const auto pic = gradient_picture(48, 40, c.planes);
        const Capture cap = compress_captured(pic, 48, 40, c.planes, s);
        EXPECT_EQ(stream_hash(cap), c.hash) << c.code << " " << c.planes;
        // The pinned bytes are a sound picture: level 0 read back through its
        // palette stays near the source.
        const std::vector<uint8_t>& pal = cap.runs.at(2).bytes;
        const std::vector<uint8_t>& level = cap.runs.at(3).bytes;
        double error = 0;
        for (int64_t i = 0; i < 48 * 40; ++i) {
            const int32_t k = c.code == 10 ? level.at(i) : nibble(level, i);
            for (int ch = 0; ch < 3; ++ch)
                error += std::abs(pal[4 * k + ch] - pic[i * c.planes + 2 - ch]);
        }
        error /= 48 * 40 * 3;
        EXPECT_LT(error, c.code == 10 ? 12.0 : 32.0) << c.code << " " << c.planes;
    }
}

// Four-plane photos go through the vector quantiser's every stage (block
// codebook reduction, 64-byte nearest search, palette training, mapping and
// the colour search of the smaller levels); their streams are held here.
TEST(PaletteStream, FourPlanePhotoStreamsPinned) {
    struct Case {
        int32_t code;
        bool dither;
        uint64_t hash;
    };
    const Case cases[] = {
        {10, false, 10939627437383179174ull},
        {14, false, 2578230933793372722ull},
        {10, true, 3918227686698698095ull},
        {14, true, 4469390062965023271ull},
    };
    const auto pic = photo_picture(328, 264, 4);
    for (const Case& c : cases) {
        TextureSettings s = settings_for(c.code, nullptr);
        s.g_b_dither_mip0 = c.dither;
        s.g_b_dither_color = c.dither;
        const Capture cap = compress_captured(pic, 328, 264, 4, s);
        EXPECT_EQ(stream_hash(cap), c.hash) << c.code << " " << c.dither;
    }
}
