// Mip chains made by the compression library itself for the container
// tests, and the pixels a reader of the containers should see in them.
#pragma once

#include <vector>

#include "containers/containers.h"
#include "texfile/texfile.h"

namespace chaintest {

struct MadeChain {
    std::vector<uint8_t> bytes;
    MipChain chain;
};

inline int32_t gather(const uint8_t* b, int32_t, int32_t n, int32_t w, int32_t h, void* user) {
    MadeChain& m = *static_cast<MadeChain*>(user);
    if (m.chain.levels++ == 0) m.chain.width = w, m.chain.height = h;
    m.bytes.insert(m.bytes.end(), b, b + n);
    return 0;
}

// The chain of a w x h picture (every pixel different) stored from level
// `first` on, at most `count` levels of the whole chain (0: all).
inline MadeChain make_chain(TextureFormat format, int32_t w, int32_t h, int32_t first = 0,
                            int32_t count = 0, ColourOrder order = ColourOrder::BlueFirst) {
    MadeChain m;
    TextureSettings s;
    texture_settings_init(s);
    s.g_texture_format = static_cast<int32_t>(format);
    s.g_specified_mip_maps = static_cast<int16_t>(count);
    s.first_level = first;
    s.user = &m;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 37 + i / 7);
    compress_texture(pixels.data(), w, h, int64_t{w} * 4, s, 4, gather, nullptr);
    m.chain.format = format;
    m.chain.bytes = m.bytes.data();
    m.chain.size = static_cast<int64_t>(m.bytes.size());
    m.chain.order = order;
    return m;
}

// Decoded pixels as R, G, B, A (three channels gain alpha 255).
inline std::vector<uint8_t> as_rgba(const std::vector<uint8_t>& pixels, int32_t channels) {
    std::vector<uint8_t> out(pixels.size() / channels * 4, 255);
    for (size_t i = 0; i < pixels.size(); ++i) out[i / channels * 4 + i % channels] = pixels[i];
    return out;
}

// Level `k` of the chain by the library's own decoder of the format, red
// and blue exchanged for pixels stored red first (blocks carry their
// colours whatever the order says).
inline std::vector<uint8_t> chain_pixels(const MipChain& c, int32_t k) {
    const int32_t code = static_cast<int32_t>(c.format);
    int32_t w = c.width, h = c.height;
    TexSlice slice;
    slice.data = c.bytes;
    for (int32_t j = 0; j < k; ++j, w = (w + 1) / 2, h = (h + 1) / 2)
        slice.data += texture_level_size(code, w, h);
    slice.size = texture_level_size(code, w, h);
    slice.width = w;
    slice.height = h;
    TexFile file;
    file.format = code;
    file.colours_exchanged =
        c.order == ColourOrder::RedFirst && texture_format_info(code)->block_mode < 0;
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * tex_channels(file));
    std::string error;
    decode_tex_slice(file, slice, out.data(), error);
    return as_rgba(out, tex_channels(file));
}

}  // namespace chaintest
