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

// ASTC 6x6: each thread keeps its own context of the ASTC library.
Job astc_job() {
    Job j{noise(64, 64, 4, 13), 64, 64, 4, {}};
    texture_settings_init(j.settings);
    j.settings.g_texture_format = static_cast<int32_t>(TextureFormat::Astc6x6);
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
    for (const Job& job : {block_job(), astc_job()}) {
        Stream alone;
        ASSERT_EQ(run(job, alone), TEXCOMP_OK);
        Stream together[2];
        std::thread a([&] { run(job, together[0]); });
        std::thread b([&] { run(job, together[1]); });
        a.join();
        b.join();
        EXPECT_TRUE(together[0].bytes == alone.bytes) << job.settings.g_texture_format;
        EXPECT_TRUE(together[1].bytes == alone.bytes) << job.settings.g_texture_format;
    }
}

// A call with worker threads of its own (bands of the resampler, the
// conversion and the palette search) beside calls on other threads, one of
// them threaded too: every stream is the one-thread stream.
TEST(Concurrency, ThreadedCallBesideOtherCalls) {
    Job rescaled{noise(300, 200, 4, 5), 300, 200, 4, {}};
    texture_settings_init(rescaled.settings);
    rescaled.settings.g_texture_format = static_cast<int32_t>(TextureFormat::Argb4444);
    rescaled.settings.g_rescale_mode = 5;
    rescaled.settings.g_rescale_width = 384;
    rescaled.settings.g_rescale_height = 384;
    rescaled.settings.g_b_dither_mip0 = 1;
    Job palette{noise(160, 136, 4, 9), 160, 136, 4, {}};
    texture_settings_init(palette.settings);
    palette.settings.g_texture_format = static_cast<int32_t>(TextureFormat::P4);
    const Job jobs[3] = {rescaled, palette, block_job()};
    Stream alone[3];
    for (int k = 0; k < 3; ++k) ASSERT_EQ(run(jobs[k], alone[k]), TEXCOMP_OK) << k;
    Job threaded[3] = {jobs[0], jobs[1], jobs[2]};
    threaded[0].settings.threads = 3;
    threaded[1].settings.threads = 2;
    Stream together[3];
    std::thread others[2];
    for (int k = 1; k < 3; ++k)
        others[k - 1] = std::thread([&, k] { run(threaded[k], together[k]); });
    EXPECT_EQ(run(threaded[0], together[0]), TEXCOMP_OK);
    for (std::thread& t : others) t.join();
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(together[k].bytes == alone[k].bytes) << k;
}
