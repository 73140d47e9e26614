// Settings profiles: line rules, conversions, fading sets, defaults, and the
// profile's place in compress_texture (caller wins, missing file refused).
#include "texcomp/profile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "texcomp_test_util.h"

namespace {

// A profile file in the test's temporary directory, removed afterwards.
struct ProfileFile {
    std::string path;
    explicit ProfileFile(const std::string& text) {
        static int serial = 0;
        path = ::testing::TempDir() + "profile_" + std::to_string(getpid()) + "_" +
               std::to_string(serial++) + ".txt";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_TRUE(f);
        if (!f) return;
        EXPECT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
        EXPECT_EQ(std::fclose(f), 0);
    }
    ~ProfileFile() { std::remove(path.c_str()); }
};

// Sets the process-wide path for the lifetime of a test.
struct ProfileInUse {
    explicit ProfileInUse(const std::string& path) { texture_set_profile_path(path.c_str()); }
    ~ProfileInUse() { texture_set_profile_path(nullptr); }
};

std::unique_ptr<TextureCompressor> read(const std::string& text) {
    auto tc = std::make_unique<TextureCompressor>();
    texture_settings_init(tc->settings);
    ProfileFile f(text);
    EXPECT_EQ(read_profile(*tc, f.path.c_str()), 0);
    return tc;
}

std::vector<uint8_t> stream_of(const std::vector<uint8_t>& pic, int32_t side,
                               const TextureSettings& settings, int32_t* result) {
    Capture cap;
    TextureSettings s = settings;
    s.user = &cap;
    s.write_sink = &Capture::sink;
    *result = compress_texture(pic.data(), side, side, side * 3, s, 3, nullptr, nullptr);
    std::vector<uint8_t> all;
    for (const StreamRun& r : cap.runs) all.insert(all.end(), r.bytes.begin(), r.bytes.end());
    return all;
}

}  // namespace

TEST(Profile, Defaults) {
    TextureCompressor tc;
    texture_settings_init(tc.settings);
    tc.settings.g_texture_format = 5;
    ProfileFile f("");
    ASSERT_EQ(read_profile(tc, f.path.c_str()), 0);
    EXPECT_EQ(tc.settings.g_texture_format, 5);
    EXPECT_EQ(tc.settings.g_fade_to_color, 8421504);
    EXPECT_EQ(tc.settings.g_fade_amount, 15);
    EXPECT_EQ(tc.settings.g_mip_filter_type, 2);
    EXPECT_EQ(tc.settings.CustomFilter[12], 11.0f);
    EXPECT_EQ(tc.settings.CustomFilter[25], 3.0f);
    EXPECT_EQ(tc.settings.SharpeningPassMIP[0], 0);
    EXPECT_EQ(tc.settings.SharpeningPassMIP[13], 1);
    float a = 1.0f;
    for (int m = 0; m < 14; ++m, a *= 0.85f) EXPECT_EQ(tc.user_fading_amounts[m], a) << m;
    EXPECT_EQ(tc.normalmap_cnv, 1009);
    EXPECT_EQ(tc.normalmap_filter, 1040);
    EXPECT_EQ(tc.normalmap_alpha, 1034);
    EXPECT_EQ(tc.normalmap_scale, 2.2f);
    EXPECT_EQ(tc.show_mipmapping, 1);
    EXPECT_EQ(tc.view_switches[7], 1);
    EXPECT_EQ(std::string(tc.profile_name), f.path);
}

TEST(Profile, LineRules) {
    const auto tc = read(
        "# g_zoom 1\n"             // a comment even with a key after '#'
        "g_clearcolor\n"           // no blank: ignored
        "g_bshowfiltering    1\n"  // further blanks skipped
        "g_zoom\t3\n"              // a tab is not a blank
        "G_ZOOM 4\n"               // keys are case-sensitive
        "g_unknown 9\n"
        " g_blightenable 1\n"     // empty key
        "g_normalmap_minz -12");  // last line without a line break
    EXPECT_EQ(tc->zoom, 0);
    EXPECT_EQ(tc->clear_color, 0);
    EXPECT_EQ(tc->show_filtering, 1);
    EXPECT_EQ(tc->light_enable, 0);
    EXPECT_EQ(tc->normalmap_minz, -12);
}

TEST(Profile, LongLinesAndNulBytes) {
    // 999 characters make a piece; the rest of the line is a new piece.
    std::string comment = "#" + std::string(998, 'x');
    const auto tc =
        read(comment + "g_zoom 7\n" + "# short\n" + std::string("g_clearcolor\0 5\n", 16) +
             std::string("g_normalmap_minz 3\0 9\n", 22));
    EXPECT_EQ(tc->zoom, 7);
    EXPECT_EQ(tc->clear_color, 0);  // the piece ends at the NUL: no blank
    EXPECT_EQ(tc->normalmap_minz, 3);
    // One character less and the key stays inside the comment.
    const auto tc2 = read("#" + std::string(997, 'x') + "g_zoom 7\n");
    EXPECT_EQ(tc2->zoom, 0);
}

