// Helpers shared by the resampler tests: capture of the reports, a picture
// device that counts and checks its row reads, and picture makers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/test_random.h"
#include "zoom/zoom.h"

// Every report of the resampler, concatenated, while a ReportCapture lives.
class ReportCapture {
  public:
    ReportCapture() {
        text().clear();
        zoom_set_message_sink(&ReportCapture::receive);
    }
    ~ReportCapture() { zoom_set_message_sink(nullptr); }
    const std::string& all() const { return text(); }
    bool contains(const std::string& s) const { return text().find(s) != std::string::npos; }
    void clear() { text().clear(); }

  private:
    static std::string& text() {
        static std::string s;
        return s;
    }
    static void receive(const char* t) { text() += t; }
};

// A memory picture that counts reads per row and records any access that
// leaves the picture (the resampler must never make one).
class CountingPicture : public MemoryPicture {
  public:
    std::vector<int> row_reads;
    int bad_accesses = 0;
    int rows_written = 0;

    void count(int y, int x0, int n) {
        if (y < 0 || y >= height || x0 < 0 || n < 0 || x0 + n > width) {
            ++bad_accesses;
            return;
        }
        if (static_cast<size_t>(y) >= row_reads.size()) row_reads.resize(y + 1, 0);
        ++row_reads[y];
    }
    void read_row(int y, int x0, int n, uint8_t* bytes) override {
        count(y, x0, n);
        if (bad_accesses == 0) MemoryPicture::read_row(y, x0, n, bytes);
    }
    void read_row_rgba(int y, int x0, int n, uint8_t* rgba) override {
        count(y, x0, n);
        if (bad_accesses == 0) MemoryPicture::read_row_rgba(y, x0, n, rgba);
    }
    void write_row_rgba(int y, int x0, int n, const uint8_t* rgba) override {
        ++rows_written;
        MemoryPicture::write_row_rgba(y, x0, n, rgba);
    }
};

inline ZoomOptions default_options() { return ZoomOptions{0, 0, 1, ZOOM_UNSET, 1}; }

// Deterministic pixel bytes (xorshift), any channel count.
inline std::vector<uint8_t> noise_pixels(int w, int h, int nchan, uint32_t seed) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * nchan);
    TestRandom r{seed};
    for (uint8_t& b : px) b = r.byte();
    return px;
}

// Resamples a whole bound picture onto a new owned picture of nw x nh, the
// way the texture pipeline calls the resampler, and returns the bytes.
inline std::vector<uint8_t> resample_whole(uint8_t* pixels, int w, int h, int nchan, int dst_nchan,
                                           int nw, int nh, const ZoomFilter& filter,
                                           ZoomOptions options = default_options()) {
    MemoryPicture src;
    src.bind(pixels, w, h, w * nchan, nchan);
    MemoryPicture dst;
    dst.allocate(nw, nh, dst_nchan);
    std::fill(dst.pixels, dst.pixels + static_cast<size_t>(nw) * nh * dst_nchan, uint8_t{0xEE});
    ZoomWindow swin{};
    picture_get_window(&src, &swin);
    ZoomWindow dwin{};
    dwin.nx = nw;
    dwin.ny = nh;
    window_set_corner(dwin);
    ZoomFilter xf = filter;
    ZoomFilter yf = filter;
    zoom_opt(options, &src, swin, &dst, dwin, xf, yf, 0, 0);
    std::vector<uint8_t> out(dst.pixels, dst.pixels + static_cast<size_t>(nw) * nh * dst_nchan);
    dst.release();
    return out;
}

inline uint64_t fnv1a(const std::vector<uint8_t>& v) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : v) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}
