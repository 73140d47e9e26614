// The picture's own size, from the grid manifest beside the tiles. The tiles
// alone cannot tell it: with --edges pad the right column and the bottom row
// of tiles hold the picture's last column and row repeated up to whole
// tiles, and those pixels look like picture. The manifest is trusted only
// when it describes the grid the tile files form, so that a manifest left
// by another run never crops a picture it does not belong to.
#include <algorithm>

#include "gridfile/gridfile.h"
#include "inspect/inspect.h"

namespace {

// Empty when `m` is the grid of the tiles of `run`; else what differs.
std::string grid_difference(const GridManifest& m, const TileRun& run) {
    // A run that ended early or parts not all there show fewer rows than
    // the manifest speaks for, never more.
    if (m.grid.cols != run.cols || m.grid.rows < run.rows)
        return "its grid of " + std::to_string(m.grid.cols) + " x " + std::to_string(m.grid.rows) +
               " tiles is not the " + std::to_string(run.cols) + " x " + std::to_string(run.rows) +
               " of the tile files";
    for (int32_t row = 0; row < run.rows; ++row)
        for (int32_t col = 0; col < run.cols; ++col) {
            if (!run.has(col, row)) continue;
            // One tile's header and first stored level say the tile size
            // (the header's shift and the chain's halvings round apart).
            TexFile file;
            std::string error;
            const std::string path = run.path(col, row, false);
            if (!read_tex_file(path, file, error)) return "";  // the views report the file
            const int32_t skip = m.first_level[static_cast<size_t>(row)];
            if ((file.skip_levels >= 0 && file.skip_levels != skip) ||
                file.header_width != m.grid.tile_width >> skip ||
                file.header_height != m.grid.tile_height >> skip ||
                (!file.levels.empty() &&
                 (file.levels[0].width != level_side(m.grid.tile_width, skip) ||
                  file.levels[0].height != level_side(m.grid.tile_height, skip))))
                return "its tiles of " + std::to_string(m.grid.tile_width) + " x " +
                       std::to_string(m.grid.tile_height) + " are not those of " + path;
            return "";
        }
    return "";
}

}  // namespace

int32_t level_side(int32_t side, int32_t level) {
    for (int32_t k = 0; k < level && side > 1; ++k) side = (side + 1) / 2;
    return std::max(side, 1);
}

PictureSize manifest_picture_size(const TileRun& run, FILE* err) {
    PictureSize size;
    const std::vector<FoundManifest> found = find_manifests(run.base);
    // The parts of one run describe one picture; the first that reads
    // answers for all.
    for (const FoundManifest& f : found) {
        if (!f.error.empty()) continue;
        const std::string differs = grid_difference(f.manifest, run);
        if (!differs.empty()) {
            std::fprintf(err, "razivavu-inspect: %s: %s; the whole grid is shown\n", f.path.c_str(),
                         differs.c_str());
            return size;
        }
        size.width = f.manifest.picture.width;
        size.height = f.manifest.picture.height;
        return size;
    }
    if (!found.empty())
        std::fprintf(err, "razivavu-inspect: %s: %s; the whole grid is shown\n",
                     found.front().path.c_str(), found.front().error.c_str());
    return size;
}
