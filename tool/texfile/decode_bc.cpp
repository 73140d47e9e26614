// The one- and two-channel block layouts: BC4 (8 bytes a block, grey) and
// BC5 (two BC4 blocks: red, then green; blue 0). A block is two end points
// and sixteen 3-bit codes; the end points' order picks eight steps between
// them or six and the two extremes, as the DXT5 alpha half does.
#include "texfile/readers.h"

namespace {

// The sixteen values of one block, texels in row order. The steps between
// the end points are truncated, as the DXT5 alpha half's are.
void channel_block(const uint8_t* p, uint8_t out[16]) {
    const int r0 = p[0], r1 = p[1];
    int value[8] = {r0, r1, 0, 0, 0, 0, 0, 255};
    if (r0 > r1) {
        for (int i = 2; i < 8; ++i) value[i] = ((8 - i) * r0 + (i - 1) * r1) / 7;
    } else {
        for (int i = 2; i < 6; ++i) value[i] = ((6 - i) * r0 + (i - 1) * r1) / 5;
    }
    uint64_t codes = 0;
    for (int k = 0; k < 6; ++k) codes |= static_cast<uint64_t>(p[2 + k]) << (8 * k);
    for (int i = 0; i < 16; ++i) out[i] = static_cast<uint8_t>(value[(codes >> (3 * i)) & 7]);
}

// Blocks of `channels` BC4 halves, each half filling one channel of the
// output's `stride` bytes a pixel; channels beyond them are 0.
void decode_channels(const TexSlice& slice, int channels, int stride, uint8_t* out) {
    const uint8_t* data = slice.data;
    for (int32_t y0 = 0; y0 < slice.height; y0 += 4)
        for (int32_t x0 = 0; x0 < slice.width; x0 += 4) {
            uint8_t values[2][16];
            for (int c = 0; c < channels; ++c, data += 8) channel_block(data, values[c]);
            for (int i = 0; i < 16; ++i) {
                const int32_t x = x0 + (i & 3), y = y0 + (i >> 2);
                if (x >= slice.width || y >= slice.height) continue;
                uint8_t* o = out + (static_cast<size_t>(y) * slice.width + x) * stride;
                for (int c = 0; c < stride; ++c) o[c] = c < channels ? values[c][i] : 0;
            }
        }
}

}  // namespace

void decode_bc4(const TexSlice& slice, uint8_t* out) { decode_channels(slice, 1, 1, out); }
void decode_bc5(const TexSlice& slice, uint8_t* out) { decode_channels(slice, 2, 3, out); }
