// texfile's KTX2 reader refuses every spoilt word of a file the containers
// library wrote, with a reason, and never reads past the file.
#include <gtest/gtest.h>

#include "tests/containers/chain_maker.h"

using namespace chaintest;

namespace {

void put_word(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b.at(at + k) = static_cast<uint8_t>(v >> (8 * k));
}

uint32_t word(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

}  // namespace

TEST(Ktx2Reader, RefusesSpoiltFilesWithTheirReason) {
    const MadeChain made = make_chain(TextureFormat::Dxt1, 8, 8);
    std::vector<uint8_t> good;
    ASSERT_EQ(container_bytes(Container::Ktx2, made.chain, good, nullptr),
              ContainerResult::Written);
    const uint32_t dfd = word(good, 48), kvd = word(good, 56);
    const size_t level0 = KTX2_HEADER_BYTES;  // level 0's index entry
    const struct {
        const char* what;
        size_t at;
        uint32_t value;
        const char* reason;
    } words[] = {
        {"identifier", 8, 0, "bad KTX2 identifier"},
        {"unknown vkFormat", 12, 44, "vkFormat 44, which razivavu does not write (it writes 23"},
        {"ASTC", 12, 157, "(ASTC_4x4_UNORM_BLOCK), which razivavu cannot decode yet"},
        {"type size", 16, 4, "typeSize 4"},
        {"width", 20, 0, "impossible sizes: 0 x 8"},
        {"volume", 28, 2, "plain 2D textures only"},
        {"cube", 36, 6, "plain 2D textures only"},
        {"level count", 40, 9, "levelCount 9"},
        {"supercompressed", 44, 2, "supercompression scheme 2"},
        {"descriptor", 48, 1u << 30, "the data format descriptor"},
        {"colour model", dfd + 12, 1, "colour model 1 is not BC1_RGB_UNORM_BLOCK's 128"},
        {"descriptor version", dfd + 8, 3, "not one basic block of version 2"},
        {"key/value entry", kvd, 1000, "the key/value data is cut"},
        {"level length", level0 + 8, 40, "level 0 (8 x 8) is said to hold 40 bytes"},
        {"level offset", level0, 1u << 30, "lies outside the file"},
    };
    for (const auto& w : words) {
        std::vector<uint8_t> bytes = good;
        put_word(bytes, w.at, w.value);
        TexFile file;
        std::string error;
        EXPECT_FALSE(parse_tex_bytes("x.ktx2", bytes, file, error)) << w.what;
        EXPECT_NE(error.find(w.reason), std::string::npos) << w.what << ": " << error;
        EXPECT_TRUE(file.levels.empty()) << w.what;
    }
    const struct {
        const char* what;
        size_t size;
        const char* reason;
    } sizes[] = {{"header", 40, "short file"},
                 {"index", KTX2_HEADER_BYTES + 8, "the index of 4 levels"},
                 {"last byte", good.size() - 1, "lies outside the file"},
                 {"one more", good.size() + 1, "long file"}};
    for (const auto& s : sizes) {
        std::vector<uint8_t> bytes = good;
        bytes.resize(s.size);
        TexFile file;
        std::string error;
        EXPECT_FALSE(parse_tex_bytes("x.ktx2", bytes, file, error)) << s.what;
        EXPECT_NE(error.find(s.reason), std::string::npos) << s.what << ": " << error;
    }
}
