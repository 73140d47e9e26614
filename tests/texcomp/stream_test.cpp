// Stream order and level sizes: the tool's two tile files, odd sizes, level
// limits, cube faces and the level callback.
#include <gtest/gtest.h>

#include <algorithm>

#include "texcomp_test_util.h"

namespace {

std::vector<size_t> sizes_of_code8_chain(std::initializer_list<std::pair<int, int>> sides) {
    std::vector<size_t> out;
    for (auto [w, h] : sides) out.push_back(static_cast<size_t>(w) * h * 3);
    return out;
}

}  // namespace

TEST(Stream, ToolTileTwentyFourBit) {
    const auto pic = gradient_picture(512, 512, 3);
    int32_t r = 1;
    const Capture cap = compress_captured(pic, 512, 512, 3, settings_for(8, nullptr), &r);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(cap.header_word(4), 0x000A1007u);
    EXPECT_EQ(cap.header_word(8), 512u);
    EXPECT_EQ(cap.header_word(12), 512u);
    EXPECT_EQ(cap.header_word(16), 786432u);
    EXPECT_EQ(cap.header_word(24), 10u);
    EXPECT_EQ(cap.header_word(76), 0x40u);
    EXPECT_EQ(cap.header_word(84), 24u);
    EXPECT_EQ(cap.header_word(104), 0x00401008u);
    EXPECT_EQ(cap.header_word(108), 0u);
    const std::vector<size_t> expect = {786432, 196608, 49152, 12288, 3072, 768, 192, 48, 12, 3};
    EXPECT_EQ(cap.level_sizes(), expect);
    size_t total = 0;
    for (size_t s : cap.level_sizes()) total += s;
    EXPECT_EQ(total, 1048575u);
    // Level 0 is the picture itself, byte for byte.
    EXPECT_EQ(cap.runs.at(2).bytes, pic);
}

TEST(Stream, ToolTileBlockCompressed) {
    const auto pic = gradient_picture(512, 512, 3);
    TextureSettings s = settings_for(0, nullptr);
    s.g_b_swap_rgb = 1;
    s.g_b_quick_compress = 1;  // sizes do not depend on the search
    const Capture cap = compress_captured(pic, 512, 512, 3, s);
    EXPECT_EQ(cap.header_word(16), 131072u);
    EXPECT_EQ(cap.header_word(76), 4u);
    EXPECT_EQ(cap.header_word(80), 0x31545844u);
    const std::vector<size_t> expect = {131072, 32768, 8192, 2048, 512, 128, 32, 8, 8, 8};
    EXPECT_EQ(cap.level_sizes(), expect);
}

TEST(Stream, NonSquareAndOddSides) {
    const auto wide = gradient_picture(512, 256, 3);
    Capture cap = compress_captured(wide, 512, 256, 3, settings_for(8, nullptr));
    EXPECT_EQ(cap.header_word(24), 10u);
    EXPECT_EQ(cap.level_sizes(), sizes_of_code8_chain({{512, 256},
                                                       {256, 128},
                                                       {128, 64},
                                                       {64, 32},
                                                       {32, 16},
                                                       {16, 8},
                                                       {8, 4},
                                                       {4, 2},
                                                       {2, 1},
                                                       {1, 1}}));

    const auto odd = gradient_picture(300, 300, 3);
    cap = compress_captured(odd, 300, 300, 3, settings_for(8, nullptr));
    EXPECT_EQ(cap.header_word(24), 9u);  // binary digits of 300
    std::vector<size_t> expect;
    for (int side : {300, 150, 75, 38, 19, 10, 5, 3, 2, 1}) expect.push_back(side * side * 3u);
    EXPECT_EQ(cap.level_sizes(), expect);  // one level more than announced

    const auto column = gradient_picture(1, 8, 3);
    cap = compress_captured(column, 1, 8, 3, settings_for(8, nullptr));
    EXPECT_EQ(cap.level_sizes(), (std::vector<size_t>{24, 12, 6, 3}));
}

