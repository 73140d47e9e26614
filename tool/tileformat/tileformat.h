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
// The block files of --tile-format other than dxt1. The engine the tile files
// were made for knows codes 3 and 12 only, so these take codes of their own,
// 100 + the library's format number, that no older file has; they keep the
// DXT1 file's colour exchange, so that every block file of a grid is read
// the same way.
constexpr TileFileKind TILE_FILE_BC7 = {100 + static_cast<int32_t>(TextureFormat::Bc7),
                                        TextureFormat::Bc7, 1, "c"};
constexpr TileFileKind TILE_FILE_ASTC4X4 = {100 + static_cast<int32_t>(TextureFormat::Astc4x4),
                                            TextureFormat::Astc4x4, 1, "c"};
constexpr TileFileKind TILE_FILE_ASTC6X6 = {100 + static_cast<int32_t>(TextureFormat::Astc6x6),
                                            TextureFormat::Astc6x6, 1, "c"};
constexpr TileFileKind TILE_FILE_ASTC8X8 = {100 + static_cast<int32_t>(TextureFormat::Astc8x8),
                                            TextureFormat::Astc8x8, 1, "c"};
constexpr const TileFileKind* TILE_FILE_KINDS[] = {&TILE_FILE_RGB,     &TILE_FILE_BLOCKS,
                                                   &TILE_FILE_BC7,     &TILE_FILE_ASTC4X4,
                                                   &TILE_FILE_ASTC6X6, &TILE_FILE_ASTC8X8};

// The block file's kind of a library format; null for a format no tile
// file holds.
inline const TileFileKind* block_file_kind(TextureFormat blocks) {
    for (const TileFileKind* kind : TILE_FILE_KINDS)
        if (kind != &TILE_FILE_RGB && kind->format == blocks) return kind;
    return nullptr;
}
// `blocks` names the block file's format (--tile-format); it must be one
// block_file_kind knows.
inline const TileFileKind& tile_file_kind(bool block_file,
                                          TextureFormat blocks = TextureFormat::Dxt1) {
    if (!block_file) return TILE_FILE_RGB;
    const TileFileKind* kind = block_file_kind(blocks);
    return kind ? *kind : TILE_FILE_BLOCKS;
}
// The kind of a header's format code; null for a code no tile file has.
inline const TileFileKind* tile_file_kind_of_code(int32_t header_code) {
    for (const TileFileKind* kind : TILE_FILE_KINDS)
        if (kind->header_code == header_code) return kind;
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
