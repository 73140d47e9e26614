// The mosaic: every 24-bit tile of a run at one level of its chain, put
// together as the picture was cut. The top row stores its tiles from level
// 1 and the bottom row from level 2, so a lower level than every row stores
// is replaced by the first one they all have (no row is magnified), and the
// command names the rows that asked for it. When the grid manifest gives
// the picture's size, the mosaic is cut to it: the padding of --edges pad
// is not picture.
#include <algorithm>
#include <filesystem>

#include "inspect/inspect.h"
#include "tool/tiletool.h"

namespace {

// The grey of a tile that is not there (or cannot be read).
constexpr uint8_t MISSING_GREY = 128;

// The first level every row of the run that has tiles stores.
int32_t first_common_level(const TileRun& run) {
    int32_t first = 0;
    for (int32_t r = 0; r < run.rows; ++r)
        for (int32_t c = 0; c < run.cols; ++c)
            if (run.has(c, r)) first = std::max(first, run.first_level[r]);
    return first;
}

// What the mosaic does for a level some rows lack: it names those rows and
// the one level every row is drawn from.
std::string common_level_line(const TileRun& run, int32_t level, int32_t first) {
    std::string rows;
    for (int32_t r = 0; r < run.rows; ++r) {
        bool there = false;
        for (int32_t c = 0; c < run.cols && !there; ++c) there = run.has(c, r);
        if (!there || run.first_level[r] <= level) continue;
        rows += (rows.empty() ? "row " : ", row ") + std::to_string(r) +
                (rows.empty() ? " stores levels from " : " from ") +
                std::to_string(run.first_level[r]) + " on";
    }
    return "razivavu-inspect: level " + std::to_string(level) + " is not stored by every row (" +
           rows + "); every row is drawn from level " + std::to_string(first) + ", none magnified";
}

// Level `level` of one tile, or false with the message on `err`.
bool tile_level(const TileRun& run, int32_t col, int32_t row, int32_t level, bool block_files,
                TexImage& tile, FILE* err) {
    const std::string name = run.path(col, row, block_files);
    const int32_t skip = run.first_level[row];
    TexFile file;
    std::string error;
    if (!read_tex_file(name, file, error)) {
        std::fprintf(err, "razivavu-inspect: %s: %s\n", name.c_str(), error.c_str());
        return false;
    }
    if (file.skip_levels >= 0 && file.skip_levels != skip) {
        std::fprintf(err, "razivavu-inspect: %s: stores from level %d, its row from %d\n",
                     name.c_str(), file.skip_levels, skip);
        return false;
    }
    const size_t stored = static_cast<size_t>(level - skip);
    if (stored >= file.levels.size()) {
        std::fprintf(err, "razivavu-inspect: %s: no level %d (its chain ends at %d)\n",
                     name.c_str(), level, skip + static_cast<int32_t>(file.levels.size()) - 1);
        return false;
    }
    if (!decode_tex_level(file, stored, tile, error)) {
        std::fprintf(err, "razivavu-inspect: %s: %s\n", name.c_str(), error.c_str());
        return false;
    }
    return true;
}

}  // namespace

int run_mosaic(const std::string& base, int32_t level, const std::string& dir, FILE* out, FILE* err,
               bool block_files) {
    TileRun run;
    std::string error;
    if (!open_tile_run(base, run, err)) return INSPECT_BAD_FILE;
    const int32_t first = first_common_level(run);
    if (level < first) {
        std::fprintf(err, "%s\n", common_level_line(run, level, first).c_str());
        level = first;
    }
    const PictureSize picture = manifest_picture_size(run, err);
    // Tiles that are missing or fail stay grey; the run then ends with
    // INSPECT_BAD_FILE, after the picture of what is there.
    int32_t grey = run.missing();
    TexImage mosaic;
    int32_t tile_w = 0, tile_h = 0;
    for (int32_t row = 0; row < run.rows; ++row) {
        for (int32_t col = 0; col < run.cols; ++col) {
            TexImage tile;
            if (!run.has(col, row)) continue;
            if (!tile_level(run, col, row, level, block_files, tile, err)) {
                ++grey;
                continue;
            }
            if (mosaic.pixels.empty()) {
                tile_w = tile.width;
                tile_h = tile.height;
                mosaic.width = tile_w * run.cols;
                mosaic.height = tile_h * run.rows;
                // The smaller of the two: with --edges pad the tiles reach
                // past the picture, with drop the picture past the tiles.
                if (picture.known()) {
                    mosaic.width = std::min(mosaic.width, level_side(picture.width, level));
                    mosaic.height = std::min(mosaic.height, level_side(picture.height, level));
                }
                mosaic.channels = tile.channels;
                mosaic.pixels.assign(
                    static_cast<size_t>(mosaic.width) * mosaic.height * mosaic.channels,
                    MISSING_GREY);
            } else if (tile.width != tile_w || tile.height != tile_h) {
                std::fprintf(err, "razivavu-inspect: %s: level %d is %d x %d, not %d x %d\n",
                             run.path(col, row, block_files).c_str(), level, tile.width,
                             tile.height, tile_w, tile_h);
                ++grey;
                continue;
            }
            // The part of the tile inside the mosaic (all of it unless the
            // picture ends within the tile).
            const int32_t left = col * tile_w, top = row * tile_h;
            const int32_t w = std::min(tile_w, mosaic.width - left);
            const int32_t h = std::min(tile_h, mosaic.height - top);
            const size_t row_bytes = static_cast<size_t>(tile_w) * tile.channels;
            for (int32_t y = 0; y < h; ++y) {
                const size_t at =
                    ((static_cast<size_t>(top) + y) * mosaic.width + static_cast<size_t>(left)) *
                    mosaic.channels;
                std::copy_n(tile.pixels.begin() + y * row_bytes,
                            static_cast<size_t>(std::max(w, 0)) * tile.channels,
                            mosaic.pixels.begin() + at);
            }
        }
    }
    if (mosaic.pixels.empty()) {
        std::fprintf(err, "razivavu-inspect: no tile of %s can be drawn at level %d\n",
                     base.c_str(), level);
        return INSPECT_BAD_FILE;
    }
    const std::string stem = std::filesystem::path(base).filename().string();
    const std::string path = (std::filesystem::path(dir) /
                              (stem + (block_files ? "_mosaic_dxt1_level" : "_mosaic_level") +
                               std::to_string(level) + ".png"))
                                 .string();
    if (!write_png(path, mosaic, error)) {
        std::fprintf(err, "razivavu-inspect: %s\n", error.c_str());
        return INSPECT_OUTPUT;
    }
    std::fprintf(out, "%s: %d x %d tiles of %d x %d at level %d", path.c_str(), run.cols, run.rows,
                 tile_w, tile_h, level);
    if (mosaic.width < tile_w * run.cols || mosaic.height < tile_h * run.rows)
        std::fprintf(out, ", cut to the picture's %d x %d", mosaic.width, mosaic.height);
    std::fprintf(out, "\n");
    if (grey == 0) return INSPECT_OK;
    std::fprintf(err,
                 "razivavu-inspect: %d tiles of %s (of %d) are missing or unreadable; drawn grey\n",
                 grey, base.c_str(), run.cols * run.rows);
    return INSPECT_BAD_FILE;
}