TEST(Profile, Conversions) {
    struct Case {
        const char* line;
        int32_t zoom;  // integer
        uint8_t flag;  // g_bshowdifferences
        int16_t cnv;   // 16-bit
    } cases[] = {
        {"g_zoom 12abc\ng_bshowdifferences 0.5\ng_normalmap_cnv 70000\n", 12, 0, 4464},
        {"g_zoom 4294967297\ng_bshowdifferences -1\ng_normalmap_cnv -32769\n", 1, 1, 32767},
        {"g_zoom x\ng_bshowdifferences 2\ng_normalmap_cnv 12.9\n", 0, 1, 12},
    };
    for (const Case& c : cases) {
        const auto tc = read(c.line);
        EXPECT_EQ(tc->zoom, c.zoom) << c.line;
        EXPECT_EQ(tc->show_differences, c.flag) << c.line;
        EXPECT_EQ(tc->normalmap_cnv, c.cnv) << c.line;
    }
    struct FloatCase {
        const char* value;
        float expect;
    } floats[] = {{"0.1", 0.1f},        {"-2.5e1", -25.0f}, {"1e300", INFINITY},
                  {"-1e39", -INFINITY}, {"0x10", 16.0f},    {"abc", 0.0f}};
    for (const FloatCase& c : floats) {
        const auto tc = read(std::string("g_normalmap_scale ") + c.value + "\n");
        EXPECT_EQ(tc->normalmap_scale, c.expect) << c.value;
    }
    EXPECT_TRUE(std::isnan(read("g_normalmap_scale nan\n")->normalmap_scale));
    const auto tc =
        read("g_b_normalmaptype 2\ng_mip_map_type 65567\ng_backgroundfilename  a b.png\r\n");
    EXPECT_EQ(tc->settings.g_b_normalmaptype, 2);
    EXPECT_EQ(tc->settings.g_mip_map_type, 31);
    EXPECT_STREQ(tc->background_filename, "a b.png");
}

TEST(Profile, FadingSets) {
    const auto in_order = read("g_user_fading_set 2\nBlend_Set_3_Blend_Mip_4 0.5\n");
    EXPECT_EQ(in_order->user_fading_amounts[4], 0.5f);
    const auto reversed = read("Blend_Set_3_Blend_Mip_4 0.5\ng_user_fading_set 2\n");
    EXPECT_EQ(reversed->user_fading_amounts[4], 0.85f * 0.85f * 0.85f * 0.85f);
    EXPECT_EQ(reversed->user_fading_set, 2);
    const auto first_set = read(
        "Blend_Set_1_Blend_Mip_13 0.25\ng_userfadingset 9\n"
        "Blend_Set_10_Blend_Mip_0 0.75\ng_buserspecifiedfadingamounts 3\n");
    EXPECT_EQ(first_set->user_fading_amounts[13], 0.25f);
    EXPECT_EQ(first_set->user_fading_amounts[0], 0.75f);
    EXPECT_EQ(first_set->user_specified_fading_amounts, 1);
    // A set outside 0..9 is kept, but no key belongs to it.
    const auto outside = read(
        "g_user_fading_set 10\nBlend_Set_11_Blend_Mip_1 0.5\n"
        "Blend_Set_1_Blend_Mip_1 0.5\n");
    EXPECT_EQ(outside->user_fading_set, 10);
    EXPECT_EQ(outside->user_fading_amounts[1], 0.85f);
}

