// blocks: 4x4 block compression of 32-bit levels (DXT1, DXT3, DXT5 layouts).
//
// encode_blocks is the one entry: it reads a level described by a source
// SurfaceDesc (32-bit words 0xAARRGGBB, `width` words per row) and writes
// block_data_size(width, height, mode) bytes, row of blocks by row of blocks.
// Every call works on its own records; the only shared data is read-only
// (a table built once on first use), so calls may run on several threads.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Surface descriptor: the 124-byte header that follows the "DDS " magic of a
// texture stream, and the in-memory level descriptor of the block encoder.
// The words are kept in their on-disk order; `surface` (the in-memory pixel
// or output pointer, stored at offset 36 in the original layout) is held
// beside them and is written as 0.
// ---------------------------------------------------------------------------
struct SurfacePixelFormat {
    uint32_t pf_size;
    uint32_t pf_flags;
    uint32_t fourcc;
    uint32_t bit_count;
    uint32_t red_mask;
    uint32_t green_mask;
    uint32_t blue_mask;
    uint32_t alpha_mask;
};

struct SurfaceDesc {
    uint32_t size;                    // 0
    uint32_t flags;                   // 4
    uint32_t height;                  // 8
    uint32_t width;                   // 12
    uint32_t linear_size;             // 16: pitch or linear size
    uint32_t depth;                   // 20
    uint32_t mip_count;               // 24
    uint32_t reserved[11];            // 28..71 (offset 36 is the surface slot)
    SurfacePixelFormat pixel_format;  // 72
    uint32_t caps1;                   // 104
    uint32_t caps2;                   // 108
    uint32_t reserved2[3];            // 112
    void* surface;                    // in memory only
};

constexpr size_t SURFACE_DESC_BYTES = 124;

// Writes the 124 bytes of the descriptor, little-endian, surface slot as 0.
void surface_desc_to_bytes(const SurfaceDesc& desc, uint8_t out[SURFACE_DESC_BYTES]);

// ---------------------------------------------------------------------------
// Mode codes: low byte = how colour samples are gathered, bits 8-15 = alpha half.
// ---------------------------------------------------------------------------
constexpr int BLOCK_MODE_OPAQUE = 0;
constexpr int BLOCK_MODE_CUTOUT = 2;
constexpr int BLOCK_MODE_EXPLICIT_ALPHA = 256;
constexpr int BLOCK_MODE_INTERP_ALPHA = 512;

// Bytes of a level of width x height in `mode`: 8 or 16 per 4x4 block.
int32_t block_data_size(int32_t width, int32_t height, int32_t mode);

// The standard channel weights (R, G, B) of the colour search; encode_blocks
// uses them when a call passes no weights.
constexpr float colour_weights[3] = {0.309f, 0.609f, 0.082f};
// Stores the weights r, g, b in `out`; with `normalise` set (and a length
// other than 0 or 1) they are divided by their length.
void make_colour_weights(float r, float g, float b, int normalise, float out[3]);

// Results of encode_blocks.
constexpr int BLOCKS_OK = 0;
constexpr int BLOCKS_REFUSED = -1;  // a call it cannot honour; nothing was written
// A readable reason for any result of encode_blocks; never null.
const char* block_result_message(int result);

// Encodes one level. Arguments in order: source descriptor (its `surface`
// points at the pixels; width and height may be raised to 4 by the
// neighbourhood variant), output descriptor, output buffer of `size` bytes,
// mode code, channel weights, output size, grey-scale flag, quick flag,
// force-four flag (mode 0 only), neighbourhood-variant flag, normal-map type.
// Returns BLOCKS_OK. A call it cannot honour (unknown mode code, missing
// pixels or buffer for a non-empty level, `size` below block_data_size)
// returns BLOCKS_REFUSED and writes nothing, so a short buffer is never
// overrun.
int encode_blocks(SurfaceDesc& src, SurfaceDesc& out, uint8_t* buffer, int mode,
                  const float* weights, int32_t size, int grey_scale, int quick, int force_four,
                  int error_diffusion, int normalmap_type);
