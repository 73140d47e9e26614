// The settings key table: every key once, with its kind, default, range and
// meaning, and the accessor of its field. The profile reader, the standard
// initialisation and the texture command's --set and --list-keys all read
// this table; ranges that follow a set of named values take its count.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>

#include "blocks/blocks.h"
#include "texcomp/setting_fields.h"
#include "zoom/zoom.h"

namespace {

using namespace setting_fields;
using S = TextureSettings;
using C = TextureCompressor;
using Kind = SettingKind;
using Scope = SettingScope;

constexpr double ANY = HUGE_VAL;
constexpr double I32_MIN = -2147483648.0;
constexpr double I32_MAX = 2147483647.0;
constexpr double I16_MIN = -32768.0;
constexpr double I16_MAX = 32767.0;
constexpr double COLOUR_MAX = 16777215.0;  // 0xRRGGBB

// The last value of a set of named values that ends in a Count or End.
template <typename E>
constexpr double last(E end) {
    return static_cast<double>(static_cast<int32_t>(end) - 1);
}
template <typename E>
constexpr double code(E value) {
    return static_cast<double>(static_cast<int32_t>(value));
}

// A row for a field whose type gives the kind.
template <auto F>
constexpr TextureSettingKey row(const char* name, Scope scope, double standard, double min,
                                double max, const char* meaning) {
    const SettingAccess* access = nullptr;
    if constexpr (std::is_same_v<typename Member<decltype(F)>::Record, S>)
        access = &record_field<F>;
    else
        access = &profile_field<F>;
    return {name,     kind_of<FieldType<F>>(),
            scope,    standard,
            standard, min,
            max,      meaning,
            {0, 0},   {0, 0},
            nullptr,  access};
}
template <auto F>
constexpr TextureSettingKey key(const char* name, double standard, double min, double max,
                                const char* meaning) {
    return row<F>(name, Scope::Record, standard, min, max, meaning);
}
template <auto F>
constexpr TextureSettingKey no_profile_key(const char* name, double standard, double min,
                                           double max, const char* meaning) {
    return row<F>(name, Scope::RecordOnly, standard, min, max, meaning);
}
template <auto F>
constexpr TextureSettingKey profile_key(const char* name, double standard, double min, double max,
                                        const char* meaning) {
    return row<F>(name, Scope::Profile, standard, min, max, meaning);
}
constexpr TextureSettingKey profile_starts(TextureSettingKey k, double value) {
    k.profile_standard = value;
    return k;
}
constexpr TextureSettingKey indexed(TextureSettingKey k, const SettingAccess* access,
                                    int32_t count0, int32_t first0, int32_t count1, int32_t first1,
                                    const char* listed) {
    k.count[0] = count0;
    k.first[0] = first0;
    k.count[1] = count1;
    k.first[1] = first1;
    k.listed_default = listed;
    k.access = access;
    return k;
}

// The custom filter's default: a mild 5x5 sharpen (11 in the centre, -2 in
// the four direct neighbours, divisor 3), unsharp-mask radius 5, amount 0.5,
// threshold 0, sharpener strength and threshold 255.
double custom_filter_standard(const int32_t* i) {
    switch (i[0]) {
        case CUSTOM_FILTER_WEIGHTS + 12:
            return 11.0;
        case CUSTOM_FILTER_WEIGHTS + 7:
        case CUSTOM_FILTER_WEIGHTS + 11:
        case CUSTOM_FILTER_WEIGHTS + 13:
        case CUSTOM_FILTER_WEIGHTS + 17:
            return -2.0;
        case CUSTOM_FILTER_DIVISOR:
            return 3.0;
        case CUSTOM_FILTER_UNSHARP_RADIUS:
            return 5.0;
        case CUSTOM_FILTER_UNSHARP_AMOUNT:
            return 0.5;
        case CUSTOM_FILTER_SHARPEN_STRENGTH:
        case CUSTOM_FILTER_SHARPEN_THRESHOLD:
            return 255.0;
        default:
            return 0.0;
    }
}
// One sharpening pass on every level but the first.
double sharpening_passes_standard(const int32_t* i) { return i[0] == 0 ? 0.0 : 1.0; }

// A profile's fading amounts: 1 for level 0, then 15 % less per level, in
// single precision.
double fading_standard(const int32_t* i) {
    float amount = 1.0f;
    for (int32_t m = 1; m <= i[1]; ++m) amount *= 0.85f;
    return amount;
}
// Blend_Set_<set>_Blend_Mip_<level>: only the keys of the set the profile
// has selected so far apply, so a set chosen on an earlier line governs the
// lines after it.
void apply_fading(C& tc, const int32_t i[2], const char* v) {
    if (i[0] - 1 == tc.user_fading_set) tc.user_fading_amounts[i[1]] = to_float(v);
}
void store_fading(C& tc, const int32_t i[2], double v) {
    tc.user_fading_amounts[i[1]] = static_cast<float>(v);
}
constexpr SettingAccess fading_amounts = {nullptr,      nullptr,      nullptr,
                                          apply_fading, store_fading, fading_standard};

// The viewer's per-format switches, one key each.
template <int I>
void apply_view(C& tc, const int32_t*, const char* v) {
    tc.view_switches[I] = parse<uint8_t>(v);
}
template <int I>
void store_view(C& tc, const int32_t*, double v) {
    tc.view_switches[I] = static_cast<uint8_t>(v);
}
template <int I>
constexpr SettingAccess view_switch = {nullptr,       nullptr,       nullptr,
                                       apply_view<I>, store_view<I>, nullptr};
constexpr TextureSettingKey view_key(const char* name, const SettingAccess* access) {
    return {name,
            Kind::Flag,
            Scope::Profile,
            1,
            1,
            0,
            1,
            "kept for old profiles; nothing reads it",
            {0, 0},
            {0, 0},
            nullptr,
            access};
}

// The background file name: the value without its line break (and a "\r"
// before it), cut to the field.
void apply_background(C& tc, const int32_t*, const char* v) {
    size_t n = std::strlen(v);
    if (n > 0 && v[n - 1] == '\n') --n;
    if (n > 0 && v[n - 1] == '\r') --n;
    if (n > sizeof tc.background_filename - 1) n = sizeof tc.background_filename - 1;
    std::memcpy(tc.background_filename, v, n);
    tc.background_filename[n] = '\0';
}
void clear_background(C& tc, const int32_t*, double) { tc.background_filename[0] = '\0'; }
constexpr SettingAccess background = {nullptr,          nullptr,          nullptr,
                                      apply_background, clear_background, nullptr};

// A profile leaves the output format as the caller set it.
constexpr double KEEPS_VALUE = std::numeric_limits<double>::quiet_NaN();

constexpr const char* STORED_ONLY = "kept for old profiles; nothing reads it";

// clang-format off
constexpr TextureSettingKey KEYS[] = {
    // The keys of TextureSettings fields, in the profile's order.
    profile_starts(key<&S::g_texture_format>("g_texture_format", 0, 0, TEXTURE_FORMAT_COUNT - 1, "output format code (--format takes the names)"), KEEPS_VALUE),
    key<&S::g_texturemap_type>("g_texturemap_type", code(TextureMapType::Plain), 0, last(TextureMapType::Count), "0 plain texture, 1 six cube faces side by side, 2 volume"),
    key<&S::g_mip_map_type>("g_mip_map_type", code(MipChainMode::Generated), code(MipChainMode::Generated), last(MipChainMode::End), "30 make the mip chain, 31 levels given beside level 0, 32 level 0 only"),
    key<&S::g_specified_mip_maps>("g_specified_mip_maps", 0, 0, I16_MAX, "at most this many levels; 0 the whole chain"),
    key<&S::g_mip_filter_type>("g_mip_filter_type", code(ZoomKernelIndex::Triangle), 0, ZOOM_FILTER_COUNT - 1, "mip filter: 0 point, 1 box, 2 triangle, ... 7 gaussian, ... 13 kaiser"),
    key<&S::g_b_normalmaptype>("g_b_normalmaptype", code(NormalMapWeights::None), 0, last(NormalMapWeights::Count), "channel weights of the colour search: 0 ordinary, 1 and 2 normal maps"),
    key<&S::g_b_quick_compress>("g_b_quick_compress", 0, 0, 1, "quick end-point search in the block formats (as --quality quick)"),
    key<&S::g_b_grey_scale>("g_b_grey_scale", 0, 0, 1, "equal channel weights in the colour search (as --metric uniform)"),
    key<&S::g_b_binary_alpha>("g_b_binary_alpha", 0, 0, 1, "alpha becomes 0 or 255 at g_binary_alpha_threshold"),
    key<&S::g_binary_alpha_threshold>("g_binary_alpha_threshold", 128, 0, 255, "threshold of g_b_binary_alpha"),
    key<&S::g_b_alpha_border>("g_b_alpha_border", 0, 0, 1, "alpha 0 on the outermost rows and columns"),
    key<&S::g_b_border>("g_b_border", 0, 0, 1, "outermost rows and columns in g_border_color"),
    key<&S::g_border_color>("g_border_color", 0, 0, COLOUR_MAX, "border colour, 0xRRGGBB as a number"),
    key<&S::g_b_fade_color>("g_b_fade_color", 0, 0, 1, "fade the colour of smaller levels towards g_fade_to_color"),
    key<&S::g_b_fade_alpha>("g_b_fade_alpha", 0, 0, 1, "fade the alpha of smaller levels towards g_fade_to_alpha"),
    profile_starts(key<&S::g_fade_to_color>("g_fade_to_color", 0, 0, COLOUR_MAX, "colour faded to, 0xRRGGBB as a number"), 8421504),  // a profile's: grey 128
    key<&S::g_fade_to_alpha>("g_fade_to_alpha", 0, 0, 255, "alpha faded to"),
    key<&S::g_fade_to_delay>("g_fade_to_delay", 0, 0, I16_MAX, "levels before fading starts"),
    profile_starts(key<&S::g_fade_amount>("g_fade_amount", 0, 0, 100, "fading per level, in percent"), 15),
    key<&S::g_b_dither_color>("g_b_dither_color", 0, 0, 1, "dither the levels after level 0 when colours are reduced"),
    key<&S::g_b_dither_mip0>("g_b_dither_mip0", 0, 0, 1, "dither level 0 when its colours are reduced"),
    key<&S::g_b_swap_rgb>("g_b_swap_rgb", 0, 0, 1, "exchange red and blue"),
    key<&S::g_b_error_diffusion>("g_b_error_diffusion", 0, 0, 1, "the neighbourhood variant of the block encoder"),
    key<&S::g_sharpen_method>("g_sharpen_method", code(SharpenMethod::None), 0, last(SharpenMethod::Count), "sharpening filter of the levels; 0 none"),
    key<&S::g_filter_gamma>("g_filter_gamma", 2.2, 0, ANY, "kept with the settings; nothing reads it (above 0)"),
    key<&S::g_filter_width>("g_filter_width", 10, -ANY, 64, "mip filter support with g_override_filter_width; negative keeps the filter's"),
    key<&S::g_filter_blur>("g_filter_blur", 1, -ANY, 16, "mip filter blur with g_override_filter_width; negative keeps the filter's, 0 is refused"),
    key<&S::g_override_filter_width>("g_override_filter_width", 0, 0, 1, "use g_filter_width and g_filter_blur"),
    indexed(key<&S::CustomFilter>("CustomFilter_%d", 0, -ANY, ANY, "entries of the user filter (sharpen method 19); default a mild 5x5 sharpen"),
            &record_field<&S::CustomFilter, custom_filter_standard>, CUSTOM_FILTER_COUNT, 0, 0, 0, "a kernel"),
    indexed(key<&S::SharpeningPassMIP>("SharpeningPassMIP_%d", 0, 0, 64, "sharpening passes of level 0 .. 13"),
            &record_field<&S::SharpeningPassMIP, sharpening_passes_standard>, LEVEL_TABLE_SIZE, 0, 0, 0, "0, then 1"),
    // TextureSettings fields without a profile key: callers set them.
    no_profile_key<&S::g_rescale_mode>("g_rescale_mode", code(RescaleMode::None), 0, last(RescaleMode::Count), "rescale first: 0 no, 1 nearest power of two, 2 up, 3 down, 4 next lower, 5 to WxH, 6 by factors, 7 to WxH if larger (--resize)"),
    no_profile_key<&S::g_rescale_width>("g_rescale_width", 1, 0, I16_MAX, "width (modes 5, 7) or width factor (mode 6); above 0"),
    no_profile_key<&S::g_rescale_height>("g_rescale_height", 1, 0, I16_MAX, "height (modes 5, 7) or height factor (mode 6); above 0"),
    no_profile_key<&S::g_b_force_four_colours>("g_b_force_four_colours", 0, 0, 1, "DXT1: every colour block in four-colour order"),
    no_profile_key<&S::g_bc4_channel>("g_bc4_channel", code(SingleChannel::Luma), 0, last(SingleChannel::Count), "BC4's channel: 0 luma, 1 red, 2 green, 3 blue, 4 alpha"),
    // Fields only a profile sets.
    profile_key<&C::user_specified_fading_amounts>("g_user_specified_fading_amounts", 0, 0, 1, "fade by the amounts Blend_Set_*_Blend_Mip_* instead of g_fade_amount"),
    profile_key<&C::user_specified_fading_amounts>("g_buserspecifiedfadingamounts", 0, 0, 1, "the same as g_user_specified_fading_amounts"),
    profile_key<&C::user_fading_set>("g_user_fading_set", 0, 0, 9, "fading set whose Blend keys later lines set (0 = Blend_Set_1)"),
    profile_key<&C::user_fading_set>("g_userfadingset", 0, 0, 9, "the same as g_user_fading_set"),
    indexed(profile_key<&C::user_fading_amounts>("Blend_Set_%d_Blend_Mip_%d", 0, -ANY, ANY, "fading amount of a level (set 1 .. 10, level 0 .. 13) of the selected set"),
            &fading_amounts, 10, 1, LEVEL_TABLE_SIZE, 0, "0.85^level"),
    profile_key<&C::normal_map_conversion>("g_normal_map_conversion", 0, 0, 1, "turn the picture into a normal map before encoding"),
    profile_key<&C::normalmap_cnv>("g_normalmap_cnv", NORMALMAP_HEIGHT_ALPHA, I16_MIN, I16_MAX, "normal map: height conversion code"),
    profile_key<&C::normalmap_filter>("g_normalmap_filter", NORMALMAP_KERNEL_2X1, I16_MIN, I16_MAX, "normal map: derivative kernel code"),
    profile_key<&C::normalmap_alpha>("g_normalmap_alpha", NORMALMAP_ALPHA_HEIGHT, I16_MIN, I16_MAX, "normal map: alpha code"),
    profile_key<&C::normalmap_bwrap>("g_normalmap_bwrap", 0, 0, 1, "normal map: wrap at the picture's edges"),
    profile_key<&C::normalmap_binvertx>("g_normalmap_binvertx", 0, 0, 1, "normal map: invert x"),
    profile_key<&C::normalmap_binverty>("g_normalmap_binverty", 0, 0, 1, "normal map: invert y"),
    profile_key<&C::normalmap_bsigned_output>("g_normalmap_bSignedOutput", 0, 0, 1, "normal map: signed output"),
    profile_key<&C::normalmap_bswap_rgb>("g_normalmap_bNormalMapSwapRGB", 0, 0, 1, "normal map: exchange red and blue"),
    profile_key<&C::normalmap_scale>("g_normalmap_scale", 2.2, -ANY, ANY, "normal map: height scale"),
    profile_key<&C::normalmap_minz>("g_normalmap_minz", 0, I32_MIN, I32_MAX, "normal map: smallest z"),
    profile_key<&C::use_background_image>("g_busebackgroundimage", 0, 0, 1, STORED_ONLY),
    {"g_backgroundfilename", Kind::Text, Scope::Profile, 0, 0, 0, 0, STORED_ONLY, {0, 0}, {0, 0}, "", &background},
    profile_key<&C::light_enable>("g_blightenable", 0, 0, 1, STORED_ONLY),
    profile_key<&C::show_differences>("g_bshowdifferences", 0, 0, 1, STORED_ONLY),
    profile_key<&C::show_filtering>("g_bshowfiltering", 0, 0, 1, STORED_ONLY),
    profile_key<&C::show_mipmapping>("g_bshowmipmapping", 1, 0, 1, STORED_ONLY),
    profile_key<&C::show_anisotropic>("g_bshowanisotropic", 1, 0, 1, STORED_ONLY),
    profile_key<&C::clear_color>("g_clearcolor", 0, I32_MIN, I32_MAX, STORED_ONLY),
    profile_key<&C::zoom>("g_zoom", 0, I32_MIN, I32_MAX, STORED_ONLY),
    view_key("g_bviewdxt1", &view_switch<0>),
    view_key("g_bviewdxt2", &view_switch<1>),
    view_key("g_bviewdxt3", &view_switch<2>),
    view_key("g_bviewdxt5", &view_switch<3>),
    view_key("g_bviewa4r4g4b4", &view_switch<4>),
    view_key("g_bviewa1r5g5b5", &view_switch<5>),
    view_key("g_bviewr5g6b5", &view_switch<6>),
    view_key("g_bviewa8r8g8b8", &view_switch<7>),
    profile_key<&C::alpha_blending>("g_balphablending", 0, 0, 1, STORED_ONLY),
    profile_key<&C::preview_disable_mipmaps>("g_bpreviewdisablemipmaps", 0, 0, 1, STORED_ONLY),
};
// clang-format on
constexpr int32_t KEY_COUNT = static_cast<int32_t>(std::size(KEYS));

static_assert(sizeof(TextureCompressor::view_switches) == 8, "one key per view switch");

bool matches(const TextureSettingKey& k, const char* name, int32_t index[2]) {
    if (!std::strchr(k.name, '%')) return std::strcmp(k.name, name) == 0;
    // Indexed keys match in their printed form only ("CustomFilter_07" is no
    // key), so each entry's name is printed and compared.
    bool found = false;
    for_each_entry(k, [&](const int32_t* i) {
        if (found) return;
        char printed[64];
        if (k.count[1] > 0)
            std::snprintf(printed, sizeof printed, k.name, i[0], i[1]);
        else
            std::snprintf(printed, sizeof printed, k.name, i[0]);
        if (std::strcmp(printed, name) == 0) {
            found = true;
            index[0] = i[0];
            index[1] = i[1];
        }
    });
    return found;
}

}  // namespace

