// Real texture streams and tile files made in memory by the library, for
// the reader tests and the mutation test.
#pragma once

#include <cstdint>
#include <vector>

#include "texcomp/texcomp.h"
#include "tool/tiletool.h"

namespace cmdtest {

struct StreamBytes {
    std::vector<uint8_t> bytes;
    static int32_t sink(int32_t count, const uint8_t* buffer, void* user) {
        auto* s = static_cast<StreamBytes*>(user);
        s->bytes.insert(s->bytes.end(), buffer, buffer + count);
        return count;
    }
};

// R, G, B, A pixels with some of everything.
inline std::vector<uint8_t> rgba_pattern(int32_t w, int32_t h) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>((i * 29 + i / 5) & 255);
    return p;
}

// The whole stream of one compress_texture call on a w x h picture of 4
// planes; empty when the call is refused.
inline std::vector<uint8_t> make_stream(int32_t code, int32_t w, int32_t h,
                                        void (*tweak)(TextureSettings&) = nullptr) {
    TextureSettings s;
    texture_settings_init(s);
    s.g_texture_format = code;
    s.g_b_quick_compress = 1;
    if (tweak) tweak(s);
    StreamBytes out;
    s.write_sink = StreamBytes::sink;
    s.user = &out;
    const std::vector<uint8_t> pixels = rgba_pattern(w, h);
    const int32_t result = compress_texture(pixels.data(), w, h, w * 4, s, 4, nullptr, nullptr);
    if (result < 0) out.bytes.clear();
    return out.bytes;
}

// A tile file as razivavu writes it: header, then the stream's levels from
// `skip` on, of a tile_w x tile_h tile.
inline std::vector<uint8_t> make_tile(bool block_file, int32_t tile_w, int32_t tile_h,
                                      int32_t skip) {
    std::vector<uint8_t> file(TILE_HEADER_SIZE);
    encode_tile_header(make_tile_header(block_file ? TILE_CODE_BLOCKS : TILE_CODE_RGB, tile_w,
                                        tile_h, level_count(tile_w, tile_h), skip),
                       file.data());
    TextureSettings s;
    texture_settings_init(s);
    s.g_texture_format = block_file ? 0 : 8;
    s.g_b_quick_compress = 1;
    struct Levels {
        std::vector<uint8_t>* file;
        int32_t skip;
        static int32_t cb(const uint8_t* buffer, int32_t level, int32_t count, int32_t, int32_t,
                          void* user) {
            auto* l = static_cast<Levels*>(user);
            if (level >= l->skip) l->file->insert(l->file->end(), buffer, buffer + count);
            return count;
        }
    } levels{&file, skip};
    s.user = &levels;
    const std::vector<uint8_t> pixels = rgba_pattern(tile_w, tile_h);
    compress_texture(pixels.data(), tile_w, tile_h, tile_w * 3, s, 3, Levels::cb, nullptr);
    return file;
}

}  // namespace cmdtest
