// The viewer's files. The page gets its pixels as PNG files written here,
// one per stored level of every tile, decoded by the same texfile code as
// --png and --mosaic: the browser only places and scales pictures, so what
// it shows is what our decoders say the files hold, and the page needs no
// decoder of its own (a page opened from the file system may not read
// files by script, but it may show pictures beside it).
#include "inspect/viewer.h"

#include <cctype>
#include <filesystem>
#include <fstream>

#include "inspect/inspect.h"
#include "tool/tiletool.h"

namespace {

namespace fs = std::filesystem;

// What the page needs to know of one tile.
struct ViewerTile {
    int32_t first = 0;         // the first level it stores
    int32_t levels = 0;        // how many it stores
    int32_t dxt1_levels = 0;   // 0 when its DXT1 file holds no levels
    std::vector<double> psnr;  // DXT1 against 24-bit, per stored level
};

// A text file under its final name only when every byte reached it.
bool write_text(const fs::path& path, const std::string& text, std::string& error) {
    const std::string part = path.string() + ".part";
    {
        std::ofstream file(part, std::ios::binary | std::ios::trunc);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
        if (file.good() && std::rename(part.c_str(), path.string().c_str()) == 0) return true;
    }
    std::remove(part.c_str());
    error = "cannot write " + path.string();
    return false;
}

// Whether a tile of level-0 side `t` gives a first stored level (level
// `skip` of its chain) of side `stored` and the header's side t >> skip.
bool side_fits(int32_t t, int32_t header_side, int32_t stored, int32_t skip) {
    int32_t s = t;
    for (int32_t k = 0; k < skip; ++k) s = (s + 1) / 2;  // each halving rounds up
    return s == stored && (t >> skip) == header_side;
}

// The level-0 side of a tile from its header and first stored level. With
// one or no level dropped the side is certain (2h and 2h + 1 halve to h and
// h + 1); the top row, read first, always drops one, and the other rows are
// checked against its answer.
int32_t level0_side(int32_t header_side, int32_t stored, int32_t skip) {
    const int32_t low = header_side << skip;
    for (int32_t t = std::max(1, low); t < low + (1 << skip); ++t)
        if (side_fits(t, header_side, stored, skip)) return t;
    return 0;
}

std::string level_png(int32_t col, int32_t row, int32_t level, bool dxt1) {
    return "tiles/" + std::to_string(col) + "_" + std::to_string(row) + "_" +
           std::to_string(level) + (dxt1 ? "c" : "") + ".png";
}

// One tile: every stored level of both files as PNG, and the PSNR of each.
// False with a message (naming the file) when a file fails.
bool write_tile(const TileRun& run, int32_t col, int32_t row, const fs::path& dir, ViewerTile& tile,
                int32_t& tile_w, int32_t& tile_h, std::string& error, bool& output_failed) {
    const std::string rgb_name = run.path(col, row, false);
    const std::string dxt_name = run.path(col, row, true);
    TexFile rgb, dxt;
    if (!read_tex_file(rgb_name, rgb, error)) {
        error = rgb_name + ": " + error;
        return false;
    }
    if (!read_tex_file(dxt_name, dxt, error)) {
        error = dxt_name + ": " + error;
        return false;
    }
    if (rgb.tile_code != TILE_CODE_RGB || dxt.tile_code != TILE_CODE_BLOCKS) {
        error = dxt_name + ": not a DXT1 tile file beside a 24-bit one";
        return false;
    }
    const int32_t skip = skip_levels_for_row(row, run.rows);
    if (rgb.skip_levels >= 0 && rgb.skip_levels != skip) {
        error = rgb_name + ": stores from level " + std::to_string(rgb.skip_levels) +
                ", its row from " + std::to_string(skip);
        return false;
    }
    // Tiles of one or two pixels lose their whole chain in the rows that
    // drop levels; there is nothing to draw for them.
    if (rgb.levels.empty()) {
        error =
            rgb_name + ": stores no level (its row drops the first " + std::to_string(skip) + ")";
        return false;
    }
    if (!dxt.levels.empty() && dxt.levels.size() != rgb.levels.size()) {
        error = dxt_name + ": " + std::to_string(dxt.levels.size()) + " levels, its twin " +
                std::to_string(rgb.levels.size());
        return false;
    }
    const TexLevel& stored = rgb.levels[0];
    if (tile_w == 0) {
        tile_w = level0_side(rgb.header_width, stored.width, skip);
        tile_h = level0_side(rgb.header_height, stored.height, skip);
    }
    if (!side_fits(tile_w, rgb.header_width, stored.width, skip) ||
        !side_fits(tile_h, rgb.header_height, stored.height, skip)) {
        error = rgb_name + ": its first level (" + std::to_string(stored.width) + " x " +
                std::to_string(stored.height) + ") is not one of a tile of " +
                std::to_string(tile_w) + " x " + std::to_string(tile_h);
        return false;
    }
    tile.first = skip;
    tile.levels = static_cast<int32_t>(rgb.levels.size());
    tile.dxt1_levels = static_cast<int32_t>(dxt.levels.size());
    for (size_t k = 0; k < rgb.levels.size(); ++k) {
        const int32_t level = skip + static_cast<int32_t>(k);
        TexImage a, b;
        if (!decode_tex_level(rgb, k, a, error)) {
            error = rgb_name + ": " + error;
            return false;
        }
        if (!write_png((dir / level_png(col, row, level, false)).string(), a, error)) {
            output_failed = true;
            return false;
        }
        if (dxt.levels.empty()) continue;
        if (!decode_tex_level(dxt, k, b, error)) {
            error = dxt_name + ": " + error;
            return false;
        }
        if (a.width != b.width || a.height != b.height) {
            error = dxt_name + ": level sizes differ from its twin's";
            return false;
        }
        if (!write_png((dir / level_png(col, row, level, true)).string(), b, error)) {
            output_failed = true;
            return false;
        }
        tile.psnr.push_back(level_error(a, b).psnr());
    }
    return true;
}

// A path as a file:// address: bytes other than letters, digits, "/" and
// "-._~" percent-encoded, so that a name with blanks opens too.
std::string file_url(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

std::string grid_script(const TileRun& run, int32_t tile_w, int32_t tile_h,
                        const std::vector<ViewerTile>& tiles) {
    std::string j = "// The tile grid of " + run.base +
                    ", written by razivavu-inspect --html.\nwindow.RAZIVAVU_GRID = {\"base\":" +
                    json_string(fs::path(run.base).filename().string()) +
                    ",\"cols\":" + std::to_string(run.cols) +
                    ",\"rows\":" + std::to_string(run.rows) +
                    ",\"tileWidth\":" + std::to_string(tile_w) +
                    ",\"tileHeight\":" + std::to_string(tile_h) + ",\"tiles\":[";
    for (size_t i = 0; i < tiles.size(); ++i) {
        const ViewerTile& t = tiles[i];
        j += std::string(i ? ",\n" : "\n") + "{\"first\":" + std::to_string(t.first) +
             ",\"levels\":" + std::to_string(t.levels) +
             ",\"dxt1\":" + std::to_string(t.dxt1_levels) + ",\"psnr\":[";
        for (size_t k = 0; k < t.psnr.size(); ++k)
            j += std::string(k ? "," : "") + json_number(t.psnr[k]);
        j += "]}";
    }
    return j + "]};\n";
}

}  // namespace

int run_viewer(const std::string& base, const std::string& dir, FILE* out, FILE* err) {
    TileRun run;
    std::string error;
    if (!find_tile_run(base, run, error)) {
        std::fprintf(err, "razivavu-inspect: %s\n", error.c_str());
        return INSPECT_BAD_FILE;
    }
    const fs::path root(dir);
    std::error_code ec;
    fs::create_directories(root / "tiles", ec);
    if (ec || !fs::is_directory(root / "tiles")) {
        std::fprintf(err, "razivavu-inspect: cannot make the folder %s\n",
                     (root / "tiles").string().c_str());
        return INSPECT_OUTPUT;
    }
    std::vector<ViewerTile> tiles(static_cast<size_t>(run.cols) * run.rows);
    int32_t tile_w = 0, tile_h = 0;
    for (int32_t row = 0; row < run.rows; ++row)
        for (int32_t col = 0; col < run.cols; ++col) {
            bool output_failed = false;
            if (!write_tile(run, col, row, root, tiles[static_cast<size_t>(row) * run.cols + col],
                            tile_w, tile_h, error, output_failed)) {
                std::fprintf(err, "razivavu-inspect: %s\n", error.c_str());
                return output_failed ? INSPECT_OUTPUT : INSPECT_BAD_FILE;
            }
        }
    // The page last, so that an index.html present has every file it names.
    bool written = write_text(root / "grid.js", grid_script(run, tile_w, tile_h, tiles), error);
    for (size_t i = 0; written && i < VIEWER_ASSET_COUNT; ++i)
        if (std::string(VIEWER_ASSETS[i].name) != "index.html")
            written = write_text(root / VIEWER_ASSETS[i].name, VIEWER_ASSETS[i].text, error);
    for (size_t i = 0; written && i < VIEWER_ASSET_COUNT; ++i)
        if (std::string(VIEWER_ASSETS[i].name) == "index.html")
            written = write_text(root / VIEWER_ASSETS[i].name, VIEWER_ASSETS[i].text, error);
    if (!written) {
        std::fprintf(err, "razivavu-inspect: %s\n", error.c_str());
        return INSPECT_OUTPUT;
    }
    const fs::path page = fs::absolute(root / "index.html", ec).lexically_normal();
    std::fprintf(out, "%s: %d x %d tiles of %d x %d; open %s\n",
                 (root / "index.html").string().c_str(), run.cols, run.rows, tile_w, tile_h,
                 file_url(page.string()).c_str());
    return INSPECT_OK;
}
