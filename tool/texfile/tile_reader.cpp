// Tile files: the tool's 32-byte header and the levels it stored.
//
// The header gives the tile size shifted down by the dropped levels (a
// logical shift) while the chain halves with (side + 1) / 2, so for tile
// sides that are not multiples of 4 the first stored level can be one pixel
// larger than the header says. The reader accepts the one chain of the few
// possible first sizes whose bytes fill the file exactly.
#include "texfile/readers.h"

namespace {

constexpr int32_t MAX_TILE_LEVELS = 16;

int64_t chain_bytes(int32_t format, int32_t w, int32_t h, int32_t* count) {
    int64_t total = 0;
    const auto chain = tex_chain(w, h);
    for (const auto& [lw, lh] : chain) total += texture_level_size(format, lw, lh);
    *count = static_cast<int32_t>(chain.size());
    return total;
}

int32_t binary_digits(int32_t v) {
    int32_t n = 0;
    for (uint32_t m = static_cast<uint32_t>(v); m; m >>= 1) ++n;
    return n;
}

int32_t ceil_shift(int32_t v, int32_t s) { return (v + (1 << s) - 1) >> s; }

// Whether some tile of T_w x T_h, with s levels dropped, gives this header
// and this stored chain.
bool skip_fits(int32_t s, int32_t w, int32_t h, int32_t first_w, int32_t first_h, int32_t stored,
               int32_t level_count) {
    for (int32_t tw = w << s; tw <= (w << s) + (1 << s) - 1; ++tw) {
        for (int32_t th = h << s; th <= (h << s) + (1 << s) - 1; ++th) {
            if (tw < 1 || th < 1) continue;
            if (ceil_shift(tw, s) != first_w || ceil_shift(th, s) != first_h) continue;
            if (binary_digits(tw > th ? tw : th) != level_count) continue;
            if (static_cast<int32_t>(tex_chain(tw, th).size()) == s + stored) return true;
        }
    }
    return false;
}

}  // namespace

bool parse_tile_file(TexFile& file, std::string& error) {
    const int64_t size = static_cast<int64_t>(file.bytes.size());
    if (size < TILE_HEADER_SIZE) {
        error = "short file: " + byte_count(size) + ", the tile header alone has " +
                std::to_string(TILE_HEADER_SIZE);
        return false;
    }
    const TileHeader header = decode_tile_header(file.bytes.data());
    file.kind = TexFileKind::tile;
    file.tile_code = header.format_code;
    file.header_width = header.width;
    file.header_height = header.height;
    file.header_levels = header.level_count;
    const TileFileKind* kind = tile_file_kind_of_code(header.format_code);
    if (!kind) {
        error = "tile format code " + std::to_string(header.format_code) +
                " is none of a tile file's (" + std::to_string(TILE_CODE_RGB) + ", " +
                std::to_string(TILE_CODE_BLOCKS) + ", 100 + the format of bc7 or astc)";
        return false;
    }
    file.format = static_cast<int32_t>(kind->format);
    file.colours_exchanged = kind->swap_rgb == 0;
    if (header.header_size != TILE_HEADER_SIZE) {
        error = "header size word is " + std::to_string(header.header_size) + ", not " +
                std::to_string(TILE_HEADER_SIZE);
        return false;
    }
    const int32_t w = header.width, h = header.height, count = header.level_count;
    if (w < 0 || h < 0 || w > TEXFILE_MAX_SIDE || h > TEXFILE_MAX_SIDE || count < 0 ||
        count > MAX_TILE_LEVELS) {
        error = "impossible sizes: " + std::to_string(w) + " x " + std::to_string(h) + ", " +
                std::to_string(count) + " levels";
        return false;
    }
    const int64_t data = size - TILE_HEADER_SIZE;
    if (data == 0) {
        file.note =
            "no levels stored (the compression refused the tile, or every level was "
            "dropped)";
        return true;
    }

    // The stored chain: from the header's size, or one pixel more on a side.
    int32_t first_w = 0, first_h = 0, stored = 0;
    int64_t expected = -1;
    for (int32_t dy = 0; dy <= 1 && first_w == 0; ++dy) {
        for (int32_t dx = 0; dx <= 1 && first_w == 0; ++dx) {
            if (w + dx < 1 || h + dy < 1) continue;
            int32_t n = 0;
            const int64_t total = chain_bytes(file.format, w + dx, h + dy, &n);
            if (expected < 0) expected = total;
            if (total == data) {
                first_w = w + dx;
                first_h = h + dy;
                stored = n;
            }
        }
    }
    if (first_w == 0) {
        if (expected < 0 || w < 1 || h < 1) {
            error = "impossible sizes: a " + std::to_string(w) + " x " + std::to_string(h) +
                    " tile level cannot hold " + byte_count(data);
        } else if (data < expected) {
            error = "short file: the levels from " + std::to_string(w) + " x " + std::to_string(h) +
                    " need " + byte_count(expected) + ", the file holds " + byte_count(data);
        } else {
            error = "long file: the levels from " + std::to_string(w) + " x " + std::to_string(h) +
                    " need " + byte_count(expected) + ", the file holds " + byte_count(data);
        }
        return false;
    }
    if (stored > count + 1) {
        error = "the file holds " + std::to_string(stored) + " levels, more than the header's " +
                "level count " + std::to_string(count) + " allows";
        return false;
    }
    int32_t fits = 0;
    for (int32_t s = 0; s <= 2; ++s) {
        if (skip_fits(s, w, h, first_w, first_h, stored, count)) {
            ++fits;
            file.skip_levels = s;
        }
    }
    if (fits != 1) file.skip_levels = -1;

    int64_t offset = TILE_HEADER_SIZE;
    int32_t k = 0;
    for (const auto& [lw, lh] : tex_chain(first_w, first_h)) {
        TexLevel level;
        level.index = file.skip_levels >= 0 ? file.skip_levels + k : k;
        level.width = lw;
        level.height = lh;
        level.offset = offset;
        level.size = texture_level_size(file.format, lw, lh);
        offset += level.size;
        file.levels.push_back(level);
        ++k;
    }
    return true;
}

std::string byte_count(int64_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }
