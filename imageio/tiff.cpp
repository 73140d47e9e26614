// TIFF loader through libtiff.
//
// Reads 8- and 16-bit greyscale (with or without alpha), RGB and RGBA, 8-bit
// palette pictures and JPEG-compressed YCbCr, from strips or tiles, classic
// TIFF or BigTIFF, with any compression libtiff decodes. The result is 8-bit
// R, G, B or R, G, B, A rows; 16-bit samples are cut to their high byte and
// the first extra sample is taken as alpha, as it is stored.
//
// libtiff's messages reach the log through handlers given to this one open
// file, so loads on several threads never meet in a shared handler.
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "imageio/decoders.h"
#include "imageio/imageio.h"
#include "imageio/loader_log.h"
#include "vxsystem/vxsystem.h"

namespace {

struct TiffReader {
    TIFF* tif = nullptr;
    char error[256] = {0};
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;  // of the output: 3 or 4
    uint16_t bits = 8;
    uint16_t samples = 1;
    uint16_t photometric = 0;
    bool tiled = false;
    uint32_t tile_width = 0;
    uint32_t tile_height = 0;
    const uint16_t* map[3] = {nullptr, nullptr, nullptr};  // palette
    std::unique_ptr<uint8_t[]> rows;                       // one scanline, or one row of tiles
    int64_t row_bytes = 0;                                 // of one decoded file row
    int64_t band_first = -1;  // first file row of the row of tiles held
};

int on_error(TIFF*, void* user, const char* module, const char* format, va_list args) {
    TiffReader* r = static_cast<TiffReader*>(user);
    char text[256];
    std::vsnprintf(text, sizeof(text), format, args);
    append_log("TIFF ERROR=%s: %s\n", module ? module : "", text);
    if (r->error[0] == '\0') std::snprintf(r->error, sizeof(r->error), "%s", text);
    return 1;
}

int on_warning(TIFF*, void*, const char* module, const char* format, va_list args) {
    char text[256];
    std::vsnprintf(text, sizeof(text), format, args);
    append_log("TIFF WARNING=%s: %s\n", module ? module : "", text);
    return 1;
}

void close_reader(TiffReader& r) {
    if (r.tif) TIFFClose(r.tif);
    r.tif = nullptr;
    r.rows.reset();
}

// Opens the file with its own handlers; memory mapping is off, so a file
// cut short while it is read gives an error, not a fault.
int open_reader(TiffReader& r, const std::string& name) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return 0;
    TIFFOpenOptionsSetErrorHandlerExtR(options, on_error, &r);
    TIFFOpenOptionsSetWarningHandlerExtR(options, on_warning, &r);
    const int64_t limit = picture_memory_limit();
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(limit));
    r.tif = TIFFOpenExt(name.c_str(), "rm", options);
    TIFFOpenOptionsFree(options);
    return r.tif != nullptr;
}

