// The readers against real streams and tile files: the level tables they
// find, and every kind of bad file with its message.
#include <gtest/gtest.h>

#include <functional>

#include "tests/commands/streams.h"
#include "texfile/texfile.h"

using namespace cmdtest;

namespace {

void put_word(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b.at(at + k) = static_cast<uint8_t>(v >> (8 * k));
}

std::vector<std::pair<int32_t, int32_t>> sizes_of(const TexFile& f) {
    std::vector<std::pair<int32_t, int32_t>> s;
    for (const TexLevel& l : f.levels) s.push_back({l.width, l.height});
    return s;
}

// Levels must tile the file exactly, header first.
void expect_contiguous(const TexFile& f, int64_t first) {
    int64_t at = first;
    for (size_t k = 0; k < f.levels.size(); ++k) {
        if (!f.palette_offsets.empty() && f.levels[k].index == 0) at += 4 * f.palette_entries;
        EXPECT_EQ(f.levels[k].offset, at) << k;
        at += f.levels[k].size;
    }
    EXPECT_EQ(at, static_cast<int64_t>(f.bytes.size()));
}

TEST(ReadStream, PlainChainOfEveryUncompressedAndBlockFormat) {
    for (int32_t code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15, 16}) {
        TexFile f;
        std::string error;
        ASSERT_TRUE(parse_tex_bytes("x.dds", make_stream(code, 16, 8), f, error))
            << code << ": " << error;
        // Codes 0 and 1 share one header.
        EXPECT_EQ(f.format, code == 1 ? 0 : code);
        EXPECT_EQ(sizes_of(f), (std::vector<std::pair<int32_t, int32_t>>{
                                   {16, 8}, {8, 4}, {4, 2}, {2, 1}, {1, 1}}));
        expect_contiguous(f, 128);
        EXPECT_TRUE(f.note.empty());
    }
}

TEST(ReadStream, SidesThatAreNotPowersOfTwoCarryOneLevelBeyondTheMipCount) {
    TexFile f;
    std::string error;
    ASSERT_TRUE(parse_tex_bytes("x.dds", make_stream(8, 12, 12), f, error)) << error;
    EXPECT_EQ(f.header_levels, 4);
    EXPECT_EQ(f.levels.size(), 5u);
    EXPECT_EQ(f.levels.back().width, 1);
    EXPECT_NE(f.note.find("one level beyond"), std::string::npos);
}

