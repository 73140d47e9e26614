// Two compression calls on two threads give the bytes each gives alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "tests/common/test_random.h"
#include "texcomp/texcomp.h"

namespace {

struct Stream {
    std::vector<uint8_t> bytes;
    int32_t runs = 0;
    static int32_t sink(int32_t count, const uint8_t* buffer, void* user) {
        auto* s = static_cast<Stream*>(user);
        s->bytes.insert(s->bytes.end(), buffer, buffer + count);
        ++s->runs;
        return count;
    }
};

struct Job {
    std::vector<uint8_t> pixels;
    int32_t width, height, planes;
    TextureSettings settings;
};

std::vector<uint8_t> noise(int32_t w, int32_t h, int32_t planes, uint32_t seed) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * planes);
    TestRandom r{seed};
    for (size_t i = 0; i < p.size(); ++i) {
        // Smooth ramps with a little noise: the block search has real work.
        p[i] = static_cast<uint8_t>((i / planes % w) * 3 + (r.next() >> 28));
    }
    return p;
}

// DXT1 from a picture whose sides are no powers of two: rescaled to the
// nearest powers, then the whole chain resampled and block-encoded.
Job block_job() {
    Job j{noise(100, 60, 3, 7), 100, 60, 3, {}};
    texture_settings_init(j.settings);
    j.settings.g_texture_format = static_cast<int32_t>(TextureFormat::Dxt1);
    j.settings.g_rescale_mode = 1;
    j.settings.g_mip_filter_type = 6;  // mitchell: a kernel with parameters
    return j;
}

// 32-bit levels faded towards a colour and an alpha, with a parameterised
// kernel on the other thread's table row.
Job fading_job() {
    Job j{noise(64, 64, 4, 11), 64, 64, 4, {}};
    texture_settings_init(j.settings);
    j.settings.g_texture_format = static_cast<int32_t>(TextureFormat::Argb8888);
    j.settings.g_b_fade_color = 1;
    j.settings.g_b_fade_alpha = 1;
    j.settings.g_fade_to_color = 0x204060;
    j.settings.g_fade_to_alpha = 30;
    j.settings.g_fade_amount = 25;
    j.settings.g_mip_filter_type = 13;  // kaiser
    return j;
}

int32_t run(const Job& j, Stream& out) {
    TextureSettings s = j.settings;
    s.write_sink = &Stream::sink;
    s.user = &out;
    return compress_texture(j.pixels.data(), j.width, j.height, j.width * j.planes, s, j.planes,
                            nullptr, nullptr);
}

}  // namespace

TEST(Concurrency, TwoThreadsGiveTheBytesOfOne) {
    const Job jobs[2] = {block_job(), fading_job()};
    Stream alone[2];
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(run(jobs[k], alone[k]), TEXCOMP_OK) << k;
        ASSERT_GT(alone[k].runs, 3) << k;
    }
    for (int round = 0; round < 3; ++round) {
        Stream together[2];
        int32_t results[2] = {-100, -100};
        std::thread a([&] { results[0] = run(jobs[0], together[0]); });
        std::thread b([&] { results[1] = run(jobs[1], together[1]); });
        a.join();
        b.join();
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(results[k], TEXCOMP_OK) << k;
            EXPECT_EQ(together[k].runs, alone[k].runs) << k;
            EXPECT_TRUE(together[k].bytes == alone[k].bytes) << "job " << k << " round " << round;
        }
    }
}

TEST(Concurrency, SameJobOnTwoThreads) {
    const Job job = block_job();
    Stream alone;
    ASSERT_EQ(run(job, alone), TEXCOMP_OK);
    Stream together[2];
    std::thread a([&] { run(job, together[0]); });
    std::thread b([&] { run(job, together[1]); });
    a.join();
    b.join();
    EXPECT_TRUE(together[0].bytes == alone.bytes);
    EXPECT_TRUE(together[1].bytes == alone.bytes);
}
