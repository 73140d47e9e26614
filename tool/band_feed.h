// The bands of the picture for the tile workers.
//
// A reader thread reads band r (one row of tiles: tile height x picture
// width) into one of two buffers while the workers still tile band r - 1
// from the other; a buffer is read into again once every tile of its band
// is written. So a run holds two bands, whatever the picture's height.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tool/picture_input.h"

struct BandFeed {
    PictureInput* input = nullptr;
    int32_t band_rows = 0;       // rows of one band: the tile height
    int32_t bands = 0;           // bands to read up to: the end of the rows of tiles
    int32_t tiles_per_band = 0;  // the columns of the grid
    // Pixels from one row of a band to the next: the picture's width, or
    // more when the bands are padded to whole tiles (--edges pad).
    int32_t band_width = 0;
    bool padded = false;  // the last column and row fill out every band

    std::vector<uint8_t> buffer[2];  // band r lives in buffer r % 2
    const uint8_t* band[2] = {nullptr, nullptr};
    int32_t tiles_left[2] = {0, 0};  // tiles of that band not yet written
    int32_t bands_read = 0;          // index of the next band to read, counted from the top
    bool reading = false;            // a band is being read
    int32_t failed_band = -1;        // the band that turned out damaged
    std::string error;               // why, from the loader
    bool no_memory = false;          // or: memory ran out while reading it
    bool data_ended = false;         // or: the picture's data ended above it
    int32_t warning_band = -1;       // the first band whose reading gave a warning
    std::string warning;             // the loader's warning for it
    bool stopping = false;

    std::mutex lock;
    std::condition_variable changed;
    std::thread reader;
    bool reader_running = false;  // false: the workers read for themselves
};

// Takes the memory for two bands (none for a picture loaded whole and not
// padded) and starts the reader. `band_width` above the picture's width, or
// bands below its bottom, pad every band to whole tiles by repeating the
// picture's last column and row. False when the memory cannot be had;
// nothing is started then. Bands are numbered from the top of the picture;
// the first one read is `first_band` (the picture's rows above it already
// passed over).
bool start_band_feed(BandFeed& feed, PictureInput& input, int32_t band_rows, int32_t bands,
                     int32_t tiles_per_band, int32_t band_width, int32_t first_band = 0);

// The first byte of band `index` for one of its tiles, waiting until it is
// read; null when that band (or one before it) could not be read or the feed
// stops. Each tile that got its band gives it back with band_tile_done.
const uint8_t* band_for_tile(BandFeed& feed, int32_t index);
void band_tile_done(BandFeed& feed, int32_t index);

// Stops the reader (it finishes the band it is reading) and waits for it.
void stop_band_feed(BandFeed& feed);

// Bytes of the two bands a run holds, `band_width` pixels wide; `padded`:
// a picture loaded whole needs them too.
int64_t band_feed_bytes(const PictureInput& input, int32_t band_rows, int32_t band_width,
                        bool padded);
