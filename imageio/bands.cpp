// Streaming a picture in bands of rows: the common part of every format.
#include "imageio/band_source.h"
#include "imageio/imageio.h"
#include "imageio/loader_log.h"

int open_bands(PictureBands& bands, const std::string& name, BandFormat format) {
    loader_start();
    close_bands(bands);
    bands = PictureBands();
    BandSource* source = nullptr;
    if (format == BandFormat::png) source = open_png_source(name, bands);
    if (format == BandFormat::tiff) source = open_tiff_source(name, bands);
    if (format == BandFormat::jpeg) source = open_jpeg_source(name, bands);
    if (format == BandFormat::bmp) source = open_bmp_source(name, bands);
    bands.source = source;
    return source ? IMAGE_LOADED : IMAGE_NOT_LOADED;
}

int read_band(PictureBands& bands, uint8_t* out, int32_t rows) {
    if (!bands.source) {
        loader_fail("no picture is open for reading in bands");
        return IMAGE_NOT_LOADED;
    }
    const int32_t left = bands.height - bands.rows_read;
    if (rows > left) rows = left;
    if (rows <= 0) return IMAGE_LOADED;
    if (!bands.source->read(out, rows)) {
        // The decoder has torn itself down on the damage; closing it at once
        // leaves nothing open, and a further read is refused here instead of
        // reaching that torn-down decoder.
        close_bands(bands);
        return IMAGE_NOT_LOADED;
    }
    bands.rows_read += rows;
    bands.data_rows = bands.source->data_rows();
    return IMAGE_LOADED;
}

void close_bands(PictureBands& bands) {
    delete bands.source;
    bands.source = nullptr;
}
