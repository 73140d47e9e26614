// The stream's magic and surface header for every format code.
#include <gtest/gtest.h>

#include <string>

#include "texcomp_test_util.h"

namespace {

struct PfRow {
    uint32_t flags, fourcc, bits, r, g, b, a;
};

// The pixel-format words each code must carry, straight from the format
// description of the stream.
const PfRow EXPECTED_PF[17] = {
    {4, 0x31545844, 0, 0, 0, 0, 0},
    {4, 0x31545844, 0, 0, 0, 0, 0},
    {4, 0x33545844, 0, 0, 0, 0, 0},
    {4, 0x35545844, 0, 0, 0, 0, 0},
    {0x41, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {0x41, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {0x40, 0, 16, 0xF800, 0x07E0, 0x001F, 0},
    {0x41, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
    {0x40, 0, 24, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},
    {0x40, 0, 16, 0x7C00, 0x03E0, 0x001F, 0},
    {0x20, 0, 8, 0, 0, 0, 0},
    {0x00080000, 0, 16, 0x00FF, 0xFF00, 0, 0},
    {0x04, 117, 16, 0x00FF, 0xFF00, 0, 0},
    {0x02, 0, 8, 0, 0, 0, 0xFF},
    {0x08, 0, 4, 0, 0, 0, 0},
    {0x04, 63, 0, 0, 0, 0, 0},
    {0x00020001, 0, 16, 0x00FF, 0, 0, 0xFF00},
};

// Level-0 sizes of a 512 x 256 level for every code.
const uint32_t LINEAR_512x256[17] = {65536,  65536,  131072, 131072, 262144, 262144,
                                     262144, 524288, 393216, 262144, 131072, 262144,
                                     262144, 131072, 65536,  524288, 262144};

Capture header_of(int32_t code, TextureSettings s, int32_t w, int32_t h, int32_t depth) {
    Capture cap;
    s.user = &cap;
    s.write_sink = &Capture::sink;
    TextureCompressor tc;
    tc.settings = s;
    write_stream_header(tc, code, w, h, depth);
    return cap;
}

}  // namespace

TEST(StreamHeader, EveryFormatCode) {
    for (int32_t code = 0; code < 17; ++code) {
        const Capture cap = header_of(code, settings_for(code, nullptr), 512, 256, 0);
        ASSERT_EQ(cap.runs.size(), 2u);
        EXPECT_EQ(cap.runs[0].bytes, (std::vector<uint8_t>{0x44, 0x44, 0x53, 0x20}));
        ASSERT_EQ(cap.runs[1].bytes.size(), 124u);
        SCOPED_TRACE(code);
        EXPECT_EQ(cap.header_word(0), 124u);
        EXPECT_EQ(cap.header_word(4), 0x000A1007u);
        EXPECT_EQ(cap.header_word(8), 256u);
        EXPECT_EQ(cap.header_word(12), 512u);
        EXPECT_EQ(cap.header_word(16), LINEAR_512x256[code]);
        EXPECT_EQ(cap.header_word(20), 0u);
        EXPECT_EQ(cap.header_word(24), 10u);
        for (size_t off = 28; off < 72; off += 4) EXPECT_EQ(cap.header_word(off), 0u) << off;
        const PfRow& pf = EXPECTED_PF[code];
        EXPECT_EQ(cap.header_word(72), 32u);
        EXPECT_EQ(cap.header_word(76), pf.flags);
        EXPECT_EQ(cap.header_word(80), pf.fourcc);
        EXPECT_EQ(cap.header_word(84), pf.bits);
        EXPECT_EQ(cap.header_word(88), pf.r);
        EXPECT_EQ(cap.header_word(92), pf.g);
        EXPECT_EQ(cap.header_word(96), pf.b);
        EXPECT_EQ(cap.header_word(100), pf.a);
        EXPECT_EQ(cap.header_word(104), 0x00401008u);
        EXPECT_EQ(cap.header_word(108), 0u);
        for (size_t off = 112; off < 124; off += 4) EXPECT_EQ(cap.header_word(off), 0u) << off;
    }
}

TEST(StreamHeader, FourCcBytesSpellTheName) {
    const Capture cap = header_of(3, settings_for(3, nullptr), 4, 4, 0);
    const std::vector<uint8_t>& h = cap.runs.at(1).bytes;
    EXPECT_EQ(std::string(h.begin() + 80, h.begin() + 84), "DXT5");
}

TEST(StreamHeader, ChainModesCubeAndVolume) {
    TextureSettings s = settings_for(8, nullptr);
    s.g_mip_map_type = 32;
    Capture cap = header_of(8, s, 512, 512, 0);
    EXPECT_EQ(cap.header_word(4), 0x00081007u);
    EXPECT_EQ(cap.header_word(24), 0u);
    EXPECT_EQ(cap.header_word(104), 0x00001000u);

    s = settings_for(0, nullptr);
    s.g_texturemap_type = 1;
    cap = header_of(0, s, 512, 512, 0);
    EXPECT_EQ(cap.header_word(104), 0x00401008u | 0x8u);
    EXPECT_EQ(cap.header_word(108), 0x0000FE00u);
    EXPECT_EQ(cap.header_word(20), 0u);

    s = settings_for(8, nullptr);
    s.g_texturemap_type = 2;
    cap = header_of(8, s, 16, 16, 4);
    EXPECT_EQ(cap.header_word(4), 0x000A1007u | 0x00800000u);
    EXPECT_EQ(cap.header_word(20), 4u);
    EXPECT_EQ(cap.header_word(24), 5u);
    EXPECT_EQ(cap.header_word(108), 0x00200000u);
    EXPECT_EQ(cap.header_word(16), 16u * 16u * 3u);  // one slice's level 0
}

TEST(StreamHeader, MipCountFollowsTheLongerSideAndTheLimit) {
    TextureSettings s = settings_for(8, nullptr);
    EXPECT_EQ(header_of(8, s, 300, 300, 0).header_word(24), 9u);
    EXPECT_EQ(header_of(8, s, 1, 1, 0).header_word(24), 1u);
    EXPECT_EQ(header_of(8, s, 1, 8, 0).header_word(24), 4u);
    s.g_specified_mip_maps = 3;
    EXPECT_EQ(header_of(8, s, 512, 512, 0).header_word(24), 3u);
    s.g_specified_mip_maps = 20;
    EXPECT_EQ(header_of(8, s, 512, 512, 0).header_word(24), 10u);
}

TEST(StreamHeader, OutsideCodeKeepsOnlyTheBlockSize) {
    const int32_t outside = TEXTURE_FORMAT_COUNT;
    const Capture cap = header_of(outside, settings_for(outside, nullptr), 8, 8, 0);
    EXPECT_EQ(cap.header_word(72), 32u);
    for (size_t off = 76; off < 104; off += 4) EXPECT_EQ(cap.header_word(off), 0u);
}

TEST(LevelSizes, BlockFormatsTakeWholeBlocks) {
    EXPECT_EQ(texture_level_size(0, 1, 1), 8);
    EXPECT_EQ(texture_level_size(0, 2, 2), 8);
    EXPECT_EQ(texture_level_size(1, 4, 4), 8);
    EXPECT_EQ(texture_level_size(2, 1, 1), 16);
    EXPECT_EQ(texture_level_size(3, 5, 3), 32);
    EXPECT_EQ(texture_level_size(14, 1, 1), 1);  // every pixel keeps its nibble
    EXPECT_EQ(texture_level_size(8, 300, 300), 270000);
    EXPECT_EQ(texture_level_size(17, 5, 3), 16);  // BC4: 8 bytes a block
    EXPECT_EQ(texture_level_size(19, 1, 1), 16);
    EXPECT_EQ(texture_level_size(TEXTURE_FORMAT_COUNT, 8, 8), 0);
}

// The DX10 formats: "DX10" in the pixel format, then the 20 bytes of the
// DX10 header as a third run, for a plain texture, a cube and a volume.
TEST(StreamHeader, Dx10FormatsCarryTheirHeader) {
    struct Row {
        int32_t code;
        uint32_t dxgi_format, linear_size;
    };
    const Row rows[] = {{17, 80, 65536}, {18, 83, 131072}, {19, 98, 131072}};
    struct Kind {
        TextureMapType type;
        int32_t depth;
        uint32_t dimension, misc;
    };
    const Kind kinds[] = {{TextureMapType::Plain, 0, 3, 0},
                          {TextureMapType::Cube, 0, 3, 4},
                          {TextureMapType::Volume, 4, 4, 0}};
    for (const Row& row : rows)
        for (const Kind& kind : kinds) {
            SCOPED_TRACE(row.code);
            TextureSettings s = settings_for(row.code, nullptr);
            s.g_texturemap_type = static_cast<int32_t>(kind.type);
            const Capture cap = header_of(row.code, s, 512, 256, kind.depth);
            ASSERT_EQ(cap.runs.size(), 3u);
            EXPECT_EQ(cap.header_word(76), 4u);
            EXPECT_EQ(cap.header_word(80), 0x30315844u);  // "DX10"
            EXPECT_EQ(cap.header_word(16), row.linear_size);
            const std::vector<uint8_t>& d = cap.runs[2].bytes;
            ASSERT_EQ(d.size(), 20u);
            auto word = [&d](size_t at) {
                return uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 |
                       uint32_t(d[at + 3]) << 24;
            };
            EXPECT_EQ(word(0), row.dxgi_format);
            EXPECT_EQ(word(4), kind.dimension);
            EXPECT_EQ(word(8), kind.misc);
            EXPECT_EQ(word(12), 1u);
            // No picture planes were given here: BC7 says opaque, the others
            // unknown.
            EXPECT_EQ(word(16), row.code == 19 ? 3u : 0u);
        }
}
