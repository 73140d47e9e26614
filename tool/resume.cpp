// --resume: which tile files an earlier run of the same grid left whole.
//
// A file under its final name was renamed from a ".part" file written to the
// end, so a run killed at any moment leaves every final name whole. What is
// checked here is that the file is the one this run would write (the header
// of this grid and row, the size that header declares), so that a file of
// another tile size, or one cut short by something else, is written anew.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "tool/parts.h"

bool tile_file_complete(const std::string& name, const TileGrid& grid, int32_t row,
                        bool block_file) {
    // A link is not a file this run wrote; it is replaced, never followed.
    const int fd = open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    uint8_t found[TILE_HEADER_SIZE];
    const bool read_whole = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                            pread(fd, found, TILE_HEADER_SIZE, 0) == TILE_HEADER_SIZE;
    close(fd);
    if (!read_whole) return false;
    uint8_t expected[TILE_HEADER_SIZE];
    encode_tile_header(
        make_tile_header(tile_file_kind(block_file, grid.blocks).header_code, grid.tile_width,
                         grid.tile_height, grid.level_count, grid_skip_levels(grid, row)),
        expected);
    return std::memcmp(found, expected, TILE_HEADER_SIZE) == 0 &&
           int64_t{st.st_size} == tile_file_bytes(grid, row, block_file);
}

std::vector<uint8_t> tiles_already_written(const std::string& base, const TileGrid& grid,
                                           RowRange rows) {
    std::vector<uint8_t> kept;
    if (rows.count() < 1 || grid.cols < 1) return kept;
    kept.assign(static_cast<size_t>(int64_t{rows.count()} * grid.cols), 0);
    const bool separated = grid_names_collide(grid.cols, grid.rows);
    size_t item = 0;
    for (int32_t row = rows.first; row < rows.end; ++row)
        for (int32_t col = 0; col < grid.cols; ++col, ++item)
            kept[item] =
                tile_file_complete(tile_name(base, col, row, false, separated), grid, row, false) &&
                tile_file_complete(tile_name(base, col, row, true, separated), grid, row, true);
    return kept;
}