TEST(Stream, DriverRefusesBlockFormatOnOddSides) {
    Capture cap;
    const auto pic = gradient_picture(300, 300, 3);
    TextureCompressor tc;
    texture_settings_init(tc.settings);
    tc.settings.user = &cap;
    tc.settings.write_sink = &Capture::sink;
    tc.image.width = tc.image.height = 300;
    tc.image.planes = 3;
    tc.image.pitch = 900;
    tc.image.level_pixels = pic.data();
    EXPECT_EQ(compress_levels(tc, 0, nullptr), DriverResult::Refused);
    EXPECT_TRUE(cap.runs.empty());
}

TEST(Stream, SpecifiedMipMapsAndSingleLevel) {
    const auto pic = gradient_picture(512, 512, 3);
    TextureSettings s = settings_for(8, nullptr);
    s.g_specified_mip_maps = 3;
    Capture cap = compress_captured(pic, 512, 512, 3, s);
    EXPECT_EQ(cap.header_word(24), 3u);
    EXPECT_EQ(cap.level_sizes(), sizes_of_code8_chain({{512, 512}, {256, 256}, {128, 128}}));

    s.g_specified_mip_maps = 20;
    cap = compress_captured(pic, 512, 512, 3, s);
    EXPECT_EQ(cap.header_word(24), 10u);
    EXPECT_EQ(cap.level_sizes().size(), 10u);

    s = settings_for(8, nullptr);
    s.g_mip_map_type = 32;
    cap = compress_captured(pic, 512, 512, 3, s);
    EXPECT_EQ(cap.header_word(4), 0x00081007u);
    EXPECT_EQ(cap.header_word(24), 0u);
    EXPECT_EQ(cap.header_word(104), 0x00001000u);
    EXPECT_EQ(cap.level_sizes(), (std::vector<size_t>{786432}));
}

TEST(Stream, CubeFacesInOrder) {
    // Six faces of different constant colours: each face's chain must come
    // from its own sixth of the picture.
    const int32_t W = 3072, H = 512;
    std::vector<uint8_t> pic(static_cast<size_t>(W) * H * 3);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c)
                pic[(y * W + x) * 3 + c] = static_cast<uint8_t>(40 * (x / 512) + c);
    TextureSettings s = settings_for(0, nullptr);
    s.g_texturemap_type = 1;
    s.g_b_quick_compress = 1;
    Capture cap = compress_captured(pic, W, H, 3, s);
    EXPECT_EQ(cap.header_word(12), 512u);
    EXPECT_EQ(cap.header_word(104), 0x00401008u | 0x8u);
    EXPECT_EQ(cap.header_word(108), 0x0000FE00u);
    const std::vector<size_t> face = {131072, 32768, 8192, 2048, 512, 128, 32, 8, 8, 8};
    std::vector<size_t> expect;
    for (int f = 0; f < 6; ++f) expect.insert(expect.end(), face.begin(), face.end());
    EXPECT_EQ(cap.level_sizes(), expect);
    // The same faces as code 7 (exact pixels): face f's 1x1 level is its colour.
    s.g_texture_format = 7;
    cap = compress_captured(pic, W, H, 3, s);
    ASSERT_EQ(cap.runs.size(), 2u + 60u);
    for (int f = 0; f < 6; ++f) {
        const std::vector<uint8_t>& last = cap.runs[2 + 10 * f + 9].bytes;
        ASSERT_EQ(last.size(), 4u);
        EXPECT_EQ(last[0], 40 * f);
        EXPECT_EQ(last[2], 40 * f + 2);
    }
}

TEST(Stream, LevelCallbackRestartsPerFace) {
    Capture cap;
    LevelCapture levels;
    const auto pic = gradient_picture(96, 16, 3);
    TextureSettings s = settings_for(8, &levels);
    s.g_texturemap_type = 1;
    // The sink would see runs if anything went there; it must not.
    EXPECT_EQ(compress_texture(pic.data(), 96, 16, 96 * 3, s, 3, &LevelCapture::callback, nullptr),
              0);
    EXPECT_TRUE(cap.runs.empty());
    ASSERT_EQ(levels.levels.size(), 6u * 5u);
    for (size_t i = 0; i < levels.levels.size(); ++i) {
        const LevelRecord& l = levels.levels[i];
        EXPECT_EQ(l.level, static_cast<int32_t>(i % 5));
        EXPECT_EQ(l.width, 16 >> (i % 5));
        EXPECT_EQ(l.height, 16 >> (i % 5));
        EXPECT_EQ(l.count, l.width * l.height * 3);
    }
}

