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
        "                   [--rect X0,Y0,X1,Y1] [-q] INPUT OUTPUT.dds\n"
        "INPUT: a BMP (with its companion alpha file <name>_trans.bmp or <name>op.bmp), a\n"
        "JPEG, a PNG or a TIFF. OUTPUT: the texture stream, a DDS file. --set takes the\n"
        "settings keys of the profile file (g_mip_filter_type=7, SharpeningPassMIP_3=2, ...);\n"
        "--rect the inclusive corners of the part of the picture to use; -q no progress.\n"
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
