// The mosaic: every 24-bit tile of a run at one level of its chain, put
// together as the picture was cut. The top row stores its tiles from level
// 1 and the bottom row from level 2, so a lower level than every row stores
// is replaced by the first one they all have, and the command says so.
#include <filesystem>

#include "inspect/inspect.h"
#include "tool/tiletool.h"

namespace {

// The first level every row of a grid of `rows` rows stores.
int32_t first_common_level(int32_t rows) {
    int32_t first = 0;
    for (int32_t r = 0; r < rows; ++r) first = std::max(first, skip_levels_for_row(r, rows));
    return first;
}

}  // namespace

int run_mosaic(const std::string& base, int32_t level, const std::string& dir, FILE* out, FILE* err,
               bool block_files) {
    TileRun run;
    std::string error;
    if (!find_tile_run(base, run, error)) {
        std::fprintf(err, "razivavu-inspect: %s\n", error.c_str());
        return INSPECT_BAD_FILE;
    }
    const int32_t first = first_common_level(run.rows);
    if (level < first) {
        std::fprintf(err,
                     "razivavu-inspect: level %d is not stored by every row (the top row starts "
                     "at level 1, the bottom row at level 2); the mosaic shows level %d\n",
                     level, first);
        level = first;
    }
    TexImage mosaic;
    int32_t tile_w = 0, tile_h = 0;
    for (int32_t row = 0; row < run.rows; ++row) {
        const int32_t skip = skip_levels_for_row(row, run.rows);
        for (int32_t col = 0; col < run.cols; ++col) {
            const std::string name = run.path(col, row, block_files);
            TexFile file;
            if (!read_tex_file(name, file, error)) {
                std::fprintf(err, "razivavu-inspect: %s: %s\n", name.c_str(), error.c_str());
                return INSPECT_BAD_FILE;
            }
            if (file.skip_levels >= 0 && file.skip_levels != skip) {
                std::fprintf(err, "razivavu-inspect: %s: stores from level %d, its row from %d\n",
                             name.c_str(), file.skip_levels, skip);
                return INSPECT_BAD_FILE;
            }
            const size_t stored = static_cast<size_t>(level - skip);
            if (stored >= file.levels.size()) {
                std::fprintf(err, "razivavu-inspect: %s: no level %d (its chain ends at %d)\n",
                             name.c_str(), level,
                             skip + static_cast<int32_t>(file.levels.size()) - 1);
                return INSPECT_BAD_FILE;
            }
            TexImage tile;
            if (!decode_tex_level(file, stored, tile, error)) {
                std::fprintf(err, "razivavu-inspect: %s: %s\n", name.c_str(), error.c_str());
                return INSPECT_BAD_FILE;
            }
            if (mosaic.pixels.empty()) {
                tile_w = tile.width;
                tile_h = tile.height;
                mosaic.width = tile_w * run.cols;
                mosaic.height = tile_h * run.rows;
                mosaic.channels = tile.channels;
                mosaic.pixels.assign(
                    static_cast<size_t>(mosaic.width) * mosaic.height * mosaic.channels, 0);
            } else if (tile.width != tile_w || tile.height != tile_h) {
                std::fprintf(err, "razivavu-inspect: %s: level %d is %d x %d, not %d x %d\n",
                             name.c_str(), level, tile.width, tile.height, tile_w, tile_h);
                return INSPECT_BAD_FILE;
            }
            const size_t row_bytes = static_cast<size_t>(tile_w) * tile.channels;
            for (int32_t y = 0; y < tile_h; ++y) {
                const size_t at = ((static_cast<size_t>(row) * tile_h + y) * mosaic.width +
                                   static_cast<size_t>(col) * tile_w) *
                                  mosaic.channels;
                std::copy(tile.pixels.begin() + y * row_bytes,
                          tile.pixels.begin() + (y + 1) * row_bytes, mosaic.pixels.begin() + at);
            }
        }
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
    std::fprintf(out, "%s: %d x %d tiles of %d x %d at level %d\n", path.c_str(), run.cols,
                 run.rows, tile_w, tile_h, level);
    return INSPECT_OK;
}
