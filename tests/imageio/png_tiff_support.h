// PNG and TIFF fixtures made with libpng and libtiff, for the imageio and
// tool tests.
#pragma once

#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace testsupport {

// A picture of 1 to 4 channels (grey, grey + alpha, RGB, RGBA) as 8-bit
// values; 16-bit files store value * 256 plus a low byte the loaders drop.
struct SampledPicture {
    int32_t width = 40;
    int32_t height = 30;
    int channels = 3;
    int bits = 8;  // 8 or 16 in the file
};

inline uint8_t sample8(int32_t x, int32_t y, int c) {
    return static_cast<uint8_t>((x * 7 + y * 13 + c * 71 + (x * y) / 5) & 255);
}

// One file row of samples: bytes in native order for 16-bit (libtiff), or
// big-endian (libpng) when `big_endian`.
inline std::vector<uint8_t> sample_row(const SampledPicture& p, int32_t y, bool big_endian) {
    const size_t n = static_cast<size_t>(p.width) * p.channels;
    std::vector<uint8_t> row(n * (p.bits / 8));
    for (int32_t x = 0; x < p.width; ++x) {
        for (int c = 0; c < p.channels; ++c) {
            const size_t i = static_cast<size_t>(x) * p.channels + c;
            const uint8_t v = sample8(x, y, c);
            if (p.bits == 8) {
                row[i] = v;
                continue;
            }
            const uint16_t wide = static_cast<uint16_t>(v << 8 | ((x + y + c) & 255));
            if (big_endian) {
                row[2 * i] = static_cast<uint8_t>(wide >> 8);
                row[2 * i + 1] = static_cast<uint8_t>(wide);
            } else {
                std::memcpy(&row[2 * i], &wide, 2);
            }
        }
    }
    return row;
}

// The loaders' result for the picture: R, G, B(, A) rows.
inline std::vector<uint8_t> expected_pixels(const SampledPicture& p) {
    const int planes = (p.channels == 2 || p.channels == 4) ? 4 : 3;
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < p.height; ++y) {
        for (int32_t x = 0; x < p.width; ++x) {
            for (int c = 0; c < 3; ++c) out.push_back(sample8(x, y, p.channels >= 3 ? c : 0));
            if (planes == 4) out.push_back(sample8(x, y, p.channels - 1));
        }
    }
    return out;
}

// A PNG file through libpng: `body(png, info)` sets the header and writes
// the rows; a libpng error (a jump back here) gives false.
template <class Body>
bool write_png_file(const std::string& name, Body body) {
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    body(png, info);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

inline bool write_png(const std::string& name, const SampledPicture& p, bool interlaced = false) {
    return write_png_file(name, [&](png_structp png, png_infop info) {
        static const int types[] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                                    PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
        png_set_IHDR(png, info, static_cast<png_uint_32>(p.width),
                     static_cast<png_uint_32>(p.height), p.bits, types[p.channels],
                     interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        const int passes = png_set_interlace_handling(png);
        for (int pass = 0; pass < passes; ++pass) {
            for (int32_t y = 0; y < p.height; ++y) {
                std::vector<uint8_t> row = sample_row(p, y, true);
                png_write_row(png, row.data());
            }
        }
    });
}

// A palette PNG: index = sample8(x, y, 0), entry i = (i, 255 - i, 7 i), and
// with `transparency` entry i has alpha 255 - i.
inline bool write_palette_png(const std::string& name, int32_t w, int32_t h, bool transparency) {
    return write_png_file(name, [&](png_structp png, png_infop info) {
        png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                     PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_color colours[256];
        png_byte alpha[256];
        for (int i = 0; i < 256; ++i) {
            colours[i] = {static_cast<png_byte>(i), static_cast<png_byte>(255 - i),
                          static_cast<png_byte>(7 * i)};
            alpha[i] = static_cast<png_byte>(255 - i);
        }
        png_set_PLTE(png, info, colours, 256);
        if (transparency) png_set_tRNS(png, info, alpha, 256, nullptr);
        png_write_info(png, info);
        std::vector<uint8_t> row(static_cast<size_t>(w));
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) row[x] = sample8(x, y, 0);
            png_write_row(png, row.data());
        }
    });
}

struct TiffLayout {
    uint16_t compression = COMPRESSION_NONE;
    bool big = false;         // BigTIFF
    uint32_t tile_side = 0;   // 0: strips
    uint32_t strip_rows = 4;  // rows per strip
};

inline bool write_tiff(const std::string& name, const SampledPicture& p, const TiffLayout& l) {
    TIFF* t = TIFFOpen(name.c_str(), l.big ? "w8" : "w");
    if (!t) return false;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(p.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(p.height));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(p.channels));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(p.bits));
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC,
                 p.channels >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_COMPRESSION, l.compression);
    if (p.channels == 2 || p.channels == 4) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    bool ok = true;
    if (l.tile_side == 0) {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, l.strip_rows);
        for (int32_t y = 0; y < p.height && ok; ++y) {
            std::vector<uint8_t> row = sample_row(p, y, false);
            ok = TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) >= 0;
        }
    } else {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, l.tile_side);
        TIFFSetField(t, TIFFTAG_TILELENGTH, l.tile_side);
        const size_t pixel = static_cast<size_t>(p.channels) * (p.bits / 8);
        std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(t)));
        for (uint32_t ty = 0; ty < static_cast<uint32_t>(p.height) && ok; ty += l.tile_side) {
            for (uint32_t tx = 0; tx < static_cast<uint32_t>(p.width) && ok; tx += l.tile_side) {
                std::fill(tile.begin(), tile.end(), 0);
                for (uint32_t k = 0; k < l.tile_side && ty + k < uint32_t(p.height); ++k) {
                    const std::vector<uint8_t> row = sample_row(p, int32_t(ty + k), false);
                    const size_t n = std::min<size_t>(l.tile_side, p.width - tx) * pixel;
                    std::memcpy(&tile[k * l.tile_side * pixel], &row[tx * pixel], n);
                }
                ok = TIFFWriteTile(t, tile.data(), tx, ty, 0, 0) >= 0;
            }
        }
    }
    TIFFClose(t);
    return ok;
}

}  // namespace testsupport
