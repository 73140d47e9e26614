// The options of razivavu. They stand before the file, so the tile size
// after it may be negative without looking like an option.
#include <cstring>
#include <optional>
#include <vector>

#include "tool/parts.h"
#include "tool/tiletool.h"

namespace {

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

bool option_value(const std::vector<std::string>& args, size_t& i, const char* name,
                  std::optional<std::string>& value) {
    const std::string& arg = args[i];
    const size_t n = std::strlen(name);
    if (arg.compare(0, n, name) != 0) return false;
    value.reset();
    if (arg.size() > n && arg[n] == '=') {
        value = arg.substr(n + 1);
        return true;
    }
    if (arg.size() != n) return false;
    if (i + 1 < args.size()) value = args[++i];
    return true;
}

std::string parse_tool_options(int argc, char* const* argv, ToolOptions& out) {
    out = ToolOptions{};
    const std::vector<std::string> args(argv, argv + argc);
    size_t i = 1;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::optional<std::string> value;
        if (a == "--") {
            ++i;
            break;
        }
        if (a.size() < 2 || a[0] != '-') break;  // the file ("-" is a name too)
        if (a == "-h" || a == "--help") {
            out.help = true;
            return "";
        } else if (a == "--version") {
            out.version = true;
            return "";
        } else if (a == "-q") {
            out.quiet = true;
        } else if (a == "--strict") {
            out.strict = true;
        } else if (a == "--full-rows") {
            out.full_rows = true;
        } else if (a == "--resume") {
            out.resume = true;
        } else if (a == "--sync") {
            out.sync = true;
        } else if (option_value(args, i, "--part", value)) {
            const std::string bad = parse_part(value ? value->c_str() : nullptr, out.part);
            if (!bad.empty()) return bad;
        } else if (option_value(args, i, "--edges", value)) {
            if (value != "drop" && value != "pad")
                return "unknown edges " + value.value_or("(none)") + " (drop or pad)";
            out.pad_edges = value == "pad";
        } else if (option_value(args, i, "-o", value) || option_value(args, i, "--out", value)) {
            if (!value || value->empty()) return "-o/--out needs a folder";
            out.out_dir = *value;
        } else if (option_value(args, i, "--quality", value)) {
            if (!value || !texture_quality_find(value->c_str(), out.encoding.quality))
                return "unknown quality " + value.value_or("(none)") +
                       " (quick, fast, normal, high or best)";
        } else if (option_value(args, i, "--decoder", value)) {
            if (!value || !texture_decoder_find(value->c_str(), out.encoding.decoder))
                return "unknown decoder " + value.value_or("(none)") +
                       " (nearest, exact or truncate)";
        } else if (option_value(args, i, "--metric", value)) {
            if (!value) return "--metric needs perceptual or uniform";
            const std::string bad = parse_metric(value->c_str(), out.encoding.uniform_metric);
            if (!bad.empty()) return bad;
        } else {
            return "unknown option " + a;
        }
    }
    out.operands = static_cast<int>(i);
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
           "  --quality LEVEL     end-point search of the DXT1 files: quick, fast, normal\n"
           "                      (default, the files as always), high or best\n"
           "  --metric NAME       channel weights of that search: perceptual (default) or "
           "uniform\n"
           "                      (equal weights, what RMSE and PSNR measure)\n"
           "  --decoder READING   the decoder high and best aim at: nearest (default; thirds\n"
           "                      rounded, as razivavu-inspect reads them), exact or truncate\n"
           "  --strict            a damaged JPEG ends the run with exit 1 instead of a warning\n"
           "  --edges drop|pad    the strips at the right and bottom that fill no whole tile:\n"
           "                      left out (drop, the default) or tiled with the picture's\n"
           "                      last column and row repeated (pad)\n"
           "  --full-rows         the top and bottom rows keep every level from level 0 too\n"
           "                      (by default they start at levels 1 and 2, for sky panoramas)\n"
           "  --part K/N          write only part K (0 .. N-1) of the grid: a band of whole rows\n"
           "                      of tiles; the N parts together write the whole run's files\n"
           "  --part auto         K and N from a Slurm job array (SLURM_ARRAY_TASK_*) or a\n"
           "                      Kubernetes Indexed Job (JOB_COMPLETION_INDEX, RAZIVAVU_PARTS)\n"
           "  --resume            keep the tiles whose files an earlier run left whole; a\n"
           "                      grid of another picture, tile size or options is refused\n"
           "  --sync              flush every tile file and the grid manifest to the disk\n"
           "                      before its rename, and the folder after it\n"
           "  --                  ends the options (for a file whose name begins with -)\n"
           "exit codes: 0 done, 1 picture unreadable or damaged, 2 input file unusable or bad\n"
           "command line, 3 unusable tile size, 4 tile file not written, 13 no file, 242 unknown "
           "type\n";
}

void apply_tile_encoding(TextureSettings& settings, const TileEncoding& encoding, bool block_file) {
    if (!block_file) return;
    settings.quality = encoding.quality;
    settings.g_b_grey_scale = encoding.uniform_metric ? 1 : 0;
    settings.decoder = encoding.decoder;
}
