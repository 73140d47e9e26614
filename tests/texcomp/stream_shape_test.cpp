// texture_stream_header gives the header compress_texture opens its own
// stream with, for the same format, sizes, level count and alpha.
#include <gtest/gtest.h>

#include "texcomp_test_util.h"

namespace {

struct ShapeCase {
    TextureFormat format;
    int32_t width, height, levels, planes;  // planes 4: alpha (BC7's alpha mode)
};

TextureStreamShape shape_of(const ShapeCase& c) {
    const TextureFormatInfo* info = texture_format_info(c.format);
    return {c.width,
            c.height,
            c.levels,
            info->header,
            static_cast<uint32_t>(texture_level_size(info->code, c.width, c.height)),
            info->dxgi_format,
            c.planes == 4 ? DX10_ALPHA_STRAIGHT : DX10_ALPHA_OPAQUE};
}

}  // namespace

TEST(StreamShape, SameHeaderAsTheLibrarysOwnStream) {
    const ShapeCase shapes[] = {
        {TextureFormat::Dxt1, 64, 32, 7, 3}, {TextureFormat::Dxt1, 64, 32, 3, 3},
        {TextureFormat::Bc7, 16, 16, 5, 4},  {TextureFormat::Bc7, 16, 4, 2, 3},
        {TextureFormat::Rgb888, 5, 3, 1, 3}, {TextureFormat::Argb8888, 1, 1, 1, 4}};
    for (const ShapeCase& c : shapes) {
        Capture cap;
        TextureSettings s = settings_for(static_cast<int32_t>(c.format), &cap);
        s.g_mip_map_type = static_cast<int16_t>(c.levels > 1 ? MipChainMode::Generated
                                                             : MipChainMode::LevelZeroOnly);
        s.g_specified_mip_maps = static_cast<int16_t>(c.levels);
        const std::vector<uint8_t> picture = gradient_picture(c.width, c.height, c.planes);
        ASSERT_EQ(compress_texture(picture.data(), c.width, c.height, int64_t{c.width} * c.planes,
                                   s, c.planes, nullptr, nullptr),
                  TEXCOMP_OK);
        std::vector<uint8_t> library;  // magic, surface header, DX10 header
        for (size_t k = 0; k < (texture_format_info(c.format)->dxgi_format ? 3u : 2u); ++k)
            library.insert(library.end(), cap.runs[k].bytes.begin(), cap.runs[k].bytes.end());
        uint8_t out[TEXTURE_STREAM_HEADER_MAX_BYTES];
        const int32_t n = texture_stream_header(shape_of(c), out);
        EXPECT_EQ(std::vector<uint8_t>(out, out + n), library) << c.width << "x" << c.height;
    }
}

TEST(StreamShape, RefusesShapesNoChainHas) {
    const int32_t bad[][3] = {{0, 4, 1}, {8, 0, 1}, {8, 4, 0}, {8, 4, 5}, {32768, 4, 1}, {5, 3, 4}};
    for (const auto& b : bad) {
        uint8_t out[TEXTURE_STREAM_HEADER_MAX_BYTES] = {};
        EXPECT_EQ(texture_stream_header(shape_of({TextureFormat::Dxt1, b[0], b[1], b[2], 3}), out),
                  0);
        EXPECT_EQ(out[0], 0) << "nothing written for " << b[0] << "x" << b[1];
    }
}
