// The surface descriptor's byte layout, level sizes and channel weights.
#include <cmath>

#include "blocks/blocks.h"

namespace {
void put32(uint8_t* out, uint32_t v) {
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
    out[2] = static_cast<uint8_t>(v >> 16);
    out[3] = static_cast<uint8_t>(v >> 24);
}
}  // namespace

void surface_desc_to_bytes(const SurfaceDesc& d, uint8_t out[SURFACE_DESC_BYTES]) {
    const uint32_t words[31] = {d.size,
                                d.flags,
                                d.height,
                                d.width,
                                d.linear_size,
                                d.depth,
                                d.mip_count,
                                d.reserved[0],
                                d.reserved[1],
                                0,  // the in-memory surface pointer never reaches a stream
                                d.reserved[3],
                                d.reserved[4],
                                d.reserved[5],
                                d.reserved[6],
                                d.reserved[7],
                                d.reserved[8],
                                d.reserved[9],
                                d.reserved[10],
                                d.pixel_format.pf_size,
                                d.pixel_format.pf_flags,
                                d.pixel_format.fourcc,
                                d.pixel_format.bit_count,
                                d.pixel_format.red_mask,
                                d.pixel_format.green_mask,
                                d.pixel_format.blue_mask,
                                d.pixel_format.alpha_mask,
                                d.caps1,
                                d.caps2,
                                d.reserved2[0],
                                d.reserved2[1],
                                d.reserved2[2]};
    for (int i = 0; i < 31; ++i) put32(out + 4 * i, words[i]);
}

int32_t block_data_size(int32_t width, int32_t height, int32_t mode) {
    const int32_t per_block = (mode & 0xFF00) == 0 ? 8 : 16;
    return per_block * ((width + 3) / 4) * ((height + 3) / 4);
}

void make_colour_weights(float r, float g, float b, int normalise, float out[3]) {
    out[0] = r;
    out[1] = g;
    out[2] = b;
    if (!normalise) return;
    const float length = std::sqrt(r * r + g * g + b * b);
    if (length != 0.0f && length != 1.0f) {
        out[0] = r / length;
        out[1] = g / length;
        out[2] = b / length;
    }
}
