// The level loop's two calls: the top level builds the texture's palette and
// indexes itself, every further level is indexed against that palette.
//
// Codebooks made within one call are numbered 1, 2, ... in the order they are
// built, so the ids that tie codes to codebooks come from the data flow alone.
#include <algorithm>
#include <cstring>
#include <new>

#include "palette/palette.h"
#include "workpool/workpool.h"

namespace {

constexpr int32_t DIFFUSED_COLOUR_BITS = 4;
constexpr int32_t DIFFUSED_ALPHA_BITS = 8;
constexpr int32_t BLOCK_SIDE = 4;
constexpr int64_t BLOCK_CODEBOOK_SIZE = 4096;
constexpr int64_t EVERY_COLOUR = 16777216;
// Pixels per band when the colour search is shared out among threads.
constexpr int64_t PIXEL_BAND = 16384;

bool valid(const uint8_t* pixels, int32_t width, int32_t height, int32_t bpp, int32_t colours) {
    return pixels && width >= 1 && height >= 1 && (bpp == 3 || bpp == 4) &&
           (colours == 256 || colours == 16);
}

// The level as the quantiser works on it, into `work`: a copy, or for
// `three_channel` the colours of a four-byte level alone, red first (a
// three-byte level is taken as it is). Returns the bytes per pixel of `work`.
int32_t working_copy(const uint8_t* pixels, int64_t n, int32_t bpp, bool three_channel,
                     std::vector<uint8_t>& work) {
    if (!three_channel || bpp == 3) {
        work.assign(pixels, pixels + n * bpp);
        return bpp;
    }
    work.resize(static_cast<size_t>(n) * 3);
    for (int64_t i = 0; i < n; ++i) {
        work[i * 3] = pixels[i * 4 + 2];
        work[i * 3 + 1] = pixels[i * 4 + 1];
        work[i * 3 + 2] = pixels[i * 4];
    }
    return 3;
}

// The working copy of a level as both calls start from it: checked, copied
// (see working_copy) and, when asked, diffused. Returns the bytes per pixel
// of `work`, or 0 when the arguments are refused.
int32_t prepared_copy(const uint8_t* pixels, int32_t width, int32_t height, int32_t bpp,
                      bool dither, bool three_channel, int32_t colours,
                      std::vector<uint8_t>& work) {
    if (!valid(pixels, width, height, bpp, colours)) return 0;
    const int64_t n = static_cast<int64_t>(width) * height;
    const int32_t work_bpp = working_copy(pixels, n, bpp, three_channel, work);
    if (dither)
        diffuse_to_bits(work.data(), width, height, work_bpp, DIFFUSED_COLOUR_BITS,
                        DIFFUSED_ALPHA_BITS);
    return work_bpp;
}

// One index byte per pixel into the caller's layout.
void pack(const std::vector<uint8_t>& one_per_pixel, int32_t width, int32_t height, int32_t colours,
          std::vector<uint8_t>& out) {
    out.assign(static_cast<size_t>(index_buffer_size(width, height, colours)), 0);
    if (colours == 256) {
        std::memcpy(out.data(), one_per_pixel.data(), one_per_pixel.size());
        return;
    }
    const int32_t row_bytes = (width + 1) / 2;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = &one_per_pixel[static_cast<size_t>(y) * width];
        uint8_t* o = &out[static_cast<size_t>(y) * row_bytes];
        for (int32_t x = 0; x < width; x += 2) {
            const uint8_t hi = x + 1 < width ? in[x + 1] : 0;
            o[x / 2] = static_cast<uint8_t>((in[x] & 0x0F) | (hi & 0x0F) << 4);
        }
    }
}

// Maps `codebook` onto the palette and decodes `codes` into one index per
// pixel. The buffer starts zero-filled, so a refused mapping or decoding
// leaves defined indices.
int32_t decode_indices(const PaletteRecord& palette, const CodebookRecord& codebook,
                       const BlockCodes& codes, std::vector<uint8_t>& one_per_pixel,
                       WorkPool* pool) {
    one_per_pixel.assign(static_cast<size_t>(codes.width) * codes.height, 0);
    CodebookRecord mapped;
    if (vq_map_codebook(palette, codebook, mapped, pool) == PALETTE_OK)
        vq_decode(mapped, codes, one_per_pixel.data());
    return PALETTE_OK;
}

