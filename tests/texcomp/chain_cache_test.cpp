// ChainCache: calls sharing a store give the bytes of calls without one, and
// the store really serves the second call of a tile (same level 0, red and
// blue exchanged).
#include "texcomp/chain_cache.h"

#include <gtest/gtest.h>

#include <memory>

#include "texcomp_test_util.h"

namespace {

struct CacheDeleter {
    void operator()(ChainCache* c) const { chain_cache_free(c); }
};
using CachePtr = std::unique_ptr<ChainCache, CacheDeleter>;

struct Call {
    int32_t code;
    uint8_t swap;
    int32_t filter;
    int32_t first_level;
};

std::vector<StreamRun> stream(const std::vector<uint8_t>& pic, int32_t w, int32_t h, const Call& c,
                              ChainCache* cache) {
    Capture cap;
    TextureSettings s = settings_for(c.code, &cap);
    s.g_b_swap_rgb = c.swap;
    s.g_mip_filter_type = c.filter;
    s.first_level = c.first_level;
    s.chain_cache = cache;
    EXPECT_EQ(compress_texture(pic.data(), w, h, w * 3, s, 3, nullptr, nullptr), 0);
    return cap.runs;
}

bool same_runs(const std::vector<StreamRun>& a, const std::vector<StreamRun>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].bytes != b[i].bytes) return false;
    return true;
}

}  // namespace

TEST(ChainCache, SharedStoreGivesTheSameBytes) {
    const auto a = gradient_picture(64, 32, 3);
    const auto b = pattern_picture(64, 32, 3, 3);
    // One store through a sequence of calls: the tool's pair, the pair the
    // other way round, another picture, another filter, skipped levels on one
    // side only, a format that does not exchange the bytes.
    const std::vector<std::pair<const std::vector<uint8_t>*, Call>> calls = {
        {&a, {8, 0, 2, 0}}, {&a, {0, 1, 2, 0}}, {&a, {0, 1, 2, 0}}, {&a, {8, 0, 2, 0}},
        {&b, {8, 0, 2, 1}}, {&b, {0, 1, 2, 1}}, {&b, {0, 1, 4, 1}}, {&b, {7, 0, 4, 0}},
        {&a, {7, 1, 4, 2}}, {&a, {8, 0, 4, 0}}, {&a, {8, 0, 5, 0}},
    };
    CachePtr cache(chain_cache_new());
    ASSERT_TRUE(cache);
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "call " << i);
        const auto& [pic, call] = calls[i];
        EXPECT_TRUE(same_runs(stream(*pic, 64, 32, call, cache.get()),
                              stream(*pic, 64, 32, call, nullptr)));
    }
}

TEST(ChainCache, SecondFileOfATileTakesTheStoredLevels) {
    const auto pic = gradient_picture(32, 32, 3);
    CachePtr cache(chain_cache_new());
    ASSERT_TRUE(cache);
    const auto rgb = stream(pic, 32, 32, {8, 0, 2, 0}, cache.get());
    ASSERT_EQ(cache->levels.size(), 6u);  // levels 1 .. 5 stored
    ASSERT_EQ(cache->levels[5].pixels.size(), 4u);
    // The 1 x 1 level of the exchanged call comes from the store: marking it
    // shows up in the second stream.
    cache->levels[5].pixels = {1, 2, 3, 255};
    const auto swapped = stream(pic, 32, 32, {7, 1, 2, 0}, cache.get());
    ASSERT_EQ(swapped.size(), 2u + 6u);
    EXPECT_EQ(swapped.back().bytes, (std::vector<uint8_t>{3, 2, 1, 255}));
    // A different level 0 starts the store over.
    const auto other = pattern_picture(32, 32, 3, 8);
    stream(other, 32, 32, {8, 0, 2, 0}, cache.get());
    EXPECT_NE(cache->levels[5].pixels, (std::vector<uint8_t>{1, 2, 3, 255}));
}
