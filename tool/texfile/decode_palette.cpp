// The palettised layouts: one index byte per pixel (256 entries), or two
// pixels per byte in pixel order (16 entries), the first of a pair in the low
// nibble. Palette entries are R, G, B, A. Pixels beyond the level's stored
// bytes (a level shorter than its pixels need) show index 0 rather than
// anything read further on.
#include "texfile/readers.h"

namespace {

// `bits` 8: one index a byte; 4: two a byte, the first in the low nibble.
void decode_indices(const TexSlice& slice, int bits, uint8_t* out) {
    const int64_t pixels = int64_t{slice.width} * slice.height;
    for (int64_t i = 0; i < pixels; ++i) {
        int index = 0;
        const int64_t at = bits == 4 ? i / 2 : i;
        if (at < slice.size)
            index = bits == 4 ? (slice.data[at] >> (4 * (i & 1))) & 15 : slice.data[at];
        for (int k = 0; k < 4; ++k) out[4 * i + k] = slice.palette[4 * index + k];
    }
}

}  // namespace

void decode_p8(const TexSlice& slice, uint8_t* out) { decode_indices(slice, 8, out); }
void decode_p4(const TexSlice& slice, uint8_t* out) { decode_indices(slice, 4, out); }
