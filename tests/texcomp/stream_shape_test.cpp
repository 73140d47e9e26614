// texture_stream_header: the header of levels made before is the one
// compress_texture opens its own stream with, for the same format, sizes,
// level count and alpha.
#include <gtest/gtest.h>

#include "texcomp_test_util.h"

namespace {

struct ShapeCase {
    TextureFormat format;
    int32_t width, height, levels;
    int32_t planes;  // 4: the picture has alpha (BC7's alpha mode follows it)
};

const ShapeCase SHAPES[] = {
    {TextureFormat::Dxt1, 64, 32, 7, 3},   {TextureFormat::Dxt1, 64, 32, 3, 3},
    {TextureFormat::Dxt1, 8, 8, 1, 3},     {TextureFormat::Bc7, 16, 16, 5, 4},
    {TextureFormat::Bc7, 16, 4, 2, 3},     {TextureFormat::Rgb888, 8, 4, 4, 3},
    {TextureFormat::Argb8888, 1, 1, 1, 4}, {TextureFormat::Argb8888, 2, 16, 5, 4},
    {TextureFormat::Rgb888, 5, 3, 1, 3},   {TextureFormat::Bc7, 4, 4, 3, 4},
};

// Magic, surface header and (for BC7) the DX10 header of a real call.
std::vector<uint8_t> library_header(const ShapeCase& c) {
    Capture cap;
    TextureSettings s = settings_for(static_cast<int32_t>(c.format), &cap);
    s.g_mip_map_type =
        static_cast<int16_t>(c.levels > 1 ? MipChainMode::Generated : MipChainMode::LevelZeroOnly);
    s.g_specified_mip_maps = static_cast<int16_t>(c.levels);
    const std::vector<uint8_t> picture = gradient_picture(c.width, c.height, c.planes);
    EXPECT_EQ(compress_texture(picture.data(), c.width, c.height, int64_t{c.width} * c.planes, s,
                               c.planes, nullptr, nullptr),
              TEXCOMP_OK);
    const size_t header_runs = texture_format_info(c.format)->dxgi_format ? 3 : 2;
    std::vector<uint8_t> bytes;
    for (size_t k = 0; k < header_runs && k < cap.runs.size(); ++k)
        bytes.insert(bytes.end(), cap.runs[k].bytes.begin(), cap.runs[k].bytes.end());
    return bytes;
}

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
    for (const ShapeCase& c : SHAPES) {
        SCOPED_TRACE(std::string(texture_format_info(c.format)->name) + " " +
                     std::to_string(c.width) + "x" + std::to_string(c.height) + " " +
                     std::to_string(c.levels));
        uint8_t out[TEXTURE_STREAM_HEADER_MAX_BYTES];
        const int32_t n = texture_stream_header(shape_of(c), out);
        EXPECT_EQ(std::vector<uint8_t>(out, out + n), library_header(c));
    }
}

TEST(StreamShape, RefusesShapesNoChainHas) {
    const TextureStreamShape good = shape_of({TextureFormat::Dxt1, 8, 4, 4, 3});
    const struct {
        int32_t width, height, levels;
    } bad[] = {{0, 4, 1}, {8, 0, 1}, {8, 4, 0}, {8, 4, 5}, {32768, 4, 1}, {5, 3, 4}};
    for (const auto& b : bad) {
        TextureStreamShape shape = good;
        shape.width = b.width;
        shape.height = b.height;
        shape.levels = b.levels;
        uint8_t out[TEXTURE_STREAM_HEADER_MAX_BYTES] = {};
        EXPECT_EQ(texture_stream_header(shape, out), 0) << b.width << "x" << b.height;
        EXPECT_EQ(out[0], 0) << "nothing written";
    }
}
