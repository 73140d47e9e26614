// npm's ktx-parse, a reader written apart from razivavu, reads every KTX2
// file the containers library writes to the header, descriptor, KTXwriter
// and level bytes written; its named constants are the table's numbers.
// Skipped where node or ktx-parse is missing.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/common/run_program.h"
#include "tests/containers/chain_maker.h"
#include "vxsystem/vxsystem.h"

using namespace chaintest;

namespace {

// ktx2_read.mjs's lines for `args`; the test skips when it cannot run.
#define KTX_PARSE(lines, args)                                                        \
    const RunResult r = run_program("node", std::string(KTX2_READER) + " " + (args)); \
    if (r.status == 127 || r.status == 3)                                             \
        GTEST_SKIP() << "no node or ktx-parse (scripts/install-deps.sh): " << r.err;  \
    ASSERT_EQ(r.status, 0) << r.err;                                                  \
    lines = r.out

// What ktx2_read.mjs prints for `file`, from the table and the chain.
std::string expected_lines(const std::string& name, const MadeChain& m,
                           const std::vector<uint8_t>& file) {
    const MipChain& c = m.chain;
    const Ktx2Layout& l = *ktx2_layout(container_format(c.format)->vk_format);
    const bool block = l.block_width > 1;
    std::ostringstream o;
    o << name << ": " << l.vk_format << " " << int{l.type_size} << " " << c.width << " " << c.height
      << " 0 0 1 " << c.levels << " " << KTX2_SUPERCOMPRESSION_NONE << "\ndfd 0 0 "
      << KTX2_DFD_VERSION << " " << int{l.colour_model} << " " << int{KTX2_PRIMARIES_BT709} << " "
      << int{KTX2_TRANSFER_LINEAR} << " " << int{KTX2_ALPHA_STRAIGHT} << " " << l.block_width - 1
      << " " << l.block_height - 1 << " 0 0 " << int{l.block_bytes} << " 0 0 0 0 0 0 0\n";
    for (int s = 0; s < l.samples; ++s)
        o << "sample " << (block ? 0 : 8 * s) << " " << (block ? l.block_bytes * 8 - 1 : 7) << " "
          << int{l.channel_ids[s]} << " 0 0 0 0 0 " << (block ? 4294967295u : 255u) << "\n";
    o << "writer razivavu " << razivavu_version() << "\n";
    TexFile read;
    std::string error;
    EXPECT_TRUE(parse_tex_bytes(name, file, read, error)) << error;
    for (const TexLevel& level : read.levels) {
        o << "level " << level.size << " " << level.size << " " << std::hex;
        for (int64_t i = level.offset; i < level.offset + level.size; ++i)
            o << (file[i] >> 4) << (file[i] & 15);
        o << std::dec << "\n";
    }
    return o.str();
}

}  // namespace

TEST(KtxParse, ReadsEveryFileAsWritten) {
    const struct {
        TextureFormat format;
        int32_t w, h, first;
    } cases[] = {{TextureFormat::Dxt1, 32, 8, 1},     {TextureFormat::Bc7, 16, 16, 0},
                 {TextureFormat::Rgb888, 8, 2, 0},    {TextureFormat::Argb8888, 4, 8, 2},
                 {TextureFormat::Rgb888, 1, 1, 0},    {TextureFormat::Astc4x4, 8, 8, 0},
                 {TextureFormat::Astc6x6, 16, 16, 1}, {TextureFormat::Astc8x8, 32, 8, 0}};
    std::string args = "read", expected, lines;
    for (const auto& c : cases) {
        const MadeChain made = make_chain(c.format, c.w, c.h, c.first);
        std::vector<uint8_t> bytes;
        ASSERT_EQ(container_bytes(Container::Ktx2, made.chain, bytes, nullptr),
                  ContainerResult::Written);
        const std::string name =
            texture_format_info(c.format)->name + std::to_string(c.w) + ".ktx2";
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        args += " " + name;
        expected += expected_lines(name, made, bytes);
    }
    KTX_PARSE(lines, args);
    EXPECT_EQ(lines, expected);
}

// Every Vulkan number of the table (the ASTC ones, not written yet,
// included) and the descriptor's numbers, as ktx-parse names them.
TEST(KtxParse, TableNumbersAreItsConstants) {
    std::vector<std::pair<std::string, uint32_t>> named = {
        {"KHR_SUPERCOMPRESSION_NONE", KTX2_SUPERCOMPRESSION_NONE},
        {"KHR_DF_VERSION", KTX2_DFD_VERSION},
        {"KHR_DF_MODEL_RGBSDA", KTX2_MODEL_RGBSDA},
        {"KHR_DF_MODEL_ASTC", KTX2_MODEL_ASTC},
        {"KHR_DF_PRIMARIES_BT709", KTX2_PRIMARIES_BT709},
        {"KHR_DF_TRANSFER_LINEAR", KTX2_TRANSFER_LINEAR},
        {"KHR_DF_TRANSFER_SRGB", KTX2_TRANSFER_SRGB},
        {"KHR_DF_FLAG_ALPHA_STRAIGHT", KTX2_ALPHA_STRAIGHT},
        {"KHR_DF_CHANNEL_RGBSDA_ALPHA",
         ktx2_layout(container_format(TextureFormat::Argb8888)->vk_format)->channel_ids[3]}};
    int32_t count = 0;
    const Ktx2Layout* rows = ktx2_layouts(&count);
    for (int32_t k = 0; k < count; ++k)
        named.push_back({std::string("VK_FORMAT_") + rows[k].vk_name, rows[k].vk_format});
    std::string args = "constant", expected, lines;
    for (const auto& [name, value] : named) {
        args += " " + name;
        expected += name + " " + std::to_string(value) + "\n";
    }
    KTX_PARSE(lines, args);
    EXPECT_EQ(lines, expected);
}
