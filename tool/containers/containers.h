// containers: one mip chain of the compression library as a file that other
// programs and engines open: KTX2 (Khronos KTX 2.0) or DDS.
//
// The caller hands in the levels exactly as compress_texture emits them,
// largest first (a tile that stores from level 1 or 2 hands in its stored
// levels: the file's level 0 is the first of them). The library checks the
// chain against its sizes, puts the container's header before it and, for
// the uncompressed formats, rewrites the pixels into the container's byte
// order. The facts of the KTX2 layout and where each was checked:
// docs/KTX2.md.
//
// What the caller hands in, per format:
//
//   dxt1      the blocks as they are. KTX2: BC1_RGB_UNORM_BLOCK (131).
//             DDS: the library's own header, fourCC "DXT1".
//   bc7       the blocks as they are. KTX2: BC7_UNORM_BLOCK (145). DDS: the
//             library's own header with the DX10 header, format number 98,
//             alpha mode straight, or opaque when MipChain::opaque says so.
//   rgb888    3 bytes a pixel, in the order MipChain::order names. KTX2:
//             R8G8B8_UNORM (23), bytes R, G, B. DDS: 32-bit R8G8B8A8 pixels
//             (DDS_RGBA32_PIXEL_FORMAT), bytes R, G, B, A, alpha 255 added.
//   argb8888  4 bytes a pixel, in the order MipChain::order names. KTX2:
//             R8G8B8A8_UNORM (37), bytes R, G, B, A. DDS: as rgb888, the
//             alpha kept.
//
// The block formats' colours are whatever the blocks decode to: the blocks
// must be made from levels whose bytes are B, G, R(, A), as razivavu-texture
// hands its pictures in, and as the tool's DXT1 tiles have them (an R, G, B
// picture with g_b_swap_rgb, TILE_FILE_BLOCKS).
//
// Every format is written UNORM with a linear transfer: the numbers stored
// are the picture's bytes, which a reader hands to the shader unchanged, as
// the tile files and DDS files always did (see docs/KTX2.md).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "texcomp/texcomp.h"

enum class Container : int32_t { Ktx2 = 0, Dds = 1 };
// "KTX2", "DDS".
const char* container_name(Container container);

// Where red lies in the levels of the uncompressed formats (rgb888,
// argb8888). compress_texture writes the picture's first colour byte first,
// so the order is the one the picture was handed in, exchanged by
// g_b_swap_rgb.
enum class ColourOrder : int32_t {
    // B, G, R(, A): the order the formats' own headers name; razivavu-texture's
    // levels (a picture handed in blue first) without g_b_swap_rgb.
    BlueFirst = 0,
    // R, G, B(, A): the tool's 24-bit tile files (TILE_FILE_RGB: an R, G, B
    // picture without the exchange).
    RedFirst = 1,
};

// One mip chain as the compression library emits it.
struct MipChain {
    TextureFormat format = TextureFormat::Dxt1;
    int32_t width = 0;   // of the first stored level
    int32_t height = 0;  // of the first stored level
    int32_t levels = 0;  // stored levels: the first one and every next smaller one
    // The levels back to back, largest first, as emitted: `size` bytes.
    const uint8_t* bytes = nullptr;
    int64_t size = 0;
    ColourOrder order = ColourOrder::BlueFirst;  // rgb888 and argb8888 only
    // Every alpha is 255 (a picture without alpha): a DDS of bc7 says so in
    // its alpha mode (opaque rather than straight).
    bool opaque = false;
};

// ---------------------------------------------------------------------------
// The formats. Two tables: the KTX2 layouts keyed by their Vulkan number,
// and the library's formats with their form in each container. A format the
// library does not make yet has its layout row already; making it writable is
// one row in the second table.
// ---------------------------------------------------------------------------
// The Vulkan formats razivavu's KTX2 files use and what their data format
// descriptor says of them.
struct Ktx2Layout {
    uint32_t vk_format;
    const char* vk_name;  // without the "VK_FORMAT_" before it: "BC1_RGB_UNORM_BLOCK"
    uint8_t block_width;  // texels of one block (1 x 1 for the pixel formats)
    uint8_t block_height;
    uint8_t block_bytes;  // bytes of one block (of one pixel)
    uint8_t type_size;    // the header's typeSize: bytes of the type a reader uploads in
    uint8_t colour_model;
    // One sample per channel of 8 bits for the pixel formats (channel ids in
    // byte order), one sample over the whole block for the block formats.
    uint8_t samples;
    uint8_t channel_ids[4];
};

