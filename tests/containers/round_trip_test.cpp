// Every container and format: chains of several shapes written, read back by
// texfile to the same levels, sizes and pixels; KTX2 levels smallest first,
// each at its alignment.
#include <gtest/gtest.h>

#include <numeric>

#include "tests/containers/chain_maker.h"

using namespace chaintest;

namespace {

struct Shape {
    int32_t w, h, first, count;
};

// Square and not, stored from level 0, 1 (top-row tiles) or 2 (bottom row),
// cut short, and single levels down to one pixel.
const Shape SHAPES[] = {{16, 16, 0, 0}, {32, 8, 0, 0}, {4, 16, 1, 0}, {64, 32, 2, 0},
                        {16, 16, 0, 2}, {8, 8, 3, 0},  {1, 1, 0, 0},  {2, 1, 0, 0}};

const TextureFormat FORMATS[] = {TextureFormat::Dxt1, TextureFormat::Bc7, TextureFormat::Rgb888,
                                 TextureFormat::Argb8888};

std::string trace(Container c, TextureFormat f, const Shape& s, ColourOrder order) {
    return std::string(container_name(c)) + " " + texture_format_info(f)->name + " " +
           std::to_string(s.w) + "x" + std::to_string(s.h) + " from " + std::to_string(s.first) +
           (order == ColourOrder::RedFirst ? " red first" : "");
}

void check_round_trip(Container container, const MadeChain& made) {
    const MipChain& chain = made.chain;
    std::vector<uint8_t> bytes;
    std::string reason;
    ASSERT_EQ(container_bytes(container, chain, bytes, &reason), ContainerResult::Written)
        << reason;
    EXPECT_EQ(static_cast<int64_t>(bytes.size()), container_file_size(container, chain));
    TexFile file;
    std::string error;
    ASSERT_TRUE(parse_tex_bytes("x", bytes, file, error)) << error;
    EXPECT_EQ(file.kind, container == Container::Ktx2 ? TexFileKind::ktx2 : TexFileKind::stream);
    ASSERT_EQ(static_cast<int32_t>(file.levels.size()), chain.levels);
    const Ktx2Layout* layout = ktx2_layout(container_format(chain.format)->vk_format);
    const bool blocks = texture_format_info(chain.format)->block_mode >= 0;
    int64_t in_offset = 0;
    for (int32_t k = 0; k < chain.levels; ++k) {
        const TexLevel& level = file.levels[k];
        EXPECT_EQ(level.width, std::max(1, chain.width >> k));
        EXPECT_EQ(level.height, std::max(1, chain.height >> k));
        const int64_t in_size =
            texture_level_size(static_cast<int32_t>(chain.format), level.width, level.height);
        if (blocks)  // the blocks go into the file untouched
            EXPECT_TRUE(std::equal(chain.bytes + in_offset, chain.bytes + in_offset + in_size,
                                   bytes.begin() + level.offset));
        in_offset += in_size;
        TexImage image;
        ASSERT_TRUE(decode_tex_level(file, k, image, error)) << error;
        EXPECT_EQ(as_rgba(image.pixels, image.channels), chain_pixels(chain, k)) << "level " << k;
        if (container != Container::Ktx2) continue;
        EXPECT_EQ(level.offset % std::lcm(int64_t{layout->block_bytes}, 4), 0) << k;
        if (k > 0) EXPECT_LT(level.offset, file.levels[k - 1].offset) << "smallest first";
    }
}

}  // namespace

TEST(ContainerRoundTrip, EveryFormatAndShapeReadsBack) {
    for (Container container : {Container::Ktx2, Container::Dds})
        for (TextureFormat format : FORMATS)
            for (const Shape& s : SHAPES)
                for (ColourOrder order : {ColourOrder::BlueFirst, ColourOrder::RedFirst}) {
                    SCOPED_TRACE(trace(container, format, s, order));
                    check_round_trip(container,
                                     make_chain(format, s.w, s.h, s.first, s.count, order));
                }
}

// One level of sides that are not powers of two is a chain both containers hold.
TEST(ContainerRoundTrip, OneLevelOfAnySides) {
    for (Container container : {Container::Ktx2, Container::Dds})
        for (TextureFormat format : {TextureFormat::Rgb888, TextureFormat::Argb8888}) {
            SCOPED_TRACE(trace(container, format, {5, 3, 0, 1}, ColourOrder::BlueFirst));
            check_round_trip(container, make_chain(format, 5, 3, 0, 1));
        }
}
