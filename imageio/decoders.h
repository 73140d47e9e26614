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

// Each opens `name` for `holding`, fills the sizes of `sizes` and returns the
// decoder, or returns null with the reason given and nothing left open.
BandSource* open_png_decoder(const std::string& name, Holding holding, PictureBands& sizes);
BandSource* open_tiff_decoder(const std::string& name, Holding holding, PictureBands& sizes);
BandSource* open_jpeg_decoder(const std::string& name, Holding holding, PictureBands& sizes);

// A fresh decoder record for the file `name`, or null with "not enough
// memory for <kind> <name>" given.
template <class Decoder>
std::unique_ptr<Decoder> new_decoder(const char* kind, const std::string& name) {
    std::unique_ptr<Decoder> d(new (std::nothrow) Decoder);
    if (!d) {
        loader_fail("not enough memory for %s %s", kind, name.c_str());
        return nullptr;
    }
    d->name = name;
    return d;
}

// Reads every row of `decoder` into `pixels`, a fresh reservation of the
// whole picture, and then hands the block to `image` with its width and
// height; 1 on success. On failure the block is released and the record
// left as it was.
int hand_over_rows(BandSource& decoder, const PictureBands& sizes, uint8_t* pixels,
                   LoadedImage& image);

// The whole-picture load of a PNG or TIFF: the rows of `decoder` (opened
// for Holding::whole with `sizes`; null when that failed) into a block
// named `kind`, and the record's planes set and palette cleared. Deletes
// the decoder.
int load_whole_picture(BandSource* decoder, const PictureBands& sizes, LoadedImage& image,
                       const char* kind);
