// tileformat: the tile file, as razivavu writes it and texfile reads it.
//
// A tile file is a 32-byte TileHeader (eight little-endian 32-bit words)
// followed by the tile's stored mip levels, largest first, exactly as the
// compression library emitted them. Every tile gives two files, told apart
// by one TileFileKind each: the header's format code, the library format of
// the levels, the exchange of the first and third colour bytes and the
// name's suffix. Writer, reader and inspector all take them from here.
#pragma once

#include <cstdint>

#include "texcomp/texcomp.h"

constexpr int32_t TILE_MAGIC = 12345;
constexpr int32_t TILE_HEADER_SIZE = 32;
constexpr int32_t TILE_HEADER_WORDS = TILE_HEADER_SIZE / 4;
// Every tile file name ends so; the kind's suffix stands before it.
constexpr const char* TILE_EXTENSION = ".vxt";

struct TileFileKind {
    int32_t header_code;  // the header's format_code word
    TextureFormat format;
    uint8_t swap_rgb;    // g_b_swap_rgb: 0 keeps the picture's R, G, B where the
                         // layout expects B, G, R
    const char* suffix;  // between the row number and TILE_EXTENSION
};
constexpr TileFileKind TILE_FILE_RGB = {3, TextureFormat::Rgb888, 0, ""};
constexpr TileFileKind TILE_FILE_BLOCKS = {12, TextureFormat::Dxt1, 1, "c"};
constexpr int32_t TILE_CODE_RGB = TILE_FILE_RGB.header_code;
constexpr int32_t TILE_CODE_BLOCKS = TILE_FILE_BLOCKS.header_code;

inline const TileFileKind& tile_file_kind(bool block_file) {
    return block_file ? TILE_FILE_BLOCKS : TILE_FILE_RGB;
}
// The kind of a header's format code; null for a code no tile file has.
inline const TileFileKind* tile_file_kind_of_code(int32_t header_code) {
    if (header_code == TILE_CODE_RGB) return &TILE_FILE_RGB;
    if (header_code == TILE_CODE_BLOCKS) return &TILE_FILE_BLOCKS;
    return nullptr;
}

// The eight words at the start of every tile file.
struct TileHeader {
    int32_t magic = TILE_MAGIC;
    int32_t format_code = 0;
    int32_t width = 0;        // tile width >> skip_levels: the first stored level
    int32_t height = 0;       // tile height >> skip_levels
    int32_t level_count = 0;  // of the full chain, not reduced by skip_levels
    int32_t header_size = TILE_HEADER_SIZE;
    int32_t reserved[2] = {0, 0};  // written as zeros so files are reproducible
};
static_assert(sizeof(TileHeader) == TILE_HEADER_SIZE, "the tile header is 32 bytes");

TileHeader make_tile_header(int32_t format_code, int32_t tile_width, int32_t tile_height,
                            int32_t level_count, int32_t skip_levels);
void encode_tile_header(const TileHeader& header, uint8_t out[TILE_HEADER_SIZE]);
// The words as stored; no check of their values.
TileHeader decode_tile_header(const uint8_t in[TILE_HEADER_SIZE]);
