// The palettised layouts: one index byte per pixel (256 entries), or two
// pixels per byte (16 entries), the first of a pair in the low nibble, each
// row starting on a new byte. Palette entries are R, G, B, A. A 16-colour
// level whose stored bytes end before its last row (the stream stores w x h / 2
// bytes) shows index 0 for the missing pixels rather than reading further.
#include "tool/texfile/texfile.h"

void decode_palette_level(int32_t format, const uint8_t* palette, const uint8_t* data, int64_t size,
                          int32_t width, int32_t height, uint8_t* out) {
    const int64_t row_bytes = format == 14 ? (int64_t{width} + 1) / 2 : width;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            int index = 0;
            const int64_t at = y * row_bytes + (format == 14 ? x / 2 : x);
            if (at < size) index = format == 14 ? (data[at] >> (4 * (x & 1))) & 15 : data[at];
            uint8_t* o = out + (static_cast<size_t>(y) * width + x) * 4;
            for (int k = 0; k < 4; ++k) o[k] = palette[4 * index + k];
        }
    }
}