enum class DdsForm : uint8_t {
    None = 0,       // no DDS reader knows these blocks: refused
    LibraryHeader,  // the header compress_texture writes for the format (DX10 where it has one)
    Rgba32,         // 32-bit R8G8B8A8 pixels (DDS_RGBA32_PIXEL_FORMAT)
};

struct ContainerFormat {
    TextureFormat format;
    uint32_t vk_format;  // its Ktx2Layout row
    DdsForm dds;
};

// The DDS pixel-format block of 32-bit pixels stored R, G, B, A: the one
// layout of eight-bit pixels with alpha that every DDS reader takes.
constexpr TexturePixelFormat DDS_RGBA32_PIXEL_FORMAT = {
    0x41, 0, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};

// The KTX2 facts the writer and texfile's reader share (docs/KTX2.md says
// where each was checked).
constexpr uint8_t KTX2_IDENTIFIER[12] = {0xAB, 0x4B, 0x54, 0x58, 0x20, 0x32,
                                         0x30, 0xBB, 0x0D, 0x0A, 0x1A, 0x0A};
// The identifier, nine words (vkFormat .. supercompressionScheme) and the
// index (four words, two eight-byte words).
constexpr int64_t KTX2_HEADER_BYTES = 80;
constexpr int64_t KTX2_LEVEL_ENTRY_BYTES = 24;  // byteOffset, byteLength, uncompressedByteLength
constexpr uint32_t KTX2_SUPERCOMPRESSION_NONE = 0;
constexpr uint32_t KTX2_DFD_VERSION = 2;      // of the basic descriptor block
constexpr int64_t KTX2_DFD_BLOCK_BYTES = 24;  // the basic block before its samples
constexpr int64_t KTX2_DFD_SAMPLE_BYTES = 16;
constexpr uint8_t KTX2_MODEL_RGBSDA = 1;
constexpr uint8_t KTX2_MODEL_BC1A = 128;
constexpr uint8_t KTX2_MODEL_BC7 = 134;
constexpr uint8_t KTX2_MODEL_ASTC = 162;
constexpr uint8_t KTX2_PRIMARIES_BT709 = 1;
constexpr uint8_t KTX2_TRANSFER_LINEAR = 1;
constexpr uint8_t KTX2_TRANSFER_SRGB = 2;
constexpr uint8_t KTX2_ALPHA_STRAIGHT = 0;  // the descriptor's flags
constexpr const char* KTX2_WRITER_KEY = "KTXwriter";

// The row of a format; nullptr when no container here holds it.
const ContainerFormat* container_format(TextureFormat format);
// The row whose KTX2 layout is `vk_format`; nullptr when none.
const ContainerFormat* container_format_of_vk(uint32_t vk_format);
// The layout of a Vulkan number; nullptr when it is not in the table.
const Ktx2Layout* ktx2_layout(uint32_t vk_format);
// Every layout row; `count` receives their number.
const Ktx2Layout* ktx2_layouts(int32_t* count);

// ---------------------------------------------------------------------------
// Writing.
// ---------------------------------------------------------------------------
// Empty when `format` has a form in `container`; otherwise the reason, for
// the user ("dxt5 has no KTX2 form here: KTX2 files take dxt1, argb8888,
// rgb888 and bc7").
std::string container_format_refusal(Container container, TextureFormat format);

// Empty when `chain` can be written as `container`; otherwise the reason:
// its format has no form there, a side outside 1 .. 32767, no level, more
// levels than a chain from its sizes has, level sizes other than each side
// halved rounding down (max(1, side >> k), what both containers' readers
// compute: the library rounds up, so sides that are not powers of two give
// other sizes from level 1 on), or bytes other than those levels hold.
std::string container_chain_refusal(Container container, const MipChain& chain);

// The file's size in bytes; 0 when the chain is refused.
int64_t container_file_size(Container container, const MipChain& chain);

// Receives the file's bytes in order; false stops the writing (a failed
// write, whose reason the receiver keeps).
using ContainerSink = bool (*)(const uint8_t* bytes, size_t count, void* user);

enum class ContainerResult : int32_t {
    Written = 0,
    Refused,     // the reason is container_chain_refusal's
    SinkFailed,  // the sink said false; what it took is no whole file
    NoMemory,    // container_bytes only: the file did not fit in memory
};

// Writes the whole file through `sink`. The reason of a refusal goes to
// `reason` when it is not null.
ContainerResult write_container(Container container, const MipChain& chain, ContainerSink sink,
                                void* user, std::string* reason);

// The whole file in `out`.
ContainerResult container_bytes(Container container, const MipChain& chain,
                                std::vector<uint8_t>& out, std::string* reason);
