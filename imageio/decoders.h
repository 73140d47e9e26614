// The PNG, TIFF and JPEG decoders, each opened either for streaming or for a
// whole-picture load (internal to imageio).
//
// Both uses read rows through the same BandSource; they differ only in what
// the caller holds while it reads, which decides the memory each decoder
// weighs before it allocates.
#pragma once

#include <memory>
#include <new>
#include <string>

#include "imageio/band_source.h"
#include "imageio/imageio.h"
#include "imageio/loader_log.h"

// What the caller holds while the rows are read: one band at a time, or
// every row of the picture at once.
enum class Holding { band, whole };

// Each opens `name` for `holding`; on success `bands` holds the sizes and
// the decoder. On failure nothing is left open.
LoadResult open_png_decoder(const std::string& name, Holding holding, PictureBands& bands);
LoadResult open_tiff_decoder(const std::string& name, Holding holding, PictureBands& bands);
LoadResult open_jpeg_decoder(const std::string& name, Holding holding, PictureBands& bands);
using DecoderOpener = LoadResult (*)(const std::string&, Holding, PictureBands&);

// The common part of the openers above: a fresh Decoder for `name` (or
// "not enough memory for <kind> <name>"), opened by its
// `LoadResult open(Holding, PictureBands& sizes)`, which fills the sizes.
template <class Decoder>
LoadResult open_decoder(const char* kind, const std::string& name, Holding holding,
                        PictureBands& bands) {
    std::unique_ptr<Decoder> d(new (std::nothrow) Decoder);
    if (!d) return loader_fail("not enough memory for %s %s", kind, name.c_str());
    d->name = name;
    PictureBands sizes;
    LoadResult opened = d->open(holding, sizes);
    if (!opened.ok()) return opened;
    bands.width = sizes.width;
    bands.height = sizes.height;
    bands.planes = sizes.planes;
    bands.source = std::move(d);
    return opened;
}

// Reads every row of the open `bands` into `pixels`, a fresh reservation of
// the whole picture, and then hands the block to `image` with its width and
// height. On failure the block is released and the record left as it was.
LoadResult hand_over_rows(PictureBands& bands, uint8_t* pixels, LoadedImage& image);

// The whole-picture load of a PNG or TIFF: the rows of the decoder `open`
// opens for Holding::whole into a block named `kind`, and the record's
// planes set and palette cleared.
LoadResult load_whole_picture(DecoderOpener open, LoadedImage& image, const char* kind);
