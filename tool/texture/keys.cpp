// Every key --set takes, as data: its kind, default, range and meaning, and
// where it goes. The library knows the keys of TextureSettings; the rescale
// fields and g_b_force_four_colours have no profile key, so the command sets
// them itself; the profile-only keys reach the library through a profile.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "texture/texture.h"

namespace {

constexpr double ANY = HUGE_VAL;
constexpr double I32_MIN = -2147483648.0;
constexpr double I32_MAX = 2147483647.0;
constexpr double I16_MIN = -32768.0;
constexpr double I16_MAX = 32767.0;
constexpr double COLOUR_MAX = 16777215.0;  // 0xRRGGBB

using K = KeyKind;
using H = KeyHome;

// clang-format off
const SettingKey setting_keys[] = {
    // The library's keys, in the profile's order.
    {"g_texture_format", K::whole, H::library, "0", 0, 16, "output format code (--format takes the names)"},
    {"g_texturemap_type", K::whole, H::library, "0", 0, 2, "0 plain texture, 1 six cube faces side by side, 2 volume"},
    {"g_mip_map_type", K::whole, H::library, "30", 30, 32, "30 make the mip chain, 31 levels given beside level 0, 32 level 0 only"},
    {"g_specified_mip_maps", K::whole, H::library, "0", 0, I16_MAX, "at most this many levels; 0 the whole chain"},
    {"g_mip_filter_type", K::whole, H::library, "2", 0, 13, "mip filter: 0 point, 1 box, 2 triangle, ... 7 gaussian, ... 13 kaiser"},
    {"g_b_normalmaptype", K::whole, H::library, "0", 0, 2, "channel weights of the colour search: 0 ordinary, 1 and 2 normal maps"},
    {"g_b_quick_compress", K::flag, H::library, "0", 0, 1, "quick end-point search in the block formats (as --quality quick)"},
    {"g_b_grey_scale", K::flag, H::library, "0", 0, 1, "equal channel weights in the colour search (as --metric uniform)"},
    {"g_b_binary_alpha", K::flag, H::library, "0", 0, 1, "alpha becomes 0 or 255 at g_binary_alpha_threshold"},
    {"g_binary_alpha_threshold", K::whole, H::library, "128", 0, 255, "threshold of g_b_binary_alpha"},
    {"g_b_alpha_border", K::flag, H::library, "0", 0, 1, "alpha 0 on the outermost rows and columns"},
    {"g_b_border", K::flag, H::library, "0", 0, 1, "outermost rows and columns in g_border_color"},
    {"g_border_color", K::whole, H::library, "0", 0, COLOUR_MAX, "border colour, 0xRRGGBB as a number"},
    {"g_b_fade_color", K::flag, H::library, "0", 0, 1, "fade the colour of smaller levels towards g_fade_to_color"},
    {"g_b_fade_alpha", K::flag, H::library, "0", 0, 1, "fade the alpha of smaller levels towards g_fade_to_alpha"},
    {"g_fade_to_color", K::whole, H::library, "0", 0, COLOUR_MAX, "colour faded to, 0xRRGGBB as a number"},
    {"g_fade_to_alpha", K::whole, H::library, "0", 0, 255, "alpha faded to"},
    {"g_fade_to_delay", K::whole, H::library, "0", 0, I16_MAX, "levels before fading starts"},
    {"g_fade_amount", K::whole, H::library, "0", 0, 100, "fading per level, in percent"},
    {"g_b_dither_color", K::flag, H::library, "0", 0, 1, "dither the levels after level 0 when colours are reduced"},
    {"g_b_dither_mip0", K::flag, H::library, "0", 0, 1, "dither level 0 when its colours are reduced"},
    {"g_b_swap_rgb", K::flag, H::library, "0", 0, 1, "exchange red and blue"},
    {"g_b_error_diffusion", K::flag, H::library, "0", 0, 1, "the neighbourhood variant of the block encoder"},
    {"g_sharpen_method", K::whole, H::library, "0", 0, 19, "sharpening filter of the levels; 0 none"},
    {"g_filter_gamma", K::decimal, H::library, "2.2", 0, ANY, "kept with the settings; nothing reads it (above 0)"},
    {"g_filter_width", K::decimal, H::library, "10", -ANY, 64, "mip filter support with g_override_filter_width; negative keeps the filter's"},
    {"g_filter_blur", K::decimal, H::library, "1", -ANY, 16, "mip filter blur with g_override_filter_width; negative keeps the filter's, 0 is refused"},
    {"g_override_filter_width", K::flag, H::library, "0", 0, 1, "use g_filter_width and g_filter_blur"},
    {"CustomFilter_%d", K::decimal, H::library, "a kernel", -ANY, ANY, "entries of the user filter (sharpen method 19); default a mild 5x5 sharpen"},
    {"SharpeningPassMIP_%d", K::whole, H::library, "0, then 1", 0, 64, "sharpening passes of level 0 .. 13"},
    // Fields without a profile key.
    {"g_rescale_mode", K::whole, H::command, "0", 0, 7, "rescale first: 0 no, 1 nearest power of two, 2 up, 3 down, 4 next lower, 5 to WxH, 6 by factors, 7 to WxH if larger (--resize)"},
    {"g_rescale_width", K::decimal, H::command, "1", 0, I16_MAX, "width (modes 5, 7) or width factor (mode 6); above 0"},
    {"g_rescale_height", K::decimal, H::command, "1", 0, I16_MAX, "height (modes 5, 7) or height factor (mode 6); above 0"},
    {"g_b_force_four_colours", K::flag, H::command, "0", 0, 1, "DXT1: every colour block in four-colour order"},
    // Profile-only keys.
    {"g_user_specified_fading_amounts", K::flag, H::profile, "0", 0, 1, "fade by the amounts Blend_Set_*_Blend_Mip_* instead of g_fade_amount"},
    {"g_buserspecifiedfadingamounts", K::flag, H::profile, "0", 0, 1, "the same as g_user_specified_fading_amounts"},
    {"g_user_fading_set", K::whole, H::profile, "0", 0, 9, "fading set whose Blend keys later lines set (0 = Blend_Set_1)"},
    {"g_userfadingset", K::whole, H::profile, "0", 0, 9, "the same as g_user_fading_set"},
    {"Blend_Set_%d_Blend_Mip_%d", K::decimal, H::profile, "0.85^level", -ANY, ANY, "fading amount of a level (set 1 .. 10, level 0 .. 13) of the selected set"},
    {"g_normal_map_conversion", K::flag, H::profile, "0", 0, 1, "turn the picture into a normal map before encoding"},
    {"g_normalmap_cnv", K::whole, H::profile, "1009", I16_MIN, I16_MAX, "normal map: height conversion code"},
    {"g_normalmap_filter", K::whole, H::profile, "1040", I16_MIN, I16_MAX, "normal map: derivative kernel code"},
    {"g_normalmap_alpha", K::whole, H::profile, "1034", I16_MIN, I16_MAX, "normal map: alpha code"},
    {"g_normalmap_bwrap", K::flag, H::profile, "0", 0, 1, "normal map: wrap at the picture's edges"},
    {"g_normalmap_binvertx", K::flag, H::profile, "0", 0, 1, "normal map: invert x"},
    {"g_normalmap_binverty", K::flag, H::profile, "0", 0, 1, "normal map: invert y"},
    {"g_normalmap_bSignedOutput", K::flag, H::profile, "0", 0, 1, "normal map: signed output"},
    {"g_normalmap_bNormalMapSwapRGB", K::flag, H::profile, "0", 0, 1, "normal map: exchange red and blue"},
    {"g_normalmap_scale", K::decimal, H::profile, "2.2", -ANY, ANY, "normal map: height scale"},
    {"g_normalmap_minz", K::whole, H::profile, "0", I32_MIN, I32_MAX, "normal map: smallest z"},
    {"g_busebackgroundimage", K::flag, H::profile, "0", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_backgroundfilename", K::text, H::profile, "", 0, 0, "kept for old profiles; nothing reads it"},
    {"g_blightenable", K::flag, H::profile, "0", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bshowdifferences", K::flag, H::profile, "0", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bshowfiltering", K::flag, H::profile, "0", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bshowmipmapping", K::flag, H::profile, "1", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bshowanisotropic", K::flag, H::profile, "1", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_clearcolor", K::whole, H::profile, "0", I32_MIN, I32_MAX, "kept for old profiles; nothing reads it"},
    {"g_zoom", K::whole, H::profile, "0", I32_MIN, I32_MAX, "kept for old profiles; nothing reads it"},
    {"g_bviewdxt1", K::flag, H::profile, "1", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bviewdxt2", K::flag, H::profile, "1", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bviewdxt3", K::flag, H::profile, "1", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bviewdxt5", K::flag, H::profile, "1", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bviewa4r4g4b4", K::flag, H::profile, "1", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bviewa1r5g5b5", K::flag, H::profile, "1", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bviewr5g6b5", K::flag, H::profile, "1", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bviewa8r8g8b8", K::flag, H::profile, "1", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_balphablending", K::flag, H::profile, "0", 0, 1, "kept for old profiles; nothing reads it"},
    {"g_bpreviewdisablemipmaps", K::flag, H::profile, "0", 0, 1, "kept for old profiles; nothing reads it"},
};
// clang-format on

// Indexed keys match in their printed form only ("CustomFilter_07" is not
// a key), as the library compares them.
bool matches(const SettingKey& k, const std::string& key) {
    if (!std::strchr(k.key, '%')) return key == k.key;
    char name[64];
    if (std::strcmp(k.key, "CustomFilter_%d") == 0 ||
        std::strcmp(k.key, "SharpeningPassMIP_%d") == 0) {
        const int count = k.key[0] == 'C' ? 33 : 14;
        for (int i = 0; i < count; ++i) {
            std::snprintf(name, sizeof name, k.key, i);
            if (key == name) return true;
        }
        return false;
    }
    for (int set = 1; set <= 10; ++set)
        for (int m = 0; m < 14; ++m) {
            std::snprintf(name, sizeof name, k.key, set, m);
            if (key == name) return true;
        }
    return false;
}

std::string number_text(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.10g", v);
    return t;
}

const char* kind_name(KeyKind kind) {
    switch (kind) {
        case KeyKind::flag:
            return "flag";
        case KeyKind::whole:
            return "whole";
        case KeyKind::decimal:
            return "number";
        case KeyKind::text:
            return "text";
    }
    return "?";
}

}  // namespace

const SettingKey* find_setting_key(const std::string& key) {
    for (const SettingKey& k : setting_keys)
        if (matches(k, key)) return &k;
    return nullptr;
}

std::vector<const SettingKey*> all_setting_keys() {
    std::vector<const SettingKey*> keys;
    for (const SettingKey& k : setting_keys) keys.push_back(&k);
    return keys;
}

std::string setting_range(const SettingKey& k) {
    if (k.kind == KeyKind::text) return "any text";
    if (k.kind == KeyKind::flag) return "0 or 1";
    const bool low = std::isfinite(k.min), high = std::isfinite(k.max);
    // A decimal key whose range starts at 0 must stay above it.
    const bool above = k.kind == KeyKind::decimal && low && k.min == 0;
    if (!low && !high) return "any";
    if (!low) return "up to " + number_text(k.max);
    if (!high) return (above ? "above " : "from ") + number_text(k.min);
    return (above ? "above " : "") + number_text(k.min) + " .. " + number_text(k.max);
}

bool setting_in_range(const SettingKey& k, double v) {
    if (k.kind == KeyKind::text) return true;
    if (k.kind == KeyKind::decimal && k.min == 0 && !(v > 0)) return false;
    return v >= k.min && v <= k.max;
}

std::string setting_keys_text() {
    std::string t =
        "Keys of --set KEY=VALUE (also the lines of a --profile file): kind, default, range, "
        "meaning.\n"
        "Keys marked [profile] are profile-only: the library reads them from a profile, and "
        "--set hands\nthem over as profile lines after those of --profile.\n";
    for (const SettingKey& k : setting_keys) {
        char line[512];
        std::string name = k.key;
        if (name == "CustomFilter_%d") name = "CustomFilter_0..32";
        if (name == "SharpeningPassMIP_%d") name = "SharpeningPassMIP_0..13";
        if (name == "Blend_Set_%d_Blend_Mip_%d") name = "Blend_Set_1..10_Blend_Mip_0..13";
        std::snprintf(line, sizeof line, "  %-33s %-6s %-10s %-20s %s%s\n", name.c_str(),
                      kind_name(k.kind), k.default_value[0] ? k.default_value : "\"\"",
                      setting_range(k).c_str(), k.home == KeyHome::profile ? "[profile] " : "",
                      k.meaning);
        t += line;
    }
    return t;
}
