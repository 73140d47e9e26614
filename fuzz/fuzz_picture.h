// The check shared by the PNG and TIFF targets: one input loaded whole and
// read again in bands, with the contract of both roads.
//
// Whole load: a failed one keeps the record's sizes and leaves pixels null,
// says why and leaves no reservation; a good one has sides of at least 1,
// planes 3 or 4 and every promised byte readable.
// Bands: a failed open or band leaves nothing open and says why; the rows of
// a picture both roads read are the same bytes; a read after a failure fails
// again rather than handing out rows.
#pragma once

#include <cstring>
#include <memory>
#include <new>

#include "fuzz_support.h"
#include "imageio/imageio.h"
#include "vxsystem/vxsystem.h"

namespace fuzz {

// Memory the band check may take for its copy of the picture; the loaders'
// limit below is the same, so every picture loaded whole is compared.
constexpr int64_t BAND_CHECK_BYTES = int64_t{64} << 20;

inline void picture_init() {
    scratch_dir();
    // Far above any picture the mutations make of the seeds, far below what
    // a tiny file may claim: such a claim is refused, not allocated.
    setenv("RAZIVAVU_MAX_MEMORY_MB", "64", 0);
}

// Reads every row in bands of `band` rows; returns whether it got them all,
// with `rows` holding what it read.
inline bool read_in_bands(const std::string& name, BandFormat format, int32_t band,
                          std::unique_ptr<uint8_t[]>& rows, int64_t& size) {
    PictureBands b;
    const LoadResult opened = open_bands(b, name, format);
    if (!opened.ok()) {
        FUZZ_REQUIRE(b.source == nullptr);
        FUZZ_REQUIRE(!opened.reason.empty() && opened.warning.empty());
        return false;
    }
    FUZZ_REQUIRE(b.width >= 1 && b.height >= 1 && (b.planes == 3 || b.planes == 4));
    const int64_t pitch = int64_t{b.width} * b.planes;
    size = pitch * b.height;
    // A picture too large to copy here is read band by band into one buffer.
    const bool keep = size <= BAND_CHECK_BYTES;
    const int64_t buffer = keep ? size : pitch * band;
    if (buffer > BAND_CHECK_BYTES) {
        close_bands(b);
        return false;
    }
    rows.reset(new (std::nothrow) uint8_t[static_cast<size_t>(buffer)]);
    if (!rows) {
        close_bands(b);
        return false;
    }
    bool ok = true;
    while (b.rows_read < b.height) {
        const int32_t before = b.rows_read;
        uint8_t* out = rows.get() + (keep ? before * pitch : 0);
        const LoadResult read = read_band(b, out, band);
        if (!read.ok()) {
            FUZZ_REQUIRE(!read.reason.empty() && read.warning.empty());
            FUZZ_REQUIRE(b.source == nullptr);
            FUZZ_REQUIRE(b.rows_read == before);
            FUZZ_REQUIRE(!read_band(b, out, band).ok());
            ok = false;
            break;
        }
        const int32_t got = b.rows_read - before;
        FUZZ_REQUIRE(got == (band < b.height - before ? band : b.height - before));
        unsigned sum = 0;  // every promised byte readable
        for (int64_t i = 0; i < got * pitch; ++i) sum += out[i];
        (void)sum;
    }
    close_bands(b);
    close_bands(b);
    FUZZ_REQUIRE(b.source == nullptr);
    if (!keep) return false;  // nothing whole to compare
    return ok;
}

// Loads `name` whole with `load` and in bands of a size taken from `band_seed`,
// checking both contracts and their agreement.
inline void check_picture(const std::string& name, BandFormat format,
                          LoadResult (*load)(LoadedImage&), uint8_t band_seed) {
    LoadedImage image;
    image.name = name;
    image.width = -7;
    image.height = -9;
    image.planes = -3;
    const int32_t before = reserve_count();
    const LoadResult result = load(image);
    const bool loaded = result.ok();
    if (!loaded) {
        FUZZ_REQUIRE(image.width == -7 && image.height == -9 && image.planes == -3);
        FUZZ_REQUIRE(image.pixels == nullptr);
        FUZZ_REQUIRE(!result.reason.empty());
        FUZZ_REQUIRE(reserve_count() == before);
    } else {
        FUZZ_REQUIRE(image.width >= 1 && image.height >= 1 && image.pixels != nullptr);
        FUZZ_REQUIRE(image.planes == 3 || image.planes == 4);
        FUZZ_REQUIRE(result.reason.empty());
        const int64_t bytes = int64_t{image.width} * image.height * image.planes;
        unsigned sum = 0;
        for (int64_t i = 0; i < bytes; ++i) sum += image.pixels[i];
        (void)sum;
    }

    const int32_t band = 1 + band_seed % 5;
    std::unique_ptr<uint8_t[]> rows;
    int64_t size = 0;
    const bool whole = read_in_bands(name, format, band, rows, size);
    if (loaded && whole) {
        FUZZ_REQUIRE(size == int64_t{image.width} * image.height * image.planes);
        FUZZ_REQUIRE(std::memcmp(rows.get(), image.pixels, static_cast<size_t>(size)) == 0);
    }
    if (loaded) release_block(&image.pixels);
    FUZZ_REQUIRE(reserve_count() == before);
}

}  // namespace fuzz
