// texfile: reads what razivavu and the compression library write, and
// decodes every stored level into plain 8-bit pixels.
//
// Three kinds of file:
// - tile files (".vxt"): the tool's 32-byte header (12345, code 3 or 12,
//   width, height, level count, 32, two spare words), then the stored levels;
//   code 3 holds 24-bit levels with the bytes in the picture's R, G, B order,
//   code 12 holds DXT1 blocks (the codes and header: tileformat/tileformat.h).
// - texture streams ("DDS " + 124-byte surface header + levels): every format
//   code the library writes (0..22), plain, cube (six faces) and volume
//   textures, the palette before each face of codes 10 and 14; codes 17 to
//   19 (BC4, BC5, BC7) with the DX10 header's 20 bytes after the surface
//   header; codes 20 to 22 (ASTC) under the library's own FourCCs ("AS44",
//   "AS66", "AS88"), as no DDS reader knows ASTC.
// - KTX2 files (".ktx2"), as the containers library writes them: the
//   Vulkan formats of its table that the compression library makes (dxt1,
//   bc7, rgb888, argb8888, astc 4x4, 6x6, 8x8), one plain 2D texture, no
//   supercompression; others are refused with the reason.
//
// The readers check a file against its header before anything is decoded:
// magic, header sizes, possible level sizes and exactly the bytes the header
// promises. A file that fails gets a one-line reason and is never read past
// its end; decoding only touches the byte ranges the check accepted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "blocks/blocks.h"
#include "texcomp/texcomp.h"

enum class TexFileKind { tile, stream, ktx2 };

// One stored level (of one face). `index` is its number in the texture's
// full mip chain (0 = the largest); for a tile file whose dropped levels
// cannot be told from the header it is the stored position.
struct TexLevel {
    int32_t face = 0;
    int32_t index = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t slices = 1;  // volume textures: slices of this level, side by side
    int64_t offset = 0;  // of the level's first byte in the file
    int64_t size = 0;    // bytes, all slices
};

struct TexFile {
    std::string name;
    TexFileKind kind = TexFileKind::stream;
    int32_t format = 0;  // library format code 0..22 (tile code 3 -> 8, 12 -> 0)
    // Tile files: the header words. Streams: tile_code 0.
    int32_t tile_code = 0;
    int32_t header_width = 0;
    int32_t header_height = 0;
    int32_t header_levels = 0;  // tile level_count, or the stream's mip_count
    int32_t skip_levels = -1;   // tiles: leading levels dropped, -1 when not decidable
    // The levels hold red where the format's layout says blue and back: tiles
    // written without g_b_swap_rgb (the picture's R, G, B in a B, G, R
    // layout), and the R, G, B(, A) pixels of KTX2 files and of DDS files
    // with the 32-bit R, G, B, A pixel-format block.
    bool colours_exchanged = false;
    // Streams: header words worth showing.
    uint32_t flags = 0;
    uint32_t linear_size = 0;
    uint32_t caps1 = 0;
    uint32_t caps2 = 0;
    uint32_t fourcc = 0;
    int32_t depth = 0;
    int32_t faces = 1;
    // Streams with the DX10 header (fourCC "DX10"): its five words.
    bool dx10 = false;
    uint32_t dxgi_format = 0;
    uint32_t dx10_dimension = 0;
    uint32_t dx10_misc = 0;
    uint32_t dx10_array_size = 0;
    uint32_t dx10_alpha_mode = 0;
    // KTX2 files: the header's Vulkan format and type size, what the data
    // format descriptor says of the colours, and KTXwriter's value ("" when
    // the file has none).
    uint32_t vk_format = 0;
    uint32_t type_size = 0;
    int32_t colour_model = 0;
    int32_t primaries = 0;
    int32_t transfer = 0;
    std::string writer;
    int32_t palette_entries = 0;           // 256 or 16 for codes 10 and 14
    std::vector<int64_t> palette_offsets;  // one per face
    std::vector<TexLevel> levels;          // face by face, largest first
    std::string note;                      // something worth telling that is not an error
    std::vector<uint8_t> bytes;            // the whole file
};