TEST(Stream, PremadeLevelsAreReadSideBySide) {
    // 1024 x 256 with chain mode 31: level 0 is the left half, level j starts
    // right after level j - 1 in row 0.
    const int32_t W = 1024, H = 256;
    const auto pic = pattern_picture(W, H, 3, 7);
    LevelCapture levels;
    TextureSettings s = settings_for(7, &levels);
    s.g_mip_map_type = 31;
    EXPECT_EQ(compress_texture(pic.data(), W, H, W * 3, s, 3, &LevelCapture::callback, nullptr), 0);
    ASSERT_EQ(levels.levels.size(), 10u);  // 512x256 down to 1x1
    int32_t column = 0;
    for (size_t j = 0; j < levels.levels.size(); ++j) {
        const LevelRecord& l = levels.levels[j];
        const int32_t lw = std::max(512 >> j, 1), lh = std::max(256 >> j, 1);
        ASSERT_EQ(l.width, lw);
        ASSERT_EQ(l.height, lh);
        for (int32_t y = 0; y < lh; ++y)
            for (int32_t x = 0; x < lw; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(l.bytes[(y * lw + x) * 4 + c], pic[(y * W + column + x) * 3 + c])
                        << "level " << j << " at " << x << "," << y;
        column += lw;
    }
    EXPECT_EQ(levels.levels[1].width, 256);
    EXPECT_EQ(levels.levels[3].height, 32);
}

TEST(Stream, LevelsTooLargeForOneRunAreRefused) {
    // 32767 x 32767 x 4 bytes does not fit the sink's 32-bit byte count.
    Capture cap;
    const uint8_t pixel[4] = {};
    TextureCompressor tc;
    texture_settings_init(tc.settings);
    tc.settings.user = &cap;
    tc.settings.write_sink = &Capture::sink;
    tc.image.width = tc.image.height = 32767;
    tc.image.planes = 4;
    tc.image.pitch = 0;
    tc.image.level_pixels = pixel;
    EXPECT_EQ(compress_levels(tc, 7, nullptr), DriverResult::Refused);
    EXPECT_TRUE(cap.runs.empty());
}

// The quality setting reaches the block encoder of every block format: the
// default is Normal's stream, Quick is the quick search's, High changes the
// DXT1 colour halves (DXT3 and DXT5 always have four colours), Best all of
// them, and no size changes; a value outside the four is refused.
TEST(Stream, QualityReachesTheBlockFormats) {
    const auto pic = gradient_picture(64, 32, 4);
    for (int32_t code : {0, 1, 2, 3}) {
        TextureSettings s = settings_for(code, nullptr);
        const Capture normal = compress_captured(pic, 64, 32, 4, s);
        s.g_b_quick_compress = 1;
        const Capture quick_flag = compress_captured(pic, 64, 32, 4, s);
        s.g_b_quick_compress = 0;
        struct Case {
            TextureQuality quality;
            bool same_as_normal, same_as_quick;
        } cases[] = {{TextureQuality::Normal, true, false},
                     {TextureQuality::Quick, false, true},
                     {TextureQuality::High, code >= 2, false},
                     {TextureQuality::Best, false, false}};
        for (const Case& c : cases) {
            s.quality = c.quality;
            int32_t r = 1;
            const Capture cap = compress_captured(pic, 64, 32, 4, s, &r);
            ASSERT_EQ(r, 0);
            EXPECT_EQ(cap.level_sizes(), normal.level_sizes());
            EXPECT_EQ(stream_hash(cap) == stream_hash(normal), c.same_as_normal)
                << "code " << code << " quality " << int(c.quality);
            EXPECT_EQ(stream_hash(cap) == stream_hash(quick_flag), c.same_as_quick)
                << "code " << code << " quality " << int(c.quality);
        }
        s.quality = static_cast<TextureQuality>(7);
        int32_t r = 0;
        EXPECT_TRUE(compress_captured(pic, 64, 32, 4, s, &r).runs.empty());
        EXPECT_EQ(r, TEXCOMP_REFUSED);
    }
}
