// The tile header's words in and out of their little-endian bytes.
#include "tileformat/tileformat.h"

namespace {

void put_word(uint8_t* out, int32_t word) {
    const uint32_t v = static_cast<uint32_t>(word);
    for (int k = 0; k < 4; ++k) out[k] = static_cast<uint8_t>(v >> (8 * k));
}

int32_t get_word(const uint8_t* in) {
    return static_cast<int32_t>(static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
                                static_cast<uint32_t>(in[2]) << 16 |
                                static_cast<uint32_t>(in[3]) << 24);
}

}  // namespace

TileHeader make_tile_header(int32_t format_code, int32_t tile_width, int32_t tile_height,
                            int32_t level_count, int32_t skip_levels) {
    TileHeader h;
    h.format_code = format_code;
    // Logical shifts: the size of the first level the file stores.
    h.width = static_cast<int32_t>(static_cast<uint32_t>(tile_width) >> skip_levels);
    h.height = static_cast<int32_t>(static_cast<uint32_t>(tile_height) >> skip_levels);
    h.level_count = level_count;
    return h;
}

void encode_tile_header(const TileHeader& header, uint8_t out[TILE_HEADER_SIZE]) {
    const int32_t words[TILE_HEADER_WORDS] = {
        header.magic,       header.format_code, header.width,       header.height,
        header.level_count, header.header_size, header.reserved[0], header.reserved[1]};
    for (int i = 0; i < TILE_HEADER_WORDS; ++i) put_word(out + 4 * i, words[i]);
}

TileHeader decode_tile_header(const uint8_t in[TILE_HEADER_SIZE]) {
    TileHeader h;
    h.magic = get_word(in);
    h.format_code = get_word(in + 4);
    h.width = get_word(in + 8);
    h.height = get_word(in + 12);
    h.level_count = get_word(in + 16);
    h.header_size = get_word(in + 20);
    h.reserved[0] = get_word(in + 24);
    h.reserved[1] = get_word(in + 28);
    return h;
}