const TextureSettingKey* texture_setting_keys(int32_t* count) {
    if (count) *count = KEY_COUNT;
    return KEYS;
}

const TextureSettingKey* texture_setting_key_find(const char* name, int32_t index[2]) {
    int32_t unused[2] = {0, 0};
    if (!index) index = unused;
    index[0] = index[1] = 0;
    if (!name) return nullptr;
    for (const TextureSettingKey& k : KEYS)
        if (matches(k, name, index)) return &k;
    return nullptr;
}

bool texture_setting_in_range(const TextureSettingKey& k, double v) {
    if (k.kind == SettingKind::Text) return true;
    if (k.kind == SettingKind::Decimal && k.min == 0 && !(v > 0)) return false;
    return v >= k.min && v <= k.max;
}

bool texture_setting_apply(TextureSettings& s, const TextureSettingKey& k, const int32_t index[2],
                           const char* value) {
    if (!k.access || !k.access->apply) return false;
    const int32_t none[2] = {0, 0};
    k.access->apply(s, index ? index : none, value ? value : "");
    return true;
}

double texture_setting_value(const TextureSettings& s, const TextureSettingKey& k,
                             const int32_t index[2]) {
    if (!k.access || !k.access->load) return 0.0;
    const int32_t none[2] = {0, 0};
    return k.access->load(s, index ? index : none);
}

double setting_standard(const TextureSettingKey& k, const int32_t index[2]) {
    return k.access && k.access->standard_at ? k.access->standard_at(index) : k.standard;
}

void texture_settings_init(TextureSettings& s) {
    // Copied whole from a value-initialised record, padding included, so that
    // two standard records compare equal byte for byte.
    const TextureSettings fresh{};
    std::memcpy(static_cast<void*>(&s), &fresh, sizeof s);
    for (const TextureSettingKey& k : KEYS)
        if (k.scope != SettingScope::Profile)
            for_each_entry(
                k, [&](const int32_t* i) { k.access->store(s, i, setting_standard(k, i)); });
}

int texture_settings_set_key(TextureSettings* s, const char* key, const char* value) {
    if (!s || !key) return 0;
    int32_t index[2];
    const TextureSettingKey* k = texture_setting_key_find(key, index);
    if (!k || k->scope != SettingScope::Record) return 0;
    k->access->apply(*s, index, value ? value : "");
    return 1;
}
