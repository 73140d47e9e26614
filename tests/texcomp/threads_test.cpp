// One compression with 1, 2, 3 and 8 threads gives one stream, byte for
// byte: every format code, cube and volume textures, odd sizes, rescaling,
// dithering, sharpening, normal maps and four-plane palettes. The pictures
// are large enough for the call to cut its levels into bands.
#include <gtest/gtest.h>

#include <string>

#include "texcomp_test_util.h"

namespace {

struct Case {
    std::string name;
    int32_t code, w, h, planes;
    void (*tweak)(TextureSettings&);  // null: the standard settings
};

std::vector<uint8_t> stream_of(const std::vector<uint8_t>& pic, const Case& c, int32_t threads) {
    Capture cap;
    TextureSettings s = settings_for(c.code, &cap);
    s.write_sink = &Capture::sink;
    if (c.tweak) c.tweak(s);
    s.threads = threads;
    EXPECT_EQ(compress_texture(pic.data(), c.w, c.h, int64_t{c.w} * c.planes, s, c.planes, nullptr,
                               nullptr),
              TEXCOMP_OK)
        << c.name << " threads " << threads;
    std::vector<uint8_t> all;
    for (const StreamRun& r : cap.runs) all.insert(all.end(), r.bytes.begin(), r.bytes.end());
    return all;
}

std::vector<Case> cases() {
    std::vector<Case> list;
    for (int32_t code = 0; code < TEXTURE_FORMAT_COUNT; ++code) {
        const bool block = texture_format_info(code)->block_mode >= 0;
        list.push_back({"plain " + std::to_string(code), code, block ? 256 : 261, block ? 256 : 253,
                        code % 2 ? 4 : 3, nullptr});
    }
    list.push_back(
        {"cube dxt5", 3, 6 * 128, 128, 4, [](TextureSettings& s) { s.g_texturemap_type = 1; }});
    list.push_back({"volume argb4444", 4, 4 * 256, 256, 4,
                    [](TextureSettings& s) { s.g_texturemap_type = 2; }});
    list.push_back({"rescaled argb8888", 7, 521, 263, 4, [](TextureSettings& s) {
                        s.g_rescale_mode = 5;
                        s.g_rescale_width = 300;
                        s.g_rescale_height = 512;
                    }});
    list.push_back({"dithered argb1555", 5, 389, 263, 4, [](TextureSettings& s) {
                        s.g_b_dither_mip0 = 1;
                        s.g_b_dither_color = 1;
                    }});
    list.push_back(
        {"sharpened rgb888", 8, 521, 263, 3, [](TextureSettings& s) { s.g_sharpen_method = 1; }});
    list.push_back(
        {"normal map dxt5", 3, 256, 256, 4, [](TextureSettings& s) { s.g_b_normalmaptype = 1; }});
    // Small levels of a wide picture add their rows up in bands of columns.
    list.push_back({"wide dxt1", 0, 1024, 128, 4, nullptr});
    list.push_back({"palette p4 four planes", 14, 201, 137, 4, nullptr});
    list.push_back({"palette p8 four planes dithered", 10, 199, 131, 4, [](TextureSettings& s) {
                        s.g_b_dither_mip0 = 1;
                        s.g_b_dither_color = 1;
                    }});
    return list;
}

}  // namespace

TEST(Threads, EveryThreadCountGivesTheOneThreadStream) {
    for (const Case& c : cases()) {
        const auto pic = photo_picture(c.w, c.h, c.planes, static_cast<uint32_t>(c.code + 3));
        const std::vector<uint8_t> one = stream_of(pic, c, 1);
        ASSERT_GT(one.size(), 128u) << c.name;
        for (int32_t threads : {2, 3, 8})
            EXPECT_TRUE(stream_of(pic, c, threads) == one) << c.name << " threads " << threads;
    }
}
