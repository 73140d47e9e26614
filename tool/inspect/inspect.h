// razivavu-inspect: what is in a tile file or a texture stream, and what it
// looks like.
//
//   razivavu-inspect [--json] FILE...             header and level table of each file
//   razivavu-inspect --png DIR FILE...            every stored level as a PNG in DIR
//   razivavu-inspect --mosaic LEVEL [--dxt1] --png DIR BASE   the whole grid of a
//                                                 razivavu run at one level, one PNG
//   razivavu-inspect [--json] --compare BASE      per level, every DXT1 tile file against
//                                                 its 24-bit twin: RMSE and PSNR
//   razivavu-inspect --html DIR BASE              a page in DIR that pans and zooms through
//                                                 the grid (inspect/viewer.h)
//   razivavu-inspect --check [--deep] BASE        the grid is complete and consistent
//
// BASE is the picture name razivavu was given, without its extension
// ("demo/pano" for the tiles of demo/pano.bmp).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"
#include "texfile/texfile.h"
#include "tool/option_table.h"

constexpr int INSPECT_OK = 0;
constexpr int INSPECT_BAD_FILE = 1;   // a file failed its check, or a run was incomplete
constexpr int INSPECT_USAGE = 2;      // the command line was not understood
constexpr int INSPECT_OUTPUT = 3;     // an output file could not be written
constexpr int INSPECT_NO_MEMORY = 5;  // an allocation failed (the same code in every command)

enum class InspectMode { table, png, mosaic, compare, html, check, help, version };

struct InspectOptions {
    InspectMode mode = InspectMode::table;
    bool json = false;
    std::string png_dir;
    int32_t mosaic_level = 0;
    bool deep = false;               // --check also compares every file's hash
    bool mosaic_dxt1 = false;        // the mosaic of the DXT1 files, not the 24-bit ones
    std::string base;                // --mosaic, --compare and --html
    std::string html_dir;            // --html
    std::vector<std::string> files;  // table and --png
};

// Empty when the arguments (after the command name) are usable; otherwise the
// reason, for the user.
std::string parse_inspect_args(const std::vector<std::string>& args, InspectOptions& out);

// The options of razivavu-inspect, one row each: what the parser knows,
// what --help lists and what the manual page says.
OptionTable inspect_option_table();

// The usage text of --help.
std::string inspect_usage();

// The whole command; returns the exit code.
int run_inspect(int argc, char** argv);

// ---------------------------------------------------------------------------
// Header and level table.
// ---------------------------------------------------------------------------
void print_tex_table(const TexFile& file, FILE* out);
std::string tex_table_json(const TexFile& file);

// ---------------------------------------------------------------------------
// PNG output (libpng). Written under "<path>.part" and renamed when complete.
// ---------------------------------------------------------------------------
bool write_png(const std::string& path, const TexImage& image, std::string& error);

// "<DIR>/<stem>_level<i>.png", with "_face<f>" before "_level" for cube textures.
std::string level_png_name(const std::string& dir, const TexFile& file, const TexLevel& level);

// ---------------------------------------------------------------------------
// The tile files of one razivavu run.
// ---------------------------------------------------------------------------
struct TileRun {
    std::string base;  // as given
    int32_t cols = 0;
    int32_t rows = 0;
    bool separated = false;  // names with "_" between column and row
    // Per tile, row by row: whether its 24-bit file is there. A run that
    // ended early (a damaged picture, a failed write) lacks the tiles after
    // the last one written.
    std::vector<uint8_t> present;
    // Per row: the first level its tiles store, as the files say (the top
    // row 1 and the bottom row 2 by default, 0 everywhere with --full-rows).
    std::vector<int32_t> first_level;
    // Path of the 24-bit file, or of its DXT1 twin.
    std::string path(int32_t col, int32_t row, bool block_file) const;
    bool has(int32_t col, int32_t row) const {
        return present[static_cast<size_t>(row) * cols + col] != 0;
    }
    int32_t missing() const;  // tiles whose 24-bit file is not there
};

// Finds the grid from the 24-bit tile files "<BASE><col><row>.vxt" present:
// the whole grid they form, or else the smallest grid that holds them all,
// with the others marked missing. When the last row found stores from level
// 0 below a top row that stores from level 1, its run ended before the
// bottom row, which is added as missing. False with a reason when there are
// no files or no grid holds them.
bool find_tile_run(const std::string& base, TileRun& out, std::string& error);

// find_tile_run with its reason on `err` when it fails, and what the run
// lacks named (report_missing_tiles): how --mosaic, --compare and --html
// start.
bool open_tile_run(const std::string& base, TileRun& out, FILE* err);

// Names on `err` what `run` lacks: one line per missing row of tiles, one per
// missing tile of a row that has others. Nothing when it is whole.
void report_missing_tiles(const TileRun& run, FILE* err);

// The picture razivavu read, as its grid manifest records it; 0 x 0 when
// unknown. With --edges pad the last column and row of tiles reach past it.
struct PictureSize {
    int32_t width = 0;
    int32_t height = 0;
    bool known() const { return width > 0 && height > 0; }
};

// The picture size from the first manifest of `run.base` that parses (the
// whole run's or a part's) when it describes the grid of the tile files;
// unknown without one (tiles of a version that wrote none), and then, when
// a manifest is there but unusable, one line on `err` saying why.
PictureSize manifest_picture_size(const TileRun& run, FILE* err);

// A side after `level` halvings of the mip chain: each rounds up, and a
// side never goes below 1 (a tile's levels are sized so, tile_file_bytes).
int32_t level_side(int32_t side, int32_t level);

// The mosaic of the 24-bit files, or of the DXT1 files (`block_files`, the
// PNG then named "<base>_mosaic_dxt1_level<n>.png"): writes the PNG, returns
// the exit code. Messages go to `err`.
int run_mosaic(const std::string& base, int32_t level, const std::string& dir, FILE* out, FILE* err,
               bool block_files = false);

// The error of a DXT1 level `b` against its 24-bit twin `a` (same sizes)
// over R, G and B: RMSE in 8-bit steps, PSNR = 10 log10(255^2 / MSE),
// infinite when the two agree exactly.
struct LevelError {
    double sse = 0;
    double samples = 0;
    double mse() const;
    double rmse() const;
    double psnr() const;
};
LevelError level_error(const TexImage& a, const TexImage& b);

// The comparison; returns the exit code.
int run_compare(const std::string& base, bool json, FILE* out, FILE* err);

// The check of a whole run, however many runs or parts wrote it: every
// tile's two files present, their headers those of one tile size and of
// their row, their sizes what the headers declare. Prints one line per
// file missing or wrong and a summary; INSPECT_OK when complete, else
// INSPECT_BAD_FILE.
// With a grid manifest (tool/gridfile) the grid's size and every file's size
// and hash come from it, so missing rows and columns, parts that never
// finished, another grid's tiles and damaged rows are found; `deep` also
// compares every file's hash. Without one, the grid is taken from the names
// found, as folders of older versions need, and the check says so.
int run_check(const std::string& base, FILE* out, bool deep = false);
// The check against the manifests of BASE (not empty).
int check_with_manifests(const std::string& base, const std::vector<FoundManifest>& found,
                         bool deep, FILE* out);

// ---------------------------------------------------------------------------
// JSON text pieces.
// ---------------------------------------------------------------------------
std::string json_string(const std::string& text);
// A finite number as JSON; infinity and NaN as null.
std::string json_number(double value);
