// What the readers need to know about a format code: its name, the size of a
// level, the chain of level sizes, and which code a stream header names.
#include "tool/texfile/format_table_stopgap.h"
#include "tool/texfile/texfile.h"

namespace {

uint32_t word_at(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

constexpr uint32_t FOURCC_DXT1 = 0x31545844;
constexpr uint32_t FOURCC_DXT3 = 0x33545844;
constexpr uint32_t FOURCC_DXT5 = 0x35545844;

// A stream header's pixel-format block as the reader sees it.
struct PixelFormat {
    uint32_t flags, fourcc, bits, r, g, b, a;
    bool is(uint32_t f, uint32_t cc, uint32_t n, uint32_t rm, uint32_t gm, uint32_t bm,
            uint32_t am) const {
        return flags == f && fourcc == cc && bits == n && r == rm && g == gm && b == bm && a == am;
    }
};

}  // namespace

const char* tex_format_name(int32_t format) {
    const TextureFormatInfo* info = texture_format_info(format);
    return info ? info->name : "?";
}

int64_t tex_level_bytes(int32_t format, int32_t w, int32_t h) {
    return texture_level_size(format, w, h);
}

std::vector<std::pair<int32_t, int32_t>> tex_chain(int32_t w, int32_t h, int32_t limit) {
    std::vector<std::pair<int32_t, int32_t>> chain;
    if (w < 1 || h < 1) return chain;
    chain.push_back({w, h});
    while ((limit == 0 || static_cast<int32_t>(chain.size()) < limit) && (w > 1 || h > 1)) {
        w = (w + 1) / 2;
        h = (h + 1) / 2;
        chain.push_back({w, h});
    }
    return chain;
}

int32_t tex_format_from_pixel_format(const uint8_t block[32]) {
    if (word_at(block) != 32) return -1;
    const PixelFormat pf{word_at(block + 4),  word_at(block + 8),  word_at(block + 12),
                         word_at(block + 16), word_at(block + 20), word_at(block + 24),
                         word_at(block + 28)};
    if (pf.flags == 4 && pf.fourcc == FOURCC_DXT1) return 0;
    if (pf.flags == 4 && pf.fourcc == FOURCC_DXT3) return 2;
    if (pf.flags == 4 && pf.fourcc == FOURCC_DXT5) return 3;
    // The uncompressed layouts differ in their flags, bit count and masks;
    // two of them carry a plain number in the FourCC word.
    struct Candidate {
        int32_t code;
        uint32_t flags, fourcc, bits, r, g, b, a;
    };
    static const Candidate candidates[] = {
        {4, 0x41, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
        {5, 0x41, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
        {6, 0x40, 0, 16, 0xF800, 0x07E0, 0x001F, 0},
        {7, 0x41, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
        {8, 0x40, 0, 24, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},
        {9, 0x40, 0, 16, 0x7C00, 0x03E0, 0x001F, 0},
        {10, 0x20, 0, 8, 0, 0, 0, 0},
        {11, 0x00080000, 0, 16, 0x00FF, 0xFF00, 0, 0},
        {12, 0x04, 117, 16, 0x00FF, 0xFF00, 0, 0},
        {13, 0x02, 0, 8, 0, 0, 0, 0xFF},
        {14, 0x08, 0, 4, 0, 0, 0, 0},
        {15, 0x04, 63, 0, 0, 0, 0, 0},
        {16, 0x00020001, 0, 16, 0x00FF, 0, 0, 0xFF00},
    };
    for (const Candidate& c : candidates)
        if (pf.is(c.flags, c.fourcc, c.bits, c.r, c.g, c.b, c.a)) return c.code;
    return -1;
}
