// The keys a settings profile knows, their conversions, and the profile
// defaults.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "texcomp/profile.h"

namespace {

// atoi as glibc has it: strtol, then the low 32 bits.
int32_t to_int(const char* v) {
    const long r = std::strtol(v, nullptr, 10);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long>(r)));
}

uint8_t to_flag(const char* v) { return to_int(v) != 0 ? 1 : 0; }

int16_t to_i16(const char* v) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(to_int(v))));
}

// strtod rounded to float. A finite double beyond float range rounds to
// infinity (or to the largest float within half a step of it), spelled out
// because a plain conversion of such a value is undefined.
float to_float(const char* v) {
    const double d = std::strtod(v, nullptr);
    if (std::isfinite(d) && std::fabs(d) > static_cast<double>(FLT_MAX)) {
        const double halfway = std::ldexp(1.0, 128) - std::ldexp(1.0, 103);
        const float big = std::fabs(d) < halfway ? FLT_MAX : INFINITY;
        return d < 0 ? -big : big;
    }
    return static_cast<float>(d);
}

template <typename M>
struct Member;
template <typename R, typename T>
struct Member<T R::*> {
    using Record = R;
    using Type = T;
};

template <auto F>
void set_int(typename Member<decltype(F)>::Record& r, const char* v) {
    r.*F = to_int(v);
}
template <auto F>
void set_flag(typename Member<decltype(F)>::Record& r, const char* v) {
    r.*F = to_flag(v);
}
template <auto F>
void set_i16(typename Member<decltype(F)>::Record& r, const char* v) {
    r.*F = to_i16(v);
}
template <auto F>
void set_float(typename Member<decltype(F)>::Record& r, const char* v) {
    r.*F = to_float(v);
}
template <int I>
void set_view(TextureCompressor& tc, const char* v) {
    tc.view_switches[I] = to_flag(v);
}

void set_background(TextureCompressor& tc, const char* v) {
    size_t n = std::strlen(v);
    if (n > 0 && v[n - 1] == '\n') --n;
    if (n > 0 && v[n - 1] == '\r') --n;
    if (n > sizeof tc.background_filename - 1) n = sizeof tc.background_filename - 1;
    std::memcpy(tc.background_filename, v, n);
    tc.background_filename[n] = '\0';
}

struct SettingsKey {
    const char* key;
    void (*apply)(TextureSettings&, const char*);
};

using S = TextureSettings;
const SettingsKey settings_keys[] = {
    {"g_texture_format", set_int<&S::g_texture_format>},
    {"g_texturemap_type", set_int<&S::g_texturemap_type>},
    {"g_mip_map_type", set_i16<&S::g_mip_map_type>},
    {"g_specified_mip_maps", set_i16<&S::g_specified_mip_maps>},
    {"g_mip_filter_type", set_int<&S::g_mip_filter_type>},
    {"g_b_normalmaptype", set_int<&S::g_b_normalmaptype>},
    {"g_b_quick_compress", set_flag<&S::g_b_quick_compress>},
    {"g_b_grey_scale", set_flag<&S::g_b_grey_scale>},
    {"g_b_binary_alpha", set_flag<&S::g_b_binary_alpha>},
    {"g_binary_alpha_threshold", set_int<&S::g_binary_alpha_threshold>},
    {"g_b_alpha_border", set_flag<&S::g_b_alpha_border>},
    {"g_b_border", set_flag<&S::g_b_border>},
    {"g_border_color", set_int<&S::g_border_color>},
    {"g_b_fade_color", set_flag<&S::g_b_fade_color>},
    {"g_b_fade_alpha", set_flag<&S::g_b_fade_alpha>},
    {"g_fade_to_color", set_int<&S::g_fade_to_color>},
    {"g_fade_to_alpha", set_int<&S::g_fade_to_alpha>},
    {"g_fade_to_delay", set_int<&S::g_fade_to_delay>},
    {"g_fade_amount", set_int<&S::g_fade_amount>},
    {"g_b_dither_color", set_flag<&S::g_b_dither_color>},
    {"g_b_dither_mip0", set_flag<&S::g_b_dither_mip0>},
    {"g_b_swap_rgb", set_flag<&S::g_b_swap_rgb>},
    {"g_b_error_diffusion", set_flag<&S::g_b_error_diffusion>},
    {"g_sharpen_method", set_int<&S::g_sharpen_method>},
    {"g_filter_gamma", set_float<&S::g_filter_gamma>},
    {"g_filter_width", set_float<&S::g_filter_width>},
    {"g_filter_blur", set_float<&S::g_filter_blur>},
    {"g_override_filter_width", set_flag<&S::g_override_filter_width>},
};

struct CompressorKey {
    const char* key;
    void (*apply)(TextureCompressor&, const char*);
};

