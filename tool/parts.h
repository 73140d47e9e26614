// One run's grid split over several processes or machines, each an array
// task of a scheduler, and a run taken up again after it was killed.
//
// A part is a band of whole rows of tiles, so it reads one band of the
// picture and writes the files of its own tiles only; the union of the parts'
// files is the whole run's, byte for byte, because every tile is computed
// from its own pixels alone. Taking a run up again is sound because a tile
// file only ever gets its final name by renaming a fully written ".part"
// file: a final name whose header and size are those the run writes is a
// whole file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tool/tiletool.h"

// Reads "K/N" (0 <= K < N) or "auto". Empty when usable; otherwise the
// reason, for the user.
std::string parse_part(const char* text, PartRequest& out);

// What the scheduler's environment gives `getenv`-like `lookup`.
using EnvironmentLookup = const char* (*)(const char* name);

// Sets K and N of an "auto" part from the scheduler's environment: a Slurm
// job array (SLURM_ARRAY_TASK_ID counted from SLURM_ARRAY_TASK_MIN in steps
// of SLURM_ARRAY_TASK_STEP, N = SLURM_ARRAY_TASK_COUNT) or a Kubernetes
// Indexed Job (K = JOB_COMPLETION_INDEX, N = RAZIVAVU_PARTS). Empty when
// they fit; otherwise the reason, for the user.
std::string part_from_scheduler(EnvironmentLookup lookup, PartRequest& part);

// Rows of tiles [first, end), counted from the top.
struct RowRange {
    int32_t first = 0;
    int32_t end = 0;
    int32_t count() const { return end - first; }
};

// The work of one tile's two files, as the bytes they hold: the top and
// bottom rows store fewer levels, so they weigh less.
int64_t row_work(const TileGrid& grid, int32_t row);

// The rows part `index` of `count` writes: contiguous bands, one after the
// other from the top, at least one row each while there are rows enough,
// cut so that the largest part's work is the smallest whole rows allow (the
// slowest part sets when the grid is done). Each part fills up to that bound
// from the top, so only the last parts may hold less. With more parts than
// rows, part k holds row k and the rest none. A grid without tiles gives
// every part an empty range.
RowRange part_rows(const TileGrid& grid, int32_t index, int32_t count);

// The rows a run writes: the part's, or the whole grid.
RowRange rows_of_run(const TileGrid& grid, const PartRequest& part);

// Whether the run speaks for the whole picture (the lines about the strips
// no tile holds): the whole run, the part holding the bottom row of tiles,
// or part 0 when no part holds a row.
bool speaks_for_picture(const TileGrid& grid, const PartRequest& part);

// The tiles one run writes: its rows, and with --resume the tiles an earlier
// run left whole.
struct TileJob {
    RowRange rows;
    std::vector<uint8_t> kept;  // one flag per tile of `rows`, row by row; empty: none
    int32_t kept_tiles = 0;     // kept tiles passed so far
    bool is_kept(int64_t item) const {
        return !kept.empty() && kept[static_cast<size_t>(item)] != 0;
    }
};

// Bytes the files of the job's tiles not kept take, each file rounded up to
// whole allocation units of `unit` bytes; for the whole grid without kept
// tiles this is grid_output_bytes.
int64_t job_output_bytes(const TileGrid& grid, const TileJob& job, int64_t unit);

// Whether `name` is already the whole tile file of a tile of row `row`: a
// regular file whose 32 header bytes are those this grid writes and whose
// size is what that header declares.
bool tile_file_complete(const std::string& name, const TileGrid& grid, int32_t row,
                        bool block_file);

// One flag per tile of `rows` (row by row): both of its files complete.
// `base` names the tiles as the run does (the input's name, or its place in
// the -o folder).
std::vector<uint8_t> tiles_already_written(const std::string& base, const TileGrid& grid,
                                           RowRange rows);