// Reads and checks a file. False with a reason (for the user, without the
// file name) when it cannot be read or does not agree with its header.
bool read_tex_file(const std::string& path, TexFile& out, std::string& error);

// The same check on bytes already in memory (the name is only recorded).
bool parse_tex_bytes(const std::string& name, std::vector<uint8_t> bytes, TexFile& out,
                     std::string& error);

// Largest file the readers accept, and largest side.
constexpr int64_t TEXFILE_MAX_BYTES = int64_t{1} << 30;
constexpr int32_t TEXFILE_MAX_SIDE = 32767;

// The library's chain of level sizes from w x h: each side halved with
// (side + 1) / 2 until 1 x 1, at most `limit` levels (0 = no limit).
std::vector<std::pair<int32_t, int32_t>> tex_chain(int32_t w, int32_t h, int32_t limit = 0);

// The format code a stream's 32-byte pixel-format block describes, or -1.
// Codes 0 and 1 share one block; 0 is given for both.
int32_t tex_format_from_pixel_format(const uint8_t block[32]);

// Lower-case name of a format code ("dxt1", "rgb888", ...), "?" outside 0..22.
const char* tex_format_name(int32_t format);

// ---------------------------------------------------------------------------
// Decoding.
// ---------------------------------------------------------------------------
// A decoded level: `channels` bytes per pixel, rows packed top to bottom:
// 1 = grey (a8: the alpha value), 2 = grey + alpha (a8l8), 3 = R, G, B,
// 4 = R, G, B, A. Volume slices are placed side by side (width = slice width
// x slices).
struct TexImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;
    std::vector<uint8_t> pixels;
};

// Channels the levels of a file decode to: its format's (see TexDecoding);
// tile files always 3.
int32_t tex_channels(const TexFile& file);

// Decodes level `level` (an index into file.levels). False with a reason
// when memory runs out. The interpolated colours of DXT1/3/5 blocks are read
// as the encoder builds them (rounded to nearest); `reading` Truncate reads
// them as truncating decoders do, for comparisons with such decoders (Exact
// gives the nearest 8-bit values, which is Nearest).
bool decode_tex_level(const TexFile& file, size_t level, TexImage& out, std::string& error,
                      BlockDecoder reading = BlockDecoder::Nearest);

// One slice of a level as it is stored: exactly texture_level_size(format,
// width, height) bytes, and for the palettised formats the face's palette
// (R, G, B, A entries).
struct TexSlice {
    const uint8_t* data = nullptr;
    int64_t size = 0;
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* palette = nullptr;
    BlockDecoder reading = BlockDecoder::Nearest;  // of the block formats' colour palettes
};
// Decodes a slice into width x height pixels of its format's channels. The
// ASTC decoders, which go through the ASTC library, throw std::bad_alloc when
// it has no memory and std::runtime_error when it fails otherwise;
// decode_tex_slice and decode_tex_level turn both into their reason.
using TexDecoder = void (*)(const TexSlice& slice, uint8_t* out);

// The reading side of a format code, one row per code beside the
// compression library's table (texture_format_info): what a new format
// adds to be read. Channels as TexImage: 1 grey, 2 grey + alpha, 3 R, G, B,
// 4 R, G, B, A.
struct TexDecoding {
    TextureFormat format;
    int32_t channels;
    TexDecoder decode;
};
// The row of a format code; nullptr outside 0..22.
const TexDecoding* tex_decoding(int32_t format);

// One slice of `level` of `file` decoded from `slice` into `out`, which
// holds width x height x tex_channels(file) bytes: what decode_tex_level does
// for each slice. False with a reason when memory runs out or the ASTC
// library fails.
bool decode_tex_slice(const TexFile& file, const TexSlice& slice, uint8_t* out, std::string& error);

// One BC7 block (16 bytes) into its 16 texels, row order, R, G, B, A.
void decode_bc7_block(const uint8_t in[16], uint8_t out[16][4]);