using C = TextureCompressor;
const CompressorKey compressor_keys[] = {
    {"g_user_specified_fading_amounts", set_flag<&C::user_specified_fading_amounts>},
    {"g_buserspecifiedfadingamounts", set_flag<&C::user_specified_fading_amounts>},
    {"g_user_fading_set", set_int<&C::user_fading_set>},
    {"g_userfadingset", set_int<&C::user_fading_set>},
    {"g_normal_map_conversion", set_flag<&C::normal_map_conversion>},
    {"g_normalmap_cnv", set_i16<&C::normalmap_cnv>},
    {"g_normalmap_filter", set_i16<&C::normalmap_filter>},
    {"g_normalmap_alpha", set_i16<&C::normalmap_alpha>},
    {"g_normalmap_bwrap", set_flag<&C::normalmap_bwrap>},
    {"g_normalmap_binvertx", set_flag<&C::normalmap_binvertx>},
    {"g_normalmap_binverty", set_flag<&C::normalmap_binverty>},
    {"g_normalmap_bSignedOutput", set_flag<&C::normalmap_bsigned_output>},
    {"g_normalmap_bNormalMapSwapRGB", set_flag<&C::normalmap_bswap_rgb>},
    {"g_normalmap_scale", set_float<&C::normalmap_scale>},
    {"g_normalmap_minz", set_int<&C::normalmap_minz>},
    {"g_busebackgroundimage", set_flag<&C::use_background_image>},
    {"g_backgroundfilename", set_background},
    {"g_blightenable", set_flag<&C::light_enable>},
    {"g_bshowdifferences", set_flag<&C::show_differences>},
    {"g_bshowfiltering", set_flag<&C::show_filtering>},
    {"g_bshowmipmapping", set_flag<&C::show_mipmapping>},
    {"g_bshowanisotropic", set_flag<&C::show_anisotropic>},
    {"g_clearcolor", set_int<&C::clear_color>},
    {"g_zoom", set_int<&C::zoom>},
    {"g_bviewdxt1", set_view<0>},
    {"g_bviewdxt2", set_view<1>},
    {"g_bviewdxt3", set_view<2>},
    {"g_bviewdxt5", set_view<3>},
    {"g_bviewa4r4g4b4", set_view<4>},
    {"g_bviewa1r5g5b5", set_view<5>},
    {"g_bviewr5g6b5", set_view<6>},
    {"g_bviewa8r8g8b8", set_view<7>},
    {"g_balphablending", set_flag<&C::alpha_blending>},
    {"g_bpreviewdisablemipmaps", set_flag<&C::preview_disable_mipmaps>},
};

// The indexed keys "CustomFilter_%d" (0..32) and "SharpeningPassMIP_%d"
// (0..13), compared in the printed form only, so "CustomFilter_07" is unknown.
bool apply_indexed(TextureSettings& s, const char* key, const char* value) {
    bool applied = false;
    char name[64];
    for (int i = 0; i < 33; ++i) {
        std::snprintf(name, sizeof name, "CustomFilter_%d", i);
        if (std::strcmp(key, name) == 0) {
            s.CustomFilter[i] = to_float(value);
            applied = true;
        }
    }
    for (int i = 0; i < 14; ++i) {
        std::snprintf(name, sizeof name, "SharpeningPassMIP_%d", i);
        if (std::strcmp(key, name) == 0) {
            s.SharpeningPassMIP[i] = to_int(value);
            applied = true;
        }
    }
    return applied;
}

bool apply_settings_key(TextureSettings& s, const char* key, const char* value) {
    bool applied = false;
    for (const SettingsKey& k : settings_keys)
        if (std::strcmp(key, k.key) == 0) {
            k.apply(s, value);
            applied = true;
        }
    return applied;
}

}  // namespace

int texture_settings_set_key(TextureSettings* s, const char* key, const char* value) {
    if (!s || !key) return 0;
    if (!value) value = "";
    // One key names one field, so at most one of the two applies.
    const bool named = apply_settings_key(*s, key, value);
    const bool indexed = apply_indexed(*s, key, value);
    return named || indexed ? 1 : 0;
}

void apply_profile_line(TextureCompressor& tc, const char* key, const char* value) {
    apply_settings_key(tc.settings, key, value);
    for (const CompressorKey& k : compressor_keys)
        if (std::strcmp(key, k.key) == 0) k.apply(tc, value);
    // The fading keys of the set selected so far ("Blend_Set_1" .. "_10"); a
    // set outside 0..9 has no keys.
    const int32_t set = tc.user_fading_set;
    if (set >= 0 && set <= 9) {
        char name[64];
        for (int m = 0; m < 14; ++m) {
            std::snprintf(name, sizeof name, "Blend_Set_%d_Blend_Mip_%d", set + 1, m);
            if (std::strcmp(key, name) == 0) tc.user_fading_amounts[m] = to_float(value);
        }
    }
    apply_indexed(tc.settings, key, value);
}

void apply_profile_defaults(TextureCompressor& tc) {
    // The standard settings already carry the profile's CustomFilter and
    // SharpeningPassMIP defaults.
    const int32_t format = tc.settings.g_texture_format;
    texture_settings_init(tc.settings);
    tc.settings.g_texture_format = format;
    tc.settings.g_fade_to_color = 8421504;  // grey 128, 128, 128
    tc.settings.g_fade_amount = 15;

    tc.user_specified_fading_amounts = 0;
    tc.user_fading_set = 0;
    // 1 for level 0, then 15 % less per level, in single precision.
    tc.user_fading_amounts[0] = 1.0f;
    for (int m = 1; m < 14; ++m) tc.user_fading_amounts[m] = tc.user_fading_amounts[m - 1] * 0.85f;
    tc.normal_map_conversion = 0;
    tc.normalmap_cnv = 1009;
    tc.normalmap_filter = 1040;
    tc.normalmap_alpha = 1034;
    tc.normalmap_bwrap = 0;
    tc.normalmap_binvertx = 0;
    tc.normalmap_binverty = 0;
    tc.normalmap_bsigned_output = 0;
    tc.normalmap_bswap_rgb = 0;
    tc.normalmap_scale = 2.2f;
    tc.normalmap_minz = 0;
    tc.use_background_image = 0;
    tc.background_filename[0] = '\0';
    tc.light_enable = 0;
    tc.show_differences = 0;
    tc.show_filtering = 0;
    tc.show_mipmapping = 1;
    tc.show_anisotropic = 1;
    tc.clear_color = 0;
    tc.zoom = 0;
    for (uint8_t& v : tc.view_switches) v = 1;
    tc.alpha_blending = 0;
    tc.preview_disable_mipmaps = 0;
    std::snprintf(tc.profile_name, sizeof tc.profile_name, "%s", "<no profile loaded>");
}