TEST(ReadStream, ShortChainsCubesAndVolumes) {
    struct Case {
        const char* what;
        int32_t code, w, h;
        void (*tweak)(TextureSettings&);
        size_t levels;
        int32_t faces;
        std::vector<int32_t> slices;
    };
    const Case cases[] = {
        {"three levels",
         8,
         16,
         16,
         [](TextureSettings& s) { s.g_specified_mip_maps = 3; },
         3,
         1,
         {1, 1, 1}},
        {"level 0 only", 7, 16, 16, [](TextureSettings& s) { s.g_mip_map_type = 32; }, 1, 1, {1}},
        {"cube", 7, 96, 16, [](TextureSettings& s) { s.g_texturemap_type = 1; }, 30, 6, {}},
        {"volume",
         8,
         64,
         16,
         [](TextureSettings& s) { s.g_texturemap_type = 2; },
         5,
         1,
         {4, 2, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        TexFile f;
        std::string error;
        ASSERT_TRUE(parse_tex_bytes("x.dds", make_stream(c.code, c.w, c.h, c.tweak), f, error))
            << c.what << ": " << error;
        EXPECT_EQ(f.levels.size(), c.levels) << c.what;
        EXPECT_EQ(f.faces, c.faces) << c.what;
        for (size_t k = 0; k < c.slices.size(); ++k)
            EXPECT_EQ(f.levels[k].slices, c.slices[k]) << c.what << " level " << k;
        EXPECT_EQ(f.levels.back().offset + f.levels.back().size,
                  static_cast<int64_t>(f.bytes.size()));
        for (size_t k = 0; k < f.levels.size(); ++k) {
            TexImage image;
            ASSERT_TRUE(decode_tex_level(f, k, image, error));
            EXPECT_EQ(image.width, f.levels[k].width * f.levels[k].slices);
        }
    }
}

struct BadCase {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> spoil;
    const char* message;
};

TEST(ReadStream, EveryBadFileKindHasItsMessage) {
    const std::vector<uint8_t> good = make_stream(3, 16, 16);
    const BadCase cases[] = {
        {"one byte short", [](auto& b) { b.pop_back(); }, "short file"},
        {"one byte long", [](auto& b) { b.push_back(0); }, "long file"},
        {"header cut", [](auto& b) { b.resize(100); }, "short file"},
        {"two bytes", [](auto& b) { b.resize(2); }, "short file"},
        {"bad magic", [](auto& b) { b[0] = 'X'; }, "bad magic"},
        {"header size", [](auto& b) { put_word(b, 4, 120); }, "not 124"},
        {"width 0", [](auto& b) { put_word(b, 16, 0); }, "impossible sizes"},
        {"height huge", [](auto& b) { put_word(b, 12, 0x80000000u); }, "impossible sizes"},
        {"mip count 40", [](auto& b) { put_word(b, 28, 40); }, "impossible sizes"},
        {"pixel format", [](auto& b) { put_word(b, 84, 0x12345678); }, "names no format"},
        {"width doubled", [](auto& b) { put_word(b, 16, 32); }, "short file"},
        {"half a cube", [](auto& b) { put_word(b, 112, 0x600); }, "six faces"},
        {"volume of 3",
         [](auto& b) {
             put_word(b, 112, 0x00200000);
             put_word(b, 24, 3);
         },
         "impossible sizes"},
    };
    for (const BadCase& c : cases) {
        std::vector<uint8_t> bytes = good;
        c.spoil(bytes);
        TexFile f;
        std::string error;
        EXPECT_FALSE(parse_tex_bytes("x.dds", bytes, f, error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

TEST(ReadTile, RowKindsOfTilesWhoseSidesAreNotPowersOfTwo) {
    // A 13 x 13 tile: the header says 13 >> skip, the chain stores ceil(13 / 2^skip).
    for (int32_t skip = 0; skip <= 2; ++skip) {
        TexFile f;
        std::string error;
        ASSERT_TRUE(parse_tex_bytes("t.vxt", make_tile(false, 13, 13, skip), f, error))
            << skip << ": " << error;
        EXPECT_EQ(f.skip_levels, skip);
        EXPECT_EQ(f.header_width, 13 >> skip);
        EXPECT_EQ(f.levels.front().width, (13 + (1 << skip) - 1) >> skip);
        EXPECT_EQ(f.levels.front().index, skip);
        EXPECT_EQ(f.levels.back().width, 1);
    }
}

TEST(ReadTile, PowerOfTwoTilesAndTheHeaderOnlyFile) {
    for (int32_t skip = 0; skip <= 2; ++skip) {
        TexFile f;
        std::string error;
        ASSERT_TRUE(parse_tex_bytes("t.vxt", make_tile(true, 32, 16, skip), f, error)) << error;
        EXPECT_EQ(f.format, 0);
        EXPECT_EQ(f.skip_levels, skip);
        EXPECT_EQ(f.levels.size(), 6u - skip);
    }
    // The block file of a tile the block format refuses is its header alone.
    TexFile f;
    std::string error;
    ASSERT_TRUE(parse_tex_bytes("t.vxt", make_tile(true, 12, 12, 0), f, error)) << error;
    EXPECT_TRUE(f.levels.empty());
    EXPECT_NE(f.note.find("no levels"), std::string::npos);
}

TEST(ReadTile, EveryBadFileKindHasItsMessage) {
    const std::vector<uint8_t> good = make_tile(false, 16, 16, 0);
    const BadCase cases[] = {
        {"one byte short", [](auto& b) { b.pop_back(); }, "short file"},
        {"one level long", [](auto& b) { b.insert(b.end(), 3, 0); }, "long file"},
        {"header cut", [](auto& b) { b.resize(20); }, "short file"},
        {"code 5", [](auto& b) { put_word(b, 4, 5); }, "none of a tile file's (3, 12"},
        {"header size", [](auto& b) { put_word(b, 20, 31); }, "not 32"},
        {"width -1", [](auto& b) { put_word(b, 8, 0xFFFFFFFFu); }, "impossible sizes"},
        {"levels 99", [](auto& b) { put_word(b, 16, 99); }, "impossible sizes"},
        {"level count 2", [](auto& b) { put_word(b, 16, 2); }, "more than the header"},
        {"bad magic", [](auto& b) { put_word(b, 0, 12346); }, "bad magic"},
        {"width 0 with levels",
         [](auto& b) {
             put_word(b, 8, 0);
             put_word(b, 12, 0);
         },
         "cannot hold"},
    };
    for (const BadCase& c : cases) {
        std::vector<uint8_t> bytes = good;
        c.spoil(bytes);
        TexFile f;
        std::string error;
        EXPECT_FALSE(parse_tex_bytes("t.vxt", bytes, f, error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

}  // namespace