// Pixels first .. end - 1 of nearest_entries.
void remembered_search(const KdTree& tree, const uint8_t* pixels, int64_t first, int64_t end,
                       int32_t bpp, uint8_t* one_per_pixel) {
    constexpr uint32_t SLOTS = 1u << 16;
    std::vector<uint32_t> key(SLOTS, 0);
    std::vector<uint8_t> answer(SLOTS, 0);
    std::vector<uint8_t> used(SLOTS, 0);
    for (int64_t i = first; i < end; ++i) {
        const uint8_t* p = pixels + i * bpp;
        uint32_t colour = 0;
        for (int32_t c = 0; c < bpp; ++c) colour |= static_cast<uint32_t>(p[c]) << (8 * c);
        const uint32_t slot = (colour * 2654435761u) >> 16;
        if (used[slot] && key[slot] == colour) {
            one_per_pixel[i] = answer[slot];
            continue;
        }
        const uint8_t k = static_cast<uint8_t>(kd_nearest(tree, p));
        used[slot] = 1;
        key[slot] = colour;
        answer[slot] = k;
        one_per_pixel[i] = k;
    }
}

// Each pixel's index when every distinct colour of the level is a codeword of
// its own: a colour codebook of at most EVERY_COLOUR entries never merges, and
// each pixel's code is then its own colour's codeword (distance 0, and no two
// codewords are equal), so mapping and decoding give each pixel the palette
// entry that the palette search finds for its colour. Searching the palette
// for the pixels directly gives those same indices without the codebook.
// A palette the mapping would refuse leaves the indices 0.
void nearest_entries(const PaletteRecord& palette, const uint8_t* pixels, int64_t n, int32_t bpp,
                     std::vector<uint8_t>& one_per_pixel, WorkPool* pool) {
    one_per_pixel.assign(static_cast<size_t>(n), 0);
    if (palette.block_height != 1 || palette.block_width != 1 || palette.entries < 1 ||
        palette.entries > 256 || palette.channels != bpp ||
        palette.components.size() < static_cast<size_t>(palette.entries) * bpp)
        return;
    std::vector<uint8_t> entries(static_cast<size_t>(palette.entries) * bpp);
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i] = static_cast<uint8_t>(std::clamp(palette.components[i], 0, 255));
    KdTree tree;
    if (kd_build(entries.data(), palette.entries, bpp, tree) != PALETTE_OK) throw std::bad_alloc();
    // Photos repeat colours: remember recent answers, keyed by the colour.
    // Each band keeps its own; an answer is the search's whoever remembers it.
    run_bands(pool, n, PIXEL_BAND, [&](int64_t first, int64_t end) {
        remembered_search(tree, pixels, first, end, bpp, one_per_pixel.data());
    });
}

int32_t top_level_vq(std::vector<uint8_t>& work, int32_t width, int32_t height, int32_t bpp,
                     PaletteRecord& palette, int32_t colours, std::vector<uint8_t>& one,
                     WorkPool* pool) {
    CodebookRecord blocks;
    int32_t r = vq_build_codebook(work.data(), blocks, height, width, bpp, BLOCK_SIDE, BLOCK_SIDE,
                                  BLOCK_CODEBOOK_SIZE, 1);
    if (r != PALETTE_OK) return r;
    BlockCodes codes;
    r = vq_encode(blocks, work.data(), codes, width, height, pool);
    if (r != PALETTE_OK) return r;
    r = vq_build_codebook(work.data(), palette, height, width, bpp, 1, 1, colours, 2);
    if (r != PALETTE_OK) return r;
    return decode_indices(palette, blocks, codes, one, pool);
}

}  // namespace

int64_t index_buffer_size(int32_t width, int32_t height, int32_t colours) {
    if (width < 1 || height < 1) return 0;
    if (colours == 16) return static_cast<int64_t>(height) * ((width + 1) / 2);
    return static_cast<int64_t>(width) * height;
}

