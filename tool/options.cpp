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

enum ToolOptionId : int {
    HELP,
    VERSION,
    QUIET,
    OUT,
    QUALITY,
    METRIC,
    DECODER,
    STRICT,
    EDGES,
    FULL_ROWS,
    PART,
    RESUME,
    SYNC,
    TILE_FORMAT,
    END_OF_OPTIONS,
};

constexpr CommandOption TOOL_OPTIONS[] = {
    {HELP, {"-h", "--help"}, nullptr, "the usage text and these options"},
    {VERSION, {"--version"}, nullptr, "the version"},
    {QUIET,
     {"-q"},
     nullptr,
     "nothing on standard output and no final wait; errors and warnings still go to standard "
     "error"},
    {OUT,
     {"-o", "--out"},
     "DIR",
     "write the tiles into DIR (same names; the folder is made when missing) instead of beside "
     "the picture"},
    {QUALITY,
     {"--quality"},
     "LEVEL",
     "end-point search of the DXT1 files: quick, fast, normal (default, the files as always), "
     "high or best"},
    {METRIC,
     {"--metric"},
     "NAME",
     "channel weights of that search: perceptual (default) or uniform (equal weights, what RMSE "
     "and PSNR measure)"},
    {DECODER,
     {"--decoder"},
     "READING",
     "the decoder high and best aim at: nearest (default; thirds rounded, as razivavu-inspect "
     "reads them), exact or truncate"},
    {STRICT,
     {"--strict"},
     nullptr,
     "a damaged JPEG ends the run where the damage is met instead of tiling the rest with "
     "filler (exit 1 either way)"},
    {EDGES,
     {"--edges"},
     "drop|pad",
     "the strips at the right and bottom that fill no whole tile: left out (drop, the default) or "
     "tiled with the picture's last column and row repeated (pad)"},
    {FULL_ROWS,
     {"--full-rows"},
     nullptr,
     "the top and bottom rows keep every level from level 0 too (by default they start at levels "
     "1 and 2, for sky panoramas)"},
    {PART,
     {"--part"},
     "K/N|auto",
     "write only part K (0 .. N-1) of the grid: a band of whole rows of tiles; the N parts "
     "together write the whole run's files; with auto, K and N come from a Slurm job array "
     "(SLURM_ARRAY_TASK_*) or a Kubernetes Indexed Job (JOB_COMPLETION_INDEX, RAZIVAVU_PARTS)"},
    {RESUME,
     {"--resume"},
     nullptr,
     "keep the tiles whose files an earlier run left whole; a grid of another picture, tile size "
     "or options is refused"},
    {SYNC,
     {"--sync"},
     nullptr,
     "flush every tile file and the grid manifest to the disk before its rename, and the folder "
     "after it"},
    {TILE_FORMAT,
     {"--tile-format"},
     "FORMAT",
     "the format of each tile's second file (NAMEc.vxt): dxt1 (default, the files as always), "
     "bc7, astc4x4, astc6x6 or astc8x8; --quality, --metric and --decoder apply to it"},
    {END_OF_OPTIONS, {"--"}, nullptr, "ends the options (for a file whose name begins with -)"},
};

}  // namespace

OptionTable tool_option_table() { return option_table(TOOL_OPTIONS); }

std::string parse_tool_options(int argc, char* const* argv, ToolOptions& out) {
    out = ToolOptions{};
    const std::vector<std::string> args(argv, argv + argc);
    size_t i = 1;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') break;  // the file ("-" is a name too)
        std::optional<std::string> value;
        const CommandOption* row = find_option(tool_option_table(), args, i, value);
        if (!row) return "unknown option " + a;
        switch (static_cast<ToolOptionId>(row->id)) {
            case HELP:
                out.help = true;
                return "";
            case VERSION:
                out.version = true;
                return "";
            case QUIET:
                out.quiet = true;
                break;
            case STRICT:
                out.strict = true;
                break;
            case FULL_ROWS:
                out.full_rows = true;
                break;
            case RESUME:
                out.resume = true;
                break;
            case SYNC:
                out.sync = true;
                break;
            case PART: {
                const std::string bad = parse_part(value ? value->c_str() : nullptr, out.part);
                if (!bad.empty()) return bad;
                break;
            }
            case EDGES:
                if (value != "drop" && value != "pad")
                    return "unknown edges " + value.value_or("(none)") + " (drop or pad)";
                out.pad_edges = value == "pad";
                break;
            case OUT:
                if (!value || value->empty()) return "-o/--out needs a folder";
                out.out_dir = *value;
                break;
            case QUALITY:
                if (!value || !texture_quality_find(value->c_str(), out.encoding.quality))
                    return "unknown quality " + value.value_or("(none)") +
                           " (quick, fast, normal, high or best)";
                break;
            case DECODER:
                if (!value || !texture_decoder_find(value->c_str(), out.encoding.decoder))
                    return "unknown decoder " + value.value_or("(none)") +
                           " (nearest, exact or truncate)";
                break;
            case METRIC: {
                if (!value) return "--metric needs perceptual or uniform";
                const std::string bad = parse_metric(value->c_str(), out.encoding.uniform_metric);
                if (!bad.empty()) return bad;
                break;
            }
            case TILE_FORMAT: {
                const TextureFormatInfo* info =
                    value ? texture_format_find(value->c_str()) : nullptr;
                if (!info || !block_file_kind(info->format))
                    return "unknown tile format " + value.value_or("(none)") +
                           " (dxt1, bc7, astc4x4, astc6x6 or astc8x8)";
                out.encoding.blocks = info->format;
                break;
            }
            case END_OF_OPTIONS:
                out.operands = static_cast<int>(i + 1);
                return "";
        }
    }
    out.operands = static_cast<int>(i);
    return "";
}

std::string tool_options_help() {
    return "  razivavu [options] file [a b]\n"
           "options, all before the file:\n" +
           options_help(tool_option_table()) +
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
