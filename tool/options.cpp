// The options of razivavu. They stand before the file, so the tile size
// after it may be negative without looking like an option.
#include <cstring>

#include "tool/tiletool.h"

namespace {

// "--name VALUE" or "--name=VALUE"; true when `arg` is that option, with
// `value` set (null when the value is missing) and `i` past what was used.
bool option_value(const char* name, int argc, char* const* argv, int& i, const char*& value) {
    const char* arg = argv[i];
    const size_t n = std::strlen(name);
    if (std::strncmp(arg, name, n) != 0) return false;
    if (arg[n] == '=') {
        value = arg + n + 1;
        return true;
    }
    if (arg[n] != '\0') return false;
    value = i + 1 < argc ? argv[++i] : nullptr;
    return true;
}

std::string parse_metric(const char* text, bool& uniform) {
    if (std::strcmp(text, "perceptual") == 0) {
        uniform = false;
    } else if (std::strcmp(text, "uniform") == 0) {
        uniform = true;
    } else {
        return std::string("unknown metric ") + text + " (perceptual or uniform)";
    }
    return "";
}

}  // namespace

std::string parse_tool_options(int argc, char* const* argv, ToolOptions& out) {
    out = ToolOptions{};
    int i = 1;
    for (; i < argc; ++i) {
        const char* a = argv[i];
        const char* value = nullptr;
        if (std::strcmp(a, "--") == 0) {
            ++i;
            break;
        }
        if (a[0] != '-' || a[1] == '\0') break;  // the file ("-" is a name too)
        if (std::strcmp(a, "-h") == 0 || std::strcmp(a, "--help") == 0) {
            out.help = true;
            return "";
        } else if (std::strcmp(a, "--version") == 0) {
            out.version = true;
            return "";
        } else if (std::strcmp(a, "-q") == 0) {
            out.quiet = true;
        } else if (std::strcmp(a, "--strict") == 0) {
            out.strict = true;
        } else if (std::strcmp(a, "--full-rows") == 0) {
            out.full_rows = true;
        } else if (option_value("--edges", argc, argv, i, value)) {
            if (!value || (std::strcmp(value, "drop") != 0 && std::strcmp(value, "pad") != 0))
                return std::string("unknown edges ") + (value ? value : "(none)") +
                       " (drop or pad)";
            out.pad_edges = std::strcmp(value, "pad") == 0;
        } else if (option_value("-o", argc, argv, i, value) ||
                   option_value("--out", argc, argv, i, value)) {
            if (!value || !*value) return "-o/--out needs a folder";
            out.out_dir = value;
        } else if (option_value("--quality", argc, argv, i, value)) {
            if (!value || !texture_quality_find(value, out.encoding.quality))
                return std::string("unknown quality ") + (value ? value : "(none)") +
                       " (quick, normal, high or best)";
        } else if (option_value("--metric", argc, argv, i, value)) {
            if (!value) return "--metric needs perceptual or uniform";
            const std::string bad = parse_metric(value, out.encoding.uniform_metric);
            if (!bad.empty()) return bad;
        } else {
            return std::string("unknown option ") + a;
        }
    }
    out.operands = i;
    return "";
}

const char* tool_options_help() {
    return "  razivavu [options] file [a b]\n"
           "options, all before the file:\n"
           "  -h, --help          this text\n"
           "  --version           the version\n"
           "  -q                  nothing on standard output and no final wait; errors and\n"
           "                      warnings still go to standard error\n"
           "  -o DIR, --out DIR   write the tiles into DIR (same names) instead of beside "
           "the picture\n"
           "  --quality LEVEL     end-point search of the DXT1 files: quick, normal (default, "
           "the\n"
           "                      files as always), high or best\n"
           "  --metric NAME       channel weights of that search: perceptual (default) or "
           "uniform\n"
           "                      (equal weights, what RMSE and PSNR measure)\n"
           "  --strict            a damaged JPEG ends the run with exit 1 instead of a warning\n"
           "  --edges drop|pad    the strips at the right and bottom that fill no whole tile:\n"
           "                      left out (drop, the default) or tiled with the picture's\n"
           "                      last column and row repeated (pad)\n"
           "  --full-rows         the top and bottom rows keep every level from level 0 too\n"
           "                      (by default they start at levels 1 and 2, for sky panoramas)\n"
           "  --                  ends the options (for a file whose name begins with -)\n"
           "exit codes: 0 done, 1 picture unreadable or damaged, 2 input file unusable or bad\n"
           "command line, 3 unusable tile size, 4 tile file not written, 13 no file, 242 unknown "
           "type\n";
}

void apply_tile_encoding(TextureSettings& settings, const TileEncoding& encoding, bool block_file) {
    if (!block_file) return;
    settings.quality = encoding.quality;
    settings.g_b_grey_scale = encoding.uniform_metric ? 1 : 0;
}
