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

}  // namespace

const char* inspect_usage() {
    return "usage:\n"
           "  razivavu-inspect [--json] FILE...               header and level table of each "
           ".vxt or .dds file\n"
           "  razivavu-inspect --png DIR FILE...              every stored level of each file "
           "as a PNG in DIR\n"
           "  razivavu-inspect --mosaic LEVEL [--dxt1] --png DIR BASE  the whole grid of a "
           "razivavu run\n"
           "                                                  at one level, one PNG; --dxt1 "
           "draws the DXT1 files\n"
           "  razivavu-inspect [--json] --compare BASE        per level, every DXT1 tile file "
           "against its 24-bit twin\n"
           "  razivavu-inspect --html DIR BASE                a page in DIR that pans and zooms "
           "through the grid\n"
           "  razivavu-inspect --check [--deep] BASE          the grid is complete and consistent, "
           "however many\n"
           "                                                  runs or parts wrote it; --deep "
           "compares every\n"
           "                                                  file's hash with the grid manifest\n"
           "  razivavu-inspect --help | --version\n"
           "BASE is the picture razivavu was given without its extension (demo/pano).\n"
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
        if (a == "--help" || a == "-h") {
            out.mode = InspectMode::help;
            return "";
        } else if (a == "--version") {
            out.mode = InspectMode::version;
            return "";
        } else if (a == "--deep") {
            out.deep = true;
        } else if (a == "--dxt1") {
            out.mosaic_dxt1 = true;
        } else if (a == "--json") {
            out.json = true;
        } else if (option_value(args, i, "--png", v)) {
            if (!v) return "--png needs a folder";
            png = true;
            out.png_dir = *v;
        } else if (option_value(args, i, "--mosaic", v)) {
            if (!v || !parse_level(*v, out.mosaic_level))
                return "--mosaic needs a level number (0 .. 64)";
            mosaic = true;
        } else if (option_value(args, i, "--html", v)) {
            if (!v) return "--html needs a folder";
            html = true;
            out.html_dir = *v;
        } else if (option_value(args, i, "--check", v)) {
            // "--check --deep BASE" reads as "--deep --check BASE".
            if (v == "--deep" && i + 1 < args.size()) {
                out.deep = true;
                v = args[++i];
            }
            if (!v) return "--check needs a BASE";
            check = true;
            out.base = *v;
        } else if (option_value(args, i, "--compare", v)) {
            if (!v) return "--compare needs a BASE";
            compare = true;
            out.base = *v;
        } else if (a.size() > 1 && a[0] == '-' && a != "--") {
            return "unknown option " + a;
        } else if (a == "--") {
            rest.insert(rest.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else {
            rest.push_back(a);
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
