// The command line of razivavu-texture.
#include "containers/containers.h"
#include "texcomp/texcomp.h"
#include "texture/texture.h"
#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"

namespace {

bool parse_rect(const std::string& text, CompressRect& out) {
    int32_t v[4];
    size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        const size_t comma = k < 3 ? text.find(',', start) : text.size();
        if (comma == std::string::npos) return false;
        if (!parse_whole_number(text.substr(start, comma - start).c_str(), v[k])) return false;
        start = comma + 1;
    }
    out = CompressRect{v[0], v[1], v[2], v[3]};
    return true;
}

std::string mode_text(RescaleMode mode) { return std::to_string(static_cast<int32_t>(mode)); }

// --resize as the rescale keys it stands for; empty when not understood.
std::vector<std::pair<std::string, std::string>> resize_settings(const std::string& how) {
    if (how == "pow2") return {{"g_rescale_mode", mode_text(RescaleMode::NearestPow2)}};
    if (how == "up") return {{"g_rescale_mode", mode_text(RescaleMode::UpPow2)}};
    if (how == "down") return {{"g_rescale_mode", mode_text(RescaleMode::DownPow2)}};
    const size_t x = how.find('x');
    int32_t w = 0, h = 0;
    if (x == std::string::npos || !parse_whole_number(how.substr(0, x).c_str(), w) ||
        !parse_whole_number(how.substr(x + 1).c_str(), h) || w < 1 || h < 1 || w > 32767 ||
        h > 32767)
        return {};
    return {{"g_rescale_mode", mode_text(RescaleMode::ToSize)},
            {"g_rescale_width", std::to_string(w)},
            {"g_rescale_height", std::to_string(h)}};
}

// Any case: "out.dds", "OUT.DDS"; "out.ktx2", "OUT.KTX2".
bool ends_with_extension(const std::string& name, const char* extension) {
    const size_t n = std::char_traits<char>::length(extension);
    return name.size() > n + 1 && name[name.size() - n - 1] == '.' &&
           starts_with_nocase(name.c_str() + name.size() - n, extension);
}

enum TextureOptionId : int {
    FORMAT,
    SET,
    PROFILE,
    QUALITY,
    METRIC,
    DECODER,
    RESIZE,
    RECT,
    NORMAL_MAP,
    HEIGHT,
    FORCE,
    QUIET,
    LIST_KEYS,
    HELP,
    VERSION,
    END_OF_OPTIONS,
};

constexpr CommandOption TEXTURE_OPTIONS[] = {
    {FORMAT,
     {"--format"},
     "NAME|CODE",
     "the texture format by name or code, from the list below (default dxt1); the block formats "
     "need sides that are powers of two"},
    {SET,
     {"--set"},
     "KEY=VALUE",
     "a settings key (g_mip_filter_type=7, SharpeningPassMIP_3=2, g_rescale_mode=1, "
     "g_normalmap_cnv=1009, ...), as often as needed, applied in order; --list-keys lists every "
     "key with its kind, default and range"},
    {PROFILE,
     {"--profile"},
     "FILE",
     "a settings profile (\"key value\" lines); its unknown keys and lines are reported on "
     "standard error"},
    {QUALITY,
     {"--quality"},
     "LEVEL",
     "end-point search of the block formats: quick, fast, normal, high (default) or best"},
    {METRIC,
     {"--metric"},
     "NAME",
     "channel weights of that search: perceptual (default) or uniform (equal weights, what RMSE "
     "and PSNR measure; g_b_grey_scale)"},
    {DECODER,
     {"--decoder"},
     "READING",
     "the decoder high and best aim at: nearest (default; thirds rounded, as razivavu-inspect "
     "reads them), exact or truncate"},
    {RESIZE,
     {"--resize"},
     "HOW",
     "rescale first: pow2 (each side to the nearest power of two), up, down (to the next power "
     "of two above or below) or WxH"},
    {RECT, {"--rect"}, "X0,Y0,X1,Y1", "the inclusive corners of the part of the picture to use"},
    {NORMAL_MAP,
     {"--normal-map"},
     nullptr,
     "make a normal map of the picture, its heights from --height"},
    {HEIGHT,
     {"--height"},
     "SOURCE",
     "with --normal-map, where the heights come from: luma (default: the mean of red, green and "
     "blue), alpha, red, green or blue (--list-keys explains every conversion code)"},
    {FORCE,
     {"--force"},
     nullptr,
     "write a DDS stream to OUTPUT even when its name ends in neither .dds nor .ktx2"},
    {QUIET, {"-q"}, nullptr, "no progress"},
    {LIST_KEYS,
     {"--list-keys"},
     nullptr,
     "every settings key with its kind, default, range and meaning, and every normal-map "
     "conversion code"},
    {HELP, {"-h", "--help"}, nullptr, "the usage text, these options and the formats"},
    {VERSION, {"--version"}, nullptr, "the version"},
    {END_OF_OPTIONS,
     {"--"},
     nullptr,
     "ends the options (for an INPUT or OUTPUT whose name begins with -)"},
};

}  // namespace

OptionTable texture_option_table() { return option_table(TEXTURE_OPTIONS); }

int32_t parse_format(const std::string& text) {
    int32_t code = -1;
    if (parse_whole_number(text.c_str(), code)) return texture_format_info(code) ? code : -1;
    const TextureFormatInfo* info = texture_format_find(text.c_str());
    return info ? info->code : -1;
}

std::string ktx2_format_names() {
    std::string names;
    for (int32_t code = 0; code < TEXTURE_FORMAT_COUNT; ++code) {
        const TextureFormat format = static_cast<TextureFormat>(code);
        if (!container_format_refusal(Container::Ktx2, format).empty()) continue;
        names += (names.empty() ? "" : ", ") + std::string(texture_format_info(code)->name);
    }
    return names;
}

