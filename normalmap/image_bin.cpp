// Image bins and their bordered copies.
//
// The bordered copy lets the sampling loop read every kernel offset without
// a bounds test. Border pixels are found by taking the offset column and row
// modulo the picture size (wrap) or by clamping them to the picture (repeat);
// either way a picture smaller than the kernel never makes a read outside it.
#include <cstring>
#include <vector>

#include "normalmap/normalmap.h"

int32_t image_bin_bytes_per_pixel(int32_t format) {
    switch (format) {
        case 1:
            return 1;
        case 2:
        case 7:
            return 4;
        case 3:
        case 4:
        case 5:
            return 2;
        case 6:
            return 8;
        case 8:
            return 12;
        default:
            normalmap_report("Unrecognized format! %d\n", format);
            return 0;
    }
}

namespace {

// Picture index of a copy index shifted by `shift` (the border before it).
int32_t source_index(int64_t i, int32_t shift, int32_t size, bool wrap) {
    int64_t v = i - shift;
    if (wrap) {
        v %= size;
        if (v < 0) v += size;
        return static_cast<int32_t>(v);
    }
    return static_cast<int32_t>(v < 0 ? 0 : v >= size ? size - 1 : v);
}

}  // namespace

int32_t make_bordered_copy(const ImageBin& source, const BorderExtents& e, bool wrap,
                           BorderedImageBin& out) {
    out.bin.owned = std::vector<uint8_t>();
    out.bin.pixels = nullptr;
    out.bin.width = out.bin.height = 0;
    const int32_t bpp = image_bin_bytes_per_pixel(source.format);
    if (!source.pixels || source.width < 1 || source.height < 1 || bpp == 0) return -1;
    if (e.min_dx > 0 || e.max_dx < 0 || e.min_dy > 0 || e.max_dy < 0) return -1;
    const int64_t bw =
        static_cast<int64_t>(source.width) + e.max_dx - static_cast<int64_t>(e.min_dx);
    const int64_t bh =
        static_cast<int64_t>(source.height) + e.max_dy - static_cast<int64_t>(e.min_dy);
    if (bw > INT32_MAX || bh > INT32_MAX || bw * bh > INT64_MAX / 16) return -1;
    const int64_t row_bytes = bw * bpp;
    std::vector<uint8_t> copy;
    // Column map of one copy row (in source pixel units), shared by all rows.
    std::vector<int32_t> columns;
    try {
        copy.resize(static_cast<size_t>(row_bytes * bh));
        columns.resize(static_cast<size_t>(bw));
    } catch (...) {
        return -2;
    }
    uint8_t* const pixels = copy.data();
    const int32_t left = -e.min_dx, top = -e.min_dy;
    for (int64_t bx = 0; bx < bw; ++bx)
        columns[static_cast<size_t>(bx)] = source_index(bx, left, source.width, wrap);

    const int64_t src_row_bytes = static_cast<int64_t>(source.width) * bpp;
    for (int64_t by = 0; by < bh; ++by) {
        const uint8_t* src =
            source.pixels + source_index(by, top, source.height, wrap) * src_row_bytes;
        uint8_t* dst = pixels + by * row_bytes;
        for (int64_t bx = 0; bx < left; ++bx)
            std::memcpy(dst + bx * bpp, src + static_cast<int64_t>(columns[bx]) * bpp, bpp);
        std::memcpy(dst + static_cast<int64_t>(left) * bpp, src,
                    static_cast<size_t>(src_row_bytes));
        for (int64_t bx = left + static_cast<int64_t>(source.width); bx < bw; ++bx)
            std::memcpy(dst + bx * bpp, src + static_cast<int64_t>(columns[bx]) * bpp, bpp);
    }

    out.bin.owned = std::move(copy);
    out.bin.pixels = out.bin.owned.data();
    out.bin.format = source.format;
    out.bin.width = static_cast<int32_t>(bw);
    out.bin.height = static_cast<int32_t>(bh);
    out.extents = e;
    out.wrap = wrap;
    return 0;
}