int32_t quantize_palette(const uint8_t* pixels, int32_t width, int32_t height,
                         int32_t bytes_per_pixel, PaletteRecord& palette, bool dither,
                         bool three_channel, int32_t colours, std::vector<uint8_t>& indices,
                         WorkPool* pool) {
    try {
        std::vector<uint8_t> work;
        const int32_t bpp = prepared_copy(pixels, width, height, bytes_per_pixel, dither,
                                          three_channel, colours, work);
        if (bpp == 0) return PALETTE_REFUSED;
        std::vector<uint8_t> one(static_cast<size_t>(width) * height, 0);
        const int32_t r =
            three_channel ? wu_quantize(work.data(), width, height, palette, colours, one.data())
                          : top_level_vq(work, width, height, bpp, palette, colours, one, pool);
        if (r != PALETTE_OK) return r;
        pack(one, width, height, colours, indices);
        return PALETTE_OK;
    } catch (const std::bad_alloc&) {
        return PALETTE_NO_MEMORY;
    }
}

int32_t index_level(const uint8_t* pixels, int32_t width, int32_t height, int32_t bytes_per_pixel,
                    PaletteRecord& palette, bool dither, bool three_channel, int32_t colours,
                    std::vector<uint8_t>& indices, WorkPool* pool) {
    try {
        std::vector<uint8_t> work;
        const int32_t bpp = prepared_copy(pixels, width, height, bytes_per_pixel, dither,
                                          three_channel, colours, work);
        if (bpp == 0) return PALETTE_REFUSED;
        const int64_t n = static_cast<int64_t>(width) * height;
        if (palette.entries < 1) {
            const int32_t r =
                vq_build_codebook(work.data(), palette, height, width, bpp, 1, 1, colours, 2);
            if (r != PALETTE_OK) return r;
        }
        std::vector<uint8_t> one;
        if (n <= EVERY_COLOUR) {  // fewer pixels than codewords allowed: nothing merges
            nearest_entries(palette, work.data(), n, bpp, one, pool);
        } else {
            CodebookRecord colour_book;
            int32_t r = vq_build_codebook(work.data(), colour_book, height, width, bpp, 1, 1,
                                          EVERY_COLOUR, 1);
            if (r != PALETTE_OK) return r;
            BlockCodes codes;
            r = vq_encode(colour_book, work.data(), codes, width, height, pool);
            if (r != PALETTE_OK) return r;
            decode_indices(palette, colour_book, codes, one, pool);
        }
        pack(one, width, height, colours, indices);
        return PALETTE_OK;
    } catch (const std::bad_alloc&) {
        return PALETTE_NO_MEMORY;
    }
}

int64_t pack_nibbles_in_pixel_order(const uint8_t* row_padded, int32_t width, int32_t height,
                                    uint8_t* out) {
    if (!row_padded || !out || width < 1 || height < 1) return 0;
    const int64_t n = static_cast<int64_t>(width) * height;
    const int64_t bytes = (n + 1) / 2;
    const int32_t row_bytes = (width + 1) / 2;
    std::memset(out, 0, static_cast<size_t>(bytes));
    // Row by row, so the position in the padded rows needs no division.
    int64_t i = 0;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = row_padded + static_cast<int64_t>(y) * row_bytes;
        for (int32_t x = 0; x < width; ++x, ++i) {
            const uint8_t b = row[x / 2];
            const uint8_t index = (x & 1) ? (b >> 4) : (b & 0x0F);
            out[i / 2] = static_cast<uint8_t>(out[i / 2] | index << ((i & 1) ? 4 : 0));
        }
    }
    return bytes;
}

void palette_to_rgba(const PaletteRecord& palette, int32_t colours, uint8_t* out) {
    std::memset(out, 0, static_cast<size_t>(colours) * 4);
    const int32_t ch = palette.channels;
    if (palette.block_height != 1 || palette.block_width != 1 || (ch != 3 && ch != 4)) return;
    const int32_t held = std::min(palette.entries, colours);
    for (int32_t k = 0; k < held; ++k) {
        if (static_cast<size_t>(k + 1) * ch > palette.components.size()) break;
        const int32_t* c = &palette.components[static_cast<size_t>(k) * ch];
        uint8_t* o = out + 4 * k;
        if (ch == 3) {
            o[0] = static_cast<uint8_t>(c[0]);
            o[1] = static_cast<uint8_t>(c[1]);
            o[2] = static_cast<uint8_t>(c[2]);
            o[3] = 255;
        } else {
            o[0] = static_cast<uint8_t>(c[2]);
            o[1] = static_cast<uint8_t>(c[1]);
            o[2] = static_cast<uint8_t>(c[0]);
            o[3] = static_cast<uint8_t>(c[3]);
        }
    }
}
