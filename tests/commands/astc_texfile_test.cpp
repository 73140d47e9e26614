// The readers on ASTC streams: a stream under the library's own FourCCs is
// read with its note, its levels decode (through the ASTC library) close to
// the picture, a damaged one is refused with its reason, and
// razivavu-inspect shows its table and writes every level as a PNG.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/commands/commands_test_support.h"
#include "texfile/texfile.h"

using namespace cmdtest;

namespace {

std::vector<uint8_t> stream_of(TextureFormat format, const std::vector<uint8_t>& bgr, int32_t w,
                               int32_t h) {
    std::vector<uint8_t> bytes;
    TextureSettings s;
    texture_settings_init(s);
    s.g_texture_format = static_cast<int32_t>(format);
    s.user = &bytes;
    s.write_sink = [](int32_t count, const uint8_t* buffer, void* user) {
        auto* out = static_cast<std::vector<uint8_t>*>(user);
        out->insert(out->end(), buffer, buffer + count);
        return count;
    };
    EXPECT_EQ(compress_texture(bgr.data(), w, h, int64_t{w} * 3, s, 3, nullptr, nullptr),
              TEXCOMP_OK);
    return bytes;
}

class AstcFiles : public ScratchDir {};

}  // namespace

TEST_F(AstcFiles, ReadDecodedAndRefusedWhenDamaged) {
    const int32_t w = 32, h = 16;
    const std::vector<uint8_t> rgb = smooth_pattern(w, h);
    std::vector<uint8_t> bgr(rgb);
    for (size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
    struct Case {
        TextureFormat format;
        const char* fourcc;
        double least_psnr;  // of level 0 over R, G, B
    };
    const Case cases[] = {{TextureFormat::Astc4x4, "AS44", 40},
                          {TextureFormat::Astc6x6, "AS66", 35},
                          {TextureFormat::Astc8x8, "AS88", 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fourcc);
        const std::vector<uint8_t> bytes = stream_of(c.format, bgr, w, h);
        TexFile file;
        std::string error;
        ASSERT_TRUE(parse_tex_bytes("t", bytes, file, error)) << error;
        EXPECT_EQ(file.format, static_cast<int32_t>(c.format));
        EXPECT_FALSE(file.dx10);
        EXPECT_NE(file.note.find(c.fourcc), std::string::npos) << file.note;
        ASSERT_EQ(file.levels.size(), 6u);
        EXPECT_EQ(file.levels[0].offset, 128);
        TexImage image;
        ASSERT_TRUE(decode_tex_level(file, 0, image, error)) << error;
        ASSERT_EQ(image.channels, 4);
        double sum = 0.0;
        for (size_t i = 0; i < size_t(w) * h; ++i)
            for (int k = 0; k < 3; ++k) {
                const double d = double(image.pixels[4 * i + k]) - rgb[3 * i + k];
                sum += d * d;
            }
        EXPECT_GE(10.0 * std::log10(255.0 * 255.0 * 3 * w * h / std::max(sum, 1e-9)), c.least_psnr);
        // One byte short: refused before anything is decoded.
        std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 1);
        TexFile damaged;
        EXPECT_FALSE(parse_tex_bytes("t", cut, damaged, error));
        EXPECT_NE(error.find("short file"), std::string::npos) << error;
    }
}

TEST_F(AstcFiles, InspectorShowsTheTableAndWritesEveryLevel) {
    write_bmp("pic.bmp", bmp_of(16, 16, smooth_pattern(16, 16)));
    ASSERT_EQ(run(TEXTURE_BINARY, "-q --force --format astc6x6 pic.bmp pic.stream").status, 0);
    const RunResult table = run(INSPECT_BINARY, "pic.stream");
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("format 21 astc6x6"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("KTX2"), std::string::npos) << table.out;
    const RunResult png = run(INSPECT_BINARY, "--png out pic.stream");
    ASSERT_EQ(png.status, 0) << png.err;
    for (int level = 0; level < 5; ++level) {
        TexImage image;
        ASSERT_TRUE(read_png("out/pic_level" + std::to_string(level) + ".png", image)) << level;
        EXPECT_EQ(image.width, 16 >> level);
        EXPECT_EQ(image.channels, 4);
    }
}
