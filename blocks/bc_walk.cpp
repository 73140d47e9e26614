// The level walk of the newer block layouts: BC4 (one channel), BC5 (red
// and green) and BC7. Each block is fitted on its own 16 pixels.
//
// BC4 and BC5 are the interpolated alpha half of DXT5 put to other
// channels, so they take its search (alpha.h): pixels outside a small level
// are left out of the fit. BC7 sees such pixels as copies of the nearest
// pixel inside, which costs the fit nothing.
#include "blocks/alpha.h"
#include "blocks/bc7.h"
#include "blocks/block_encoder.h"

namespace {

struct BlockPixels {
    int rgba[16][4];  // clamped to the level's edge
    bool inside[16];
};

void gather_pixels(const BlockLevel& level, int64_t x0, int64_t y0, BlockPixels& out) {
    const ChannelOffsets at = channel_offsets(level.order);
    for (int p = 0; p < 16; ++p) {
        int64_t x = x0 + (p & 3), y = y0 + (p >> 2);
        out.inside[p] = x < level.width && y < level.height;
        if (x >= level.width) x = level.width - 1;
        if (y >= level.height) y = level.height - 1;
        const uint8_t* px = level.pixels + y * level.pitch + 4 * x;
        out.rgba[p][0] = px[at.r];
        out.rgba[p][1] = px[at.g];
        out.rgba[p][2] = px[at.b];
        out.rgba[p][3] = px[at.a];
    }
}

int single_value(const int rgba[4], int channel) {
    switch (static_cast<SingleChannel>(channel)) {
        case SingleChannel::Red:
            return rgba[0];
        case SingleChannel::Green:
            return rgba[1];
        case SingleChannel::Blue:
            return rgba[2];
        case SingleChannel::Alpha:
            return rgba[3];
        default:
            break;
    }
    // The usual luma weights, in 256ths, rounded.
    return (77 * rgba[0] + 150 * rgba[1] + 29 * rgba[2] + 128) >> 8;
}

// One BC4 block of channel values (-1 for a pixel outside the level).
void encode_channel(const BlockPixels& b, int channel_of, bool luma_or_pick, int quick,
                    AlphaSamples& work, uint8_t out[8]) {
    int values[16];
    for (int p = 0; p < 16; ++p)
        values[p] = !b.inside[p]   ? -1
                    : luma_or_pick ? single_value(b.rgba[p], channel_of)
                                   : b.rgba[p][channel_of];
    encode_interp_alpha(values, 255, quick, work, out);
}

}  // namespace

void encode_bc_rows(const BlockLevel& level, const BlockCallOptions& o, int32_t first_row,
                    int32_t row_count, uint8_t* out) {
    AlphaSamples work;
    BlockPixels b;
    walk_blocks(level.width, first_row, row_count, o.mode, out,
                [&](int64_t x0, int64_t y0, uint8_t* block) {
                    gather_pixels(level, x0, y0, b);
                    if (o.mode == BLOCK_MODE_BC4) {
                        encode_channel(b, o.single_channel, true, o.quick, work, block);
                    } else if (o.mode == BLOCK_MODE_BC5) {
                        encode_channel(b, 0, false, o.quick, work, block);
                        encode_channel(b, 1, false, o.quick, work, block + 8);
                    } else {
                        encode_bc7_block(b.rgba, o.quality, block);
                    }
                });
}
