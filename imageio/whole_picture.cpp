// A whole picture read through the decoder that also streams it in bands, so
// both give the same rows by construction.
#include <memory>

#include "imageio/decoders.h"
#include "vxsystem/vxsystem.h"

int hand_over_rows(BandSource& decoder, const PictureBands& sizes, uint8_t* pixels,
                   LoadedImage& image) {
    if (!decoder.read(pixels, sizes.height)) {
        release_block(&pixels);
        return IMAGE_NOT_LOADED;
    }
    if (image.pixels) release_block(&image.pixels);
    image.pixels = pixels;
    image.width = sizes.width;
    image.height = sizes.height;
    return IMAGE_LOADED;
}

int load_whole_picture(BandSource* decoder, const PictureBands& sizes, LoadedImage& image,
                       const char* kind) {
    const std::unique_ptr<BandSource> owned(decoder);
    if (!decoder) return IMAGE_NOT_LOADED;
    const int64_t bytes = int64_t{sizes.width} * sizes.height * sizes.planes;
    uint8_t* pixels = nullptr;
    if (bytes > INT32_MAX || !reserve_block(&pixels, static_cast<int32_t>(bytes), kind)) {
        loader_fail("%s %s is too large (%d,%d)", kind, image.name.c_str(), sizes.width,
                    sizes.height);
        return IMAGE_NOT_LOADED;
    }
    if (!hand_over_rows(*decoder, sizes, pixels, image)) return IMAGE_NOT_LOADED;
    image.planes = sizes.planes;
    image.palette_size = 0;
    return IMAGE_LOADED;
}