TEST(Profile, IndexedAndSettingsKeys) {
    const auto tc = read(
        "CustomFilter_32 3\nCustomFilter_0 -1.5\nSharpeningPassMIP_13 4\n"
        "CustomFilter_33 1\nCustomFilter_07 9\nSharpeningPassMIP_14 2\n"
        "g_sharpen_method 16\ng_filter_width 4.5\n");
    EXPECT_EQ(tc->settings.CustomFilter[32], 3.0f);
    EXPECT_EQ(tc->settings.CustomFilter[0], -1.5f);
    EXPECT_EQ(tc->settings.CustomFilter[7], -2.0f);
    EXPECT_EQ(tc->settings.SharpeningPassMIP[13], 4);
    EXPECT_EQ(tc->settings.g_sharpen_method, 16);
    EXPECT_EQ(tc->settings.g_filter_width, 4.5f);

    TextureSettings s;
    texture_settings_init(s);
    const struct {
        const char* key;
        int result;
    } keys[] = {{"g_texture_format", 1},
                {"SharpeningPassMIP_3", 1},
                {"CustomFilter_27", 1},
                {"g_zoom", 0},
                {"g_rescale_mode", 0},
                {"CustomFilter_33", 0},
                {"", 0}};
    for (const auto& k : keys)
        EXPECT_EQ(texture_settings_set_key(&s, k.key, "7"), k.result) << k.key;
    EXPECT_EQ(s.g_texture_format, 7);
    EXPECT_EQ(s.SharpeningPassMIP[3], 7);
    EXPECT_EQ(s.CustomFilter[27], 7.0f);
    EXPECT_EQ(texture_settings_set_key(&s, "g_b_swap_rgb", "0.5"), 1);
    EXPECT_EQ(s.g_b_swap_rgb, 0);
    EXPECT_EQ(texture_settings_set_key(nullptr, "g_zoom", "1"), 0);
    EXPECT_EQ(texture_settings_set_key(&s, nullptr, "1"), 0);
}

TEST(Profile, UnreadablePathLeavesCompressorAlone) {
    for (const std::string& path :
         {::testing::TempDir() + "no_such_profile.txt", ::testing::TempDir(), std::string("")}) {
        TextureCompressor tc;
        tc.zoom = 42;
        EXPECT_EQ(read_profile(tc, path.c_str()), -1) << path;
        EXPECT_EQ(tc.zoom, 42);
        EXPECT_STREQ(tc.profile_name, "<no profile loaded>");
    }
}

TEST(Profile, ThroughCompressTexture) {
    const auto pic = gradient_picture(16, 16, 3);
    TextureSettings s = settings_for(8, nullptr);
    s.g_b_fade_color = 1;
    s.g_fade_amount = 10;
    int32_t result = 0;
    const auto plain = stream_of(pic, 16, s, &result);
    ASSERT_EQ(result, 0);

    {
        // Every TextureSettings field of the profile loses to the caller's.
        ProfileFile f(
            "g_texture_format 7\ng_sharpen_method 1\nSharpeningPassMIP_0 5\n"
            "CustomFilter_12 4\ng_b_swap_rgb 1\ng_fade_amount 90\ng_mip_map_type 32\n");
        ProfileInUse use(f.path);
        EXPECT_EQ(stream_of(pic, 16, s, &result), plain);
        EXPECT_EQ(result, 0);
    }
    {
        // Profile-only fields stay: level 1 fades completely with the user
        // amount 0 of set 1, level 2 not at all with amount 1.
        ProfileFile f(
            "g_user_specified_fading_amounts 1\nBlend_Set_1_Blend_Mip_1 0\n"
            "Blend_Set_1_Blend_Mip_2 1\n");
        ProfileInUse use(f.path);
        LevelCapture levels;
        TextureSettings t = s;
        t.g_texture_format = 7;
        t.g_fade_to_color = 0x00203040;
        t.user = &levels;
        ASSERT_EQ(compress_texture(pic.data(), 16, 16, 48, t, 3, &LevelCapture::callback, nullptr),
                  0);
        ASSERT_GE(levels.levels.size(), 3u);
        const auto& l1 = levels.levels[1].bytes;
        for (size_t i = 0; i < l1.size(); i += 4) {
            ASSERT_EQ(l1[i], 0x40);
            ASSERT_EQ(l1[i + 1], 0x30);
            ASSERT_EQ(l1[i + 2], 0x20);
        }
        TextureSettings u = t;
        u.g_b_fade_color = 0;
        LevelCapture unfaded;
        u.user = &unfaded;
        ASSERT_EQ(compress_texture(pic.data(), 16, 16, 48, u, 3, &LevelCapture::callback, nullptr),
                  0);
        EXPECT_EQ(levels.levels[2].bytes, unfaded.levels[2].bytes);
    }
    {
        ProfileInUse use(::testing::TempDir() + "missing_profile.txt");
        EXPECT_TRUE(stream_of(pic, 16, s, &result).empty());
        EXPECT_EQ(result, -1);
    }
    // No path (null or empty): no profile.
    texture_set_profile_path("");
    EXPECT_EQ(stream_of(pic, 16, s, &result), plain);
}

