// Where a BMP file keeps its palette and pixels (internal to imageio).
#pragma once

#include <cstdint>
#include <string>

#include "imageio/imageio.h"

struct BmpLayout {
    int32_t width = 0;
    int32_t height = 0;           // always positive
    bool top_down = false;        // the header's height was negative
    int32_t bits = 0;             // 4, 8 or 24
    int64_t palette_offset = 0;   // right after the info header
    int32_t palette_entries = 0;  // entries present in the file (4-, 8-bit)
    int64_t pixel_offset = 0;     // the header's pixel-data offset
    int64_t row_stride = 0;       // bytes from one file row to the next
};

// Bytes of a BMP's headers that read_bmp_layout looks at.
constexpr int64_t BMP_HEAD_BYTES = 54;

// Reads and checks the headers of a BMP of `length` bytes whose first
// `data_length` bytes (at least BMP_HEAD_BYTES of them, or the whole file
// when it is shorter) are in `data`; the rest of the file need not be read
// yet. Loaded when the file is an uncompressed 4-, 8- or 24-bit picture
// whose palette and pixel rows all lie inside the file; otherwise the failure
// says why (naming the file `name`).
LoadResult read_bmp_layout(const uint8_t* data, int64_t data_length, int64_t length,
                           const char* name, BmpLayout& out);

// Byte offset of file row `row` (0 = first row stored in the file).
inline int64_t bmp_row_offset(const BmpLayout& l, int32_t row) {
    return l.pixel_offset + l.row_stride * row;
}

// File row that holds output row `y` (output rows run top to bottom).
inline int32_t bmp_file_row(const BmpLayout& l, int32_t y) {
    return l.top_down ? y : l.height - 1 - y;
}

// Index of pixel `x` in a file row of a 4- or 8-bit picture. Every BMP writer
// stores the left pixel of a pair in the high nibble.
inline uint8_t bmp_palette_index(const uint8_t* row, int32_t bits, int32_t x) {
    if (bits == 8) return row[x];
    const uint8_t pair = row[x >> 1];
    return (x & 1) ? (pair & 0x0F) : (pair >> 4);
}

// The palette of a 4- or 8-bit picture as 1 << bits entries of R, G, B, 255.
// `file_palette` holds the file's `palette_entries` entries (B, G, R, unused
// each); the entries a short palette lacks are black.
void bmp_palette_colours(const BmpLayout& l, const uint8_t* file_palette, uint8_t* colours);

// Whether `name` may be taken as a companion alpha file: it exists and is a
// regular file. Something else by that name (a FIFO would block the read) is
// not taken, and the log says so.
bool bmp_companion_is_regular(const std::string& name);
