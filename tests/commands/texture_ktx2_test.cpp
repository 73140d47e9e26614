// razivavu-texture with an output named .ktx2: the levels of the DDS stream
// it writes for the same settings, as KTX2, which razivavu-inspect shows;
// other formats, cube maps and chains a KTX2 reader sizes otherwise are
// refused with the reason and no file.
#include <gtest/gtest.h>

#include "containers/containers.h"
#include "tests/commands/commands_test_support.h"

using namespace cmdtest;

namespace {

TexFile read_ok(const std::string& path) {
    TexFile file;
    std::string error;
    EXPECT_TRUE(read_tex_file(path, file, error)) << path << ": " << error;
    return file;
}

TexImage level_image(const TexFile& file, size_t k) {
    TexImage image;
    std::string error;
    EXPECT_TRUE(decode_tex_level(file, k, image, error)) << error;
    return image;
}

}  // namespace

TEST(TextureKtx2, SameLevelsAsTheDdsStream) {
    write_bmp("k.bmp", bmp_of(32, 16, smooth_pattern(32, 16)));
    for (const char* format : {"dxt1", "bc7", "rgb888", "argb8888"}) {
        SCOPED_TRACE(format);
        const std::string args = std::string("-q --format ") + format + " k.bmp k_" + format;
        ASSERT_EQ(run(TEXTURE_BINARY, args + ".ktx2").status, 0);
        ASSERT_EQ(run(TEXTURE_BINARY, args + ".dds").status, 0);
        const TexFile ktx2 = read_ok(std::string("k_") + format + ".ktx2");
        const TexFile dds = read_ok(std::string("k_") + format + ".dds");
        EXPECT_EQ(ktx2.kind, TexFileKind::ktx2);
        EXPECT_EQ(ktx2.vk_format, container_format(TextureFormat(ktx2.format))->vk_format);
        ASSERT_EQ(ktx2.levels.size(), dds.levels.size());
        for (size_t k = 0; k < dds.levels.size(); ++k) {
            EXPECT_EQ(ktx2.levels[k].width, dds.levels[k].width);
            EXPECT_EQ(ktx2.levels[k].height, dds.levels[k].height);
            EXPECT_EQ(level_image(ktx2, k).pixels, level_image(dds, k).pixels) << "level " << k;
        }
    }
}

TEST(TextureKtx2, RefusedWithTheReasonAndNoFile) {
    write_bmp("k.bmp", bmp_of(32, 16, smooth_pattern(32, 16)));
    write_bmp("odd.bmp", bmp_of(6, 5, smooth_pattern(6, 5)));
    const struct {
        const char* args;
        const char* output;
        int status;
        const char* reason;
    } cases[] = {
        {"--format dxt5 k.bmp", "r.ktx2", 2, "dxt5 has no KTX2 form here"},
        {"--set g_texturemap_type=1 k.bmp", "r.ktx2", 2, "not a cube or a volume"},
        {"--format rgb888 odd.bmp", "r.ktx2", 3, "halves to 3 x 3 at level 1 (it rounds up)"},
        {"k.bmp", "r.png", 2, "does not end in .dds or .ktx2"},
        {"k.bmp", "no/r.ktx2", 4, "cannot write no/r.ktx2: No such file or directory"},
    };
    for (const auto& c : cases) {
        const RunResult r = run(TEXTURE_BINARY, std::string("-q ") + c.args + " " + c.output);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.args << ": " << r.err;
        EXPECT_FALSE(file_exists(c.output)) << c.args;
        EXPECT_FALSE(file_exists(std::string(c.output) + ".part")) << c.args;
    }
    // One level of any sides is a KTX2 file, and the name's case does not matter.
    ASSERT_EQ(
        run(TEXTURE_BINARY, "-q --format rgb888 --set g_mip_map_type=32 odd.bmp ODD.KTX2").status,
        0);
    EXPECT_EQ(read_ok("ODD.KTX2").levels.size(), 1u);
}

TEST(TextureKtx2, InspectShowsTableJsonAndPngs) {
    write_bmp("k.bmp", bmp_of(16, 16, smooth_pattern(16, 16)));
    ASSERT_EQ(run(TEXTURE_BINARY, "-q --format dxt1 k.bmp show.ktx2").status, 0);
    const Ktx2Layout& layout = *ktx2_layout(container_format(TextureFormat::Dxt1)->vk_format);
    const std::string vk = std::to_string(layout.vk_format);
    const RunResult table = run(INSPECT_BINARY, "show.ktx2");
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("KTX2 file, vkFormat " + vk + " " + layout.vk_name), std::string::npos)
        << table.out;
    const RunResult json = run(INSPECT_BINARY, "--json show.ktx2");
    EXPECT_NE(json.out.find("\"kind\":\"ktx2\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"vk_format\":" + vk), std::string::npos) << json.out;
    ASSERT_EQ(run(INSPECT_BINARY, "--png pngs show.ktx2").status, 0);
    const TexFile file = read_ok("show.ktx2");
    for (size_t k = 0; k < file.levels.size(); ++k) {
        TexImage png;
        ASSERT_TRUE(read_png("pngs/show_level" + std::to_string(k) + ".png", png)) << k;
        EXPECT_EQ(as_rgba(png), as_rgba(level_image(file, k))) << k;
    }
}
