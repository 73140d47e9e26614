// The vector quantiser: codebook training, block encoding, mapping of a
// codebook onto a palette, and decoding of block codes into an index picture.
#include <algorithm>
#include <new>

#include "block_vectors.h"
#include "palette/palette.h"
#include "split_tree.h"
#include "workpool/workpool.h"

namespace {

// Searches per band when the searches are shared out among threads: fewer
// cost more to hand over than they take.
constexpr int64_t SEARCH_BAND = 4096;
constexpr int64_t BLOCK_SEARCH_BAND = 256;  // searches of whole blocks take far longer

bool fits(int32_t width, int32_t height, int32_t channels, int32_t bw, int32_t bh) {
    if (width < 1 || height < 1 || channels < 1 || bw < 1 || bh < 1) return false;
    return static_cast<int64_t>(bw) * bh * channels <= MAX_VECTOR_DIMS;
}

// The codebook's codewords as byte vectors for the search tree.
bool codeword_bytes(const CodebookRecord& cb, std::vector<uint8_t>& out) {
    const int64_t dims = static_cast<int64_t>(cb.block_height) * cb.block_width * cb.channels;
    if (cb.entries < 0 || dims < 1 || dims > MAX_VECTOR_DIMS) return false;
    const size_t total = static_cast<size_t>(cb.entries) * static_cast<size_t>(dims);
    if (cb.components.size() < total) return false;
    out.resize(total);
    for (size_t i = 0; i < total; ++i)
        out[i] = static_cast<uint8_t>(std::clamp(cb.components[i], 0, 255));
    return true;
}

}  // namespace

int32_t vq_build_codebook(const uint8_t* pixels, CodebookRecord& record, int32_t height,
                          int32_t width, int32_t channels, int32_t block_width,
                          int32_t block_height, int64_t target, int32_t id) {
    if (!pixels || block_width < 1 || block_height < 1) return PALETTE_REFUSED;
    const int32_t bw = std::min(width, block_width), bh = std::min(height, block_height);
    if (!fits(width, height, channels, bw, bh)) return PALETTE_REFUSED;
    try {
        const int32_t dims = bh * bw * channels;
        SplitTree tree(dims);
        std::vector<int32_t> v(static_cast<size_t>(dims));
        const int32_t across = blocks_over(width, bw), down = blocks_over(height, bh);
        for (int32_t by = 0; by < down; ++by)
            for (int32_t bx = 0; bx < across; ++bx) {
                block_vector(pixels, width, height, channels, bw, bh, bx, by, v.data());
                tree.add(v.data());
            }
        tree.reduce(target);
        record.id = id;
        record.block_height = bh;
        record.block_width = bw;
        record.channels = channels;
        record.entries = static_cast<int32_t>(tree.count);
        record.components.reserve(256);
        tree.output(record.components);
        return PALETTE_OK;
    } catch (const std::bad_alloc&) {
        return PALETTE_NO_MEMORY;
    }
}

int32_t vq_encode(const CodebookRecord& codebook, const uint8_t* pixels, BlockCodes& codes,
                  int32_t width, int32_t height, WorkPool* pool) {
    const int32_t bw = codebook.block_width, bh = codebook.block_height;
    if (!pixels || !fits(width, height, codebook.channels, bw, bh) || codebook.entries < 1)
        return PALETTE_REFUSED;
    try {
        std::vector<uint8_t> words;
        if (!codeword_bytes(codebook, words)) return PALETTE_REFUSED;
        KdTree tree;
        const int32_t dims = bh * bw * codebook.channels;
        const int32_t built = kd_build(words.data(), codebook.entries, dims, tree);
        if (built != PALETTE_OK) return built;
        codes.id = codebook.id;
        codes.width = width;
        codes.height = height;
        codes.blocks_across = blocks_over(width, bw);
        codes.blocks_down = blocks_over(height, bh);
        codes.codes.resize(static_cast<size_t>(codes.blocks_across) * codes.blocks_down);
        const int32_t across = codes.blocks_across;
        run_bands(pool, codes.blocks_down, (BLOCK_SEARCH_BAND + across - 1) / across,
                  [&](int64_t by0, int64_t by1) {
                      std::vector<uint8_t> v(static_cast<size_t>(dims));
                      for (int64_t by = by0; by < by1; ++by)
                          for (int32_t bx = 0; bx < across; ++bx) {
                              block_vector(pixels, width, height, codebook.channels, bw, bh, bx,
                                           static_cast<int32_t>(by), v.data());
                              codes.codes[static_cast<size_t>(by) * across + bx] =
                                  kd_nearest(tree, v.data());
                          }
                  });
        return PALETTE_OK;
    } catch (const std::bad_alloc&) {
        return PALETTE_NO_MEMORY;
    }
}

