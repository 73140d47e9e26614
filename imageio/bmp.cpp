// BMP loader: 4- and 8-bit palette pictures and 24-bit pictures with an
// optional companion alpha file.
//
// The whole file is read into memory and checked by read_bmp_layout before a
// single pixel is touched, so a failing load leaves the record as it was.
#include <cstring>
#include <memory>
#include <new>

#include "imageio/bmp_layout.h"
#include "imageio/imageio.h"
#include "imageio/loader_log.h"
#include "vxsystem/vxsystem.h"

namespace {

constexpr int32_t kMaxPow2Side = 16384;

// A whole file in memory.
struct FileBytes {
    std::unique_ptr<uint8_t[]> data;
    int64_t length = 0;
};

int read_file(const std::string& name, int32_t size, FileBytes& out) {
    if (size < 1) {
        loader_fail("cannot read %s", name.c_str());
        return 0;
    }
    out.data.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!out.data) {
        loader_fail("not enough memory to read %s (%d bytes)", name.c_str(), size);
        return 0;
    }
    const int32_t got = read_whole_file(name.c_str(), out.data.get(), size);
    if (got < 0) {
        loader_fail("cannot read %s", name.c_str());
        return 0;
    }
    out.length = got;
    return 1;
}

bool is_pow2_side(int32_t v) {
    for (int32_t p = 1; p <= kMaxPow2Side; p <<= 1) {
        if (v == p) return true;
    }
    return false;
}

// Reserves the pixel block; sizes beyond what a 32-bit reservation holds are
// refused rather than wrapped.
int reserve_pixels(LoadedImage& image, int64_t bytes_per_pixel, const BmpLayout& l) {
    const int64_t bytes = bytes_per_pixel * l.width * l.height;
    if (bytes > INT32_MAX) {
        loader_fail("texture %s is too large (%d,%d)", image.name.c_str(), l.width, l.height);
        return 0;
    }
    if (!reserve_block(&image.pixels, static_cast<int32_t>(bytes), image.name.c_str())) {
        loader_fail("not enough memory for texture %s", image.name.c_str());
        return 0;
    }
    return 1;
}

// Index of pixel x in a row of a 4- or 8-bit file. Every BMP writer stores
// the left pixel of a pair in the high nibble.
uint8_t palette_index(const uint8_t* row, int32_t bits, int32_t x) {
    if (bits == 8) return row[x];
    const uint8_t pair = row[x >> 1];
    return (x & 1) ? (pair & 0x0F) : (pair >> 4);
}

int load_palette_picture(LoadedImage& image, const FileBytes& file, const BmpLayout& l,
                         int32_t planes) {
    const int32_t palette_size = 1 << l.bits;
    const bool indexed = planes == 5 || planes == 6;

    // Entries the file lacks stay black, opaque.
    uint8_t colours[256 * 4];
    for (int32_t k = 0; k < palette_size; ++k) {
        uint8_t* c = colours + 4 * k;
        c[0] = c[1] = c[2] = 0;
        c[3] = 255;
        if (k < l.palette_entries) {
            const uint8_t* src = file.data.get() + l.palette_offset + 4 * k;
            c[0] = src[2];
            c[1] = src[1];
            c[2] = src[0];
        }
    }

    if (!reserve_pixels(image, indexed ? 1 : planes, l)) return 0;
    if (indexed) {
        if (!reserve_block(&image.palette, palette_size * 4, "palette")) {
            loader_fail("not enough memory for the palette of %s", image.name.c_str());
            return 0;
        }
        std::memcpy(image.palette, colours, static_cast<size_t>(palette_size) * 4);
    }

    uint8_t* out = image.pixels;
    for (int32_t y = 0; y < l.height; ++y) {
        const uint8_t* row = file.data.get() + bmp_row_offset(l, bmp_file_row(l, y));
        for (int32_t x = 0; x < l.width; ++x) {
            const uint8_t index = palette_index(row, l.bits, x);
            const uint8_t* c = colours + 4 * index;
            if (indexed) {
                *out++ = index;
            } else if (planes == 3) {
                *out++ = c[0];
                *out++ = c[1];
                *out++ = c[2];
            } else if (planes == 4) {
                *out++ = c[0];
                *out++ = c[1];
                *out++ = c[2];
                *out++ = 255;
            }
            // Any other layout has no meaning for a palette picture: the block
            // stays zero.
        }
    }
    image.width = l.width;
    image.height = l.height;
    image.planes = planes;
    image.palette_size = palette_size;
    return 1;
}

