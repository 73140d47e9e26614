// A second reader of the DX10 streams: Debian's Pillow (python3-pil) decodes
// our BC5 and BC7 files, and BC4 blocks under the older "ATI1" header it
// reads, to exactly the pixels of our decoder; BC7 files of the bc7enc
// binary (npm @gpu-tex-enc/bc) decode alike in both; the containers
// library's DDS files decode to their chains' pixels. Each part skips with a
// message when its tool is missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/commands/commands_test_support.h"
#include "tests/containers/chain_maker.h"
#include "texfile/texfile.h"

using namespace cmdtest;

namespace {

// Debian's interpreter, which is the one python3-pil installs into.
const char* const PYTHON = "/usr/bin/python3";

bool have_pillow() { return run(PYTHON, "-c \"import PIL.Image\"").status == 0; }

// Pillow's decoding of level 0 of `dds`, converted to `mode`, as raw bytes.
std::vector<uint8_t> pillow_pixels(const std::string& dds, const std::string& mode) {
    const std::string raw = dds + ".raw";
    const RunResult r = run(PYTHON,
                            "-c \"import sys; from PIL import Image; "
                            "open(sys.argv[3], 'wb').write(Image.open(sys.argv[1])"
                            ".convert(sys.argv[2]).tobytes())\" " +
                                dds + " " + mode + " " + raw);
    EXPECT_EQ(r.status, 0) << r.err;
    std::ifstream in(raw, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> our_pixels(const std::string& dds) {
    TexFile file;
    TexImage image;
    std::string error;
    EXPECT_TRUE(read_tex_file(dds, file, error)) << error;
    EXPECT_TRUE(decode_tex_level(file, 0, image, error)) << error;
    return image.pixels;
}

std::vector<uint8_t> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void make_pictures() {
    write_bmp("pil.bmp", bmp_of(32, 32, smooth_pattern(32, 32)));
    std::vector<uint8_t> alpha = smooth_pattern(32, 32);
    for (size_t i = 0; i < alpha.size(); i += 3) alpha[i + 1] = alpha[i + 2] = alpha[i];
    write_bmp("pil_trans.bmp", bmp_of(32, 32, alpha));
}

}  // namespace

TEST(PillowReads, Bc5AndBc7AsWeDo) {
    if (!have_pillow()) GTEST_SKIP() << "python3-pil is not installed (scripts/install-deps.sh)";
    make_pictures();
    for (const char* quality : {"quick", "normal"}) {
        for (const auto& [format, mode] : {std::pair{"bc5", "RGB"}, std::pair{"bc7", "RGBA"}}) {
            const std::string out = std::string("pil_") + format + ".dds";
            const RunResult r = run(TEXTURE_BINARY, std::string("-q --quality ") + quality +
                                                        " --format " + format + " pil.bmp " + out);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(pillow_pixels(out, mode), our_pixels(out)) << format << " " << quality;
        }
    }
}

// Pillow reads BC4 only under the "ATI1" fourCC: the same blocks behind the
// plain header, the DX10 header's 20 bytes taken out.
TEST(PillowReads, Bc4BlocksUnderTheOlderHeader) {
    if (!have_pillow()) GTEST_SKIP() << "python3-pil is not installed (scripts/install-deps.sh)";
    make_pictures();
    const RunResult r =
        run(TEXTURE_BINARY, "-q --format bc4 --set g_mip_map_type=32 pil.bmp pil_bc4.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> bytes = file_bytes("pil_bc4.dds");
    ASSERT_GT(bytes.size(), 148u);
    const char ati1[4] = {'A', 'T', 'I', '1'};
    std::copy(ati1, ati1 + 4, bytes.begin() + 84);
    bytes.erase(bytes.begin() + 128, bytes.begin() + 148);
    std::ofstream("pil_ati1.dds", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    EXPECT_EQ(pillow_pixels("pil_ati1.dds", "L"), our_pixels("pil_bc4.dds"));
}

// bc7enc's own BC7 output: our decoder and Pillow agree on it. The binary is
// found through RAZIVAVU_BC7ENC (the benchmark script installs it).
TEST(PillowReads, Bc7encOutputAsWeDo) {
    if (!have_pillow()) GTEST_SKIP() << "python3-pil is not installed (scripts/install-deps.sh)";
    const char* bc7enc = std::getenv("RAZIVAVU_BC7ENC");
    if (!bc7enc || run(bc7enc, "-h").status < 0 || !std::ifstream(bc7enc))
        GTEST_SKIP() << "no bc7enc: set RAZIVAVU_BC7ENC to the binary of npm @gpu-tex-enc/bc "
                        "(scripts/bench-bc.sh installs it)";
    make_pictures();
    ASSERT_EQ(
        run(PYTHON, "-c \"from PIL import Image; Image.open('pil.bmp').save('pil.png')\"").status,
        0);
    const RunResult r = run(bc7enc, "-q pil.png pil_peer.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pillow_pixels("pil_peer.dds", "RGBA"), our_pixels("pil_peer.dds"));
}

// The containers library's DDS files: DXT1 under its fourCC, BC7 with the
// DX10 header, the uncompressed chains as 32-bit R, G, B, A pixels; Pillow
// reads each to the pixels the chain decodes to, red-first levels and
// blue-first ones alike.
TEST(PillowReads, ContainerDdsFilesAsTheChainDecodes) {
    if (!have_pillow()) GTEST_SKIP() << "python3-pil is not installed (scripts/install-deps.sh)";
    for (TextureFormat format :
         {TextureFormat::Dxt1, TextureFormat::Bc7, TextureFormat::Rgb888, TextureFormat::Argb8888})
        for (ColourOrder order : {ColourOrder::BlueFirst, ColourOrder::RedFirst}) {
            const chaintest::MadeChain made = chaintest::make_chain(format, 32, 16, 1, 0, order);
            std::vector<uint8_t> bytes;
            ASSERT_EQ(container_bytes(Container::Dds, made.chain, bytes, nullptr),
                      ContainerResult::Written);
            const std::string out = std::string("pil_chain_") + texture_format_info(format)->name +
                                    std::to_string(static_cast<int>(order)) + ".dds";
            std::ofstream(out, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            EXPECT_EQ(pillow_pixels(out, "RGBA"), chaintest::chain_pixels(made.chain, 0)) << out;
        }
}