int32_t vq_map_codebook(const PaletteRecord& palette, const CodebookRecord& codebook,
                        CodebookRecord& mapped, WorkPool* pool) {
    if (palette.block_height != 1 || palette.block_width != 1 || palette.entries < 1 ||
        palette.entries > 256 || palette.channels != codebook.channels)
        return PALETTE_REFUSED;
    try {
        std::vector<uint8_t> entries, words;
        if (!codeword_bytes(palette, entries) || !codeword_bytes(codebook, words))
            return PALETTE_REFUSED;
        KdTree tree;
        const int32_t built = kd_build(entries.data(), palette.entries, palette.channels, tree);
        if (built != PALETTE_OK) return built;
        const int64_t pixels =
            static_cast<int64_t>(codebook.entries) * codebook.block_height * codebook.block_width;
        std::vector<int32_t> indices(static_cast<size_t>(pixels));
        run_bands(pool, pixels, SEARCH_BAND, [&](int64_t p0, int64_t p1) {
            for (int64_t p = p0; p < p1; ++p)
                indices[p] = kd_nearest(tree, &words[static_cast<size_t>(p) * codebook.channels]);
        });
        mapped.id = codebook.id;
        mapped.block_height = codebook.block_height;
        mapped.block_width = codebook.block_width;
        mapped.channels = 1;
        mapped.entries = codebook.entries;
        mapped.components.swap(indices);
        return PALETTE_OK;
    } catch (const std::bad_alloc&) {
        return PALETTE_NO_MEMORY;
    }
}

int32_t vq_decode(const CodebookRecord& mapped, const BlockCodes& codes, uint8_t* out) {
    if (mapped.id != codes.id) return PALETTE_REFUSED;  // codes made with another codebook
    const int32_t bw = mapped.block_width, bh = mapped.block_height;
    if (!out || mapped.channels != 1 || !fits(codes.width, codes.height, 1, bw, bh) ||
        codes.blocks_across != blocks_over(codes.width, bw) ||
        codes.blocks_down != blocks_over(codes.height, bh) ||
        codes.codes.size() != static_cast<size_t>(codes.blocks_across) * codes.blocks_down ||
        mapped.components.size() < static_cast<size_t>(mapped.entries) * bw * bh)
        return PALETTE_REFUSED;
    for (int32_t code : codes.codes)
        if (code < 0 || code >= mapped.entries) return PALETTE_REFUSED;
    size_t k = 0;
    for (int32_t by = 0; by < codes.blocks_down; ++by)
        for (int32_t bx = 0; bx < codes.blocks_across; ++bx) {
            const int32_t* word =
                &mapped.components[static_cast<size_t>(codes.codes[k++]) * bw * bh];
            for (int32_t yy = 0; yy < bh; ++yy) {
                const int32_t y = by * bh + yy;
                if (y >= codes.height) break;
                for (int32_t xx = 0; xx < bw; ++xx) {
                    const int32_t x = bx * bw + xx;
                    if (x >= codes.width) break;
                    out[static_cast<int64_t>(y) * codes.width + x] =
                        static_cast<uint8_t>(word[yy * bw + xx]);
                }
            }
        }
    return PALETTE_OK;
}
