// imageio: loads BMP and JPEG pictures into one LoadedImage record.
//
// Both loaders return 1 on success and 0 on failure; the reason for a failure
// is written to the log ("vx.log"). Pixel and palette blocks come from the
// reservation table (vxsystem) and live until reserved over.
#pragma once

#include <cstdint>

struct LoadedImage {
    int32_t width = 0;
    int32_t height = 0;
    // 3 = R,G,B; 4 = R,G,B,A; 5 or 6 = one palette index per pixel (4- and
    // 8-bit files) with `palette`; any other value = one grey byte per pixel.
    int32_t planes = 0;
    int32_t palette_size = 0;
    uint8_t* pixels = nullptr;   // rows top to bottom, packed
    uint8_t* palette = nullptr;  // 4 bytes per entry: R, G, B, 255
    char name[128] = {};         // the file name, set by the caller
};

// Uncompressed 4-, 8- and 24-bit BMP, with an optional companion alpha file
// ("<name>_trans.bmp" or "<name>op.bmp") for 24-bit pictures.
int load_bmp(LoadedImage& image, int32_t file_size, int32_t planes, int skip_pow2_check);

// JPEG through libjpeg; always R, G, B (greyscale files come out as R = G = B).
int load_jpeg(LoadedImage& image);
