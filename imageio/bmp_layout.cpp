// BMP header checks.
//
// Every offset and count in a BMP header is a claim that may be false: a
// truncated download, a hand-edited header or a file of another kind with a
// .bmp name. Nothing here is trusted until the bytes it points at are known
// to lie inside the file, so the expansion code can index without checks.
#include "imageio/bmp_layout.h"

#include <cstdint>

#include "imageio/loader_log.h"

namespace {

constexpr int64_t kFileHeaderSize = 14;
constexpr int64_t kInfoHeaderMin = 40;  // BITMAPINFOHEADER; V4 and V5 are longer
constexpr int64_t kMaxSide = 1 << 30;

uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int32_t s32(const uint8_t* p) { return static_cast<int32_t>(u32(p)); }

uint32_t u16(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

// Palette entries present: the header's colour count when it names fewer than
// the bit depth allows, and never more than fit before the pixel data.
int32_t palette_entries(const uint8_t* data, int32_t bits, int64_t palette_offset,
                        int64_t pixel_offset) {
    int64_t entries = int64_t{1} << bits;
    const uint32_t used = u32(data + 46);
    if (used > 0 && used < entries) entries = used;
    if (pixel_offset > palette_offset) {
        const int64_t room = (pixel_offset - palette_offset) / 4;
        if (room < entries) entries = room;
    }
    return static_cast<int32_t>(entries);
}

}  // namespace

LoadResult read_bmp_layout(const uint8_t* data, int64_t data_length, int64_t length,
                           const char* name, BmpLayout& out) {
    static_assert(kFileHeaderSize + kInfoHeaderMin == BMP_HEAD_BYTES, "the fields read below");
    if (length < BMP_HEAD_BYTES || data_length < BMP_HEAD_BYTES) {
        return loader_fail("texture %s is too short for a BMP file", name);
    }
    const int32_t bits = static_cast<int32_t>(u16(data + 28));
    if (bits != 4 && bits != 8 && bits != 24) {
        return loader_fail("texture %s is no 4, 8 or 24bit BMP file", name);
    }
    const int64_t info_size = u32(data + 14);
    if (info_size < kInfoHeaderMin || kFileHeaderSize + info_size > length) {
        return loader_fail("texture %s has an unsupported BMP header", name);
    }
    if (u32(data + 30) != 0) {
        return loader_fail("texture %s is a compressed BMP file", name);
    }
    const int64_t width = s32(data + 18);
    const int64_t raw_height = s32(data + 22);
    const int64_t height = raw_height < 0 ? -raw_height : raw_height;
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        return loader_fail("texture %s has a bad size (%lld,%lld)", name,
                           static_cast<long long>(width), static_cast<long long>(raw_height));
    }

    BmpLayout l;
    l.width = static_cast<int32_t>(width);
    l.height = static_cast<int32_t>(height);
    l.top_down = raw_height < 0;
    l.bits = bits;
    l.palette_offset = kFileHeaderSize + info_size;
    l.pixel_offset = u32(data + 10);
    // Rows are padded to whole 32-bit words.
    l.row_stride = (width * bits + 31) / 32 * 4;
    if (bits != 24) {
        l.palette_entries = palette_entries(data, bits, l.palette_offset, l.pixel_offset);
        if (l.palette_offset + 4 * int64_t{l.palette_entries} > length) {
            return loader_fail("texture %s is shorter than its palette", name);
        }
    }
    // The last row needs only its pixels, not its padding.
    const int64_t last_row_bytes = (width * bits + 7) / 8;
    if (l.pixel_offset + l.row_stride * (height - 1) + last_row_bytes > length) {
        return loader_fail("texture %s is shorter than its pixel data", name);
    }
    out = l;
    return loader_done();
}

void bmp_palette_colours(const BmpLayout& l, const uint8_t* file_palette, uint8_t* colours) {
    for (int32_t k = 0; k < (1 << l.bits); ++k) {
        uint8_t* c = colours + 4 * k;
        c[0] = c[1] = c[2] = 0;
        c[3] = 255;
        if (k < l.palette_entries) {
            const uint8_t* src = file_palette + 4 * k;
            c[0] = src[2];
            c[1] = src[1];
            c[2] = src[0];
        }
    }
}
