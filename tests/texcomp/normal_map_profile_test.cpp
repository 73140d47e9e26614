// compress_texture with a settings profile that switches the normal-map
// conversion on: the whole stream, DXT1 and 32-bit, pinned by hash, and the
// 32-bit levels checked against the step driven through the compressor.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "normalmap/normalmap.h"
#include "texcomp_test_util.h"

namespace {

// Writes the profile to a file of its own and names it for the calls of one
// test.
struct ProfileFile {
    std::string path;
    explicit ProfileFile(const char* text) {
        static int serial = 0;
        path = ::testing::TempDir() + "normal_map_profile_" + std::to_string(getpid()) + "_" +
               std::to_string(serial++) + ".txt";
        std::FILE* f = std::fopen(path.c_str(), "w");
        EXPECT_NE(f, nullptr);
        if (f) {
            EXPECT_GE(std::fputs(text, f), 0);
            EXPECT_EQ(std::fclose(f), 0);
        }
        texture_set_profile_path(path.c_str());
    }
    ~ProfileFile() {
        texture_set_profile_path(nullptr);
        std::remove(path.c_str());
    }
};

const char* const PROFILE =
    "# normal map from the mean of the colour bytes, 5x5 kernels, wrapping\n"
    "g_normal_map_conversion 1\n"
    "g_normalmap_filter 1042\n"
    "g_normalmap_cnv 1010\n"
    "g_normalmap_scale 3.5\n"
    "g_normalmap_bwrap 1\n"
    "g_normalmap_alpha 1036\n";

Capture compress_stream(const std::vector<uint8_t>& pic, int32_t side, int32_t code) {
    Capture cap;
    const TextureSettings s = settings_for(code, &cap);
    EXPECT_EQ(compress_texture(pic.data(), side, side, side * 3, s, 3, nullptr, nullptr), 0);
    return cap;
}

}  // namespace

TEST(NormalMapProfile, WholeStreamsPinned) {
    const auto pic = gradient_picture(32, 32, 3);
    const uint64_t plain_dxt1 = stream_hash(compress_stream(pic, 32, 0));
    ProfileFile profile(PROFILE);
    const Capture dxt1 = compress_stream(pic, 32, 0);
    const Capture argb = compress_stream(pic, 32, 7);
    EXPECT_EQ(dxt1.level_sizes(), (std::vector<size_t>{512, 128, 32, 8, 8, 8}));
    EXPECT_NE(stream_hash(dxt1), plain_dxt1);
    EXPECT_EQ(stream_hash(dxt1), 11788364072998607666ull);
    EXPECT_EQ(stream_hash(argb), 4419505609971189993ull);
}

// The profile's keys reach the step: the 32-bit levels equal those made
// with the same options set on the compressor directly.
TEST(NormalMapProfile, ProfileKeysReachTheStep) {
    const auto pic = gradient_picture(16, 16, 3);
    Capture with_profile;
    {
        ProfileFile profile(PROFILE);
        with_profile = compress_stream(pic, 16, 7);
    }
    TextureCompressor tc;
    texture_settings_init(tc.settings);
    tc.image.width = tc.image.height = 16;
    tc.image.planes = 3;
    tc.image.pitch = 48;
    tc.image.level_pixels = pic.data();
    tc.normal_map_conversion = 1;
    tc.normalmap_filter = 1042;
    tc.normalmap_cnv = 1010;
    tc.normalmap_scale = 3.5f;
    tc.normalmap_bwrap = 1;
    tc.normalmap_alpha = 1036;
    Capture direct;
    tc.settings.user = &direct;
    tc.settings.write_sink = &Capture::sink;
    ASSERT_EQ(compress_levels(tc, 7, nullptr), DriverResult::Done);
    ASSERT_EQ(with_profile.runs.size(), direct.runs.size());
    for (size_t i = 0; i < direct.runs.size(); ++i)
        EXPECT_EQ(with_profile.runs[i].bytes, direct.runs[i].bytes) << i;
}
