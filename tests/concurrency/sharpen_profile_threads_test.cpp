// Sharpening with different custom filters on two threads, and the profile
// path set while compressions run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "texcomp/texcomp.h"

namespace {

struct Stream {
    std::vector<uint8_t> bytes;
    static int32_t sink(int32_t count, const uint8_t* buffer, void* user) {
        auto* s = static_cast<Stream*>(user);
        s->bytes.insert(s->bytes.end(), buffer, buffer + count);
        return count;
    }
};

TextureSettings sharpening(int32_t method, float centre) {
    TextureSettings s;
    texture_settings_init(s);
    s.g_texture_format = static_cast<int32_t>(TextureFormat::Argb8888);
    s.g_sharpen_method = method;
    s.CustomFilter[12] = centre;  // method 19's centre weight
    s.CustomFilter[27] = 2.0f;    // unsharp radius
    for (int32_t& p : s.SharpeningPassMIP) p = 2;
    s.write_sink = &Stream::sink;
    return s;
}

std::vector<uint8_t> run(const std::vector<uint8_t>& pic, TextureSettings s) {
    Stream out;
    s.user = &out;
    EXPECT_EQ(compress_texture(pic.data(), 32, 32, 32 * 4, s, 4, nullptr, nullptr), TEXCOMP_OK);
    return out.bytes;
}

}  // namespace

TEST(Concurrency, SharpeningStateBelongsToEachCall) {
    std::vector<uint8_t> pic(32 * 32 * 4);
    for (size_t i = 0; i < pic.size(); ++i) pic[i] = static_cast<uint8_t>(i * 37 % 251);
    const TextureSettings jobs[2] = {sharpening(19, 15.0f), sharpening(16, 11.0f)};
    const std::vector<uint8_t> alone[2] = {run(pic, jobs[0]), run(pic, jobs[1])};
    std::vector<uint8_t> together[2];
    std::atomic<bool> stop{false};
    // Setting no profile over and over while the calls run changes nothing.
    std::thread setter([&] {
        while (!stop) texture_set_profile_path(nullptr);
    });
    std::thread a([&] { together[0] = run(pic, jobs[0]); });
    std::thread b([&] { together[1] = run(pic, jobs[1]); });
    a.join();
    b.join();
    stop = true;
    setter.join();
    EXPECT_TRUE(together[0] == alone[0]);
    EXPECT_TRUE(together[1] == alone[1]);
    EXPECT_FALSE(alone[0] == alone[1]);
}
