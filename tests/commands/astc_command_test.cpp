// A reader of ASTC blocks that is not ours: Debian's astcenc command,
// given our blocks in its own .astc file (a 16-byte header, then the blocks),
// decodes them (-dl: LDR, linear) to exactly the pixels of the project's
// decoding, for every block side on levels whose sides are no multiple of
// the block, and for every level of a razivavu-texture stream as
// razivavu-inspect shows it. Skipped when the command is missing
// (scripts/install-deps.sh installs it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/commands/commands_test_support.h"
#include "texfile/texfile.h"

using namespace cmdtest;

namespace {

bool have_astcenc() { return std::system("command -v astcenc > /dev/null 2>&1") == 0; }

// The .astc file of one level: magic 0x5CA1AB13, the block's three sides in
// a byte each, the level's three sizes in three bytes each (little-endian),
// then the blocks as they are.
void write_astc_file(const std::string& path, int32_t side, int32_t w, int32_t h,
                     const uint8_t* blocks, int64_t size) {
    std::vector<uint8_t> bytes{0x13, 0xAB, 0xA1, 0x5C, uint8_t(side), uint8_t(side), 1};
    for (uint32_t v : {uint32_t(w), uint32_t(h), 1u})
        for (int k = 0; k < 3; ++k) bytes.push_back(uint8_t(v >> (8 * k)));
    bytes.insert(bytes.end(), blocks, blocks + size);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The level as astcenc decodes it, R, G, B, A; empty when it could not.
std::vector<uint8_t> astcenc_pixels(const std::string& name, int32_t side, int32_t w, int32_t h,
                                    const uint8_t* blocks, int64_t size) {
    write_astc_file(name + ".astc", side, w, h, blocks, size);
    const RunResult r = run("astcenc", "-dl " + name + ".astc " + name + ".png");
    EXPECT_EQ(r.status, 0) << name << ": " << r.out << r.err;
    TexImage image;
    if (!read_png(name + ".png", image)) return {};
    EXPECT_EQ(image.width, w) << name;
    EXPECT_EQ(image.height, h) << name;
    return as_rgba(image);
}

class AstcCommand : public ScratchDir {};

}  // namespace

TEST_F(AstcCommand, DecodesOurBlocksToOurPixels) {
    if (!have_astcenc()) GTEST_SKIP() << "the astcenc command is not installed";
    struct Case {
        TextureFormat format;
        int32_t w, h;
        BlockQuality quality;
    };
    const Case cases[] = {{TextureFormat::Astc4x4, 17, 9, BlockQuality::Normal},
                          {TextureFormat::Astc6x6, 40, 27, BlockQuality::High},
                          {TextureFormat::Astc8x8, 5, 3, BlockQuality::Best},
                          {TextureFormat::Astc8x8, 33, 20, BlockQuality::Quick}};
    for (const Case& c : cases) {
        const int32_t code = static_cast<int32_t>(c.format);
        const TextureFormatInfo* info = texture_format_info(code);
        // Every byte different from its neighbours, alpha included: the
        // library's whole range of block encodings.
        std::vector<uint8_t> picture(size_t(c.w) * c.h * 4);
        for (size_t i = 0; i < picture.size(); ++i) picture[i] = uint8_t(i * 37 % 251);
        BlockOptions options;
        options.mode = info->block_mode;
        options.quality = c.quality;
        std::vector<uint8_t> blocks(static_cast<size_t>(texture_level_size(code, c.w, c.h)));
        ASSERT_EQ(encode_blocks({picture.data(), c.w, c.h, c.w * 4, ChannelOrder::Rgba}, options,
                                blocks.data(), int64_t(blocks.size())),
                  BlockResult::Ok);
        std::vector<uint8_t> ours(picture.size());
        tex_decoding(code)->decode(
            {blocks.data(), int64_t(blocks.size()), c.w, c.h, nullptr, BlockDecoder::Nearest},
            ours.data());
        const std::string name = std::string(info->name) + "_" + std::to_string(c.w);
        EXPECT_EQ(astcenc_pixels(name, texture_block_side(code), c.w, c.h, blocks.data(),
                                 int64_t(blocks.size())),
                  ours)
            << name;
    }
}

// Every level of razivavu-texture's stream, down to 1 x 1: the stream is
// marked by the library's own FourCC (no DX10 header), and what astcenc sees
// is what razivavu-inspect --png shows.
TEST_F(AstcCommand, DecodesEveryLevelOfAStreamAsTheInspectorDoes) {
    if (!have_astcenc()) GTEST_SKIP() << "the astcenc command is not installed";
    write_bmp("pic.bmp", bmp_of(64, 32, smooth_pattern(64, 32)));
    for (const char* format : {"astc4x4", "astc6x6", "astc8x8"}) {
        const std::string base = std::string(format), out = base + ".stream";
        ASSERT_EQ(
            run(TEXTURE_BINARY, "-q --force --quality fast --format " + base + " pic.bmp " + out)
                .status,
            0);
        ASSERT_EQ(run(INSPECT_BINARY, "--png png " + out).status, 0);
        TexFile file;
        std::string error;
        ASSERT_TRUE(read_tex_file(out, file, error)) << error;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.fourcc), 4),
                  "AS" + base.substr(4, 1) + base.substr(6, 1));
        EXPECT_FALSE(file.dx10);
        ASSERT_EQ(file.levels.size(), 7u) << format;
        for (size_t k = 0; k < file.levels.size(); ++k) {
            const TexLevel& level = file.levels[k];
            TexImage shown;
            ASSERT_TRUE(read_png("png/" + base + "_level" + std::to_string(k) + ".png", shown));
            EXPECT_EQ(astcenc_pixels(base + "_level" + std::to_string(k),
                                     texture_block_side(file.format), level.width, level.height,
                                     file.bytes.data() + level.offset, level.size),
                      as_rgba(shown))
                << format << " level " << k;
        }
    }
}
