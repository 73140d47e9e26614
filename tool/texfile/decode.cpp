// decode_tex_level: picks the family decoder and lays volume slices side by
// side.
#include <algorithm>
#include <new>

#include "texfile/texfile.h"

int32_t tex_channels(const TexFile& file) {
    if (file.kind == TexFileKind::tile) return 3;
    switch (file.format) {
        case 6:
        case 8:
        case 9:
        case 11:
        case 12:
            return 3;
        case 13:
            return 1;
        case 16:
            return 2;
        default:
            return 4;
    }
}

bool decode_tex_level(const TexFile& file, size_t level, TexImage& out, std::string& error) {
    if (level >= file.levels.size()) {
        error = "no such level";
        return false;
    }
    const TexLevel& lv = file.levels[level];
    const int32_t channels = tex_channels(file);
    out = TexImage{};
    out.width = lv.width * lv.slices;
    out.height = lv.height;
    out.channels = channels;
    try {
        out.pixels.assign(static_cast<size_t>(out.width) * out.height * channels, 0);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    const int64_t slice_bytes = lv.size / lv.slices;
    std::vector<uint8_t> slice;
    try {
        slice.resize(static_cast<size_t>(lv.width) * lv.height * channels);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    for (int32_t s = 0; s < lv.slices; ++s) {
        const uint8_t* data = file.bytes.data() + lv.offset + s * slice_bytes;
        const int32_t f = file.format;
        if (f <= 3) {
            decode_block_level(f, data, lv.width, lv.height, channels, slice.data());
        } else if (file.palette_entries > 0) {
            const uint8_t* palette = file.bytes.data() + file.palette_offsets[lv.face];
            decode_palette_level(f, palette, data, slice_bytes, lv.width, lv.height, slice.data());
        } else {
            decode_plain_level(f, file.colours_exchanged, data, lv.width, lv.height, slice.data());
        }
        const size_t row = static_cast<size_t>(lv.width) * channels;
        for (int32_t y = 0; y < lv.height; ++y)
            std::copy(slice.begin() + y * row, slice.begin() + (y + 1) * row,
                      out.pixels.begin() +
                          (static_cast<size_t>(y) * out.width + s * lv.width) * channels);
    }
    return true;
}
