// The level loop's normal-map step, driven through the compressor's
// profile-only fields: each level is converted before it is renormalised
// and encoded, on the plain and on the volume path.
#include <gtest/gtest.h>

#include <string>

#include "normalmap/normalmap.h"
#include "texcomp_test_util.h"

namespace {

struct Compressor {
    std::vector<uint8_t> picture;
    TextureCompressor tc;
    Compressor(int32_t w, int32_t h, int32_t planes, int32_t code) {
        picture = gradient_picture(w, h, planes);
        texture_settings_init(tc.settings);
        tc.settings.g_texture_format = code;
        tc.image.width = static_cast<int16_t>(w);
        tc.image.height = static_cast<int16_t>(h);
        tc.image.planes = static_cast<int16_t>(planes);
        tc.image.pitch = w * planes;
        tc.image.level_pixels = picture.data();
    }
    std::vector<LevelRecord> levels() {
        LevelCapture cap;
        tc.settings.user = &cap;
        tc.settings.write_sink = &Capture::sink;
        EXPECT_EQ(compress_levels(tc, tc.settings.g_texture_format, &LevelCapture::callback),
                  DriverResult::Done);
        tc.settings.user = nullptr;
        return cap.levels;
    }
};

// What the step must make of an unconverted 32-bit level.
std::vector<uint8_t> converted(const LevelRecord& plain, const NormalMapOptions& o) {
    std::vector<uint8_t> bytes = plain.bytes;
    EXPECT_NE(make_normal_map(o, plain.width, plain.height, bytes.data(), NORMALMAP_LAYOUT_WORDS),
              NORMALMAP_SETUP_FAILED);
    LevelImage level{plain.width, plain.height, static_cast<int64_t>(plain.width) * plain.height,
                     bytes.data()};
    renormalise_level(level);
    return bytes;
}

void switch_on(TextureCompressor& tc) {
    tc.normal_map_conversion = 1;
    tc.normalmap_filter = 1042;
    tc.normalmap_cnv = 1010;
    tc.normalmap_alpha = 1036;
    tc.normalmap_scale = 3.0f;
    tc.normalmap_bwrap = 1;
}

struct Messages {
    static std::vector<std::string>& texts() {
        static std::vector<std::string> t;
        return t;
    }
    static void receive(const char* text) { texts().push_back(text); }
    NormalMapReceiver before;
    Messages() : before(normalmap_set_receiver(&Messages::receive)) { texts().clear(); }
    ~Messages() { normalmap_set_receiver(before); }
};

}  // namespace

TEST(NormalMapStep, OptionsComeFromTheProfileFields) {
    TextureCompressor tc;
    switch_on(tc);
    tc.normalmap_binvertx = 1;
    tc.normalmap_binverty = 1;
    tc.normalmap_bsigned_output = 1;
    tc.normalmap_bswap_rgb = 1;
    tc.normalmap_minz = 12;
    const NormalMapOptions o = normal_map_options(tc);
    EXPECT_EQ(o.kernel, 1042);
    EXPECT_EQ(o.conversion, 1010);
    EXPECT_EQ(o.alpha, 1036);
    EXPECT_EQ(o.scale, 3.0f);
    EXPECT_EQ(o.minz, 12);
    EXPECT_TRUE(o.wrap && o.invert_x && o.invert_y && o.signed_output && o.swap_rgb);
}

// Every level of the chain (each resampled from the unconverted level 0)
// is the normal map of the level the loop would otherwise have encoded.
TEST(NormalMapStep, EveryLevelOfThePlainPath) {
    Compressor plain(16, 8, 4, 7);
    const std::vector<LevelRecord> before = plain.levels();
    Compressor nm(16, 8, 4, 7);
    switch_on(nm.tc);
    const std::vector<LevelRecord> after = nm.levels();
    ASSERT_EQ(after.size(), before.size());
    ASSERT_EQ(after.size(), 5u);  // 16x8 down to 1x1
    const NormalMapOptions o = normal_map_options(nm.tc);
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].bytes, converted(before[i], o)) << i;
        EXPECT_NE(after[i].bytes, before[i].bytes) << i;
    }
}

TEST(NormalMapStep, VolumeSlicesAtLevelZero) {
    Compressor plain(16, 8, 3, 7);
    plain.tc.settings.g_texturemap_type = 2;  // two slices of 8 x 8
    const std::vector<LevelRecord> before = plain.levels();
    Compressor nm(16, 8, 3, 7);
    nm.tc.settings.g_texturemap_type = 2;
    switch_on(nm.tc);
    const std::vector<LevelRecord> after = nm.levels();
    // Two 8x8 slices at level 0, then the pair's average at 4x4, 2x2, 1x1.
    ASSERT_EQ(after.size(), 5u);
    const NormalMapOptions o = normal_map_options(nm.tc);
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(after[i].bytes, converted(before[i], o)) << i;
    // Later slices are halved from the converted ones: alpha 255, normals.
    for (size_t i = 2; i < after.size(); ++i)
        for (size_t p = 0; p < after[i].bytes.size(); p += 4) EXPECT_EQ(after[i].bytes[p + 3], 255);
}

// An unknown conversion is reported once per level and leaves the levels as
// they were, renormalised as normal-map levels.
TEST(NormalMapStep, UnknownConversionReportedPerLevel) {
    Compressor plain(4, 4, 3, 7);
    const std::vector<LevelRecord> before = plain.levels();
    Messages messages;
    Compressor nm(4, 4, 3, 7);
    nm.tc.normal_map_conversion = 1;
    nm.tc.normalmap_cnv = 1008;
    const std::vector<LevelRecord> after = nm.levels();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(Messages::texts(), std::vector<std::string>(3, "Unknown conversion 1008"));
    for (size_t i = 0; i < after.size(); ++i) {
        std::vector<uint8_t> want = before[i].bytes;
        LevelImage level{before[i].width, before[i].height, before[i].width * before[i].height,
                         want.data()};
        renormalise_level(level);
        EXPECT_EQ(after[i].bytes, want) << i;
    }
}

// The switch is no longer refused; block formats take the converted levels.
TEST(NormalMapStep, BlockFormatStreamIsComplete) {
    Capture cap;
    Compressor nm(8, 8, 3, 0);
    switch_on(nm.tc);
    nm.tc.settings.user = &cap;
    nm.tc.settings.write_sink = &Capture::sink;
    EXPECT_TRUE(settings_supported(nm.tc, 0, 8, 8));
    EXPECT_EQ(compress_levels(nm.tc, 0, nullptr), DriverResult::Done);
    EXPECT_EQ(cap.level_sizes(), (std::vector<size_t>{32, 8, 8, 8}));
}