TEST(Profile, EveryKeyReachesItsField) {
    // Settings keys through texture_settings_set_key with "3": integers and
    // 16-bit fields become 3, floats 3.0, flags 1.
    TextureSettings s{};
    const struct {
        const char* key;
        double (*get)(const TextureSettings&);
        double expect;
    } settings_keys[] = {
#define FIELD(name, value) {#name, [](const TextureSettings& t) { return double(t.name); }, value}
        FIELD(g_texture_format, 3),    FIELD(g_texturemap_type, 3),
        FIELD(g_mip_map_type, 3),      FIELD(g_specified_mip_maps, 3),
        FIELD(g_mip_filter_type, 3),   FIELD(g_b_normalmaptype, 3),
        FIELD(g_b_quick_compress, 1),  FIELD(g_b_grey_scale, 1),
        FIELD(g_b_binary_alpha, 1),    FIELD(g_binary_alpha_threshold, 3),
        FIELD(g_b_alpha_border, 1),    FIELD(g_b_border, 1),
        FIELD(g_border_color, 3),      FIELD(g_b_fade_color, 1),
        FIELD(g_b_fade_alpha, 1),      FIELD(g_fade_to_color, 3),
        FIELD(g_fade_to_alpha, 3),     FIELD(g_fade_to_delay, 3),
        FIELD(g_fade_amount, 3),       FIELD(g_b_dither_color, 1),
        FIELD(g_b_dither_mip0, 1),     FIELD(g_b_swap_rgb, 1),
        FIELD(g_b_error_diffusion, 1), FIELD(g_sharpen_method, 3),
        FIELD(g_filter_gamma, 3),      FIELD(g_filter_width, 3),
        FIELD(g_filter_blur, 3),       FIELD(g_override_filter_width, 1),
#undef FIELD
    };
    for (const auto& k : settings_keys) {
        s = TextureSettings{};
        const TextureSettings before = s;
        ASSERT_EQ(texture_settings_set_key(&s, k.key, "3"), 1) << k.key;
        EXPECT_EQ(k.get(s), k.expect) << k.key;
        EXPECT_NE(k.get(before), k.get(s)) << k.key;
    }

    // Profile-only keys through a profile, each to a value off its default.
    const auto tc = read(
        "g_user_specified_fading_amounts 1\ng_user_fading_set 3\ng_normal_map_conversion 1\n"
        "g_normalmap_cnv 1\ng_normalmap_filter 2\ng_normalmap_alpha 3\ng_normalmap_bwrap 1\n"
        "g_normalmap_binvertx 1\ng_normalmap_binverty 1\ng_normalmap_bSignedOutput 1\n"
        "g_normalmap_bNormalMapSwapRGB 1\ng_normalmap_scale 4.5\ng_normalmap_minz 5\n"
        "g_busebackgroundimage 1\ng_backgroundfilename bg.bmp\ng_blightenable 1\n"
        "g_bshowdifferences 1\ng_bshowfiltering 1\ng_bshowmipmapping 0\n"
        "g_bshowanisotropic 0\ng_clearcolor 6\ng_zoom 7\ng_bviewdxt1 0\ng_bviewdxt2 0\n"
        "g_bviewdxt3 0\ng_bviewdxt5 0\ng_bviewa4r4g4b4 0\ng_bviewa1r5g5b5 0\n"
        "g_bviewr5g6b5 0\ng_bviewa8r8g8b8 0\ng_balphablending 1\n"
        "g_bpreviewdisablemipmaps 1\n");
    const double got[] = {double(tc->user_specified_fading_amounts),
                          double(tc->user_fading_set),
                          double(tc->normal_map_conversion),
                          double(tc->normalmap_cnv),
                          double(tc->normalmap_filter),
                          double(tc->normalmap_alpha),
                          double(tc->normalmap_bwrap),
                          double(tc->normalmap_binvertx),
                          double(tc->normalmap_binverty),
                          double(tc->normalmap_bsigned_output),
                          double(tc->normalmap_bswap_rgb),
                          double(tc->normalmap_scale),
                          double(tc->normalmap_minz),
                          double(tc->use_background_image),
                          double(tc->light_enable),
                          double(tc->show_differences),
                          double(tc->show_filtering),
                          double(tc->show_mipmapping),
                          double(tc->show_anisotropic),
                          double(tc->clear_color),
                          double(tc->zoom),
                          double(tc->alpha_blending),
                          double(tc->preview_disable_mipmaps)};
    const double want[] = {1, 3, 1, 1, 2, 3, 1, 1, 1, 1, 1, 4.5, 5, 1, 1, 1, 1, 0, 0, 6, 7, 1, 1};
    ASSERT_EQ(sizeof got, sizeof want);
    for (size_t i = 0; i < sizeof want / sizeof want[0]; ++i) EXPECT_EQ(got[i], want[i]) << i;
    for (uint8_t v : tc->view_switches) EXPECT_EQ(v, 0);
    EXPECT_STREQ(tc->background_filename, "bg.bmp");
}
