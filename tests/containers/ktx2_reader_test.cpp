// texfile's KTX2 reader refuses every spoilt word of a file the containers
// library wrote, with a reason, and never reads past the file.
#include <gtest/gtest.h>

#include "tests/containers/chain_maker.h"

using namespace chaintest;

namespace {

void put_word(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b.at(at + k) = static_cast<uint8_t>(v >> (8 * k));
}

}  // namespace

TEST(Ktx2Reader, RefusesSpoiltFilesWithTheirReason) {
    const MadeChain made = make_chain(TextureFormat::Dxt1, 8, 8);
    std::vector<uint8_t> good;
    ASSERT_EQ(container_bytes(Container::Ktx2, made.chain, good, nullptr),
              ContainerResult::Written);
    const size_t dfd = good[48] | good[49] << 8, kvd = good[56] | good[57] << 8;
    const size_t level0 = KTX2_HEADER_BYTES;  // level 0's index entry
    const struct {
        size_t at;
        uint32_t value;
        const char* reason;
    } words[] = {
        {8, 0, "bad KTX2 identifier"},
        {12, 44, "vkFormat 44, which razivavu does not write (it writes "},
        {12, 157, "colour model 128 is not ASTC_4x4_UNORM_BLOCK's 162"},
        {16, 4, "typeSize 4"},
        {20, 0, "impossible sizes: 0 x 8"},
        {28, 2, "plain 2D textures only"},
        {36, 6, "plain 2D textures only"},
        {40, 9, "levelCount 9"},
        {44, 2, "supercompression scheme 2"},
        {48, 1u << 30, "the data format descriptor"},
        {dfd + 12, 1, "colour model 1 is not BC1_RGB_UNORM_BLOCK"},
        {dfd + 8, 3, "not one basic block of version 2"},
        {kvd, 1000, "the key/value data is cut"},
        {level0 + 8, 40, "level 0 (8 x 8) is said to hold 40 bytes"},
        {level0, 1u << 30, "lies outside the file"},
    };
    std::vector<std::pair<std::vector<uint8_t>, const char*>> spoilt;
    for (const auto& w : words) {
        spoilt.push_back({good, w.reason});
        put_word(spoilt.back().first, w.at, w.value);
    }
    for (const auto& [size, reason] : {std::pair<size_t, const char*>{40, "short file"},
                                       {KTX2_HEADER_BYTES + 8, "the index of 4 levels"},
                                       {good.size() - 1, "lies outside the file"},
                                       {good.size() + 1, "long file"}}) {
        spoilt.push_back({good, reason});
        spoilt.back().first.resize(size);
    }
    for (const auto& [bytes, reason] : spoilt) {
        TexFile file;
        std::string error;
        EXPECT_FALSE(parse_tex_bytes("x.ktx2", bytes, file, error)) << reason;
        EXPECT_NE(error.find(reason), std::string::npos) << reason << ": " << error;
        EXPECT_TRUE(file.levels.empty()) << reason;
    }
}
