// The grid manifest of one run: made before the first tile, filled in tile
// order, written after the last.
#include "tool/run_manifest.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "vxsystem/vxsystem.h"

namespace {

const char* kind_word(PictureKind kind) {
    switch (kind) {
        case PictureKind::bmp:
            return "bmp";
        case PictureKind::jpeg:
            return "jpeg";
        case PictureKind::png:
            return "png";
        case PictureKind::tiff:
            return "tiff";
        case PictureKind::unknown:
            break;
    }
    return "unknown";
}

std::string leaf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string start_run_manifest(GridManifest& m, const std::string& input_name, PictureKind kind,
                               int32_t width, int32_t height, const TileGrid& grid,
                               const ToolOptions& options, RowRange rows) {
    m = GridManifest{};
    m.tool_version = razivavu_version();
    m.picture.name = input_name;
    m.picture.kind = kind_word(kind);
    m.picture.width = width;
    m.picture.height = height;
    if (!picture_fingerprint(input_name, m.picture))
        return "cannot read " + input_name +
               " again for the grid manifest: " + std::strerror(errno);
    m.grid.tile_width = grid.tile_width;
    m.grid.tile_height = grid.tile_height;
    m.grid.level_count = grid.level_count;
    m.grid.cols = grid.cols > 0 ? grid.cols : 0;
    m.grid.rows = grid.rows > 0 ? grid.rows : 0;
    m.grid.separated_names = grid_names_collide(grid.cols, grid.rows);
    m.options.edges = options.pad_edges ? "pad" : "drop";
    m.options.full_rows = options.full_rows;
    m.options.quality = texture_quality_name(options.encoding.quality);
    m.options.decoder = texture_decoder_name(options.encoding.decoder);
    m.options.metric = options.encoding.uniform_metric ? "uniform" : "perceptual";
    m.options.tile_format = texture_format_info(options.encoding.blocks)->name;
    for (int32_t row = 0; row < m.grid.rows; ++row)
        m.first_level.push_back(grid_skip_levels(grid, row));
    m.part_index = options.part.given ? options.part.index : 0;
    m.part_count = options.part.given ? options.part.count : 1;
    m.first_row = rows.first;
    m.end_row = rows.end;
    return "";
}

std::string run_manifest_path(const std::string& base, const ToolOptions& options) {
    return options.part.given ? part_manifest_name(base, options.part.index, options.part.count)
                              : manifest_name(base);
}

std::string resume_refusal(const std::string& base, const std::string& tiles,
                           const GridManifest& ours, const TileGrid& grid, RowRange rows,
                           int32_t& damaged_from) {
    damaged_from = rows.end;
    for (const FoundManifest& f : find_manifests(base)) {
        if (!f.error.empty())
            return f.path + " is not a grid manifest this razivavu reads (" + f.error +
                   "); move it away or run without --resume";
        const std::string differs = manifest_difference(f.manifest, ours, f.path, "this run");
        if (!differs.empty())
            return "--resume would mix two grids: " + differs +
                   "; run with the same picture, tile size and options, or without --resume";
        // A picture mended since (its ends unchanged) gives its damaged rows
        // their real pixels.
        const GridManifest& m = f.manifest;
        if (m.damaged_from_row >= 0 && m.damaged_from_row < m.end_row)
            damaged_from = std::min(damaged_from, std::max(m.damaged_from_row, m.first_row));
    }
    // A folder from a version without manifests still tells its grid by the
    // tile headers.
    const bool separated = grid_names_collide(grid.cols, grid.rows);
    for (int32_t row = rows.first; row < rows.end; ++row)
        for (int32_t col = 0; col < grid.cols; ++col)
            for (const bool block_file : {false, true}) {
                const std::string name = tile_name(tiles, col, row, block_file, separated);
                const int fd = open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
                if (fd < 0) continue;
                uint8_t found[TILE_HEADER_SIZE];
                const bool read = pread(fd, found, TILE_HEADER_SIZE, 0) == TILE_HEADER_SIZE;
                close(fd);
                if (!read || decode_tile_header(found).magic != TILE_MAGIC) continue;
                uint8_t expected[TILE_HEADER_SIZE];
                encode_tile_header(
                    make_tile_header(tile_file_kind(block_file, grid.blocks).header_code,
                                     grid.tile_width, grid.tile_height, grid.level_count,
                                     grid_skip_levels(grid, row)),
                    expected);
                if (std::memcmp(found, expected, TILE_HEADER_SIZE) != 0) {
                    const TileHeader h = decode_tile_header(found);
                    const TileHeader e = decode_tile_header(expected);
                    char why[200];
                    std::snprintf(why, sizeof why,
                                  "its header says %dx%d from %d levels (code %d), this run "
                                  "writes %dx%d from %d levels (code %d)",
                                  h.width, h.height, h.level_count, h.format_code, e.width,
                                  e.height, e.level_count, e.format_code);
                    return "--resume would mix two grids: " + name + " is another grid's tile (" +
                           why + "); run with the same tile size and options, or without --resume";
                }
            }
    return "";
}

void drop_other_grids_manifests(const std::string& base, const GridManifest& ours) {
    for (const FoundManifest& f : find_manifests(base)) {
        const bool overlaps = f.error.empty() && f.manifest.first_row < ours.end_row &&
                              ours.first_row < f.manifest.end_row;
        if (!f.error.empty() ||
            (overlaps && !manifest_difference(f.manifest, ours, "", "").empty()))
            std::remove(f.path.c_str());
    }
}

void record_tile(GridManifest& manifest, int32_t col, int32_t row, const std::string names[2],
                 const TileFileFacts facts[2]) {
    ManifestTile tile;
    tile.col = col;
    tile.row = row;
    for (int k = 0; k < 2; ++k) {
        ManifestFile f;
        f.name = leaf(names[k]);
        f.format = k == 1 ? manifest.options.tile_format : "rgb888";
        f.container = "vxt";
        f.bytes = facts[k].bytes;
        f.hash = facts[k].hash;
        tile.files.push_back(std::move(f));
    }
    manifest.tiles.push_back(std::move(tile));
}

bool tile_file_facts(const std::string& name, TileFileFacts& out) {
    return file_hash(name, out.hash, out.bytes);
}

int commit_run_manifest(const std::string& path, const GridManifest& manifest, bool sync) {
    // The tiles' renames live in the folder; they must last before the
    // manifest that vouches for them does.
    if (sync && !sync_path(folder_of(path))) return errno;
    return write_manifest(path, manifest, sync);
}