std::string texture_usage() {
    std::string u =
        "usage:\n"
        "  razivavu-texture [--profile FILE] [--format NAME|CODE] [--set KEY=VALUE]...\n"
        "                   [--quality LEVEL] [--metric NAME] [--decoder READING]\n"
        "                   [--resize HOW] [--rect X0,Y0,X1,Y1]\n"
        "                   [--normal-map [--height SOURCE]] [--force] [-q] [--]\n"
        "                   INPUT OUTPUT.dds|OUTPUT.ktx2\n"
        "  razivavu-texture --list-keys | --help | --version\n"
        "INPUT: a BMP (with its companion alpha file <name>_trans.bmp or <name>op.bmp), a\n"
        "JPEG, a PNG or a TIFF. OUTPUT: the texture stream, a DDS file; a name ending in\n"
        ".ktx2 gets a KTX2 file instead (" +
        ktx2_format_names() +
        ").\n"
        "options (those with values take them as the next word or after =, --format=dxt5):\n" +
        options_help(texture_option_table()) + "formats (--format, default dxt1):\n";
    for (int32_t code = 0;; ++code) {
        const TextureFormatInfo* info = texture_format_info(code);
        if (!info) break;
        u += "  " + std::to_string(code) + " " + info->name + "\n";
    }
    return u +
           "Exit codes: 0 written, 1 unreadable picture, 2 bad command line or setting, 3 "
           "refused by the library (or levels a KTX2 file cannot hold), 4 write failed.\n";
}

std::string output_refusal(const std::string& output, int32_t format) {
    if (!is_astc_format(format) || !ends_with_extension(output, "DDS")) return "";
    return std::string(texture_format_info(format)->name) + " cannot be written to " + output +
           ": DDS has no format number for ASTC, so no program would read that file as ASTC; a "
           "KTX2 file (.ktx2) holds ASTC";
}

std::string parse_texture_args(const std::vector<std::string>& args, TextureOptions& out) {
    out = TextureOptions{};
    std::vector<std::string> rest;
    bool height_given = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::optional<std::string> v;
        const CommandOption* row = find_option(texture_option_table(), args, i, v);
        if (!row) {
            if (a.size() > 1 && a[0] == '-') return "unknown option " + a;
            rest.push_back(a);
            continue;
        }
        switch (static_cast<TextureOptionId>(row->id)) {
            case HELP:
                out.help = true;
                return "";
            case VERSION:
                out.version = true;
                return "";
            case LIST_KEYS:
                out.list_keys = true;
                return "";
            case END_OF_OPTIONS:
                rest.insert(rest.end(), args.begin() + static_cast<long>(i) + 1, args.end());
                i = args.size();
                break;
            case QUALITY:
                if (!v || !texture_quality_find(v->c_str(), out.quality))
                    return "unknown quality " + v.value_or("(none)") +
                           " (quick, fast, normal, high or best)";
                break;
            case DECODER:
                if (!v || !texture_decoder_find(v->c_str(), out.decoder))
                    return "unknown decoder " + v.value_or("(none)") +
                           " (nearest, exact or truncate)";
                break;
            case METRIC:
                if (v != "perceptual" && v != "uniform")
                    return "unknown metric " + v.value_or("(none)") + " (perceptual or uniform)";
                out.settings.push_back({"g_b_grey_scale", v == "uniform" ? "1" : "0"});
                break;
            case RESIZE: {
                const auto keys =
                    v ? resize_settings(*v) : std::vector<std::pair<std::string, std::string>>{};
                if (keys.empty()) return "--resize needs pow2, up, down or WxH";
                out.settings.insert(out.settings.end(), keys.begin(), keys.end());
                break;
            }
            case QUIET:
                out.quiet = true;
                break;
            case FORCE:
                out.force = true;
                break;
            case NORMAL_MAP:
                out.normal_map = true;
                break;
            case HEIGHT:
                if (!v || !find_height_source(*v))
                    return "unknown height " + v.value_or("(none)") +
                           " (luma, alpha, red, green or blue)";
                out.height = *v;
                height_given = true;
                break;
            case PROFILE:
                if (!v) return "--profile needs a file";
                out.profile = *v;
                break;
            case FORMAT:
                if (!v) return "--format needs a name or a code";
                out.settings.push_back({"g_texture_format", *v});
                break;
            case SET: {
                if (!v) return "--set needs KEY=VALUE";
                const size_t eq = v->find('=');
                if (eq == std::string::npos || eq == 0)
                    return "--set " + *v + ": expected KEY=VALUE";
                out.settings.push_back({v->substr(0, eq), v->substr(eq + 1)});
                break;
            }
            case RECT:
                if (!v || !parse_rect(*v, out.rect))
                    return "--rect needs four whole numbers X0,Y0,X1,Y1";
                out.has_rect = true;
                break;
        }
    }
    if (height_given && !out.normal_map) return "--height goes with --normal-map";
    if (out.normal_map) {
        // First, so that --set g_normalmap_cnv=... on the same line still wins.
        const HeightSource* source = find_height_source(out.height);
        out.settings.insert(
            out.settings.begin(),
            {{"g_normal_map_conversion", "1"}, {"g_normalmap_cnv", std::to_string(source->code)}});
    }
    if (rest.size() != 2) return "expected INPUT and OUTPUT";
    out.input = rest[0];
    out.output = rest[1];
    out.ktx2 = ends_with_extension(out.output, "KTX2");
    if (!out.force && !out.ktx2 && !ends_with_extension(out.output, "DDS"))
        return "the output " + out.output +
               " does not end in .dds or .ktx2, yet it will hold a DDS texture stream (give it "
               "one of those names, or --force to write a DDS stream under this one)";
    return "";
}
