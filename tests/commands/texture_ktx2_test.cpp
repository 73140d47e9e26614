// razivavu-texture with an output named .ktx2 writes the levels of its DDS
// stream for the same settings, which razivavu-inspect shows; other formats,
// cube maps and chains a KTX2 reader sizes otherwise are refused with the
// reason and no file.
#include <gtest/gtest.h>

#include "containers/containers.h"
#include "tests/commands/commands_test_support.h"

using namespace cmdtest;

namespace {

TexImage level_image(const std::string& path, size_t k, TexFile& file) {
    TexImage image;
    std::string error;
    EXPECT_TRUE(read_tex_file(path, file, error)) << path << ": " << error;
    EXPECT_TRUE(decode_tex_level(file, k, image, error)) << path << ": " << error;
    return image;
}

}  // namespace

TEST(TextureKtx2, SameLevelsAsTheDdsStreamShownByInspect) {
    write_bmp("ktx2_same.bmp", bmp_of(32, 16, smooth_pattern(32, 16)));
    for (const std::string format : {"dxt1", "bc7", "rgb888", "argb8888"}) {
        const std::string args = "-q --format " + format + " ktx2_same.bmp k_" + format;
        ASSERT_EQ(run(TEXTURE_BINARY, args + ".ktx2").status, 0);
        ASSERT_EQ(run(TEXTURE_BINARY, args + ".dds").status, 0);
        TexFile ktx2, dds;
        for (size_t k = 0; k == 0 || k < dds.levels.size(); ++k)
            EXPECT_EQ(as_rgba(level_image("k_" + format + ".ktx2", k, ktx2)),
                      as_rgba(level_image("k_" + format + ".dds", k, dds)))
                << format << " level " << k;
        EXPECT_EQ(ktx2.kind, TexFileKind::ktx2);
        EXPECT_EQ(ktx2.levels.size(), dds.levels.size()) << format;
        const Ktx2Layout& layout =
            *ktx2_layout(container_format(TextureFormat(dds.format))->vk_format);
        const std::string vk = std::to_string(layout.vk_format);
        EXPECT_NE(run(INSPECT_BINARY, "k_" + format + ".ktx2")
                      .out.find("KTX2 file, vkFormat " + vk + " " + layout.vk_name),
                  std::string::npos);
        EXPECT_NE(run(INSPECT_BINARY, "--json k_" + format + ".ktx2")
                      .out.find("\"kind\":\"ktx2\",\"format\":" + std::to_string(dds.format)),
                  std::string::npos);
        ASSERT_EQ(run(INSPECT_BINARY, "--png ktx2_pngs k_" + format + ".ktx2").status, 0);
        TexImage png;
        ASSERT_TRUE(read_png("ktx2_pngs/k_" + format + "_level1.png", png));
        EXPECT_EQ(as_rgba(png), as_rgba(level_image("k_" + format + ".ktx2", 1, ktx2)));
    }
}

TEST(TextureKtx2, RefusedWithTheReasonAndNoFile) {
    write_bmp("ktx2_k.bmp", bmp_of(32, 16, smooth_pattern(32, 16)));
    write_bmp("ktx2_odd.bmp", bmp_of(6, 5, smooth_pattern(6, 5)));
    const struct {
        const char *args, *output;
        int status;
        const char* reason;
    } cases[] = {
        {"--format dxt5 ktx2_k.bmp", "ktx2_r.ktx2", 2, "dxt5 has no KTX2 form here"},
        {"--set g_texturemap_type=1 ktx2_k.bmp", "ktx2_r.ktx2", 2, "not a cube or a volume"},
        {"--format rgb888 ktx2_odd.bmp", "ktx2_r.ktx2", 3,
         "halves to 3 x 3 at level 1 (it rounds up)"},
        {"ktx2_k.bmp", "ktx2_r.png", 2, "does not end in .dds or .ktx2"},
        {"ktx2_k.bmp", "no/r.ktx2", 4, "cannot write no/r.ktx2: No such file or directory"},
    };
    for (const auto& c : cases) {
        const RunResult r = run(TEXTURE_BINARY, std::string("-q ") + c.args + " " + c.output);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.args << ": " << r.err;
        EXPECT_FALSE(file_exists(c.output) || file_exists(std::string(c.output) + ".part"));
    }
    // One level of any sides is a KTX2 file, and the name's case does not matter.
    ASSERT_EQ(run(TEXTURE_BINARY, "-q --format rgb888 --set g_mip_map_type=32 ktx2_odd.bmp O.KTX2")
                  .status,
              0);
    TexFile one;
    level_image("O.KTX2", 0, one);
    EXPECT_EQ(one.levels.size(), 1u);
}
