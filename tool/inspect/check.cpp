// razivavu-inspect --check BASE: the last step after a run split over many
// parts or taken up again. It reads only the headers and sizes, so checking
// hundreds of gigabytes of tiles costs one open per file.
//
// The grid comes from the names of both kinds of file found; the tile size
// from their headers. Plain names run column and row together, but they are
// only used in grids where one of the two has a single digit (razivavu
// separates them otherwise), so each name reads one way once it is known
// which: both readings are tried and the smaller grid wins.
#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

#include "inspect/inspect.h"
#include "tool/parts.h"
#include "tool/tiletool.h"

namespace {

namespace fs = std::filesystem;

// A number as %d writes it: digits, no leading zero.
bool plain_number(const std::string& s, int32_t& out) {
    if (s.empty() || (s.size() > 1 && s[0] == '0')) return false;
    if (!std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return false;
    return parse_whole_number(s.c_str(), out);
}

enum class Reading { separated, single_digit_row, single_digit_column };

// Column and row of a name's middle part under one reading.
bool split_middle(const std::string& m, Reading how, int32_t& col, int32_t& row) {
    size_t cut = 1;  // single-digit columns: 0 .. 9, and 10 where the rest still reads
    if (how == Reading::separated) {
        cut = m.find('_');
        return cut != std::string::npos && plain_number(m.substr(0, cut), col) &&
               plain_number(m.substr(cut + 1), row);
    }
    if (how == Reading::single_digit_row) cut = m.size() - 1;
    if (how == Reading::single_digit_column && m.size() > 2 && m.compare(0, 2, "10") == 0 &&
        plain_number(m.substr(2), row))
        cut = 2;
    return m.size() >= 2 && plain_number(m.substr(0, cut), col) && plain_number(m.substr(cut), row);
}

struct Listing {
    std::vector<std::pair<std::string, bool>> middles;  // and whether a DXT1 file
    bool separated = false;
};

struct Grid {
    int32_t cols = 0;
    int32_t rows = 0;
    std::map<std::pair<int32_t, int32_t>, int> present;  // (col, row) -> files found
};

// The grid the names make under `how`; false when a name does not read so or
// the grid would not name its tiles that way.
bool grid_from_names(const Listing& listing, Reading how, Grid& out) {
    Grid g;
    for (const auto& [middle, block_file] : listing.middles) {
        int32_t col = 0, row = 0;
        if (!split_middle(middle, how, col, row)) return false;
        g.cols = std::max(g.cols, col + 1);
        g.rows = std::max(g.rows, row + 1);
        ++g.present[{col, row}];
    }
    if (how == Reading::separated) {
        // Separated names mean a grid of at least 12 x 11: rows or columns
        // missing at its end are missing files, not a smaller grid.
        g.cols = std::max(g.cols, 12);
        g.rows = std::max(g.rows, 11);
    } else if (grid_names_collide(g.cols, g.rows) ||
               (how == Reading::single_digit_row && g.rows > 10) ||
               (how == Reading::single_digit_column && g.cols > 11)) {
        return false;
    }
    out = std::move(g);
    return true;
}

bool list_run(const std::string& base, Listing& out, std::string& error) {
    const fs::path base_path(base);
    const fs::path dir = base_path.has_parent_path() ? base_path.parent_path() : fs::path(".");
    const std::string stem = base_path.filename().string();
    DIR* folder = opendir(dir.c_str());
    if (!folder) {
        error = "cannot list the folder " + dir.string() + ": " + std::strerror(errno);
        return false;
    }
    while (const struct dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() <= stem.size() + 4 || name.compare(0, stem.size(), stem) != 0 ||
            name.compare(name.size() - 4, 4, TILE_EXTENSION) != 0)
            continue;
        std::string middle = name.substr(stem.size(), name.size() - stem.size() - 4);
        const bool block_file = middle.back() == TILE_FILE_BLOCKS.suffix[0];
        if (block_file) middle.pop_back();
        int32_t col = 0, row = 0;
        const bool separated = split_middle(middle, Reading::separated, col, row);
        if (!separated && !plain_number(middle, col)) continue;
        out.separated = out.separated || separated;
        out.middles.emplace_back(middle, block_file);
    }
    closedir(folder);
    if (out.middles.empty()) error = "no tile files " + base + "<col><row>.vxt";
    return !out.middles.empty();
}

// The first file's header gives the tile size up to the levels its row
// dropped and the rounding of the shift; the few sizes it allows, with the
// rows dropping levels or (--full-rows) not, are tried on some files and the
// one that fits most of them is taken.
TileGrid tile_size_of(const std::vector<std::pair<std::string, int32_t>>& sample, TileGrid grid) {
    uint8_t bytes[TILE_HEADER_SIZE] = {};
    std::ifstream(sample.front().first, std::ios::binary)
        .read(reinterpret_cast<char*>(bytes), TILE_HEADER_SIZE);
    const TileHeader h = decode_tile_header(bytes);
    TileGrid best = grid;
    int fitting = -1;
    for (int32_t skip = 0; skip <= 2; ++skip)
        for (int32_t w = h.width << skip; w < (h.width + 1) << skip; ++w)
            for (int32_t ht = h.height << skip; ht < (h.height + 1) << skip; ++ht) {
                if (w < 1 || ht < 1 || level_count(w, ht) != h.level_count) continue;
                for (const bool full_rows : {false, true}) {
                    TileGrid g = grid;
                    g.tile_width = w;
                    g.tile_height = ht;
                    g.level_count = h.level_count;
                    g.full_rows = full_rows;
                    int fit = 0;
                    for (const auto& [path, row] : sample)
                        fit += tile_file_complete(path, g, row,
                                                  path.size() > 5 && path[path.size() - 5] == 'c');
                    if (fit > fitting) {
                        fitting = fit;
                        best = g;
                    }
                }
            }
    return best;
}

}  // namespace

