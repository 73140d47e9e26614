// The format table, level sizes, and the stream header.
//
// The header is built as a SurfaceDesc and written byte by byte in
// little-endian order, so the stream is the same on every host.
#include "texcomp/pipeline.h"

namespace {

constexpr uint32_t FOURCC_DXT1 = 0x31545844;
constexpr uint32_t FOURCC_DXT3 = 0x33545844;
constexpr uint32_t FOURCC_DXT5 = 0x35545844;
// The DX10 header's numbers of the unsigned, linear BC4, BC5 and BC7.
constexpr uint32_t DXGI_BC4_UNORM = 80;
constexpr uint32_t DXGI_BC5_UNORM = 83;
constexpr uint32_t DXGI_BC7_UNORM = 98;
// DDS has no format number for ASTC, neither a FourCC nor one of the DX10
// header. Its streams carry FourCCs of this library's own instead, "AS"
// and the block's sides, which no DDS reader takes for a format it knows:
// such a reader refuses the stream rather than showing wrong pixels.
constexpr uint32_t fourcc(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t FOURCC_ASTC_4X4 = fourcc('A', 'S', '4', '4');
constexpr uint32_t FOURCC_ASTC_6X6 = fourcc('A', 'S', '6', '6');
constexpr uint32_t FOURCC_ASTC_8X8 = fourcc('A', 'S', '8', '8');

constexpr TexturePixelFormat block_pf(uint32_t fourcc) { return {4, fourcc, 0, 0, 0, 0, 0}; }

constexpr TexturePixelFormat plain_pf(uint32_t flags, uint32_t fourcc, uint32_t bits, uint32_t r,
                                      uint32_t g, uint32_t b, uint32_t a) {
    return {flags, fourcc, bits, r, g, b, a};
}

using F = TextureFormat;
using D = TextureDither;

// One row per format code, in code order. Codes 12 and 15 carry plain
// numbers (117, 63) in the FourCC word; codes 17 to 19 name "DX10" there and
// their format number in the 20 bytes that follow the surface header; codes
// 20 to 22 (ASTC) carry the library's own FourCCs above.
constexpr TextureFormatInfo FORMATS[TEXTURE_FORMAT_COUNT] = {
    {F::Dxt1, 0, "dxt1", BLOCK_MODE_OPAQUE, 0, 0, 0, D::Rgb565, block_pf(FOURCC_DXT1), nullptr, 0},
    {F::Dxt1a, 1, "dxt1a", BLOCK_MODE_CUTOUT, 0, 0, 0, D::Rgb565, block_pf(FOURCC_DXT1), nullptr,
     0},
    {F::Dxt3, 2, "dxt3", BLOCK_MODE_EXPLICIT_ALPHA, 0, 0, 0, D::Rgb565, block_pf(FOURCC_DXT3),
     nullptr, 0},
    {F::Dxt5, 3, "dxt5", BLOCK_MODE_INTERP_ALPHA, 0, 0, 0, D::Rgb565, block_pf(FOURCC_DXT5),
     nullptr, 0},
    {F::Argb4444, 4, "argb4444", -1, 16, 0, 0, D::Argb4444,
     plain_pf(0x41, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000), convert_argb4444, 0},
    {F::Argb1555, 5, "argb1555", -1, 16, 0, 0, D::Argb1555,
     plain_pf(0x41, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000), convert_argb1555, 0},
    {F::Rgb565, 6, "rgb565", -1, 16, 0, 0, D::Rgb565,
     plain_pf(0x40, 0, 16, 0xF800, 0x07E0, 0x001F, 0), convert_rgb565, 0},
    {F::Argb8888, 7, "argb8888", -1, 32, 0, 0, D::None,
     plain_pf(0x41, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000), convert_copy32, 0},
    {F::Rgb888, 8, "rgb888", -1, 24, 0, 0, D::None,
     plain_pf(0x40, 0, 24, 0x00FF0000, 0x0000FF00, 0x000000FF, 0), convert_rgb888, 0},
    {F::Xrgb1555, 9, "xrgb1555", -1, 16, 0, 0, D::Xrgb1555,
     plain_pf(0x40, 0, 16, 0x7C00, 0x03E0, 0x001F, 0), convert_xrgb1555, 0},
    {F::P8, 10, "p8", -1, 8, 1, 0, D::None, plain_pf(0x20, 0, 8, 0, 0, 0, 0), nullptr, 0},
    {F::V8u8, 11, "v8u8", -1, 16, 0, 1, D::None, plain_pf(0x00080000, 0, 16, 0x00FF, 0xFF00, 0, 0),
     convert_red_green, 0},
    {F::Cxv8u8, 12, "cxv8u8", -1, 16, 0, 0, D::None, plain_pf(0x04, 117, 16, 0x00FF, 0xFF00, 0, 0),
     convert_red_green, 0},
    {F::A8, 13, "a8", -1, 8, 0, 0, D::None, plain_pf(0x02, 0, 8, 0, 0, 0, 0xFF), convert_alpha8, 0},
    {F::P4, 14, "p4", -1, 4, 1, 0, D::None, plain_pf(0x08, 0, 4, 0, 0, 0, 0), nullptr, 0},
    {F::Q8w8v8u8, 15, "q8w8v8u8", -1, 32, 0, 0, D::None, plain_pf(0x04, 63, 0, 0, 0, 0, 0),
     convert_copy32, 0},
    {F::A8l8, 16, "a8l8", -1, 16, 0, 0, D::None, plain_pf(0x00020001, 0, 16, 0x00FF, 0, 0, 0xFF00),
     convert_a8l8, 0},
    {F::Bc4, 17, "bc4", BLOCK_MODE_BC4, 0, 0, 0, D::None, block_pf(FOURCC_DX10), nullptr,
     DXGI_BC4_UNORM},
    {F::Bc5, 18, "bc5", BLOCK_MODE_BC5, 0, 0, 0, D::None, block_pf(FOURCC_DX10), nullptr,
     DXGI_BC5_UNORM},
    {F::Bc7, 19, "bc7", BLOCK_MODE_BC7, 0, 0, 0, D::None, block_pf(FOURCC_DX10), nullptr,
     DXGI_BC7_UNORM},
    {F::Astc4x4, 20, "astc4x4", BLOCK_MODE_ASTC_4X4, 0, 0, 0, D::None, block_pf(FOURCC_ASTC_4X4),
     nullptr, 0},
    {F::Astc6x6, 21, "astc6x6", BLOCK_MODE_ASTC_6X6, 0, 0, 0, D::None, block_pf(FOURCC_ASTC_6X6),
     nullptr, 0},
    {F::Astc8x8, 22, "astc8x8", BLOCK_MODE_ASTC_8X8, 0, 0, 0, D::None, block_pf(FOURCC_ASTC_8X8),
     nullptr, 0},
};

constexpr bool rows_in_code_order() {
    for (int32_t i = 0; i < TEXTURE_FORMAT_COUNT; ++i)
        if (FORMATS[i].code != i || static_cast<int32_t>(FORMATS[i].format) != i) return false;
    return true;
}
static_assert(rows_in_code_order(), "the table is indexed by format code");

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (lower(*a) != lower(*b)) return false;
    return *a == *b;
}

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

void surface_desc_to_bytes(const SurfaceDesc& d, uint8_t out[SURFACE_DESC_BYTES]) {
    const TexturePixelFormat& pf = d.pixel_format;
    const uint32_t head[7] = {d.size,        d.flags, d.height,   d.width,
                              d.linear_size, d.depth, d.mip_count};
    const uint32_t format[8] = {32,          pf.flags,      pf.fourcc,    pf.bit_count,
                                pf.red_mask, pf.green_mask, pf.blue_mask, pf.alpha_mask};
    const uint32_t tail[5] = {d.caps1, d.caps2, d.reserved2[0], d.reserved2[1], d.reserved2[2]};
    uint8_t* at = out;
    auto put = [&at](uint32_t v) {
        put32(at, v);
        at += 4;
    };
    for (uint32_t v : head) put(v);
    for (uint32_t v : d.reserved) put(v);
    for (uint32_t v : format) put(v);
    for (uint32_t v : tail) put(v);
}

const TextureFormatInfo* texture_format_info(int32_t code) {
    if (code < 0 || code >= TEXTURE_FORMAT_COUNT) return nullptr;
    return &FORMATS[code];
}

const TextureFormatInfo* texture_format_find(const char* name) {
    if (!name) return nullptr;
    for (const TextureFormatInfo& f : FORMATS)
        if (same_name(f.name, name)) return &f;
    return nullptr;
}

int64_t texture_level_size(int32_t code, int32_t w, int32_t h) {
    const TextureFormatInfo* f = texture_format_info(code);
    if (!f || w < 1 || h < 1) return 0;  // no layout, no bytes
    if (f->block_mode >= 0) return block_data_size(w, h, f->block_mode);
    // P4's half byte per pixel rounds up: two pixels a byte with no row
    // padding, so a level of odd area keeps its last pixel.
    return (static_cast<int64_t>(w) * h * f->bits_per_pixel + 7) / 8;
}

bool is_astc_format(int32_t code) {
    const TextureFormatInfo* f = texture_format_info(code);
    return f && is_astc_mode(f->block_mode);
}

int32_t texture_block_side(int32_t code) {
    const TextureFormatInfo* f = texture_format_info(code);
    return f && f->block_mode >= 0 ? block_side_for(f->block_mode) : 1;
}

bool is_block_format(int32_t code) {
    const TextureFormatInfo* f = texture_format_info(code);
    return f && f->block_mode >= 0;
}

bool is_palettised_format(int32_t code) {
    const TextureFormatInfo* f = texture_format_info(code);
    return f && f->palettised;
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
                           uint32_t linear_size, const TexturePixelFormat& pixel_format) {
    const bool no_chain = chain_mode(s) == MipChainMode::LevelZeroOnly;
    const bool cube = map_type(s) == TextureMapType::Cube;
    const bool volume = map_type(s) == TextureMapType::Volume;
    SurfaceDesc d{};
    d.size = SURFACE_DESC_BYTES;
    d.flags = SURFACE_HAS_CAPS | SURFACE_HAS_HEIGHT | SURFACE_HAS_WIDTH | SURFACE_HAS_PIXEL_FORMAT |
              SURFACE_HAS_LINEAR_SIZE;
    if (!no_chain) d.flags |= SURFACE_HAS_MIP_COUNT;
    if (volume) d.flags |= SURFACE_HAS_DEPTH;
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
    d.caps1 = CAPS1_TEXTURE;
    if (!no_chain || cube) d.caps1 |= CAPS1_COMPLEX;
    if (!no_chain) d.caps1 |= CAPS1_MIP_CHAIN;
    d.caps2 = cube ? CAPS2_ALL_FACES : (volume ? CAPS2_VOLUME : 0u);
    return d;
}

void write_stream_header(TextureCompressor& tc, int32_t code, int32_t w, int32_t h, int32_t depth) {
    const TextureFormatInfo* f = texture_format_info(code);
    const uint32_t linear = static_cast<uint32_t>(texture_level_size(code, w, h));
    // The block rows carry their FourCC in the table; a code outside the
    // table (refused before anything is emitted) would get an empty block.
    TexturePixelFormat pf{};
    if (f) pf = f->header;
    emit_header(tc, surface_header(tc.settings, w, h, depth, linear, pf));
    if (f && f->dxgi_format) {
        uint8_t extra[DX10_HEADER_BYTES];
        dx10_header_bytes(dx10_header(tc, code), extra);
        sink_trampoline(&tc, static_cast<int32_t>(DX10_HEADER_BYTES), extra);
    }
}

Dx10Header dx10_header(const TextureCompressor& tc, int32_t code) {
    const TextureFormatInfo* f = texture_format_info(code);
    const TextureMapType type = map_type(tc.settings);
    Dx10Header d{};
    d.dxgi_format = f ? f->dxgi_format : 0;
    d.dimension = type == TextureMapType::Volume ? DX10_TEXTURE_3D : DX10_TEXTURE_2D;
    d.misc_flag = type == TextureMapType::Cube ? DX10_CUBE : 0;
    d.array_size = 1;  // one texture, or one cube of six faces
    // BC7 carries the picture's alpha when it has one; BC4 and BC5 have no
    // alpha to speak of.
    if (code == static_cast<int32_t>(TextureFormat::Bc7))
        d.alpha_mode = tc.image.planes == 4 ? DX10_ALPHA_STRAIGHT : DX10_ALPHA_OPAQUE;
    else
        d.alpha_mode = DX10_ALPHA_UNKNOWN;
    return d;
}

void dx10_header_bytes(const Dx10Header& d, uint8_t out[DX10_HEADER_BYTES]) {
    const uint32_t words[5] = {d.dxgi_format, d.dimension, d.misc_flag, d.array_size, d.alpha_mode};
    for (int i = 0; i < 5; ++i) put32(out + 4 * i, words[i]);
}

int32_t texture_stream_header(const TextureStreamShape& shape,
                              uint8_t out[TEXTURE_STREAM_HEADER_MAX_BYTES]) {
    constexpr int32_t MAX_SIDE = 32767;
    const int32_t w = shape.width, h = shape.height;
    if (w < 1 || h < 1 || w > MAX_SIDE || h > MAX_SIDE || shape.levels < 1 ||
        shape.levels > chain_length(w, h))
        return 0;
    // The settings a call that made these levels would have had: a plain
    // texture, its chain cut at `levels`, or no chain for one level.
    TextureSettings s{};
    s.g_texturemap_type = static_cast<int32_t>(TextureMapType::Plain);
    s.g_mip_map_type = static_cast<int16_t>(shape.levels > 1 ? MipChainMode::Generated
                                                             : MipChainMode::LevelZeroOnly);
    s.g_specified_mip_maps = static_cast<int16_t>(shape.levels);
    put32(out, STREAM_MAGIC);
    surface_desc_to_bytes(surface_header(s, w, h, 0, shape.linear_size, shape.pixel_format),
                          out + 4);
    int32_t written = 4 + static_cast<int32_t>(SURFACE_DESC_BYTES);
    if (shape.dxgi_format != 0) {
        const Dx10Header d{shape.dxgi_format, DX10_TEXTURE_2D, 0, 1, shape.alpha_mode};
        dx10_header_bytes(d, out + written);
        written += static_cast<int32_t>(DX10_HEADER_BYTES);
    }
    return written;
}
