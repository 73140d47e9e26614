// Grid, level count and tile names.
#include <algorithm>
#include <cstdio>

#include "imageio/imageio.h"
#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"

int32_t level_count(int32_t tile_width, int32_t tile_height) {
    // The larger side compared as unsigned, as the header has always counted.
    uint32_t m = std::max(static_cast<uint32_t>(tile_width), static_cast<uint32_t>(tile_height));
    int32_t n = 1;
    while (m > 1) {
        m >>= 1;
        ++n;
    }
    return n;
}

TileGrid make_grid(int32_t image_width, int32_t image_height, int32_t tile_width,
                   int32_t tile_height, bool pad) {
    TileGrid g;
    g.tile_width = tile_width;
    g.tile_height = tile_height;
    const int32_t round = pad ? 1 : 0;
    g.cols = static_cast<int32_t>((int64_t{image_width} + (tile_width - 1) * round) / tile_width);
    g.rows =
        static_cast<int32_t>((int64_t{image_height} + (tile_height - 1) * round) / tile_height);
    g.level_count = level_count(tile_width, tile_height);
    return g;
}

int32_t skip_levels_for_row(int32_t row, int32_t rows) {
    if (row == 0) return 1;  // tested first: a single row is a top row
    if (row == rows - 1) return 2;
    return 0;
}

int32_t grid_skip_levels(const TileGrid& grid, int32_t row) {
    return grid.full_rows ? 0 : skip_levels_for_row(row, grid.rows);
}

bool grid_names_collide(int32_t cols, int32_t rows) {
    // Two names c1 r1 and c2 r2 with c1 shorter than c2 agree only when c2 is
    // c1 followed by the leading digits of r1, and r2 is the rest of r1. Then
    // c2 >= 11 (c1 >= 1 plus one more digit, no leading zeros) and r1 >= 10
    // (at least two digits); column 11 row 0 against column 1 row 10 shows
    // both bounds are reached.
    return cols >= 12 && rows >= 11;
}

std::string tile_name_base(const std::string& input) {
    // A four-letter extension goes whole, so "pano.tiff" tiles as "pano00.vxt"
    // and "pano.jpeg" too.
    const size_t n = input.size();
    if (n >= 5 && input[n - 5] == '.' &&
        (picture_kind(input.substr(n - 5)) == PictureKind::tiff ||
         starts_with_nocase(input.c_str() + n - 5, ".JPEG")))
        return input.substr(0, n - 5);
    return name_base(input);
}

std::string tile_name(const std::string& input, int32_t col, int32_t row, bool block_file,
                      bool separated) {
    char numbers[40];
    std::snprintf(numbers, sizeof(numbers), separated ? "%d_%d%s%s" : "%d%d%s%s", col, row,
                  tile_file_kind(block_file).suffix, TILE_EXTENSION);
    return tile_name_base(input) + numbers;
}

bool block_files_hold_levels(int32_t tile_width, int32_t tile_height) {
    return is_pow2(tile_width) && is_pow2(tile_height);
}

int64_t tile_file_bytes(const TileGrid& grid, int32_t row, bool block_file) {
    int64_t bytes = TILE_HEADER_SIZE;
    if (block_file && !block_files_hold_levels(grid.tile_width, grid.tile_height)) return bytes;
    const int32_t skip = grid_skip_levels(grid, row);
    int64_t w = grid.tile_width, h = grid.tile_height;
    // The chain halves each side, rounding up, down to 1 x 1.
    for (int32_t level = 0;; ++level) {
        if (level >= skip)
            bytes += texture_level_size(
                static_cast<int32_t>(tile_file_kind(block_file, grid.blocks).format),
                static_cast<int32_t>(w), static_cast<int32_t>(h));
        if (w == 1 && h == 1) break;
        w = (w + 1) / 2;
        h = (h + 1) / 2;
    }
    return bytes;
}

int64_t grid_output_bytes(const TileGrid& grid, int64_t unit) {
    if (grid.rows < 1 || grid.cols < 1) return 0;
    if (unit < 1) unit = 1;
    int64_t total = 0;
    for (int k = 0; k < 2; ++k) {
        // Three kinds of rows: the top, the bottom and those between.
        const int32_t kinds[3] = {0, grid.rows - 1, 1};
        const int64_t counts[3] = {1, grid.rows > 1 ? 1 : 0, grid.rows > 2 ? grid.rows - 2 : 0};
        for (int r = 0; r < 3; ++r) {
            const int64_t bytes = tile_file_bytes(grid, kinds[r], k == 1);
            total += (bytes + unit - 1) / unit * unit * counts[r] * grid.cols;
        }
    }
    return total;
}

std::string output_folder(const std::string& input) {
    const size_t slash = input.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : input.substr(0, slash);
}
