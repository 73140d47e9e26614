// npm's ktx-parse, a reader written apart from razivavu, reads every KTX2
// file the containers library writes to the header, descriptor, KTXwriter
// and level bytes it was given; and its named constants agree with the
// numbers of the table. Skipped where node or ktx-parse is missing.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/common/run_program.h"
#include "tests/containers/chain_maker.h"
#include "vxsystem/vxsystem.h"

using namespace chaintest;

namespace {

// ktx2_read.mjs's lines for `args`; skips the test when it cannot run.
#define KTX_PARSE(lines, args)                                                              \
    do {                                                                                    \
        const RunResult r = run_program("node", std::string(KTX2_READER) + " " + (args));   \
        if (r.status == 127 || r.status == 3)                                               \
            GTEST_SKIP() << "no node or no ktx-parse (scripts/install-deps.sh installs it " \
                            "where npm is): "                                               \
                         << r.err;                                                          \
        ASSERT_EQ(r.status, 0) << r.err;                                                    \
        lines = r.out;                                                                      \
    } while (0)

std::string hex(const uint8_t* p, int64_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (int64_t i = 0; i < n; ++i) s += {digits[p[i] >> 4], digits[p[i] & 15]};
    return s;
}

// The lines ktx2_read.mjs prints for a file written from `chain`, made
// from the table and the chain.
std::string expected_lines(const std::string& name, const MipChain& chain,
                           const std::vector<uint8_t>& file) {
    const Ktx2Layout& l = *ktx2_layout(container_format(chain.format)->vk_format);
    const bool block = l.block_width > 1;
    std::ostringstream o;
    o << "file " << name << "\nvkFormat " << l.vk_format << "\ntypeSize " << int{l.type_size}
      << "\npixels " << chain.width << " " << chain.height << " 0\nlayers 0 faces 1\nlevelCount "
      << chain.levels << "\nsupercompression 0\ndfd 0 0 " << KTX2_DFD_VERSION << " model "
      << int{l.colour_model} << " primaries " << int{KTX2_PRIMARIES_BT709} << " transfer "
      << int{KTX2_TRANSFER_LINEAR} << " flags " << int{KTX2_ALPHA_STRAIGHT} << " block "
      << l.block_width - 1 << " " << l.block_height - 1 << " 0 0 planes " << int{l.block_bytes}
      << " 0 0 0 0 0 0 0\n";
    for (int s = 0; s < l.samples; ++s)
        o << "sample " << (block ? 0 : 8 * s) << " " << (block ? l.block_bytes * 8 - 1 : 7) << " "
          << int{l.channel_ids[s]} << " 0 0 0 0 0 " << (block ? 4294967295u : 255u) << "\n";
    o << "writer razivavu " << razivavu_version() << "\n";
    TexFile read;
    std::string error;
    EXPECT_TRUE(parse_tex_bytes(name, file, read, error)) << error;
    for (size_t k = 0; k < read.levels.size(); ++k) {
        const TexLevel& level = read.levels[k];
        o << "level " << k << " " << level.size << " " << level.size << " "
          << hex(file.data() + level.offset, level.size) << "\n";
    }
    return o.str();
}

}  // namespace

TEST(KtxParse, ReadsEveryFileAsWritten) {
    const struct {
        TextureFormat format;
        int32_t w, h, first;
    } cases[] = {{TextureFormat::Dxt1, 32, 8, 1},
                 {TextureFormat::Bc7, 16, 16, 0},
                 {TextureFormat::Rgb888, 8, 2, 0},
                 {TextureFormat::Argb8888, 4, 8, 2},
                 {TextureFormat::Rgb888, 1, 1, 0}};
    std::string args = "read", expected;
    for (const auto& c : cases) {
        const MadeChain made = make_chain(c.format, c.w, c.h, c.first);
        std::vector<uint8_t> bytes;
        ASSERT_EQ(container_bytes(Container::Ktx2, made.chain, bytes, nullptr),
                  ContainerResult::Written);
        const std::string name =
            std::string(texture_format_info(c.format)->name) + std::to_string(c.w) + ".ktx2";
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        args += " " + name;
        expected += expected_lines(name, made.chain, bytes);
    }
    std::string lines;
    KTX_PARSE(lines, args);
    EXPECT_EQ(lines, expected);
}

// Every Vulkan number of the table (the ASTC ones, not written yet,
// included) and the descriptor's numbers, as ktx-parse names them.
TEST(KtxParse, TableNumbersAreItsConstants) {
    int32_t count = 0;
    const Ktx2Layout* rows = ktx2_layouts(&count);
    std::string args = "constant", expected;
    for (int32_t k = 0; k < count; ++k) {
        args += std::string(" VK_FORMAT_") + rows[k].vk_name;
        expected += std::string("VK_FORMAT_") + rows[k].vk_name + " " +
                    std::to_string(rows[k].vk_format) + "\n";
    }
    const std::pair<const char*, uint32_t> named[] = {
        {"KHR_SUPERCOMPRESSION_NONE", KTX2_SUPERCOMPRESSION_NONE},
        {"KHR_DF_VERSION", KTX2_DFD_VERSION},
        {"KHR_DF_MODEL_RGBSDA", KTX2_MODEL_RGBSDA},
        {"KHR_DF_MODEL_ASTC", KTX2_MODEL_ASTC},
        {"KHR_DF_PRIMARIES_BT709", KTX2_PRIMARIES_BT709},
        {"KHR_DF_TRANSFER_LINEAR", KTX2_TRANSFER_LINEAR},
        {"KHR_DF_TRANSFER_SRGB", KTX2_TRANSFER_SRGB},
        {"KHR_DF_FLAG_ALPHA_STRAIGHT", KTX2_ALPHA_STRAIGHT},
        {"KHR_DF_CHANNEL_RGBSDA_ALPHA",
         ktx2_layout(container_format(TextureFormat::Argb8888)->vk_format)->channel_ids[3]},
    };
    for (const auto& [name, value] : named) {
        args += std::string(" ") + name;
        expected += std::string(name) + " " + std::to_string(value) + "\n";
    }
    std::string lines;
    KTX_PARSE(lines, args);
    EXPECT_EQ(lines, expected);
}
