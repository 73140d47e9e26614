// The band feed: one lock, one condition, two buffers.
#include "tool/band_feed.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>

namespace {

// Band `got` rows of `width` pixels, packed at `rows`, into `out` as a band of
// `band_rows` rows of `band_width` pixels: every row continued by its last
// pixel, the rows below the last one copies of it, so no other colour comes
// into the tiles' mip levels. `rows` may be `out` itself.
void pad_band(const uint8_t* rows, int32_t got, int32_t width, int32_t planes, uint8_t* out,
              int32_t band_rows, int32_t band_width) {
    const size_t from = static_cast<size_t>(width) * planes;
    const size_t to = static_cast<size_t>(band_width) * planes;
    // From the bottom up, so that no row is overwritten before it moved.
    for (int32_t y = got - 1; y >= 0; --y) {
        uint8_t* row = out + y * to;
        std::memmove(row, rows + y * from, from);
        for (size_t x = from; x < to; x += planes)
            std::memcpy(row + x, row + from - planes, planes);
    }
    for (int32_t y = got; y < band_rows; ++y) std::memcpy(out + y * to, out + (got - 1) * to, to);
}

// Reads the next band when its buffer is free; called with the lock held,
// which it lets go while the picture is read. False when there is nothing to
// do now.
bool read_next_band(BandFeed& feed, std::unique_lock<std::mutex>& hold) {
    const int32_t index = feed.bands_read;
    const int32_t slot = index % 2;
    if (feed.reading || feed.stopping || feed.failed_band >= 0 || index >= feed.bands ||
        feed.tiles_left[slot] > 0)
        return false;
    // A picture whose data ended above this band would give filler only.
    const int32_t data_rows = feed.input->whole ? -1 : feed.input->bands.data_rows;
    if (data_rows >= 0 && int64_t{index} * feed.band_rows >= data_rows) {
        feed.failed_band = index;
        feed.data_ended = true;
        feed.changed.notify_all();
        return true;
    }
    feed.reading = true;
    hold.unlock();
    const uint8_t* rows = nullptr;
    LoadResult read;
    bool no_memory = false;
    try {
        const int32_t got = std::min(feed.band_rows, feed.input->height - feed.input->next_row);
        errno = 0;
        read = read_picture_rows(*feed.input, feed.buffer[slot].data(), feed.band_rows, &rows);
        // A decoder that ran out of memory reports it as it reports a
        // spoilt file; the picture is not damaged, so it must not be
        // recorded as such.
        if (!read.ok() && errno == ENOMEM) no_memory = true;
        if (rows && feed.padded) {
            pad_band(rows, got, feed.input->width, feed.input->planes, feed.buffer[slot].data(),
                     feed.band_rows, feed.band_width);
            rows = feed.buffer[slot].data();
        }
    } catch (const std::bad_alloc&) {
        // This thread may be the reader, where nothing could catch it.
        rows = nullptr;
        no_memory = true;
    }
    hold.lock();
    feed.reading = false;
    if (!read.warning.empty() && feed.warning_band < 0) {
        feed.warning_band = index;
        feed.warning.swap(read.warning);
    }
    if (rows) {
        feed.band[slot] = rows;
        feed.tiles_left[slot] = feed.tiles_per_band;
        feed.bands_read = index + 1;
    } else {
        feed.failed_band = index;
        feed.error.swap(read.reason);
        feed.no_memory = no_memory;
    }
    feed.changed.notify_all();
    return true;
}

void reader_loop(BandFeed& feed) {
    std::unique_lock<std::mutex> hold(feed.lock);
    while (!feed.stopping && feed.failed_band < 0 && feed.bands_read < feed.bands) {
        if (!read_next_band(feed, hold)) feed.changed.wait(hold);
    }
}

}  // namespace

int64_t band_feed_bytes(const PictureInput& input, int32_t band_rows, int32_t band_width,
                        bool padded) {
    if (input.whole && !padded) return 0;
    return 2 * int64_t{band_rows} * band_width * input.planes;
}

bool start_band_feed(BandFeed& feed, PictureInput& input, int32_t band_rows, int32_t bands,
                     int32_t tiles_per_band, int32_t band_width, int32_t first_band) {
    feed.input = &input;
    feed.bands_read = first_band;
    feed.band_rows = band_rows;
    feed.bands = bands;
    feed.tiles_per_band = tiles_per_band;
    feed.band_width = band_width;
    feed.padded = band_width > input.width || int64_t{bands} * band_rows > int64_t{input.height};
    const size_t bytes =
        static_cast<size_t>(band_feed_bytes(input, band_rows, band_width, feed.padded) / 2);
    try {
        for (std::vector<uint8_t>& b : feed.buffer) b.resize(bytes);
    } catch (const std::bad_alloc&) {
        for (std::vector<uint8_t>& b : feed.buffer) std::vector<uint8_t>().swap(b);
        return false;
    }
    try {
        feed.reader = std::thread(reader_loop, std::ref(feed));
        feed.reader_running = true;
    } catch (const std::system_error&) {
        // Without a reader the workers read the bands as they need them.
    } catch (const std::bad_alloc&) {
        // The same when there is no memory for the thread.
    }
    return true;
}

const uint8_t* band_for_tile(BandFeed& feed, int32_t index) {
    std::unique_lock<std::mutex> hold(feed.lock);
    for (;;) {
        if (feed.failed_band >= 0 && feed.failed_band <= index) return nullptr;
        if (index < feed.bands_read) return feed.band[index % 2];
        if (feed.stopping) return nullptr;
        if (feed.reader_running || !read_next_band(feed, hold)) feed.changed.wait(hold);
    }
}

void band_tile_done(BandFeed& feed, int32_t index) {
    std::lock_guard<std::mutex> hold(feed.lock);
    if (--feed.tiles_left[index % 2] == 0) feed.changed.notify_all();
}

void stop_band_feed(BandFeed& feed) {
    {
        std::lock_guard<std::mutex> hold(feed.lock);
        feed.stopping = true;
    }
    feed.changed.notify_all();
    if (feed.reader.joinable()) feed.reader.join();
    feed.reader_running = false;
}
