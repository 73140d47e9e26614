// The command line of razivavu-inspect.
#include "inspect/inspect.h"
#include "tool/tiletool.h"

namespace {

bool parse_level(const std::string& text, int32_t& out) {
    int32_t v = 0;
    if (!parse_whole_number(text.c_str(), v) || v < 0 || v > 64) return false;
    out = v;
    return true;
}

enum InspectOptionId : int {
    JSON,
    PNG,
    MOSAIC,
    DXT1,
    COMPARE,
    HTML,
    CHECK,
    DEEP,
    HELP,
    VERSION,
    END_OF_OPTIONS,
};

constexpr CommandOption INSPECT_OPTIONS[] = {
    {JSON, {"--json"}, nullptr, "the level table, or the comparison of --compare, as JSON"},
    {PNG,
     {"--png"},
     "DIR",
     "every stored level of each FILE as a PNG in DIR; with --mosaic, the folder of its picture"},
    {MOSAIC,
     {"--mosaic"},
     "LEVEL",
     "the whole grid of a razivavu run at one level (0 .. 64), one PNG in the --png folder"},
    {DXT1, {"--dxt1"}, nullptr, "with --mosaic: draw the DXT1 files instead of the 24-bit ones"},
    {COMPARE,
     {"--compare"},
     "BASE",
     "per level, every DXT1 tile file against its 24-bit twin: RMSE and PSNR, and the worst "
     "tile"},
    {HTML, {"--html"}, "DIR", "a page in DIR that pans and zooms through the grid of BASE"},
    {CHECK,
     {"--check"},
     "BASE",
     "the grid is complete and consistent, however many runs or parts wrote it"},
    {DEEP,
     {"--deep"},
     nullptr,
     "with --check, before or after it: also compare every file's hash with the grid manifest"},
    {HELP, {"-h", "--help"}, nullptr, "the usage text and these options"},
    {VERSION, {"--version"}, nullptr, "the version"},
    {END_OF_OPTIONS, {"--"}, nullptr, "ends the options: every word after it is a FILE or a BASE"},
};

}  // namespace

OptionTable inspect_option_table() { return option_table(INSPECT_OPTIONS); }

std::string inspect_usage() {
    return "usage:\n"
           "  razivavu-inspect [--json] FILE...\n"
           "  razivavu-inspect --png DIR FILE...\n"
           "  razivavu-inspect --mosaic LEVEL [--dxt1] --png DIR BASE\n"
           "  razivavu-inspect [--json] --compare BASE\n"
           "  razivavu-inspect --html DIR BASE\n"
           "  razivavu-inspect --check [--deep] BASE\n"
           "  razivavu-inspect --help | --version\n"
           "Without --png, --mosaic, --compare, --html or --check: the header and level table\n"
           "of each FILE, a .vxt or .dds file.\n"
           "BASE is the picture razivavu was given without its extension (demo/pano).\n"
           "options:\n" +
           options_help(inspect_option_table()) +
           "Exit codes: 0 done, 1 a file failed its check, 2 bad command line, 3 an output "
           "could not be written.\n";
}

std::string parse_inspect_args(const std::vector<std::string>& args, InspectOptions& out) {
    out = InspectOptions{};
    bool png = false, mosaic = false, compare = false, html = false, check = false;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::optional<std::string> v;
        const CommandOption* row = find_option(inspect_option_table(), args, i, v);
        if (!row) {
            if (a.size() > 1 && a[0] == '-') return "unknown option " + a;
            rest.push_back(a);
            continue;
        }
        switch (static_cast<InspectOptionId>(row->id)) {
            case HELP:
                out.mode = InspectMode::help;
                return "";
            case VERSION:
                out.mode = InspectMode::version;
                return "";
            case DEEP:
                out.deep = true;
                break;
            case DXT1:
                out.mosaic_dxt1 = true;
                break;
            case JSON:
                out.json = true;
                break;
            case PNG:
                if (!v) return "--png needs a folder";
                png = true;
                out.png_dir = *v;
                break;
            case MOSAIC:
                if (!v || !parse_level(*v, out.mosaic_level))
                    return "--mosaic needs a level number (0 .. 64)";
                mosaic = true;
                break;
            case HTML:
                if (!v) return "--html needs a folder";
                html = true;
                out.html_dir = *v;
                break;
            case CHECK:
                // "--check --deep BASE" reads as "--deep --check BASE".
                if (v == "--deep" && i + 1 < args.size()) {
                    out.deep = true;
                    v = args[++i];
                }
                if (!v) return "--check needs a BASE";
                check = true;
                out.base = *v;
                break;
            case COMPARE:
                if (!v) return "--compare needs a BASE";
                compare = true;
                out.base = *v;
                break;
            case END_OF_OPTIONS:
                rest.insert(rest.end(), args.begin() + static_cast<long>(i) + 1, args.end());
                i = args.size();
                break;
        }
    }
    if (out.mosaic_dxt1 && !mosaic) return "--dxt1 goes with --mosaic";
    if (out.deep && !check) return "--deep goes with --check";
    if (check) {
        if (png || mosaic || compare || html || out.json || !rest.empty())
            return "--check takes one BASE and goes alone";
        out.mode = InspectMode::check;
        return "";
    }
    if (html) {
        if (png || mosaic || compare || out.json) return "--html goes alone";
        if (rest.size() != 1) return "--html takes exactly one BASE";
        out.mode = InspectMode::html;
        out.base = rest.front();
        return "";
    }
    if (compare) {
        if (png || mosaic) return "--compare goes alone (with --json at most)";
        if (!rest.empty()) return "--compare takes one BASE and no files";
        out.mode = InspectMode::compare;
        return "";
    }
    if (mosaic) {
        if (!png) return "--mosaic needs --png DIR for its picture";
        if (out.json) return "--json goes with the table or --compare";
        if (rest.size() != 1) return "--mosaic takes exactly one BASE";
        out.mode = InspectMode::mosaic;
        out.base = rest.front();
        return "";
    }
    if (rest.empty()) return "no file given";
    if (png && out.json) return "--json goes with the table or --compare";
    out.mode = png ? InspectMode::png : InspectMode::table;
    out.files = rest;
    return "";
}
