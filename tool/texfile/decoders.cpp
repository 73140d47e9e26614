// The reading side of the format table: one row per format code, beside
// texcomp's rows (texture_format_info), naming the channels a level decodes
// to and its decoder. The uncompressed layouts' decoders are here; the block
// and palettised ones are in decode_blocks.cpp and decode_palette.cpp.
//
// Narrow fields are widened by repeating their top bits (4 bits: times 17),
// so a channel that the format holds whole comes back unchanged. The
// two-channel layouts (v8u8, cxv8u8) show their channels as red and green;
// a8 decodes to one grey channel holding the alpha; a8l8 to grey and alpha.
#include "texfile/readers.h"

namespace {

uint8_t widen5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
uint8_t widen6(uint32_t v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }
uint8_t widen4(uint32_t v) { return static_cast<uint8_t>(v * 17); }
uint32_t word16(const uint8_t* p) { return p[0] | p[1] << 8; }

// One pixel of `Bytes` stored bytes into its decoded channels.
using PixelDecoder = void (*)(const uint8_t* in, uint8_t* out);

template <int Bytes, int Channels, PixelDecoder Pixel>
void decode_plain(const TexSlice& slice, uint8_t* out) {
    const int64_t pixels = int64_t{slice.width} * slice.height;
    for (int64_t i = 0; i < pixels; ++i) Pixel(slice.data + Bytes * i, out + Channels * i);
}

template <int Bytes, int Channels, PixelDecoder Pixel>
constexpr TexDecoding plain(TextureFormat format) {
    return {format, Channels, decode_plain<Bytes, Channels, Pixel>};
}

void argb4444(const uint8_t* in, uint8_t* out) {
    const uint32_t v = word16(in);
    out[0] = widen4((v >> 8) & 15);
    out[1] = widen4((v >> 4) & 15);
    out[2] = widen4(v & 15);
    out[3] = widen4(v >> 12);
}

void argb1555(const uint8_t* in, uint8_t* out) {
    const uint32_t v = word16(in);
    out[0] = widen5((v >> 10) & 31);
    out[1] = widen5((v >> 5) & 31);
    out[2] = widen5(v & 31);
    out[3] = (v & 0x8000) ? 255 : 0;
}

void rgb565(const uint8_t* in, uint8_t* out) {
    const uint32_t v = word16(in);
    out[0] = widen5(v >> 11);
    out[1] = widen6((v >> 5) & 63);
    out[2] = widen5(v & 31);
}

void xrgb1555(const uint8_t* in, uint8_t* out) {
    const uint32_t v = word16(in);
    out[0] = widen5((v >> 10) & 31);
    out[1] = widen5((v >> 5) & 31);
    out[2] = widen5(v & 31);
}

// B, G, R(, A) in memory.
void bgra(const uint8_t* in, uint8_t* out) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    out[3] = in[3];
}

void bgr(const uint8_t* in, uint8_t* out) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
}

void red_green(const uint8_t* in, uint8_t* out) {
    out[0] = in[0];
    out[1] = in[1];
    out[2] = 0;
}

void one_byte(const uint8_t* in, uint8_t* out) { out[0] = in[0]; }

void two_bytes(const uint8_t* in, uint8_t* out) {
    out[0] = in[0];
    out[1] = in[1];
}

using F = TextureFormat;

// One row per format code, in code order.
constexpr TexDecoding DECODINGS[] = {
    {F::Dxt1, 4, decode_dxt1},
    {F::Dxt1a, 4, decode_dxt1},
    {F::Dxt3, 4, decode_dxt3},
    {F::Dxt5, 4, decode_dxt5},
    plain<2, 4, argb4444>(F::Argb4444),
    plain<2, 4, argb1555>(F::Argb1555),
    plain<2, 3, rgb565>(F::Rgb565),
    plain<4, 4, bgra>(F::Argb8888),
    plain<3, 3, bgr>(F::Rgb888),
    plain<2, 3, xrgb1555>(F::Xrgb1555),
    {F::P8, 4, decode_p8},
    plain<2, 3, red_green>(F::V8u8),
    plain<2, 3, red_green>(F::Cxv8u8),
    plain<1, 1, one_byte>(F::A8),
    {F::P4, 4, decode_p4},
    plain<4, 4, bgra>(F::Q8w8v8u8),
    plain<2, 2, two_bytes>(F::A8l8),
    {F::Bc4, 1, decode_bc4},
    {F::Bc5, 3, decode_bc5},
    {F::Bc7, 4, decode_bc7},
    {F::Astc4x4, 4, decode_astc_4x4},
    {F::Astc6x6, 4, decode_astc_6x6},
    {F::Astc8x8, 4, decode_astc_8x8},
};

constexpr bool rows_in_code_order() {
    if (sizeof(DECODINGS) / sizeof(DECODINGS[0]) != TEXTURE_FORMAT_COUNT) return false;
    for (int32_t i = 0; i < TEXTURE_FORMAT_COUNT; ++i)
        if (static_cast<int32_t>(DECODINGS[i].format) != i) return false;
    return true;
}
static_assert(rows_in_code_order(), "every format code has its decoding, in code order");

}  // namespace

const TexDecoding* tex_decoding(int32_t format) {
    if (format < 0 || format >= TEXTURE_FORMAT_COUNT) return nullptr;
    return &DECODINGS[format];
}
