// The viewer's files. The page gets its pixels as PNG files written here,
// one per stored level of every tile, decoded by the same texfile code as
// --png and --mosaic: the browser only places and scales pictures, so what
// it shows is what our decoders say the files hold, and the page needs no
// decoder of its own (a page opened from the file system may not read
// files by script, but it may show pictures beside it).
#include "inspect/viewer.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "inspect/inspect.h"
#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"

namespace {

namespace fs = std::filesystem;

// What the page needs to know of one tile.
struct ViewerTile {
    bool missing = false;      // not there, or its files fail: drawn grey
    int32_t first = 0;         // the first level it stores
    int32_t levels = 0;        // how many it stores
    int32_t dxt1_levels = 0;   // 0 when its DXT1 file holds no levels
    std::vector<double> psnr;  // DXT1 against 24-bit, per stored level
};

// A text file under its final name only when every byte reached it. The
// message carries the reason of the call that failed, which a stream would
// not keep.
bool write_text(const fs::path& path, const std::string& text, std::string& error) {
    const std::string part = path.string() + ".part";
    const int fd = open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot create " + part + ": " + std::strerror(errno);
        return false;
    }
    int failure = write_all(fd, text.data(), text.size());
    if (close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0 && std::rename(part.c_str(), path.string().c_str()) != 0) failure = errno;
    if (failure == 0) return true;
    std::remove(part.c_str());
    error = "cannot write " + path.string() + ": " + std::strerror(failure);
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
    const int32_t skip = run.first_level[row];
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

// The grid for the page. The picture's size, when the manifest gives it,
// lets the page leave out what --edges pad added beyond the picture.
std::string grid_script(const TileRun& run, int32_t tile_w, int32_t tile_h, PictureSize picture,
                        const std::vector<ViewerTile>& tiles) {
    std::string j =
        "// The tile grid of " + run.base +
        ", written by razivavu-inspect --html.\nwindow.RAZIVAVU_GRID = {\"base\":" +
        json_string(fs::path(run.base).filename().string()) +
        ",\"cols\":" + std::to_string(run.cols) + ",\"rows\":" + std::to_string(run.rows) +
        ",\"tileWidth\":" + std::to_string(tile_w) + ",\"tileHeight\":" + std::to_string(tile_h);
    if (picture.known())
        j += ",\"pictureWidth\":" + std::to_string(picture.width) +
             ",\"pictureHeight\":" + std::to_string(picture.height);
    j += ",\"tiles\":[";
    for (size_t i = 0; i < tiles.size(); ++i) {
        const ViewerTile& t = tiles[i];
        if (t.missing) {
            j += std::string(i ? ",\n" : "\n") + "{\"missing\":true,\"first\":0,\"levels\":0}";
            continue;
        }
        j += std::string(i ? ",\n" : "\n") + "{\"first\":" + std::to_string(t.first) +
             ",\"levels\":" + std::to_string(t.levels) +
             ",\"dxt1\":" + std::to_string(t.dxt1_levels) + ",\"psnr\":[";
        for (size_t k = 0; k < t.psnr.size(); ++k)
            j += std::string(k ? "," : "") + json_number(t.psnr[k]);
        j += "]}";
    }
    return j + "]};\n";
}

// The page's files in the order they move into place: index.html last, so
// that a page that opens has everything it names.
std::vector<std::string> page_files() {
    std::vector<std::string> names = {"tiles", "grid.js"};
    for (size_t i = 0; i < VIEWER_ASSET_COUNT; ++i)
        if (std::string(VIEWER_ASSETS[i].name) != "index.html")
            names.push_back(VIEWER_ASSETS[i].name);
    names.push_back("index.html");
    return names;
}

// Moves the finished page from `work` into `root`. A tiles folder already
// there is exchanged with the new one in one step, so that it goes with
// `work`; the files are renamed over the old ones.
bool move_into_place(const fs::path& work, const fs::path& root, std::string& error) {
    for (const std::string& name : page_files()) {
        const fs::path from = work / name, to = root / name;
        if (name == "tiles" &&
            renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0)
            continue;
        if (std::rename(from.c_str(), to.c_str()) != 0) {
            error =
                "cannot move " + from.string() + " to " + to.string() + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

// Writes every file of the page into `work`; the exit code.
int write_page(const TileRun& run, PictureSize picture, const fs::path& work, FILE* err,
               int32_t& tile_w, int32_t& tile_h, int32_t& grey) {
    std::string error;
    if (mkdir((work / "tiles").c_str(), 0777) != 0) {
        std::fprintf(err, "razivavu-inspect: cannot make the folder %s: %s\n",
                     (work / "tiles").c_str(), std::strerror(errno));
        return INSPECT_OUTPUT;
    }
    std::vector<ViewerTile> tiles(static_cast<size_t>(run.cols) * run.rows);
    for (int32_t row = 0; row < run.rows; ++row)
        for (int32_t col = 0; col < run.cols; ++col) {
            ViewerTile& tile = tiles[static_cast<size_t>(row) * run.cols + col];
            bool output_failed = false;
            tile.missing = !run.has(col, row);
            if (tile.missing) continue;
            if (!write_tile(run, col, row, work, tile, tile_w, tile_h, error, output_failed)) {
                std::fprintf(err, "razivavu-inspect: %s\n", error.c_str());
                if (output_failed) return INSPECT_OUTPUT;
                tile = ViewerTile{};
                tile.missing = true;
                ++grey;
            }
        }
    if (tile_w == 0) {
        std::fprintf(err, "razivavu-inspect: no tile of %s can be shown\n", run.base.c_str());
        return INSPECT_BAD_FILE;
    }
    bool written =
        write_text(work / "grid.js", grid_script(run, tile_w, tile_h, picture, tiles), error);
    for (size_t i = 0; written && i < VIEWER_ASSET_COUNT; ++i)
        written = write_text(work / VIEWER_ASSETS[i].name, VIEWER_ASSETS[i].text, error);
    if (!written) {
        std::fprintf(err, "razivavu-inspect: %s\n", error.c_str());
        return INSPECT_OUTPUT;
    }
    return INSPECT_OK;
}

}  // namespace

int run_viewer(const std::string& base, const std::string& dir, FILE* out, FILE* err) {
    TileRun run;
    std::string error;
    if (!open_tile_run(base, run, err)) return INSPECT_BAD_FILE;
    const PictureSize picture = manifest_picture_size(run, err);
    const fs::path root(dir);
    // The page is made in a folder of its own inside DIR and moved into
    // place when complete: a failure, or a signal (the folder is in the
    // part-file table), leaves DIR as it was. A DIR made here goes with it.
    struct stat st;
    bool made = false;
    if (stat(dir.c_str(), &st) != 0) {
        // The reason is mkdir's: a folder above it we may not write into
        // would otherwise be reported as the missing DIR of the next call.
        if (mkdir(dir.c_str(), 0777) != 0) {
            std::fprintf(err, "razivavu-inspect: cannot make the folder %s: %s\n", dir.c_str(),
                         std::strerror(errno));
            return INSPECT_OUTPUT;
        }
        made = true;
    }
    std::string work = (root / ".razivavu-html.XXXXXX").string();
    if (!mkdtemp(work.data())) {
        std::fprintf(err, "razivavu-inspect: cannot make a folder in %s: %s\n", dir.c_str(),
                     std::strerror(errno));
        if (made) rmdir(dir.c_str());
        return INSPECT_OUTPUT;
    }
    const std::string guarded = made ? dir : work;
    if (enter_part_folder(guarded.c_str()) != 0) {
        std::fprintf(err, "razivavu-inspect: cannot write into %s: %s\n", dir.c_str(),
                     std::strerror(errno));
        remove_folder_tree(work.c_str());
        if (made) rmdir(dir.c_str());
        return INSPECT_OUTPUT;
    }
    int32_t tile_w = 0, tile_h = 0, grey = run.missing();
    int code = write_page(run, picture, work, err, tile_w, tile_h, grey);
    if (code == INSPECT_OK && !move_into_place(work, root, error)) {
        std::fprintf(err, "razivavu-inspect: %s\n", error.c_str());
        code = INSPECT_OUTPUT;
    }
    remove_folder_tree(work.c_str());  // what is left: old tiles, or a failed page
    if (code != INSPECT_OK && made) remove_folder_tree(dir.c_str());
    forget_part_folder(guarded.c_str());
    if (code != INSPECT_OK) return code;
    std::error_code ec;
    const fs::path page = fs::absolute(root / "index.html", ec).lexically_normal();
    std::fprintf(out, "%s: %d x %d tiles of %d x %d; open %s\n",
                 (root / "index.html").string().c_str(), run.cols, run.rows, tile_w, tile_h,
                 file_url(page.string()).c_str());
    if (grey == 0) return INSPECT_OK;
    std::fprintf(err,
                 "razivavu-inspect: %d tiles of %s (of %d) are missing or unreadable; shown grey\n",
                 grey, base.c_str(), run.cols * run.rows);
    return INSPECT_BAD_FILE;
}
