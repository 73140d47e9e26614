// razivavu-texture's options and keys: each option reaches the record handed
// to compress_texture, the key table agrees with the library, refusals name
// their cause, profiles are reported on, and a full disk is named.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "tests/commands/commands_test_support.h"
#include "texture/texture.h"
#include "vxsystem/vxsystem.h"
#include "zoom/zoom.h"

using namespace cmdtest;

namespace {

std::string settings_of(const std::string& line, CommandSettings& out) {
    std::vector<std::string> args;
    std::string word;
    for (char c : line + " ") {
        if (c != ' ') {
            word += c;
        } else if (!word.empty()) {
            args.push_back(word);
            word.clear();
        }
    }
    TextureOptions o;
    const std::string bad = parse_texture_args(args, o);
    return bad.empty() ? texture_settings_for(o, out) : bad;
}

TEST(TextureOptions, EachOptionReachesTheSettingsRecord) {
    const struct {
        const char* args;
        TextureQuality quality;
        uint8_t grey;
        int32_t rescale;
        float width, height;
        const char* profile_line;
        TextureDecoder decoder = TextureDecoder::Nearest;
    } cases[] = {
        {"--quality fast --decoder truncate", TextureQuality::Fast, 0, 0, 1, 1, "",
         TextureDecoder::Truncate},
        {"", TextureQuality::High, 0, 0, 1, 1, ""},
        {"--quality quick", TextureQuality::Quick, 0, 0, 1, 1, ""},
        {"--quality normal --metric uniform", TextureQuality::Normal, 1, 0, 1, 1, ""},
        {"--metric uniform --metric perceptual --quality best", TextureQuality::Best, 0, 0, 1, 1,
         ""},
        {"--resize pow2", TextureQuality::High, 0, 1, 1, 1, ""},
        {"--resize down", TextureQuality::High, 0, 3, 1, 1, ""},
        {"--resize 100x50", TextureQuality::High, 0, 5, 100, 50, ""},
        {"--set g_rescale_mode=6 --set g_rescale_width=0.5", TextureQuality::High, 0, 6, 0.5f, 1,
         ""},
        {"--set g_normalmap_cnv=1010", TextureQuality::High, 0, 0, 1, 1, "g_normalmap_cnv 1010"},
    };
    for (const auto& c : cases) {
        CommandSettings cs;
        ASSERT_EQ(settings_of(std::string(c.args) + " in.bmp out.dds", cs), "") << c.args;
        EXPECT_EQ(cs.settings.quality, c.quality) << c.args;
        EXPECT_EQ(cs.settings.decoder, c.decoder) << c.args;
        EXPECT_EQ(cs.settings.g_b_grey_scale, c.grey) << c.args;
        EXPECT_EQ(cs.settings.g_rescale_mode, c.rescale) << c.args;
        EXPECT_EQ(cs.settings.g_rescale_width, c.width) << c.args;
        EXPECT_EQ(cs.settings.g_rescale_height, c.height) << c.args;
        EXPECT_EQ(cs.profile_lines.empty() ? "" : cs.profile_lines[0], c.profile_line) << c.args;
    }
}

// Every key of the table reaches the field it names: its listed default is
// what the standard record holds, texture_settings_set_key takes exactly the
// profile's record keys, and the default lies in the key's range.
TEST(TextureOptions, KeyTableAgreesWithTheRecord) {
    TextureSettings standard;
    texture_settings_init(standard);
    int32_t count = 0;
    const TextureSettingKey* keys = texture_setting_keys(&count);
    ASSERT_GT(count, 0);
    for (int32_t n = 0; n < count; ++n) {
        const TextureSettingKey& k = keys[n];
        SCOPED_TRACE(k.name);
        int32_t index[2] = {k.first[0], k.first[1]};
        if (k.scope != SettingScope::Profile && !std::strchr(k.name, '%')) {
            // Compared at the fields' own single precision.
            EXPECT_EQ(static_cast<float>(texture_setting_value(standard, k, index)),
                      static_cast<float>(k.standard));
            TextureSettings s;
            std::memcpy(&s, &standard, sizeof s);
            char text[32];
            std::snprintf(text, sizeof text, "%.10g", k.standard);
            const int known = texture_settings_set_key(&s, k.name, text);
            EXPECT_EQ(known, k.scope == SettingScope::Record ? 1 : 0);
            EXPECT_EQ(std::memcmp(&s, &standard, sizeof s), 0);
        }
        if (k.kind != SettingKind::Text) EXPECT_TRUE(texture_setting_in_range(k, k.standard));
    }
    const struct {
        const char* name;
        bool known;
        int32_t index0, index1;
    } names[] = {{"SharpeningPassMIP_13", true, 13, 0},
                 {"SharpeningPassMIP_14", false, 0, 0},
                 {"CustomFilter_07", false, 0, 0},
                 {"CustomFilter_32", true, 32, 0},
                 {"Blend_Set_10_Blend_Mip_13", true, 10, 13}};
    for (const auto& c : names) {
        int32_t index[2] = {-1, -1};
        const TextureSettingKey* k = texture_setting_key_find(c.name, index);
        EXPECT_EQ(k != nullptr, c.known) << c.name;
        if (k) EXPECT_EQ(index[0] * 100 + index[1], c.index0 * 100 + c.index1) << c.name;
    }
    // Ranges that follow a count reach its last value and no further.
    const struct {
        const char* name;
        double max;
    } counted[] = {{"g_texture_format", TEXTURE_FORMAT_COUNT - 1},
                   {"g_mip_filter_type", ZOOM_FILTER_COUNT - 1},
                   {"g_rescale_mode", static_cast<double>(RescaleMode::Count) - 1},
                   {"g_sharpen_method", static_cast<double>(SharpenMethod::Count) - 1}};
    for (const auto& c : counted) {
        const TextureSettingKey* k = texture_setting_key_find(c.name, nullptr);
        ASSERT_NE(k, nullptr) << c.name;
        EXPECT_TRUE(texture_setting_in_range(*k, c.max)) << c.name;
        EXPECT_FALSE(texture_setting_in_range(*k, c.max + 1)) << c.name;
    }
}

class TextureRun : public ScratchDir {
  protected:
    void SetUp() override {
        ScratchDir::SetUp();
        write_bmp("pic.bmp", bmp_of(64, 64, smooth_pattern(64, 64)));
        write_bmp("odd.bmp", bmp_of(48, 40, smooth_pattern(48, 40)));
    }
    RunResult texture(const std::string& args) { return run(TEXTURE_BINARY, "-q " + args); }
};

TEST_F(TextureRun, RefusalsNameTheirCause) {
    const struct {
        const char* args;
        int status;
        const char* message;
    } cases[] = {
        {"--quality fine", 2, "unknown quality fine (quick, fast, normal, high or best)"},
        {"--metric psnr", 2, "unknown metric psnr (perceptual or uniform)"},
        {"--decoder round", 2, "unknown decoder round (nearest, exact or truncate)"},
        {"--resize 0x5", 2, "--resize needs pow2, up, down or WxH"},
        {"--set g_b_dither_color=2", 2, "g_b_dither_color=2 is outside its range 0 or 1"},
        {"--set g_filter_gamma=0", 2, "g_filter_gamma=0 is outside its range above 0"},
        {"--set g_nonsense=1", 2, "unknown settings key g_nonsense (--list-keys lists them)"},
        {"--profile .", 2, "cannot read the profile .: Is a directory"},
        {"--profile none.txt", 2, "cannot read the profile none.txt: No such file or directory"},
        {"", 3, "powers of two"},
    };
    for (const auto& c : cases) {
        const RunResult r = texture(std::string(c.args) + " odd.bmp out.dds");
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
        EXPECT_FALSE(file_exists("out.dds")) << c.args;
    }
    const RunResult keys = run(TEXTURE_BINARY, "--list-keys");
    EXPECT_EQ(keys.status, 0);
    for (const char* key : {"g_rescale_mode", "g_mip_filter_type", "[profile] normal map: height"})
        EXPECT_NE(keys.out.find(key), std::string::npos) << key;
    EXPECT_EQ(run(TEXTURE_BINARY, "--version").out,
              std::string("razivavu-texture ") + razivavu_version() + "\n");
}

// Each readable option gives the file of the keys it stands for; the quick
// search of --quality is the one g_b_quick_compress selects.
TEST_F(TextureRun, OptionsGiveTheFilesOfTheirKeys) {
    {
        std::ofstream profile("normals.txt");
        profile << "g_normal_map_conversion 1\n";
    }
    const struct {
        const char* option;
        const char* keys;
    } cases[] = {
        {"--quality quick pic.bmp", "--set g_b_quick_compress=1 pic.bmp"},
        {"--metric uniform pic.bmp", "--set g_b_grey_scale=1 pic.bmp"},
        {"--resize up odd.bmp", "--set g_rescale_mode=2 odd.bmp"},
        {"--set g_normal_map_conversion=1 --format 8 pic.bmp",
         "--profile normals.txt --format 8 pic.bmp"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(texture(std::string(c.option) + " a.dds").status, 0) << c.option;
        ASSERT_EQ(texture(std::string(c.keys) + " b.dds").status, 0) << c.keys;
        EXPECT_EQ(read_file("a.dds"), read_file("b.dds")) << c.option;
    }
    ASSERT_EQ(texture("--format 8 pic.bmp plain.dds").status, 0);
    EXPECT_NE(read_file("a.dds"), read_file("plain.dds"));
    TexFile f;
    std::string error;
    ASSERT_EQ(texture("--resize 32x16 odd.bmp r.dds").status, 0);
    ASSERT_TRUE(read_tex_file("r.dds", f, error)) << error;
    EXPECT_EQ(f.header_width, 32);
    EXPECT_EQ(f.header_height, 16);
}

TEST_F(TextureRun, ProfileLinesTheLibrarySkipsAreReported) {
    {
        std::ofstream profile("p.txt");
        profile << "# a comment\n\ng_mip_filter_type 7\ng_foo 1\nnovalue\n"
                   "g_fade_amount many\ng_rescale_mode 1\n";
    }
    const RunResult r = texture("--profile p.txt pic.bmp out.dds");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "razivavu-texture: warning: p.txt:4: unknown key \"g_foo\"; ignored\n"
              "razivavu-texture: warning: p.txt:5: \"novalue\" has no value after a blank; "
              "ignored\n"
              "razivavu-texture: warning: p.txt:6: g_fade_amount: \"many\" holds no number; read "
              "as 0\n"
              "razivavu-texture: warning: p.txt:7: g_rescale_mode is no profile key (give it "
              "with --set); ignored\n");
}

// A full disk on a small tmpfs, mounted in a user namespace of its own.
TEST_F(TextureRun, FullDiskGivesTheSystemsReason) {
    if (std::system("unshare -rm true > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here (unshare -rm is refused)";
    write_bmp("big.bmp", bmp_of(256, 256, smooth_pattern(256, 256)));
    ASSERT_EQ(std::system("mkdir -p small"), 0);
    const RunResult r = run_program(
        "unshare", "-rm sh -c 'mount -t tmpfs -o size=64k tmpfs small && exec \"$0\" \"$@\"' '" +
                       std::string(TEXTURE_BINARY) + "' -q --format 8 big.bmp small/out.dds");
    EXPECT_EQ(r.status, TEXTURE_WRITE);
    EXPECT_EQ(r.err,
              "razivavu-texture: cannot write small/out.dds: No space left on device; no file "
              "left under that name\n");
}

}  // namespace
