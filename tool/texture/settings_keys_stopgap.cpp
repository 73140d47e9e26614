// STOPGAP, see settings_keys_stopgap.h.
#include "texture/settings_keys_stopgap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int texture_settings_set_key(TextureSettings* s, const char* key, const char* value) {
    const int i = std::atoi(value);
    const float f = static_cast<float>(std::atof(value));
    struct Flag {
        const char* key;
        uint8_t* field;
    };
    struct Int {
        const char* key;
        int32_t* field;
    };
    struct Float {
        const char* key;
        float* field;
    };
    const Flag flags[] = {{"g_b_quick_compress", &s->g_b_quick_compress},
                          {"g_b_grey_scale", &s->g_b_grey_scale},
                          {"g_b_binary_alpha", &s->g_b_binary_alpha},
                          {"g_b_alpha_border", &s->g_b_alpha_border},
                          {"g_b_border", &s->g_b_border},
                          {"g_b_fade_color", &s->g_b_fade_color},
                          {"g_b_fade_alpha", &s->g_b_fade_alpha},
                          {"g_b_dither_color", &s->g_b_dither_color},
                          {"g_b_dither_mip0", &s->g_b_dither_mip0},
                          {"g_b_swap_rgb", &s->g_b_swap_rgb},
                          {"g_b_error_diffusion", &s->g_b_error_diffusion},
                          {"g_override_filter_width", &s->g_override_filter_width}};
    const Int ints[] = {{"g_texture_format", &s->g_texture_format},
                        {"g_texturemap_type", &s->g_texturemap_type},
                        {"g_mip_filter_type", &s->g_mip_filter_type},
                        {"g_b_normalmaptype", &s->g_b_normalmaptype},
                        {"g_binary_alpha_threshold", &s->g_binary_alpha_threshold},
                        {"g_border_color", &s->g_border_color},
                        {"g_fade_to_color", &s->g_fade_to_color},
                        {"g_fade_to_alpha", &s->g_fade_to_alpha},
                        {"g_fade_to_delay", &s->g_fade_to_delay},
                        {"g_fade_amount", &s->g_fade_amount},
                        {"g_sharpen_method", &s->g_sharpen_method}};
    const Float floats[] = {{"g_filter_gamma", &s->g_filter_gamma},
                            {"g_filter_width", &s->g_filter_width},
                            {"g_filter_blur", &s->g_filter_blur}};
    for (const Flag& k : flags)
        if (std::strcmp(key, k.key) == 0) return *k.field = i != 0, 1;
    for (const Int& k : ints)
        if (std::strcmp(key, k.key) == 0) return *k.field = i, 1;
    for (const Float& k : floats)
        if (std::strcmp(key, k.key) == 0) return *k.field = f, 1;
    if (std::strcmp(key, "g_mip_map_type") == 0)
        return s->g_mip_map_type = static_cast<int16_t>(i), 1;
    if (std::strcmp(key, "g_specified_mip_maps") == 0)
        return s->g_specified_mip_maps = static_cast<int16_t>(i), 1;
    char name[32];
    for (int n = 0; n < 33; ++n) {
        std::snprintf(name, sizeof(name), "CustomFilter_%d", n);
        if (std::strcmp(key, name) == 0) return s->CustomFilter[n] = f, 1;
    }
    for (int n = 0; n < 14; ++n) {
        std::snprintf(name, sizeof(name), "SharpeningPassMIP_%d", n);
        if (std::strcmp(key, name) == 0) return s->SharpeningPassMIP[n] = i, 1;
    }
    return 0;
}
