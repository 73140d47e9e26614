// Every container, format and chain shape: written, then read back by
// texfile to the same sizes, blocks and pixels; KTX2 levels smallest first,
// each at its alignment.
#include <gtest/gtest.h>

#include <numeric>

#include "tests/containers/chain_maker.h"

using namespace chaintest;

namespace {

void check_round_trip(Container container, const MipChain& chain) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_EQ(container_bytes(container, chain, bytes, &error), ContainerResult::Written) << error;
    EXPECT_EQ(static_cast<int64_t>(bytes.size()), container_file_size(container, chain));
    TexFile file;
    ASSERT_TRUE(parse_tex_bytes("x", bytes, file, error)) << error;
    EXPECT_EQ(file.kind, container == Container::Ktx2 ? TexFileKind::ktx2 : TexFileKind::stream);
    ASSERT_EQ(static_cast<int32_t>(file.levels.size()), chain.levels);
    const int64_t align =
        std::lcm(int64_t{ktx2_layout(container_format(chain.format)->vk_format)->block_bytes}, 4);
    const uint8_t* in = chain.bytes;
    for (int32_t k = 0; k < chain.levels; ++k) {
        const TexLevel& level = file.levels[k];
        EXPECT_EQ(level.width, std::max(1, chain.width >> k));
        EXPECT_EQ(level.height, std::max(1, chain.height >> k));
        const int64_t size =
            texture_level_size(static_cast<int32_t>(chain.format), level.width, level.height);
        if (texture_format_info(chain.format)->block_mode >= 0)  // blocks go in untouched
            EXPECT_TRUE(std::equal(in, in + size, bytes.begin() + level.offset)) << k;
        in += size;
        TexImage image;
        ASSERT_TRUE(decode_tex_level(file, k, image, error)) << error;
        EXPECT_EQ(as_rgba(image.pixels, image.channels), chain_pixels(chain, k)) << k;
        if (container != Container::Ktx2) continue;
        EXPECT_EQ(level.offset % align, 0) << k;
        if (k > 0) EXPECT_LT(level.offset, file.levels[k - 1].offset) << "smallest first";
    }
}

}  // namespace

TEST(ContainerRoundTrip, EveryFormatAndShapeReadsBack) {
    // Square and not, stored from level 0, 1 (top-row tiles), 2 (bottom row)
    // or 3, cut short, one pixel; one level of sides no chain halves evenly.
    const int32_t shapes[][4] = {{16, 16, 0, 0}, {32, 8, 0, 0},  {4, 16, 1, 0},
                                 {64, 32, 2, 0}, {16, 16, 0, 2}, {8, 8, 3, 0},
                                 {1, 1, 0, 0},   {2, 1, 0, 0},   {5, 3, 0, 1}};
    for (Container container : {Container::Ktx2, Container::Dds})
        for (TextureFormat format : {TextureFormat::Dxt1, TextureFormat::Bc7, TextureFormat::Rgb888,
                                     TextureFormat::Argb8888, TextureFormat::Astc6x6})
            for (const auto& s : shapes)
                for (ColourOrder order : {ColourOrder::BlueFirst, ColourOrder::RedFirst}) {
                    if (s[0] == 5 && texture_format_info(format)->block_mode >= 0) continue;
                    // DDS has no number for ASTC: KTX2 alone holds it.
                    if (container == Container::Dds && is_astc_format(static_cast<int32_t>(format)))
                        continue;
                    SCOPED_TRACE(std::string(container_name(container)) + " " +
                                 texture_format_info(format)->name + " " + std::to_string(s[0]) +
                                 "x" + std::to_string(s[1]) + " from " + std::to_string(s[2]) +
                                 " order " + std::to_string(static_cast<int>(order)));
                    check_round_trip(container,
                                     make_chain(format, s[0], s[1], s[2], s[3], order).chain);
                }
}
