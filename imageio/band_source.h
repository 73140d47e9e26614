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
    // Rows that can hold data of the file, once it is known that the rows
    // below hold filler only (a JPEG cut short); -1 otherwise.
    virtual int32_t data_rows() const { return -1; }
};

// Each opens `name`, fills the sizes of `bands` and returns the decoder, or
// returns null with the reason given.
BandSource* open_png_source(const std::string& name, PictureBands& bands);
BandSource* open_tiff_source(const std::string& name, PictureBands& bands);
BandSource* open_jpeg_source(const std::string& name, PictureBands& bands);
BandSource* open_bmp_source(const std::string& name, PictureBands& bands);