// Looks for the companion alpha file next to the picture; 1 and the loaded
// companion when there is one, 0 when there is none, -1 when it is unusable.
int find_companion(const std::string& name, const BmpLayout& picture, FileBytes& file,
                   BmpLayout& layout) {
    const std::string base = name_base(name);
    std::string companion = base + "_trans.bmp";
    int32_t size = file_size(companion.c_str());
    if (size < 1) {
        companion = base + "op.bmp";
        size = file_size(companion.c_str());
    }
    if (size < 1) return 0;
    if (!read_file(companion, size, file)) return -1;
    if (!read_bmp_layout(file.data.get(), file.length, companion.c_str(), layout)) return -1;
    if (layout.bits != 24 || layout.width != picture.width || layout.height != picture.height) {
        loader_fail("alpha file %s does not match texture %s", companion.c_str(), name.c_str());
        return -1;
    }
    return 1;
}

int load_rgb_picture(LoadedImage& image, const FileBytes& file, const BmpLayout& l, int32_t planes,
                     int skip_pow2_check) {
    if (!skip_pow2_check && !(is_pow2_side(l.width) && is_pow2_side(l.height))) {
        loader_fail("texture size of %s is no power of 2 (%d,%d)", image.name.c_str(), l.width,
                    l.height);
        return 0;
    }
    FileBytes alpha_file;
    BmpLayout alpha;
    const int companion = find_companion(image.name, l, alpha_file, alpha);
    if (companion < 0) return 0;
    if (companion > 0) planes = 4;
    if (!reserve_pixels(image, planes, l)) return 0;

    uint8_t* out = image.pixels;
    for (int32_t y = 0; y < l.height; ++y) {
        // The companion's file rows pair with the picture's file rows.
        const int32_t file_row = bmp_file_row(l, y);
        const uint8_t* src = file.data.get() + bmp_row_offset(l, file_row);
        const uint8_t* a =
            companion > 0 ? alpha_file.data.get() + bmp_row_offset(alpha, file_row) : nullptr;
        for (int32_t x = 0; x < l.width; ++x, src += 3) {
            const uint8_t b = src[0], g = src[1], r = src[2];
            if (planes == 4) {
                *out++ = r;
                *out++ = g;
                *out++ = b;
                if (a) {
                    *out++ = static_cast<uint8_t>((a[0] + a[1] + a[2]) / 3);
                    a += 3;
                } else {
                    *out++ = (r | g | b) ? 255 : 0;
                }
            } else if (planes == 3) {
                *out++ = r;
                *out++ = g;
                *out++ = b;
            } else {
                *out++ = static_cast<uint8_t>((b + g + r) / 3);
            }
        }
    }
    image.width = l.width;
    image.height = l.height;
    image.planes = planes;
    return 1;
}

}  // namespace

int load_bmp(LoadedImage& image, int32_t size, int32_t planes, int skip_pow2_check) {
    loader_start();
    const char* name = image.name.c_str();
    if (planes < 1) {
        loader_fail("texture %s cannot be loaded with %d planes", name, planes);
        return 0;
    }
    FileBytes file;
    if (!read_file(image.name, size, file)) return 0;
    BmpLayout layout;
    if (!read_bmp_layout(file.data.get(), file.length, name, layout)) return 0;
    if (layout.bits == 24) return load_rgb_picture(image, file, layout, planes, skip_pow2_check);
    return load_palette_picture(image, file, layout, planes);
}
