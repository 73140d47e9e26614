// Streaming a picture in bands of rows: the common part of every format.
#include <algorithm>
#include <vector>

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

namespace {

// The next `rows` rows (at most those left) through `step`, which reads or
// skips them on the open decoder.
template <class Step>
LoadResult advance_bands(PictureBands& bands, int32_t rows, Step step) {
    if (!bands.source) return loader_fail("no picture is open for reading in bands");
    const int32_t left = bands.height - bands.rows_read;
    if (rows > left) rows = left;
    if (rows <= 0) return loader_done();
    LoadResult result = step(*bands.source, rows);
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

}  // namespace

LoadResult read_band(PictureBands& bands, uint8_t* out, int32_t rows) {
    return advance_bands(bands, rows,
                         [out](BandSource& source, int32_t n) { return source.read(out, n); });
}

LoadResult BandSource::skip(int32_t rows, int64_t pitch) {
    // A few megabytes of rows at a time, at least one row: the caller holds
    // no band yet, so this stays well inside what a run may hold.
    constexpr int64_t scratch_bytes = int64_t{4} << 20;
    const int32_t chunk =
        static_cast<int32_t>(std::min<int64_t>(rows, std::max<int64_t>(1, scratch_bytes / pitch)));
    std::vector<uint8_t> scratch;
    try {
        scratch.resize(static_cast<size_t>(pitch * chunk));
    } catch (const std::bad_alloc&) {
        return loader_fail("not enough memory to pass over the rows above the band");
    }
    LoadResult result = loader_done();
    while (rows > 0 && result.ok()) {
        const int32_t n = std::min(chunk, rows);
        result = read(scratch.data(), n);
        rows -= n;
    }
    return result;
}

LoadResult skip_band(PictureBands& bands, int32_t rows) {
    const int64_t pitch = int64_t{bands.width} * bands.planes;
    return advance_bands(bands, rows,
                         [pitch](BandSource& source, int32_t n) { return source.skip(n, pitch); });
}

void close_bands(PictureBands& bands) { bands.source.reset(); }
