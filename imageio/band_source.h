// The decoders behind open_bands (internal to imageio).
#pragma once

#include <cstdint>
#include <string>

#include "imageio/imageio.h"

struct BandSource {
    virtual ~BandSource() = default;
    // The next `rows` rows into `out`; not loaded, with its reason, when the
    // picture is damaged. A warning, once met, is in this result and every
    // later one.
    virtual LoadResult read(uint8_t* out, int32_t rows) = 0;
    // Passes over the next `rows` rows (of `pitch` bytes as read hands them
    // out) without handing them out. The plain way decodes them into a
    // scratch buffer and drops them; formats that can reach a row directly
    // (BMP, TIFF) or leave out the costly part of decoding (a single-scan
    // JPEG) do better.
    virtual LoadResult skip(int32_t rows, int64_t pitch);
    // Rows that can hold data of the file, once it is known that the rows
    // below hold filler only (a JPEG cut short); -1 otherwise.
    virtual int32_t data_rows() const { return -1; }
};

// Opens the BMP `name`; on success `bands` holds its sizes and the decoder.
// Nothing is left open on failure.
LoadResult open_bmp_source(const std::string& name, PictureBands& bands);
