// decode_tex_level: the format's decoder from the decoding table, then the
// file's own view of the pixels (tile files: three channels, the colours
// back in the picture's order), volume slices side by side.
#include <algorithm>
#include <exception>
#include <new>

#include "texfile/texfile.h"

int32_t tex_channels(const TexFile& file) {
    if (file.kind == TexFileKind::tile) return 3;
    const TexDecoding* row = tex_decoding(file.format);
    return row ? row->channels : 0;
}

namespace {

// The table's decoder; the ASTC ones report the library's failures by
// exception, which ends here.
bool run_decoder(const TexDecoding& row, const TexSlice& slice, uint8_t* out, std::string& error) {
    try {
        row.decode(slice, out);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    return true;
}

}  // namespace

bool decode_tex_slice(const TexFile& file, const TexSlice& slice, uint8_t* out,
                      std::string& error) {
    const TexDecoding* row = tex_decoding(file.format);
    if (!row) {
        error = "no decoder for format " + std::to_string(file.format);
        return false;
    }
    const int32_t channels = tex_channels(file);
    if (channels == row->channels && !file.colours_exchanged)
        return run_decoder(*row, slice, out, error);
    std::vector<uint8_t> decoded;
    try {
        decoded.resize(static_cast<size_t>(slice.width) * slice.height * row->channels);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    if (!run_decoder(*row, slice, decoded.data(), error)) return false;
    const size_t pixels = static_cast<size_t>(slice.width) * slice.height;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* in = decoded.data() + i * row->channels;
        uint8_t* o = out + i * channels;
        std::copy(in, in + channels, o);
        if (file.colours_exchanged) std::swap(o[0], o[2]);
    }
    return true;
}

bool decode_tex_level(const TexFile& file, size_t level, TexImage& out, std::string& error,
                      BlockDecoder reading) {
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
    std::vector<uint8_t> slice_pixels;
    try {
        out.pixels.assign(static_cast<size_t>(out.width) * out.height * channels, 0);
        slice_pixels.resize(static_cast<size_t>(lv.width) * lv.height * channels);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    TexSlice slice;
    slice.size = lv.size / lv.slices;
    slice.width = lv.width;
    slice.height = lv.height;
    slice.reading = reading;
    if (file.palette_entries > 0) slice.palette = file.bytes.data() + file.palette_offsets[lv.face];
    for (int32_t s = 0; s < lv.slices; ++s) {
        slice.data = file.bytes.data() + lv.offset + s * slice.size;
        if (!decode_tex_slice(file, slice, slice_pixels.data(), error)) return false;
        const size_t row = static_cast<size_t>(lv.width) * channels;
        for (int32_t y = 0; y < lv.height; ++y)
            std::copy(slice_pixels.begin() + y * row, slice_pixels.begin() + (y + 1) * row,
                      out.pixels.begin() +
                          (static_cast<size_t>(y) * out.width + s * lv.width) * channels);
    }
    return true;
}
