// The palettised layouts: one index byte per pixel (256 entries), or two
// pixels per byte in pixel order (16 entries), the first of a pair in the low
// nibble. Palette entries are R, G, B, A. Pixels beyond the level's stored
// bytes (a level shorter than its pixels need) show index 0 rather than
// anything read further on.
#include "texfile/texfile.h"

void decode_palette_level(int32_t format, const uint8_t* palette, const uint8_t* data, int64_t size,
                          int32_t width, int32_t height, uint8_t* out) {
    const int64_t pixels = int64_t{width} * height;
    for (int64_t i = 0; i < pixels; ++i) {
        int index = 0;
        const int64_t at = format == 14 ? i / 2 : i;
        if (at < size) index = format == 14 ? (data[at] >> (4 * (i & 1))) & 15 : data[at];
        for (int k = 0; k < 4; ++k) out[4 * i + k] = palette[4 * index + k];
    }
}
