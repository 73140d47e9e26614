// A whole picture read through the decoder that also streams it in bands, so
// both give the same rows by construction: the whole-picture loads of PNG and
// TIFF (the JPEG's, which keeps the record's planes, is beside its decoder).
#include "imageio/decoders.h"
#include "vxsystem/vxsystem.h"

LoadResult hand_over_rows(PictureBands& bands, uint8_t* pixels, LoadedImage& image) {
    LoadResult result = bands.source->read(pixels, bands.height);
    if (!result.ok()) {
        release_block(&pixels);
        return result;
    }
    if (image.pixels) release_block(&image.pixels);
    image.pixels = pixels;
    image.width = bands.width;
    image.height = bands.height;
    return result;
}

LoadResult load_whole_picture(DecoderOpener open, LoadedImage& image, const char* kind) {
    PictureBands whole;
    LoadResult result = open(image.name, Holding::whole, whole);
    if (!result.ok()) return result;
    const int64_t bytes = int64_t{whole.width} * whole.height * whole.planes;
    uint8_t* pixels = nullptr;
    if (bytes > INT32_MAX || !reserve_block(&pixels, static_cast<int32_t>(bytes), kind))
        return loader_fail("%s %s is too large (%d,%d)", kind, image.name.c_str(), whole.width,
                           whole.height);
    result = hand_over_rows(whole, pixels, image);
    if (!result.ok()) return result;
    image.planes = whole.planes;
    image.palette_size = 0;
    return result;
}

LoadResult load_png(LoadedImage& image) {
    return load_whole_picture(open_png_decoder, image, "png");
}

LoadResult load_tiff(LoadedImage& image) {
    return load_whole_picture(open_tiff_decoder, image, "tiff");
}
