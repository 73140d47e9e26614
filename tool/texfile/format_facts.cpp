// What the readers need to know about a format code: its name, the chain of
// level sizes, and which code a stream header names.
#include "texcomp/texcomp.h"
#include "texfile/readers.h"
#include "texfile/texfile.h"

const char* tex_format_name(int32_t format) {
    const TextureFormatInfo* info = texture_format_info(format);
    return info ? info->name : "?";
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
    if (read_word(block) != 32) return -1;
    const TexturePixelFormat pf{read_word(block + 4),  read_word(block + 8),  read_word(block + 12),
                                read_word(block + 16), read_word(block + 20), read_word(block + 24),
                                read_word(block + 28)};
    // The first row with this block: DXT1 with and without alpha share one,
    // and code 0 comes first.
    for (int32_t code = 0; code < TEXTURE_FORMAT_COUNT; ++code) {
        const TexturePixelFormat& h = texture_format_info(code)->header;
        if (h.flags == pf.flags && h.fourcc == pf.fourcc && h.bit_count == pf.bit_count &&
            h.red_mask == pf.red_mask && h.green_mask == pf.green_mask &&
            h.blue_mask == pf.blue_mask && h.alpha_mask == pf.alpha_mask)
            return code;
    }
    return -1;
}