// The reason the layout is not one the reader converts; empty when it is.
std::string check_layout(TiffReader& r) {
    uint32_t w = 0, h = 0;
    uint16_t planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT, compression = 0;
    TIFFGetField(r.tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(r.tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(r.tif, TIFFTAG_BITSPERSAMPLE, &r.bits);
    TIFFGetFieldDefaulted(r.tif, TIFFTAG_SAMPLESPERPIXEL, &r.samples);
    TIFFGetFieldDefaulted(r.tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(r.tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(r.tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(r.tif, TIFFTAG_PHOTOMETRIC, &r.photometric)) return "no colour model";
    if (w < 1 || h < 1 || w > INT32_MAX || h > INT32_MAX) return "an unusable size";
    r.width = static_cast<int32_t>(w);
    r.height = static_cast<int32_t>(h);
    if (planar != PLANARCONFIG_CONTIG) return "separate colour planes";
    if (format != SAMPLEFORMAT_UINT) return "samples that are not whole numbers";
    if (r.bits != 8 && r.bits != 16) return std::to_string(r.bits) + "-bit samples";
    int colours = 0;
    switch (r.photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE:
            colours = 1;
            break;
        case PHOTOMETRIC_RGB:
            colours = 3;
            break;
        case PHOTOMETRIC_PALETTE:
            colours = 1;
            if (r.bits != 8) return "a palette of other than 8 bits";
            if (!TIFFGetField(r.tif, TIFFTAG_COLORMAP, &r.map[0], &r.map[1], &r.map[2]))
                return "a palette picture without palette";
            break;
        case PHOTOMETRIC_YCBCR:
            // libtiff's JPEG codec converts to RGB itself; other YCbCr files
            // are rare and not read.
            if (compression != COMPRESSION_JPEG || r.bits != 8) return "YCbCr samples";
            TIFFSetField(r.tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            r.photometric = PHOTOMETRIC_RGB;
            colours = 3;
            break;
        default:
            return "colour model " + std::to_string(r.photometric);
    }
    if (r.samples < colours) return "too few samples per pixel";
    r.planes = r.samples > colours ? 4 : 3;
    r.tiled = TIFFIsTiled(r.tif) != 0;
    if (r.tiled) {
        TIFFGetField(r.tif, TIFFTAG_TILEWIDTH, &r.tile_width);
        TIFFGetField(r.tif, TIFFTAG_TILELENGTH, &r.tile_height);
        if (r.tile_width < 1 || r.tile_height < 1) return "tiles of no size";
    }
    return std::string();
}

// a * b and a + b of sizes (never negative), or INT64_MAX when the result
// does not fit: a file may declare tiles whose row does not fit in 64 bits,
// and such a size is refused by the memory check like any other too large.
int64_t size_times(int64_t a, int64_t b) {
    int64_t p = 0;
    return __builtin_mul_overflow(a, b, &p) ? INT64_MAX : p;
}
int64_t size_plus(int64_t a, int64_t b) {
    int64_t s = 0;
    return __builtin_add_overflow(a, b, &s) ? INT64_MAX : s;
}

// Bytes of working memory: one scanline, or one row of tiles.
int64_t working_bytes(const TiffReader& r) {
    const int64_t pixel = int64_t{r.samples} * (r.bits / 8);
    if (!r.tiled) return pixel * r.width;
    const int64_t across = (int64_t{r.width} + r.tile_width - 1) / r.tile_width;
    const int64_t tile_row =
        size_times(size_times(pixel * across, r.tile_width), int64_t{r.tile_height});
    return size_plus(tile_row, static_cast<int64_t>(TIFFTileSize64(r.tif)));
}

int make_buffers(TiffReader& r) {
    const int64_t pixel = int64_t{r.samples} * (r.bits / 8);
    r.row_bytes =
        r.tiled ? pixel * ((int64_t{r.width} + r.tile_width - 1) / r.tile_width) * r.tile_width
                : static_cast<int64_t>(TIFFScanlineSize64(r.tif));
    if (r.row_bytes < pixel * r.width) return 0;
    const int64_t bytes =
        r.tiled ? r.row_bytes * r.tile_height + TIFFTileSize64(r.tif) : r.row_bytes;
    r.rows.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
    return r.rows != nullptr;
}

// Decodes the row of tiles holding file row y into the buffer.
int read_tile_row(TiffReader& r, int64_t y) {
    const int64_t first = y / r.tile_height * r.tile_height;
    if (first == r.band_first) return 1;
    r.band_first = -1;
    const int64_t tile_bytes = TIFFTileSize64(r.tif);
    uint8_t* tile = r.rows.get() + r.row_bytes * r.tile_height;
    const int64_t pixel = int64_t{r.samples} * (r.bits / 8);
    const int64_t tile_pitch = pixel * r.tile_width;
    for (int64_t x = 0; x < r.width; x += r.tile_width) {
        if (TIFFReadTile(r.tif, tile, static_cast<uint32_t>(x), static_cast<uint32_t>(first), 0,
                         0) < 0)
            return 0;
        for (uint32_t k = 0; k < r.tile_height; ++k) {
            if (static_cast<int64_t>(k + 1) * tile_pitch > tile_bytes) break;
            std::memcpy(r.rows.get() + k * r.row_bytes + x * pixel, tile + k * tile_pitch,
                        static_cast<size_t>(tile_pitch));
        }
    }
    r.band_first = first;
    return 1;
}

uint8_t sample(const uint8_t* s, int bits, int index) {
    if (bits == 8) return s[index];
    uint16_t v;
    std::memcpy(&v, s + 2 * index, 2);  // libtiff gives native order
    return static_cast<uint8_t>(v >> 8);
}

// Decodes file row y and converts it into `out` (width x planes bytes).
int read_row(TiffReader& r, int32_t y, uint8_t* out) {
    const uint8_t* src = nullptr;
    if (r.tiled) {
        if (!read_tile_row(r, y)) return 0;
        src = r.rows.get() + (y - r.band_first) * r.row_bytes;
    } else {
        if (TIFFReadScanline(r.tif, r.rows.get(), static_cast<uint32_t>(y), 0) < 0) return 0;
        src = r.rows.get();
    }
    const int step = r.samples * (r.bits / 8);
    for (int32_t x = 0; x < r.width; ++x, src += step, out += r.planes) {
        if (r.photometric == PHOTOMETRIC_RGB) {
            out[0] = sample(src, r.bits, 0);
            out[1] = sample(src, r.bits, 1);
            out[2] = sample(src, r.bits, 2);
            if (r.planes == 4) out[3] = sample(src, r.bits, 3);
        } else if (r.photometric == PHOTOMETRIC_PALETTE) {
            const uint8_t i = src[0];
            out[0] = static_cast<uint8_t>(r.map[0][i] >> 8);
            out[1] = static_cast<uint8_t>(r.map[1][i] >> 8);
            out[2] = static_cast<uint8_t>(r.map[2][i] >> 8);
            if (r.planes == 4) out[3] = sample(src, r.bits, 1);
        } else {
            uint8_t g = sample(src, r.bits, 0);
            if (r.photometric == PHOTOMETRIC_MINISWHITE) g = static_cast<uint8_t>(255 - g);
            out[0] = out[1] = out[2] = g;
            if (r.planes == 4) out[3] = sample(src, r.bits, 1);
        }
    }
    return 1;
}

LoadResult fail_tiff(TiffReader& r, const std::string& name, const std::string& why) {
    close_reader(r);
    return loader_fail("cannot decode tiff %s: %s", name.c_str(), why.c_str());
}

// Opens the file and checks its layout; nothing is left open on failure.
LoadResult open_tiff(TiffReader& r, const std::string& name) {
    if (!open_reader(r, name)) return fail_tiff(r, name, r.error[0] ? r.error : "cannot open it");
    const std::string bad = check_layout(r);
    if (!bad.empty()) return fail_tiff(r, name, "it has " + bad);
    append_log("(tiff=%dx%dx%d)", r.width, r.height, static_cast<int>(r.samples));
    return loader_done();
}

struct TiffSource : BandSource {
    TiffReader r;
    std::string name;
    int32_t next = 0;
    ~TiffSource() override { close_reader(r); }
    LoadResult open(Holding holding, PictureBands& sizes) {
        if (LoadResult opened = open_tiff(r, name); !opened.ok()) return opened;
        const int64_t held =
            holding == Holding::whole ? size_times(int64_t{r.width} * r.height, r.planes) : 0;
        LoadResult fits = loader_memory_fits(name, size_plus(held, working_bytes(r)));
        if (!fits.ok()) return fits;
        if (!make_buffers(r)) return fail_tiff(r, name, "not enough memory");
        sizes.width = r.width;
        sizes.height = r.height;
        sizes.planes = r.planes;
        return fits;
    }
    LoadResult read(uint8_t* out, int32_t rows) override {
        const int64_t pitch = int64_t{r.width} * r.planes;
        for (int32_t k = 0; k < rows; ++k, ++next) {
            if (!read_row(r, next, out + k * pitch))
                return fail_tiff(r, name, r.error[0] ? r.error : "a row cannot be read");
        }
        return loader_done();
    }
    // libtiff reaches a row of tiles directly, and a strip by its own offset;
    // within a strip most codecs decode from its first row, so the rows of
    // the target's strip above it are decoded and dropped.
    LoadResult skip(int32_t rows, int64_t pitch) override {
        const int32_t target = next + rows;
        uint32_t strip_rows = 0;
        TIFFGetFieldDefaulted(r.tif, TIFFTAG_ROWSPERSTRIP, &strip_rows);
        const int32_t strip_first =
            r.tiled || strip_rows < 1 ? target : target - static_cast<int32_t>(target % strip_rows);
        if (strip_first > next) next = strip_first;
        return BandSource::skip(target - next, pitch);
    }
};

}  // namespace

LoadResult open_tiff_decoder(const std::string& name, Holding holding, PictureBands& bands) {
    return open_decoder<TiffSource>("tiff", name, holding, bands);
}
