// The command line of razivavu-texture.
#include "texcomp/texcomp.h"
#include "texture/texture.h"
#include "tool/tiletool.h"

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

}  // namespace

int32_t parse_format(const std::string& text) {
    int32_t code = -1;
    if (parse_whole_number(text.c_str(), code)) return texture_format_info(code) ? code : -1;
    const TextureFormatInfo* info = texture_format_find(text.c_str());
    return info ? info->code : -1;
}

std::string texture_usage() {
    std::string u =
        "usage:\n"
        "  razivavu-texture [--profile FILE] [--format NAME|CODE] [--set KEY=VALUE]...\n"
        "                   [--quality LEVEL] [--metric NAME] [--decoder READING]\n"
        "                   [--resize HOW]\n"
        "                   [--rect X0,Y0,X1,Y1] [-q] INPUT OUTPUT.dds\n"
        "  razivavu-texture --list-keys | --help | --version\n"
        "INPUT: a BMP (with its companion alpha file <name>_trans.bmp or <name>op.bmp), a\n"
        "JPEG, a PNG or a TIFF. OUTPUT: the texture stream, a DDS file.\n"
        "  --set KEY=VALUE   a settings key (g_mip_filter_type=7, SharpeningPassMIP_3=2,\n"
        "                    g_rescale_mode=1, g_normalmap_cnv=1009, ...), in order;\n"
        "                    --list-keys lists every key with its kind, default and range\n"
        "  --profile FILE    a settings profile (\"key value\" lines); its unknown keys and\n"
        "                    lines are reported on standard error\n"
        "  --quality LEVEL   end-point search of the block formats: quick, fast, normal,\n"
        "                    high (default) or best\n"
        "  --metric NAME     channel weights of that search: perceptual (default) or uniform\n"
        "                    (equal weights, what RMSE and PSNR measure; g_b_grey_scale)\n"
        "  --decoder READING the decoder high and best aim at: nearest (default; thirds\n"
        "                    rounded, as razivavu-inspect reads them), exact or truncate\n"
        "  --resize HOW      rescale first: pow2 (each side to the nearest power of two), up,\n"
        "                    down (to the next power of two above or below) or WxH\n"
        "  --rect X0,Y0,X1,Y1  the inclusive corners of the part of the picture to use\n"
        "  -q                no progress\n"
        "formats (--format, default dxt1):\n";
    for (int32_t code = 0;; ++code) {
        const TextureFormatInfo* info = texture_format_info(code);
        if (!info) break;
        u += "  " + std::to_string(code) + " " + info->name + "\n";
    }
    return u +
           "Exit codes: 0 written, 1 unreadable picture, 2 bad command line or setting, 3 "
           "refused by the library, 4 write failed.\n";
}

std::string parse_texture_args(const std::vector<std::string>& args, TextureOptions& out) {
    out = TextureOptions{};
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        if (a == "--help" || a == "-h") {
            out.help = true;
            return "";
        } else if (a == "--version") {
            out.version = true;
            return "";
        } else if (a == "--list-keys") {
            out.list_keys = true;
            return "";
        } else if (a == "--quality") {
            if (!has_value || !texture_quality_find(args[i + 1].c_str(), out.quality))
                return "unknown quality " + (has_value ? args[i + 1] : std::string("(none)")) +
                       " (quick, fast, normal, high or best)";
            ++i;
        } else if (a == "--decoder") {
            if (!has_value || !texture_decoder_find(args[i + 1].c_str(), out.decoder))
                return "unknown decoder " + (has_value ? args[i + 1] : std::string("(none)")) +
                       " (nearest, exact or truncate)";
            ++i;
        } else if (a == "--metric") {
            const std::string m = has_value ? args[i + 1] : "(none)";
            if (m != "perceptual" && m != "uniform")
                return "unknown metric " + m + " (perceptual or uniform)";
            out.settings.push_back({"g_b_grey_scale", m == "uniform" ? "1" : "0"});
            ++i;
        } else if (a == "--resize") {
            const auto keys = has_value ? resize_settings(args[i + 1])
                                        : std::vector<std::pair<std::string, std::string>>{};
            if (keys.empty()) return "--resize needs pow2, up, down or WxH";
            out.settings.insert(out.settings.end(), keys.begin(), keys.end());
            ++i;
        } else if (a == "-q") {
            out.quiet = true;
        } else if (a == "--profile") {
            if (!has_value) return "--profile needs a file";
            out.profile = args[++i];
        } else if (a == "--format") {
            if (!has_value) return "--format needs a name or a code";
            out.settings.push_back({"g_texture_format", args[++i]});
        } else if (a == "--set") {
            if (!has_value) return "--set needs KEY=VALUE";
            const std::string& kv = args[++i];
            const size_t eq = kv.find('=');
            if (eq == std::string::npos || eq == 0) return "--set " + kv + ": expected KEY=VALUE";
            out.settings.push_back({kv.substr(0, eq), kv.substr(eq + 1)});
        } else if (a == "--rect") {
            if (!has_value || !parse_rect(args[i + 1], out.rect))
                return "--rect needs four whole numbers X0,Y0,X1,Y1";
            out.has_rect = true;
            ++i;
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option " + a;
        } else {
            rest.push_back(a);
        }
    }
    if (rest.size() != 2) return "expected INPUT and OUTPUT";
    out.input = rest[0];
    out.output = rest[1];
    return "";
}
