// Random mutations of real files, seeded: whatever the bytes, the readers
// answer with a table or a reason, every accepted level lies inside the file
// and decodes, and the reports can be made. Under the sanitizers this is the
// check that nothing reads past the data.
#include <gtest/gtest.h>

#include "inspect/inspect.h"
#include "tests/commands/streams.h"
#include "tests/common/test_random.h"
#include "texfile/texfile.h"

using namespace cmdtest;

namespace {

std::vector<std::vector<uint8_t>> real_files() {
    std::vector<std::vector<uint8_t>> files;
    for (int32_t code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15, 16})
        files.push_back(make_stream(code, 8, 8));
    files.push_back(make_stream(8, 12, 6));
    files.push_back(make_stream(7, 48, 8, [](TextureSettings& s) { s.g_texturemap_type = 1; }));
    files.push_back(make_stream(13, 32, 8, [](TextureSettings& s) { s.g_texturemap_type = 2; }));
    files.push_back(make_stream(8, 8, 8, [](TextureSettings& s) { s.g_mip_map_type = 32; }));
    // The palette layouts, once the library writes them.
    for (int32_t code : {10, 14}) {
        std::vector<uint8_t> palette = make_stream(code, 8, 4);
        if (!palette.empty()) files.push_back(palette);
    }
    files.push_back(make_tile(false, 13, 13, 1));
    files.push_back(make_tile(false, 16, 8, 2));
    files.push_back(make_tile(true, 16, 16, 0));
    return files;
}

// Values that tend to sit on a boundary.
const uint32_t kEdgeWords[] = {0,          1,          2,          3,          4,
                               12,         31,         32,         124,        12345,
                               0x7FFF,     0x8000,     0xFFFF,     0x10000,    0x7FFFFFFF,
                               0x80000000, 0xFFFFFFFF, 0x20534444, 0x00020000, 0x0000FE00,
                               0x00200000, 0x31545844, 0x35545844, 117,        63};

void mutate(std::vector<uint8_t>& b, TestRandom& rng) {
    const int steps = 1 + static_cast<int>(rng.below(4));
    for (int s = 0; s < steps; ++s) {
        switch (rng.below(6)) {
            case 0:  // flip bits of a byte, mostly in the headers
                if (!b.empty()) {
                    const size_t at =
                        rng.below(2)
                            ? rng.below(static_cast<uint32_t>(std::min<size_t>(b.size(), 160)))
                            : rng.below(static_cast<uint32_t>(b.size()));
                    b[at] ^= static_cast<uint8_t>(1 + rng.below(255));
                }
                break;
            case 1:  // a boundary value into a header word
                if (b.size() >= 4) {
                    const size_t at =
                        4 * rng.below(static_cast<uint32_t>(std::min<size_t>(b.size(), 128) / 4));
                    const uint32_t v = kEdgeWords[rng.below(sizeof(kEdgeWords) / 4)];
                    for (int k = 0; k < 4 && at + k < b.size(); ++k)
                        b[at + k] = static_cast<uint8_t>(v >> (8 * k));
                }
                break;
            case 2:  // cut
                b.resize(rng.below(static_cast<uint32_t>(b.size() + 1)));
                break;
            case 3:  // grow
                b.insert(b.end(), 1 + rng.below(64), static_cast<uint8_t>(rng.next()));
                break;
            case 4:  // a random byte anywhere
                if (!b.empty()) b[rng.below(static_cast<uint32_t>(b.size()))] = rng.next() & 255;
                break;
            default:  // a slice of the file copied over another place
                if (b.size() > 8) {
                    const uint32_t n = static_cast<uint32_t>(b.size());
                    const uint32_t from = rng.below(n), to = rng.below(n);
                    const uint32_t len = rng.below(std::min(n - from, n - to));
                    std::copy(b.begin() + from, b.begin() + from + len, b.begin() + to);
                }
                break;
        }
    }
}

TEST(Mutation, ThousandsOfSpoiledFilesEndCleanly) {
    const auto files = real_files();
    TestRandom rng{20261207};
    int accepted = 0, refused = 0;
    for (int n = 0; n < 4000; ++n) {
        std::vector<uint8_t> bytes = files[rng.below(static_cast<uint32_t>(files.size()))];
        mutate(bytes, rng);
        const size_t size = bytes.size();
        TexFile f;
        std::string error;
        if (!parse_tex_bytes("m", std::move(bytes), f, error)) {
            EXPECT_FALSE(error.empty()) << n;
            ++refused;
            continue;
        }
        ++accepted;
        EXPECT_FALSE(tex_table_json(f).empty());
        for (size_t k = 0; k < f.levels.size(); ++k) {
            const TexLevel& l = f.levels[k];
            ASSERT_GE(l.offset, 0) << n;
            ASSERT_LE(l.offset + l.size, static_cast<int64_t>(size)) << n;
            TexImage image;
            ASSERT_TRUE(decode_tex_level(f, k, image, error)) << n << ": " << error;
            ASSERT_EQ(image.pixels.size(),
                      static_cast<size_t>(image.width) * image.height * image.channels);
        }
    }
    // Both answers must have been exercised.
    EXPECT_GT(accepted, 100);
    EXPECT_GT(refused, 1000);
}

}  // namespace
