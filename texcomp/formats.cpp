// The 17 output formats as data, level sizes, and the stream header.
//
// The header is built as a SurfaceDesc and written byte by byte in
// little-endian order, so the stream is the same on every host.
#include "texcomp/pipeline.h"

namespace {

constexpr uint32_t FOURCC_DXT1 = 0x31545844;
constexpr uint32_t FOURCC_DXT3 = 0x33545844;
constexpr uint32_t FOURCC_DXT5 = 0x35545844;

constexpr SurfacePixelFormat block_pf(uint32_t fourcc) { return {32, 4, fourcc, 0, 0, 0, 0, 0}; }

constexpr SurfacePixelFormat plain_pf(uint32_t flags, uint32_t fourcc, uint32_t bits, uint32_t r,
                                      uint32_t g, uint32_t b, uint32_t a) {
    return {32, flags, fourcc, bits, r, g, b, a};
}

// One row per format code: block mode, bytes per pixel, pixel-format block.
// Codes 12 and 15 carry plain numbers (117, 63) in the FourCC word.
constexpr FormatInfo FORMATS[FORMAT_CODE_COUNT] = {
    {BLOCK_MODE_OPAQUE, 0, block_pf(FOURCC_DXT1)},
    {BLOCK_MODE_CUTOUT, 0, block_pf(FOURCC_DXT1)},
    {BLOCK_MODE_EXPLICIT_ALPHA, 0, block_pf(FOURCC_DXT3)},
    {BLOCK_MODE_INTERP_ALPHA, 0, block_pf(FOURCC_DXT5)},
    {-1, 2, plain_pf(0x41, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000)},
    {-1, 2, plain_pf(0x41, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000)},
    {-1, 2, plain_pf(0x40, 0, 16, 0xF800, 0x07E0, 0x001F, 0)},
    {-1, 4, plain_pf(0x41, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)},
    {-1, 3, plain_pf(0x40, 0, 24, 0x00FF0000, 0x0000FF00, 0x000000FF, 0)},
    {-1, 2, plain_pf(0x40, 0, 16, 0x7C00, 0x03E0, 0x001F, 0)},
    {-1, 1, plain_pf(0x20, 0, 8, 0, 0, 0, 0)},
    {-1, 2, plain_pf(0x00080000, 0, 16, 0x00FF, 0xFF00, 0, 0)},
    {-1, 2, plain_pf(0x04, 117, 16, 0x00FF, 0xFF00, 0, 0)},
    {-1, 1, plain_pf(0x02, 0, 8, 0, 0, 0, 0xFF)},
    {-1, 0, plain_pf(0x08, 0, 4, 0, 0, 0, 0)},
    {-1, 4, plain_pf(0x04, 63, 0, 0, 0, 0, 0)},
    {-1, 2, plain_pf(0x00020001, 0, 16, 0x00FF, 0, 0, 0xFF00)},
};

void put32(uint8_t* out, uint32_t v) {
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
    out[2] = static_cast<uint8_t>(v >> 16);
    out[3] = static_cast<uint8_t>(v >> 24);
}

void emit_header(TextureCompressor& tc, const SurfaceDesc& desc) {
    uint8_t magic[4];
    put32(magic, STREAM_MAGIC);
    sink_trampoline(&tc, 4, magic);
    uint8_t bytes[SURFACE_DESC_BYTES];
    surface_desc_to_bytes(desc, bytes);
    sink_trampoline(&tc, static_cast<int32_t>(SURFACE_DESC_BYTES), bytes);
}

}  // namespace

const FormatInfo& format_info(int32_t code) { return FORMATS[code]; }

bool is_block_format(int32_t code) { return code >= 0 && code <= 3; }

bool is_palettised_format(int32_t code) { return code == 10 || code == 14; }

int64_t level_byte_size(int32_t code, int32_t w, int32_t h) {
    if (code < 0 || code >= FORMAT_CODE_COUNT) return 0;  // no layout, no bytes
    if (is_block_format(code)) return block_data_size(w, h, FORMATS[code].block_mode);
    const int64_t pixels = static_cast<int64_t>(w) * h;
    if (code == 14) return (pixels + 1) / 2;
    return pixels * FORMATS[code].bytes_per_pixel;
}

int32_t chain_length(int32_t w, int32_t h) {
    uint32_t m = static_cast<uint32_t>(w > h ? w : h);
    int32_t digits = 0;
    while (m) {
        ++digits;
        m >>= 1;
    }
    return digits;
}

SurfaceDesc surface_header(const TextureSettings& s, int32_t w, int32_t h, int32_t depth,
                           uint32_t linear_size, const SurfacePixelFormat& pixel_format) {
    const bool no_chain = s.g_mip_map_type == 32;
    const bool cube = s.g_texturemap_type == 1;
    const bool volume = s.g_texturemap_type == 2;
    SurfaceDesc d{};
    d.size = 124;
    d.flags = no_chain ? 0x00081007u : 0x000A1007u;
    if (volume) d.flags |= 0x00800000u;
    d.height = static_cast<uint32_t>(h);
    d.width = static_cast<uint32_t>(w);
    d.linear_size = linear_size;
    d.depth = volume ? static_cast<uint32_t>(depth) : 0u;
    if (!no_chain) {
        // A volume whose depth exceeds its sides goes on halving the depth
        // after the sides reached 1, so its chain follows the depth.
        int32_t count = chain_length(w, h);
        if (volume && chain_length(depth, 1) > count) count = chain_length(depth, 1);
        if (s.g_specified_mip_maps > 0 && s.g_specified_mip_maps < count)
            count = s.g_specified_mip_maps;
        d.mip_count = static_cast<uint32_t>(count);
    }
    d.pixel_format = pixel_format;
    d.caps1 = no_chain ? 0x00001000u : 0x00401008u;
    if (cube) d.caps1 |= 0x00000008u;
    d.caps2 = cube ? 0x0000FE00u : (volume ? 0x00200000u : 0u);
    d.surface = nullptr;
    return d;
}

void write_block_header(TextureCompressor& tc, int32_t w, int32_t h, int32_t depth,
                        int32_t block_mode, uint32_t linear_size) {
    // Mode codes 0 and 2 are both DXT1 layouts; the alpha half picks 3 or 5.
    uint32_t fourcc = FOURCC_DXT1;
    if (block_mode == BLOCK_MODE_EXPLICIT_ALPHA) fourcc = FOURCC_DXT3;
    if (block_mode == BLOCK_MODE_INTERP_ALPHA) fourcc = FOURCC_DXT5;
    emit_header(tc, surface_header(tc.settings, w, h, depth, linear_size, block_pf(fourcc)));
}

void write_pixel_header(TextureCompressor& tc, int32_t w, int32_t h, int32_t depth,
                        uint32_t linear_size, int32_t code) {
    SurfacePixelFormat pf{};
    pf.pf_size = 32;
    if (code >= 4 && code < FORMAT_CODE_COUNT) pf = FORMATS[code].pixel_format;
    emit_header(tc, surface_header(tc.settings, w, h, depth, linear_size, pf));
}
