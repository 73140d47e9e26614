// How the block encoder reads its source descriptor and fills its output
// descriptor: channel masks, the cutout threshold and the call checks.
#include <cstdint>

#include "blocks/block_encoder.h"

ChannelMask channel_mask(uint32_t mask) {
    ChannelMask c;
    c.mask = mask;
    if (mask == 0) return c;
    c.shift = __builtin_ctz(mask);
    c.max = mask >> c.shift;
    return c;
}

double channel_value(const ChannelMask& c, uint32_t word) {
    if (c.max == 0) return 0.0;
    // Divided rather than multiplied by a reciprocal: 255 / 255 must be
    // exactly 1 and every value must land where a decoder expects it.
    return double((word & c.mask) >> c.shift) / double(c.max);
}

uint32_t cutout_threshold_word(const ChannelMask& alpha) {
    // Scaled in 64 bits so that a 32-bit alpha mask cannot overflow; for the
    // usual 8-bit mask this is 128 << 24: alpha 128 is still transparent.
    const uint64_t t = (uint64_t(alpha.max) * cutout_threshold) / 255;
    return uint32_t(t << alpha.shift);
}

void fill_output_desc(const SurfaceDesc& src, SurfaceDesc& out, uint8_t* buffer, int32_t size) {
    out.flags = 0x81806;
    out.height = src.height;
    out.width = src.width;
    out.linear_size = uint32_t(size);
    out.surface = buffer;
    out.pixel_format.pf_size = 32;
    out.pixel_format.pf_flags = (src.flags & 1) != 0 ? 5 : 4;
    // A placeholder: the stream's own header carries the real FourCC.
    out.pixel_format.fourcc = 0x12345678;
    out.pixel_format.bit_count = 0;
}

int check_encode_call(const SurfaceDesc& src, const uint8_t* buffer, int mode, int32_t size) {
    if (mode != BLOCK_MODE_OPAQUE && mode != BLOCK_MODE_CUTOUT &&
        mode != BLOCK_MODE_EXPLICIT_ALPHA && mode != BLOCK_MODE_INTERP_ALPHA)
        return BLOCKS_REFUSED;
    if (src.width == 0 || src.height == 0) return BLOCKS_OK;
    if (src.surface == nullptr || buffer == nullptr) return BLOCKS_REFUSED;
    // The encoder writes whole blocks; a short buffer would be overrun.
    const int64_t per_block = block_bytes_for(mode);
    const int64_t needed =
        per_block * ((int64_t(src.width) + 3) / 4) * ((int64_t(src.height) + 3) / 4);
    return size >= 0 && int64_t(size) >= needed ? BLOCKS_OK : BLOCKS_REFUSED;
}
