// Opening the input picture and reading it in bands.
#include "tool/picture_input.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "vxsystem/vxsystem.h"

namespace {

// Every kind the tool reads is decoded band by band (the caller has refused
// unknown kinds).
BandFormat band_format(PictureKind kind) {
    if (kind == PictureKind::png) return BandFormat::png;
    if (kind == PictureKind::tiff) return BandFormat::tiff;
    if (kind == PictureKind::jpeg) return BandFormat::jpeg;
    return BandFormat::bmp;
}

LoadResult load_whole(LoadedImage& image, PictureKind kind, int64_t file_size) {
    switch (kind) {
        case PictureKind::bmp:
            return load_bmp(image, file_size, 3, 1);
        case PictureKind::png:
            return load_png(image);
        case PictureKind::tiff:
            return load_tiff(image);
        default:
            return load_jpeg(image);
    }
}

}  // namespace

LoadResult open_picture(PictureInput& in, const std::string& name, PictureKind kind,
                        int64_t file_size, bool whole) {
    close_picture(in);
    in = PictureInput();
    in.whole = whole;
    if (in.whole) {
        in.image.name = name;
        LoadResult loaded = load_whole(in.image, kind, file_size);
        if (!loaded.ok()) return loaded;
        in.width = in.image.width;
        in.height = in.image.height;
        // The BMP loader gives 4 bytes per pixel when a companion alpha file
        // was found; everything else arrives as R, G, B.
        in.planes = in.image.planes == 4 ? 4 : 3;
        return loaded;
    }
    LoadResult opened = open_bands(in.bands, name, band_format(kind));
    in.width = in.bands.width;
    in.height = in.bands.height;
    in.planes = in.bands.planes;
    return opened;
}

LoadResult read_picture_rows(PictureInput& in, uint8_t* buffer, int32_t rows, const uint8_t** out) {
    const int32_t left = in.height - in.next_row;
    if (rows > left) rows = left;
    if (rows < 0) rows = 0;
    const int64_t pitch = int64_t{in.width} * in.planes;
    LoadResult result{LoadStatus::loaded, {}, {}};
    *out = buffer;
    if (in.whole)
        *out = in.image.pixels + in.next_row * pitch;
    else
        result = read_band(in.bands, buffer, rows);
    if (!result.ok()) {
        *out = nullptr;
        return result;
    }
    in.next_row += rows;
    return result;
}

LoadResult skip_picture_rows(PictureInput& in, int32_t rows) {
    const int32_t left = in.height - in.next_row;
    if (rows > left) rows = left;
    if (rows <= 0) return LoadResult{LoadStatus::loaded, {}, {}};
    LoadResult result{LoadStatus::loaded, {}, {}};
    if (!in.whole) result = skip_band(in.bands, rows);
    if (result.ok()) in.next_row += rows;
    return result;
}

RemainingRows read_remaining_rows(PictureInput& in) {
    RemainingRows rest;
    rest.load.status = LoadStatus::loaded;
    if (in.whole || in.next_row >= in.height) return rest;
    // Rows of up to 8 MiB at a time, at least one.
    const int64_t pitch = int64_t{in.width} * in.planes;
    const int64_t fit = (int64_t{8} << 20) / pitch;
    int32_t rows = static_cast<int32_t>(fit < 1 ? 1 : (fit > in.height ? in.height : fit));
    std::vector<uint8_t> scratch;
    try {
        scratch.resize(static_cast<size_t>(rows * pitch));
    } catch (const std::bad_alloc&) {
        // One row at a time still checks them; without even that, the
        // rows cannot be checked, and the run says so rather than pass
        // a damaged picture as a good one.
        rows = 1;
        try {
            scratch.resize(static_cast<size_t>(pitch));
        } catch (const std::bad_alloc&) {
            rest.load.status = LoadStatus::not_loaded;
            rest.no_memory = true;
            return rest;
        }
    }
    const uint8_t* rows_read = nullptr;
    while (in.next_row < in.height && rest.load.ok()) {
        errno = 0;
        rest.load = read_picture_rows(in, scratch.data(), rows, &rows_read);
    }
    // A decoder's failed allocation is no damage of the picture.
    if (!rest.load.ok() && errno == ENOMEM) rest.no_memory = true;
    return rest;
}

void close_picture(PictureInput& in) { close_bands(in.bands); }