int run_check(const std::string& base, FILE* out, bool deep) {
    const std::vector<FoundManifest> manifests = find_manifests(base);
    if (!manifests.empty()) return check_with_manifests(base, manifests, deep, out);
    std::fprintf(out,
                 "%s: no grid manifest (%s): the grid's size is taken from the files found, so a "
                 "missing last row or column cannot be seen%s\n",
                 base.c_str(), manifest_name(base).c_str(),
                 deep ? "; --deep has no hashes to compare" : "");
    Listing listing;
    std::string error;
    if (!list_run(base, listing, error)) {
        std::fprintf(out, "%s: incomplete: %s\n", base.c_str(), error.c_str());
        return INSPECT_BAD_FILE;
    }
    Grid found;
    Grid other;
    const bool one = grid_from_names(
        listing, listing.separated ? Reading::separated : Reading::single_digit_row, found);
    const bool two =
        !listing.separated && grid_from_names(listing, Reading::single_digit_column, other);
    if (!one || (two && int64_t{other.cols} * other.rows < int64_t{found.cols} * found.rows))
        found = std::move(other);
    if (!one && !two) {
        std::fprintf(out, "%s: incomplete: the tile files' names form no grid\n", base.c_str());
        return INSPECT_BAD_FILE;
    }
    TileRun run;
    run.base = base;
    run.cols = found.cols;
    run.rows = found.rows;
    run.separated = grid_names_collide(run.cols, run.rows);
    TileGrid grid;
    grid.cols = found.cols;
    grid.rows = found.rows;
    std::vector<std::pair<std::string, int32_t>> sample;
    for (const auto& [place, files] : found.present)
        for (bool block_file : {false, true})
            if (sample.size() < 16 && fs::exists(run.path(place.first, place.second, block_file)))
                sample.emplace_back(run.path(place.first, place.second, block_file), place.second);
    // The block files' format (--tile-format) is the one a block file's
    // header code names.
    for (const auto& [path, row] : sample) {
        if (path.size() <= 5 || path[path.size() - 5] != 'c') continue;
        uint8_t bytes[TILE_HEADER_SIZE] = {};
        std::ifstream(path, std::ios::binary)
            .read(reinterpret_cast<char*>(bytes), TILE_HEADER_SIZE);
        const TileFileKind* kind = tile_file_kind_of_code(decode_tile_header(bytes).format_code);
        if (kind && kind != &TILE_FILE_RGB) grid.blocks = kind->format;
        break;
    }
    grid = tile_size_of(sample, grid);

    int64_t missing = 0, wrong = 0, below = 0;
    for (int32_t row = 0; row < grid.rows; ++row)
        for (int32_t col = 0; col < grid.cols; ++col)
            for (bool block_file : {false, true}) {
                const std::string path = run.path(col, row, block_file);
                // A bottom row stored as a middle row: the rows below it
                // were never written.
                TileGrid taller = grid;
                ++taller.rows;
                if (!fs::exists(fs::symlink_status(path))) {
                    ++missing;
                    std::fprintf(out, "%s: missing\n", path.c_str());
                } else if (row == grid.rows - 1 && row > 0 && !grid.full_rows &&
                           tile_file_complete(path, taller, row, block_file)) {
                    ++below;
                } else if (!tile_file_complete(path, grid, row, block_file)) {
                    ++wrong;
                    std::fprintf(out,
                                 "%s: not the whole tile file of row %d of a %dx%d grid of %dx%d "
                                 "tiles (its header or its size)\n",
                                 path.c_str(), row, grid.cols, grid.rows, grid.tile_width,
                                 grid.tile_height);
                }
            }
    if (below > 0)
        std::fprintf(out,
                     "%s: rows of tiles below row %d are missing: %lld of its files are stored as "
                     "a middle row's\n",
                     base.c_str(), grid.rows - 1, static_cast<long long>(below));
    const int64_t files = int64_t{2} * grid.cols * grid.rows;
    if (missing + wrong + below == 0) {
        std::fprintf(out, "%s: complete: %d x %d tiles of %dx%d, %lld files\n", base.c_str(),
                     grid.cols, grid.rows, grid.tile_width, grid.tile_height,
                     static_cast<long long>(files));
        return INSPECT_OK;
    }
    std::fprintf(out, "%s: incomplete: %lld of %lld files missing, %lld wrong%s\n", base.c_str(),
                 static_cast<long long>(missing), static_cast<long long>(files),
                 static_cast<long long>(wrong), below > 0 ? ", rows missing at the bottom" : "");
    return INSPECT_BAD_FILE;
}
