// The uncompressed layouts. Narrow fields are widened by repeating their top
// bits (4 bits: times 17), so a channel that the format holds whole comes
// back unchanged. The two-channel layouts (v8u8, cxv8u8) show their channels
// as red and green; a8 decodes to one grey channel holding the alpha; a8l8 to
// grey and alpha.
#include "texfile/texfile.h"

namespace {

uint8_t widen5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
uint8_t widen6(uint32_t v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }
uint8_t widen4(uint32_t v) { return static_cast<uint8_t>(v * 17); }

}  // namespace

void decode_plain_level(int32_t format, bool rgb_order, const uint8_t* data, int32_t width,
                        int32_t height, uint8_t* out) {
    const size_t pixels = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < pixels; ++i) {
        switch (format) {
            case 4: {
                const uint32_t v = data[2 * i] | data[2 * i + 1] << 8;
                out[4 * i] = widen4((v >> 8) & 15);
                out[4 * i + 1] = widen4((v >> 4) & 15);
                out[4 * i + 2] = widen4(v & 15);
                out[4 * i + 3] = widen4(v >> 12);
                break;
            }
            case 5: {
                const uint32_t v = data[2 * i] | data[2 * i + 1] << 8;
                out[4 * i] = widen5((v >> 10) & 31);
                out[4 * i + 1] = widen5((v >> 5) & 31);
                out[4 * i + 2] = widen5(v & 31);
                out[4 * i + 3] = (v & 0x8000) ? 255 : 0;
                break;
            }
            case 6: {
                const uint32_t v = data[2 * i] | data[2 * i + 1] << 8;
                out[3 * i] = widen5(v >> 11);
                out[3 * i + 1] = widen6((v >> 5) & 63);
                out[3 * i + 2] = widen5(v & 31);
                break;
            }
            case 9: {
                const uint32_t v = data[2 * i] | data[2 * i + 1] << 8;
                out[3 * i] = widen5((v >> 10) & 31);
                out[3 * i + 1] = widen5((v >> 5) & 31);
                out[3 * i + 2] = widen5(v & 31);
                break;
            }
            case 7:
            case 15:
                out[4 * i] = data[4 * i + 2];
                out[4 * i + 1] = data[4 * i + 1];
                out[4 * i + 2] = data[4 * i];
                out[4 * i + 3] = data[4 * i + 3];
                break;
            case 8:
                // Tile files keep the picture's own byte order R, G, B; the
                // stream layout is B, G, R.
                out[3 * i] = data[3 * i + (rgb_order ? 0 : 2)];
                out[3 * i + 1] = data[3 * i + 1];
                out[3 * i + 2] = data[3 * i + (rgb_order ? 2 : 0)];
                break;
            case 11:
            case 12:
                out[3 * i] = data[2 * i];
                out[3 * i + 1] = data[2 * i + 1];
                out[3 * i + 2] = 0;
                break;
            case 13:
                out[i] = data[i];
                break;
            case 16:
                out[2 * i] = data[2 * i];
                out[2 * i + 1] = data[2 * i + 1];
                break;
            default:
                break;
        }
    }
}
