// ASTC calls on several threads at once: each thread keeps its own context
// of the ASTC library, so calls of different block sizes and qualities side
// by side, a call with worker threads of its own among them, and one thread
// going from one block size to another give the bytes each call gives alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "tests/common/test_random.h"
#include "texcomp/texcomp.h"

namespace {

std::vector<uint8_t> stream_of(const std::vector<uint8_t>& pixels, int32_t side, TextureFormat f,
                               TextureQuality q, int32_t threads) {
    std::vector<uint8_t> bytes;
    TextureSettings s;
    texture_settings_init(s);
    s.g_texture_format = static_cast<int32_t>(f);
    s.quality = q;
    s.threads = threads;
    s.user = &bytes;
    s.write_sink = [](int32_t count, const uint8_t* buffer, void* user) {
        auto* out = static_cast<std::vector<uint8_t>*>(user);
        out->insert(out->end(), buffer, buffer + count);
        return count;
    };
    EXPECT_EQ(
        compress_texture(pixels.data(), side, side, int64_t{side} * 4, s, 4, nullptr, nullptr),
        TEXCOMP_OK);
    return bytes;
}

struct Job {
    TextureFormat format;
    TextureQuality quality;
    int32_t threads;
};

}  // namespace

TEST(Concurrency, AstcCallsSideBySideGiveTheirOwnBytes) {
    const int32_t side = 128;
    std::vector<uint8_t> pixels(size_t(side) * side * 4);
    TestRandom r{17};
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>((i / 4 % side) * 2 + (i / 4 / side) + (r.next() >> 29));
    const Job jobs[] = {{TextureFormat::Astc4x4, TextureQuality::Fast, 1},
                        {TextureFormat::Astc6x6, TextureQuality::Normal, 3},
                        {TextureFormat::Astc8x8, TextureQuality::Quick, 1}};
    std::vector<std::vector<uint8_t>> alone;
    for (const Job& j : jobs) alone.push_back(stream_of(pixels, side, j.format, j.quality, 1));
    for (int round = 0; round < 2; ++round) {
        std::vector<std::vector<uint8_t>> together(3);
        std::vector<std::thread> threads;
        for (size_t k = 0; k < 3; ++k)
            threads.emplace_back([&, k] {
                together[k] =
                    stream_of(pixels, side, jobs[k].format, jobs[k].quality, jobs[k].threads);
            });
        // This thread meanwhile goes through every block size, its one
        // context remade for each.
        for (size_t k = 0; k < 3; ++k)
            EXPECT_EQ(stream_of(pixels, side, jobs[k].format, jobs[k].quality, 1), alone[k]) << k;
        for (std::thread& t : threads) t.join();
        for (size_t k = 0; k < 3; ++k)
            EXPECT_TRUE(together[k] == alone[k]) << "job " << k << " round " << round;
    }
}
