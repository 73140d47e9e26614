// BMP loader: 4- and 8-bit palette pictures and 24-bit pictures with an
// optional companion alpha file.
//
// The headers are read and checked by read_bmp_layout first, and the memory
// the picture needs is weighed against the limit, before the whole file is
// read: a 2 GB file of another kind is turned away after 54 bytes. A failing
// load leaves the record as it was.

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

// Reads and checks the headers of a file of `size` bytes.
int read_head(const std::string& name, int32_t size, BmpLayout& layout) {
    uint8_t head[BMP_HEAD_BYTES];
    const int32_t got = size < 1 ? -1 : read_whole_file(name.c_str(), head, BMP_HEAD_BYTES);
    if (got < 0) {
        loader_fail("cannot read %s", name.c_str());
        return 0;
    }
    return read_bmp_layout(head, got, size, name.c_str(), layout);
}

// Reads the whole file, whose headers gave `layout`. The file must still be
// the one the headers came from, or the checks made on them would not hold.
int read_file(const std::string& name, int32_t size, const BmpLayout& layout, FileBytes& out) {
    out.data.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!out.data) {
        loader_fail("not enough memory to read %s (%d bytes)", name.c_str(), size);
        return 0;
    }
    const int32_t got = read_whole_file(name.c_str(), out.data.get(), size);
    BmpLayout again;
    if (got != size || !read_bmp_layout(out.data.get(), got, got, name.c_str(), again) ||
        again.width != layout.width || again.height != layout.height || again.bits != layout.bits ||
        again.pixel_offset != layout.pixel_offset) {
        loader_fail("cannot read %s (it changed while being read)", name.c_str());
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

int64_t pixel_block_bytes(int64_t bytes_per_pixel, const BmpLayout& l) {
    return bytes_per_pixel * l.width * l.height;
}

// Reserves the pixel block; sizes beyond what a 32-bit reservation holds are
// refused rather than wrapped.
int reserve_pixels(LoadedImage& image, int64_t bytes_per_pixel, const BmpLayout& l) {
    const int64_t bytes = pixel_block_bytes(bytes_per_pixel, l);
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

int load_palette_picture(LoadedImage& image, int32_t size, const BmpLayout& l, int32_t planes) {
    const int32_t palette_size = 1 << l.bits;
    const bool indexed = planes == 5 || planes == 6;
    if (!loader_memory_fits(image.name, int64_t{size} + pixel_block_bytes(indexed ? 1 : planes, l)))
        return 0;
    FileBytes file;
    if (!read_file(image.name, size, l, file)) return 0;

    uint8_t colours[256 * 4];
    bmp_palette_colours(l, file.data.get() + l.palette_offset, colours);

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
            const uint8_t index = bmp_palette_index(row, l.bits, x);
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

// Size of `name` when it is a regular file; 0 when there is nothing usable by
// that name.
int32_t companion_size(const std::string& name) {
    if (!bmp_companion_is_regular(name)) return 0;
    const int32_t size = file_size(name.c_str());
    return size > 0 ? size : 0;
}

// The companion alpha file next to the picture, found and checked by its
// headers (not read yet).
struct Companion {
    std::string name;
    int32_t size = 0;
    BmpLayout layout;
};

// 1 when there is a usable companion, 0 when there is none, -1 when it is
// unusable.
int find_companion(const std::string& name, const BmpLayout& picture, Companion& c) {
    const std::string base = name_base(name);
    c.name = base + "_trans.bmp";
    c.size = companion_size(c.name);
    if (c.size < 1) {
        c.name = base + "op.bmp";
        c.size = companion_size(c.name);
    }
    if (c.size < 1) return 0;
    if (!read_head(c.name, c.size, c.layout)) return -1;
    if (c.layout.bits != 24 || c.layout.width != picture.width ||
        c.layout.height != picture.height) {
        loader_fail("alpha file %s does not match texture %s", c.name.c_str(), name.c_str());
        return -1;
    }
    return 1;
}

int load_rgb_picture(LoadedImage& image, int32_t size, const BmpLayout& l, int32_t planes,
                     int skip_pow2_check) {
    if (!skip_pow2_check && !(is_pow2_side(l.width) && is_pow2_side(l.height))) {
        loader_fail("texture size of %s is no power of 2 (%d,%d)", image.name.c_str(), l.width,
                    l.height);
        return 0;
    }
    Companion c;
    const int companion = find_companion(image.name, l, c);
    if (companion < 0) return 0;
    if (companion > 0) planes = 4;
    // Both files in memory at once, and the picture's block.
    if (!loader_memory_fits(image.name, int64_t{size} + c.size + pixel_block_bytes(planes, l)))
        return 0;
    FileBytes file;
    FileBytes alpha_file;
    if (!read_file(image.name, size, l, file)) return 0;
    if (companion > 0 && !read_file(c.name, c.size, c.layout, alpha_file)) return 0;
    const BmpLayout& alpha = c.layout;
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
    BmpLayout layout;
    if (!read_head(image.name, size, layout)) return 0;
    if (layout.bits == 24) return load_rgb_picture(image, size, layout, planes, skip_pow2_check);
    return load_palette_picture(image, size, layout, planes);
}
