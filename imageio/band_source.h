// The decoders behind open_bands (internal to imageio).
#pragma once

#include <cstdint>
#include <string>

#include "imageio/imageio.h"

struct BandSource {
    virtual ~BandSource() = default;
    // The next `rows` rows into `out`; 0 when the picture is damaged (the
    // reason already given to loader_fail / loader_remember).
    virtual int read(uint8_t* out, int32_t rows) = 0;
};

// Each opens `name`, fills the sizes of `bands` and returns the decoder, or
// returns null with the reason given.
BandSource* open_png_source(const std::string& name, PictureBands& bands);
BandSource* open_tiff_source(const std::string& name, PictureBands& bands);
BandSource* open_jpeg_source(const std::string& name, PictureBands& bands);
BandSource* open_bmp_source(const std::string& name, PictureBands& bands);
