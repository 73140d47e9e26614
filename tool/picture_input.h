// The picture as the tool reads it: its sizes first, then its rows top to
// bottom, one band at a time, so a run never needs the whole picture.
//
// Pictures are decoded band by band; when asked for (to compare the two
// roads) a picture is loaded whole instead and handed out from memory in the
// same bands.
#pragma once

#include <cstdint>
#include <string>

#include "imageio/imageio.h"
#include "tool/tiletool.h"

struct PictureInput {
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;  // 3 = R,G,B; 4 = R,G,B,A
    bool whole = false;  // loaded whole; bands point into `image`
    PictureBands bands;  // the streaming decoder otherwise
    LoadedImage image;
    int32_t next_row = 0;
};

// The environment variable that makes every picture load whole (for
// comparing the two roads); any non-empty value.
constexpr const char* WHOLE_PICTURE_VARIABLE = "RAZIVAVU_WHOLE_PICTURE";

// Opens `name` and reads its sizes; `file_size` as vxsystem's file_size gave it.
// `whole`: load the picture whole. The loader's result: its reason when the
// picture cannot be opened, its warning when it is damaged already there.
LoadResult open_picture(PictureInput& in, const std::string& name, PictureKind kind,
                        int64_t file_size, bool whole);

// The next `rows` rows (at most those left), rows x width x planes bytes:
// decoded into `buffer`, or, for a picture loaded whole, where they lie in
// memory (`buffer` unused, may be null); `*out` is set to the first of them.
// Not loaded, with the loader's reason, when the picture turns out to be
// damaged. A picture loaded whole gives no warning here: its load did.
LoadResult read_picture_rows(PictureInput& in, uint8_t* buffer, int32_t rows, const uint8_t** out);

// Passes over the next `rows` rows without handing them out (skip_band), for
// a run that tiles only a band further down; results as read_picture_rows.
LoadResult skip_picture_rows(PictureInput& in, int32_t rows);

// What reading the rows below the last row of tiles gave.
struct RemainingRows {
    LoadResult load;         // as read_picture_rows for the last rows read
    bool no_memory = false;  // no memory to read them: they went unchecked
};

// Reads the rows not yet read and lets them go, a few at a time: the strip
// at the bottom that fills no whole row of tiles is checked as every other
// row is, so damage there is reported too.
RemainingRows read_remaining_rows(PictureInput& in);

void close_picture(PictureInput& in);
