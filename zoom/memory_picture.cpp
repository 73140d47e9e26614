// A picture over a pixel array in memory. Colour operations see a pixel
// stored as bytes (b0, b1, b2, b3) as r = b2, g = b1, b = b0, a = b3 and
// write it back the same way, so a row read and written unchanged keeps its
// bytes. Coordinates are not checked (the resampler's windows keep them in
// range); a picture without pixels ignores every pixel operation.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "zoom/zoom.h"

namespace {
// Address of pixel (x, y): rows are row_bytes apart, pixels nchan bytes.
uint8_t* pixel_at(const MemoryPicture& pic, int x, int y) {
    return pic.pixels + static_cast<std::ptrdiff_t>(y) * pic.row_bytes +
           static_cast<std::ptrdiff_t>(x) * pic.nchan;
}
}  // namespace

MemoryPicture::~MemoryPicture() { release(); }

void MemoryPicture::bind(uint8_t* p, int w, int h, int rb, int n) {
    release();  // an owned buffer would otherwise be lost
    mode = 1;
    pixels = p;
    width = w;
    height = h;
    row_bytes = rb;
    nchan = n;
}

void MemoryPicture::allocate(int w, int h, int n) {
    release();
    mode = 2;
    width = w;
    height = h;
    nchan = n;
    row_bytes = w * n;
    size_t bytes = static_cast<size_t>(w > 0 ? w : 0) * (h > 0 ? h : 0) * (n > 0 ? n : 0);
    pixels = static_cast<uint8_t*>(std::malloc(bytes > 0 ? bytes : 1));
}

void MemoryPicture::release() {
    if (mode != 2) return;
    width = height = nchan = row_bytes = 0;
    std::free(pixels);
    pixels = nullptr;
}

int MemoryPicture::open(const char*, const char* m) {
    mode = (m && m[0] == 'r') ? 1 : 2;
    return 0;
}

void MemoryPicture::close() {
    if (mode == 2 && pixels) {
        std::free(pixels);
        pixels = nullptr;
    }
}

const char* MemoryPicture::name() { return nullptr; }

void MemoryPicture::clear(uint8_t value) {
    if (!pixels) return;
    for (int y = 0; y < height; ++y) {
        std::memset(pixels + static_cast<std::ptrdiff_t>(y) * row_bytes, value,
                    width > 0 ? width : 0);
    }
}

void MemoryPicture::clear_rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    if (!pixels || (nchan != 3 && nchan != 4)) return;
    for (int y = 0; y < height; ++y) {
        uint8_t* p = pixels + static_cast<std::ptrdiff_t>(y) * row_bytes;
        for (int x = 0; x < width; ++x, p += nchan) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
            if (nchan == 4) p[3] = a;
        }
    }
}

void MemoryPicture::set_nchan(int n) { nchan = n; }

// An owned picture records a new box (the resampler's destination window);
// its buffer and row pitch stay as allocated.
void MemoryPicture::set_box(int x0, int y0, int nx, int ny) {
    if (mode != 2) return;
    width = x0 + nx;
    height = y0 + ny;
}

void MemoryPicture::write_pixel(int x, int y, uint8_t value) {
    if (!pixels) return;
    *pixel_at(*this, x, y) = value;
}

void MemoryPicture::write_pixel_rgba(int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    if (!pixels || (nchan != 3 && nchan != 4)) return;
    uint8_t* p = pixel_at(*this, x, y);
    p[0] = b;
    p[1] = g;
    p[2] = r;
    if (nchan == 4) p[3] = a;
}

void MemoryPicture::write_row(int y, int x0, int n, const uint8_t* bytes) {
    if (!pixels || n <= 0) return;
    std::memcpy(pixel_at(*this, x0, y), bytes, n);
}

void MemoryPicture::write_row_float(int, int, int, const float*) {}

namespace {
// Four-channel pixels with red and blue changing places, on whole pixels as
// 32-bit words, which the compiler runs several pixels at a time.
void swap_red_blue(const uint8_t* from, uint8_t* to, int n) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    for (int i = 0; i < n; ++i, from += 4, to += 4) {
        uint32_t v;  // bytes 0 and 2 are the low and the third byte of the word
        std::memcpy(&v, from, 4);
        v = (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
        std::memcpy(to, &v, 4);
    }
#else
    for (int i = 0; i < n; ++i, from += 4, to += 4) {
        const uint8_t red = from[0], blue = from[2];
        to[0] = blue;
        to[1] = from[1];
        to[2] = red;
        to[3] = from[3];
    }
#endif
}
}  // namespace

void MemoryPicture::write_row_rgba(int y, int x0, int n, const uint8_t* rgba) {
    if (!pixels || (nchan != 3 && nchan != 4)) return;
    uint8_t* p = pixel_at(*this, x0, y);
    if (nchan == 4) {
        swap_red_blue(rgba, p, n);
    } else {
        for (int i = 0; i < n; ++i, p += 3, rgba += 4) {
            p[0] = rgba[2];
            p[1] = rgba[1];
            p[2] = rgba[0];
        }
    }
}

int MemoryPicture::get_nchan() { return nchan; }

void MemoryPicture::get_box(int* x0, int* y0, int* nx, int* ny) {
    if (mode == 1) {
        *x0 = 0;
        *y0 = 0;
        *nx = width;
        *ny = height;
    } else {
        *x0 = *y0 = *nx = *ny = ZOOM_UNSET;
    }
}

uint8_t MemoryPicture::read_pixel(int x, int y) {
    if (!pixels) return 0;
    return *pixel_at(*this, x, y);
}

void MemoryPicture::read_pixel_rgba(int x, int y, uint8_t* rgba) {
    if (!pixels || (nchan != 3 && nchan != 4)) return;
    const uint8_t* p = pixel_at(*this, x, y);
    rgba[0] = p[2];
    rgba[1] = p[1];
    rgba[2] = p[0];
    if (nchan == 4) rgba[3] = p[3];
}

void MemoryPicture::read_row(int y, int x0, int n, uint8_t* bytes) {
    if (!pixels || n <= 0) return;
    std::memcpy(bytes, pixel_at(*this, x0, y), n);
}

void MemoryPicture::read_row_float(int, int, int, float*) {}

void MemoryPicture::read_row_rgba(int y, int x0, int n, uint8_t* rgba) {
    if (!pixels || (nchan != 3 && nchan != 4)) return;
    const uint8_t* p = pixel_at(*this, x0, y);
    if (nchan == 4) {
        swap_red_blue(p, rgba, n);
    } else {
        for (int i = 0; i < n; ++i, p += 3, rgba += 4) {
            rgba[0] = p[2];
            rgba[1] = p[1];
            rgba[2] = p[0];
        }
    }
}
