// Streaming a picture in bands of rows: the common part of every format.
#include "imageio/decoders.h"

// Out of line: BandSource is complete only here.
PictureBands::PictureBands() = default;
PictureBands::PictureBands(PictureBands&&) noexcept = default;
PictureBands& PictureBands::operator=(PictureBands&&) noexcept = default;
PictureBands::~PictureBands() = default;

LoadResult open_bands(PictureBands& bands, const std::string& name, BandFormat format) {
    close_bands(bands);
    bands = PictureBands();
    LoadResult opened;
    switch (format) {
        case BandFormat::png:
            opened = open_png_decoder(name, Holding::band, bands);
            break;
        case BandFormat::tiff:
            opened = open_tiff_decoder(name, Holding::band, bands);
            break;
        case BandFormat::jpeg:
            opened = open_jpeg_decoder(name, Holding::band, bands);
            break;
        case BandFormat::bmp:
            opened = open_bmp_source(name, bands);
            break;
    }
    if (!opened.ok()) bands = PictureBands();
    return opened;
}

LoadResult read_band(PictureBands& bands, uint8_t* out, int32_t rows) {
    if (!bands.source) return loader_fail("no picture is open for reading in bands");
    const int32_t left = bands.height - bands.rows_read;
    if (rows > left) rows = left;
    if (rows <= 0) return loader_done();
    LoadResult result = bands.source->read(out, rows);
    if (!result.ok()) {
        // The decoder has torn itself down on the damage; closing it at once
        // leaves nothing open, and a further read is refused here instead of
        // reaching that torn-down decoder.
        close_bands(bands);
        return result;
    }
    bands.rows_read += rows;
    bands.data_rows = bands.source->data_rows();
    return result;
}

void close_bands(PictureBands& bands) { bands.source.reset(); }
