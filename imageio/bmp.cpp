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
LoadResult read_head(const std::string& name, int32_t size, BmpLayout& layout) {
    uint8_t head[BMP_HEAD_BYTES];
    const int32_t got = size < 1 ? -1 : read_whole_file(name.c_str(), head, BMP_HEAD_BYTES);
    if (got < 0) return loader_fail("cannot read %s", name.c_str());
    return read_bmp_layout(head, got, size, name.c_str(), layout);
}

// Reads the whole file, whose headers gave `layout`. The file must still be
// the one the headers came from, or the checks made on them would not hold.
LoadResult read_file(const std::string& name, int32_t size, const BmpLayout& layout,
                     FileBytes& out) {
    out.data.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!out.data)
        return loader_fail("not enough memory to read %s (%d bytes)", name.c_str(), size);
    const int32_t got = read_whole_file(name.c_str(), out.data.get(), size);
    BmpLayout again;
    if (got != size || !read_bmp_layout(out.data.get(), got, got, name.c_str(), again).ok() ||
        again.width != layout.width || again.height != layout.height || again.bits != layout.bits ||
        again.pixel_offset != layout.pixel_offset)
        return loader_fail("cannot read %s (it changed while being read)", name.c_str());
    out.length = got;
    return loader_done();
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
LoadResult reserve_pixels(LoadedImage& image, int64_t bytes_per_pixel, const BmpLayout& l) {
    const int64_t bytes = pixel_block_bytes(bytes_per_pixel, l);
    if (bytes > INT32_MAX)
        return loader_fail("texture %s is too large (%d,%d)", image.name.c_str(), l.width,
                           l.height);
    if (!reserve_block(&image.pixels, static_cast<int32_t>(bytes), image.name.c_str()))
        return loader_fail("not enough memory for texture %s", image.name.c_str());
    return loader_done();
}

LoadResult load_palette_picture(LoadedImage& image, int32_t size, const BmpLayout& l,
                                int32_t planes) {
    const int32_t palette_size = 1 << l.bits;
    const bool indexed = planes == 5 || planes == 6;
    const int64_t needs = int64_t{size} + pixel_block_bytes(indexed ? 1 : planes, l);
    if (LoadResult fits = loader_memory_fits(image.name, needs); !fits.ok()) return fits;
    FileBytes file;
    if (LoadResult read = read_file(image.name, size, l, file); !read.ok()) return read;

    uint8_t colours[256 * 4];
    bmp_palette_colours(l, file.data.get() + l.palette_offset, colours);

    if (LoadResult block = reserve_pixels(image, indexed ? 1 : planes, l); !block.ok())
        return block;
    if (indexed) {
        if (!reserve_block(&image.palette, palette_size * 4, "palette"))
            return loader_fail("not enough memory for the palette of %s", image.name.c_str());
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
    return loader_done();
}

// Size of `name` when it is a regular file; 0 when there is nothing usable by
// that name. It is read whole, as the picture is: one of 2 GiB or more is none.
int32_t companion_size(const std::string& name) {
    if (!bmp_companion_is_regular(name)) return 0;
    const int64_t size = file_size(name.c_str());
    return size > 0 && size <= INT32_MAX ? static_cast<int32_t>(size) : 0;
}

// The companion alpha file next to the picture, found and checked by its
// headers (not read yet).
struct Companion {
    std::string name;
    int32_t size = 0;  // 0 when there is none
    BmpLayout layout;
};

// Loaded, with `c.size` 0 when there is no companion; a failure when there is
// one and it is unusable.
LoadResult find_companion(const std::string& name, const BmpLayout& picture, Companion& c) {
    const std::string base = name_base(name);
    c.name = base + "_trans.bmp";
    c.size = companion_size(c.name);
    if (c.size < 1) {
        c.name = base + "op.bmp";
        c.size = companion_size(c.name);
    }
    if (c.size < 1) return loader_done();
    if (LoadResult head = read_head(c.name, c.size, c.layout); !head.ok()) return head;
    if (c.layout.bits != 24 || c.layout.width != picture.width || c.layout.height != picture.height)
        return loader_fail("alpha file %s does not match texture %s", c.name.c_str(), name.c_str());
    return loader_done();
}

LoadResult load_rgb_picture(LoadedImage& image, int32_t size, const BmpLayout& l, int32_t planes,
                            int skip_pow2_check) {
    if (!skip_pow2_check && !(is_pow2_side(l.width) && is_pow2_side(l.height)))
        return loader_fail("texture size of %s is no power of 2 (%d,%d)", image.name.c_str(),
                           l.width, l.height);
    Companion c;
    if (LoadResult found = find_companion(image.name, l, c); !found.ok()) return found;
    const bool companion = c.size > 0;
    if (companion) planes = 4;
    // Both files in memory at once, and the picture's block.
    const int64_t needs = int64_t{size} + c.size + pixel_block_bytes(planes, l);
    if (LoadResult fits = loader_memory_fits(image.name, needs); !fits.ok()) return fits;
    FileBytes file;
    FileBytes alpha_file;
    if (LoadResult read = read_file(image.name, size, l, file); !read.ok()) return read;
    if (companion) {
        LoadResult read = read_file(c.name, c.size, c.layout, alpha_file);
        if (!read.ok()) return read;
    }
    const BmpLayout& alpha = c.layout;
    if (LoadResult block = reserve_pixels(image, planes, l); !block.ok()) return block;

    uint8_t* out = image.pixels;
    for (int32_t y = 0; y < l.height; ++y) {
        // The companion's file rows pair with the picture's file rows.
        const int32_t file_row = bmp_file_row(l, y);
        const uint8_t* src = file.data.get() + bmp_row_offset(l, file_row);
        const uint8_t* a =
            companion ? alpha_file.data.get() + bmp_row_offset(alpha, file_row) : nullptr;
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
    return loader_done();
}

}  // namespace

LoadResult load_bmp(LoadedImage& image, int64_t file_size, int32_t planes, int skip_pow2_check) {
    if (planes < 1)
        return loader_fail("texture %s cannot be loaded with %d planes", image.name.c_str(),
                           planes);
    // The file is read whole, so it must stay below 2 GiB as the pixel block
    // does; for a larger one the read of its header already fails and the
    // picture is refused there. The size comes in 64 bits so that no caller
    // cuts it to 32 on the way (4 GiB and 54 bytes would pass for 54).
    const int32_t size = file_size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(file_size);
    BmpLayout layout;
    if (LoadResult head = read_head(image.name, size, layout); !head.ok()) return head;
    if (layout.bits == 24) return load_rgb_picture(image, size, layout, planes, skip_pow2_check);
    return load_palette_picture(image, size, layout, planes);
}
