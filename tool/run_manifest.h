// The grid manifest of one run of razivavu: what it is made from before the
// first tile, how --resume compares it with what an earlier run left, and
// its writing as the run's last step.
#pragma once

#include <cstdint>
#include <string>

#include "gridfile/gridfile.h"
#include "tool/parts.h"
#include "tool/tiletool.h"

// The manifest's head for this run: picture, grid, options, the rows' first
// levels and the part. `base` is where the tiles go without the numbers
// (tile_name_base of the input or of its place in the -o folder). Empty when
// made; otherwise the reason (the picture file could not be read again).
std::string start_run_manifest(GridManifest& manifest, const std::string& input_name,
                               PictureKind kind, int32_t width, int32_t height,
                               const TileGrid& grid, const ToolOptions& options, RowRange rows);

// The file this run's manifest goes to: BASE.grid.json for a whole run, the
// part's own otherwise.
std::string run_manifest_path(const std::string& base, const ToolOptions& options);

// --resume: empty when what lies beside BASE can be taken up by this run;
// otherwise why not, naming the file and the difference. Every manifest of
// BASE must describe this grid (picture, tile size, options), and every tile
// file of the run's rows that carries a tile header must carry this grid's.
// `tiles` names the tiles as tile_name wants it (the input's name, or its
// place in the -o folder). `damaged_from` receives the first of the run's
// rows an earlier manifest marks damaged (rows.end when none is): their
// tiles hold filler, so they are written anew rather than kept.
std::string resume_refusal(const std::string& base, const std::string& tiles,
                           const GridManifest& ours, const TileGrid& grid, RowRange rows,
                           int32_t& damaged_from);

// A run that rewrites rows (without --resume) makes the manifests of another
// grid that speak for them untrue: they are removed before the first tile.
// Manifests of this very grid stay (the tiles come out the same bytes).
void drop_other_grids_manifests(const std::string& base, const GridManifest& ours);

// Adds a tile's files to the manifest, in tile order.
void record_tile(GridManifest& manifest, int32_t col, int32_t row, const std::string names[2],
                 const TileFileFacts facts[2]);

// The facts of a tile file already on disk (a tile --resume keeps); false
// with errno set when it cannot be read.
bool tile_file_facts(const std::string& name, TileFileFacts& out);

// The run's manifest, written last (with --sync flushed, and the folder with
// it, whose tile renames it also makes lasting). 0 when written; otherwise
// the system's reason (an errno value).
int commit_run_manifest(const std::string& path, const GridManifest& manifest, bool sync);
