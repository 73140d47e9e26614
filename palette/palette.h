// palette: the colour-index formats' quantisers.
//
// A texture with a 256- or 16-colour palette needs one palette for the whole
// texture (per face of a cube) and one index per pixel on every level. The
// top level builds the palette and indexes itself with quantize_palette; every
// further level is indexed against that palette with index_level.
//
// Two quantisers build palettes. A three-channel picture goes through Wu's
// variance-cut quantiser (greedy cuts of a 33x33x33 table of colour moments).
// Everything else goes through the vector quantiser: training vectors are
// bucketed in a splitting tree whose closest pairs are merged until the
// codebook is small enough, and pictures are encoded by a k-d tree search for
// each block's nearest codeword. Either may first reduce the colours with an
// error-diffusion pre-pass.
//
// The nearest-entry searches (block codes, codeword pixels, level pixels) may
// run in bands on a caller's pool (workpool/workpool.h); every band answers
// each query exactly as one thread would, so the results do not depend on it.
//
// Results are status codes (PALETTE_OK or negative); nothing here prints.
// Everything is deterministic: the same pixels and settings always give the
// same palette and the same indices. Not re-entrant per record; distinct
// records may be used from distinct threads.
#pragma once

#include <cstdint>
#include <vector>

class WorkPool;

constexpr int32_t PALETTE_OK = 0;
constexpr int32_t PALETTE_REFUSED = -1;    // records that do not fit together, bad sizes
constexpr int32_t PALETTE_NO_MEMORY = -2;  // an allocation failed; outputs are not usable

// ---------------------------------------------------------------------------
// Records.
// ---------------------------------------------------------------------------
// A codebook: `entries` codewords, each block_height rows of block_width
// pixels of `channels` bytes, stored one component (a byte value) per 32-bit
// value, codeword after codeword, row by row, pixel by pixel, byte by byte.
//
// `id` ties a codebook to the block codes made with it and to its mapping onto
// a palette; vq_decode refuses codes whose id is not the mapped record's. The
// caller chooses it (vq_build_codebook's `id` argument), so it follows the data
// flow only and never depends on the clock.
struct CodebookRecord {
    int32_t id = 0;
    int32_t block_height = 0;
    int32_t block_width = 0;
    int32_t channels = 0;
    int32_t entries = 0;
    std::vector<int32_t> components;
};

// The palette of a texture is a codebook of 1x1 codewords: 3 channels (R, G,
// B) from Wu's quantiser, or the source bytes per pixel (3 or 4, in the
// source's byte order) from the vector quantiser.
using PaletteRecord = CodebookRecord;

// One code per block of a picture of width x height pixels, band after band
// (a band is block_height rows), left to right within a band. Blocks at the
// right and bottom edges may reach past the picture; their missing pixels
// repeat the nearest edge pixel, so every pixel belongs to exactly one block.
struct BlockCodes {
    int32_t id = 0;
    int32_t blocks_across = 0;  // ceil(width / block_width)
    int32_t blocks_down = 0;    // ceil(height / block_height)
    int32_t width = 0;
    int32_t height = 0;
    std::vector<int32_t> codes;
};

// ---------------------------------------------------------------------------
// The two calls of the level loop.
// ---------------------------------------------------------------------------
// pixels: width x height pixels of bytes_per_pixel bytes, rows packed; 4-byte
// pixels are in memory order blue, green, red, alpha; 3-byte pixels are red,
// green, blue. The pixels are only read (the pre-pass works on a copy).
// colours: 256 or 16. On success `indices` holds the index buffer:
//   256 colours: one byte per pixel, rows packed;
//   16 colours: per row (width + 1) / 2 bytes, the first pixel of each pair in
//   the low nibble, a row of odd width ending with a high nibble of 0.
//
// quantize_palette replaces the palette record with the top level's palette
// (Wu's quantiser when three_channel is set, the vector quantiser otherwise;
// Wu reads R, G, B from bytes 2, 1, 0 of 4-byte pixels) and indexes the level.
// With `dither` the colours are first diffused to 4 bits per colour channel
// (alpha is kept at 8 bits).
int32_t quantize_palette(const uint8_t* pixels, int32_t width, int32_t height,
                         int32_t bytes_per_pixel, PaletteRecord& palette, bool dither,
                         bool three_channel, int32_t colours, std::vector<uint8_t>& indices,
                         WorkPool* pool = nullptr);

// Indexes a further level against the palette in the record: each pixel gets
// the index of the entry nearest to its (possibly diffused) colour. With
// three_channel and 4-byte pixels the pixels are first turned into R, G, B.
// An empty record is first filled by the vector quantiser from this level.
int32_t index_level(const uint8_t* pixels, int32_t width, int32_t height, int32_t bytes_per_pixel,
                    PaletteRecord& palette, bool dither, bool three_channel, int32_t colours,
                    std::vector<uint8_t>& indices, WorkPool* pool = nullptr);

// Bytes of the index buffer above: height x width (256 colours) or
// height x ((width + 1) / 2) (16 colours).
int64_t index_buffer_size(int32_t width, int32_t height, int32_t colours);

// Repacks a 16-colour index buffer (rows padded to whole bytes, as above)
// into pixel order with no row padding: pixel 2k in the low nibble and pixel
// 2k + 1 in the high nibble of byte k, a final high nibble 0 when the area is
// odd. Writes ceil(width x height / 2) bytes to `out` and returns that count.
// For even widths both layouts are the same bytes.
int64_t pack_nibbles_in_pixel_order(const uint8_t* row_padded, int32_t width, int32_t height,
                                    uint8_t* out);

// The file's palette: `colours` entries of red, green, blue, alpha. A record
// of 3 channels gives (c0, c1, c2, 255); one of 4 channels (blue, green, red,
// alpha) gives (c2, c1, c0, c3). Entries the record does not hold are
// (0, 0, 0, 0). Writes 4 x colours bytes.
void palette_to_rgba(const PaletteRecord& palette, int32_t colours, uint8_t* out);

// ---------------------------------------------------------------------------
// Building blocks.
// ---------------------------------------------------------------------------
// Error-diffusion pre-pass, in place, on `channels` bytes per pixel. The
// colour channels are reduced to colour_bits; with 4 channels byte 3 is alpha
// and is reduced to alpha_bits (8 leaves it unchanged). The error of each
// pixel is spread to its right (1/2), below (1/4), below-left (1/8) and three
// to the left in the row below (1/8); the last column and the last row are
// only rounded.
void diffuse_to_bits(uint8_t* pixels, int32_t width, int32_t height, int32_t channels,
                     int32_t colour_bits, int32_t alpha_bits);

// Wu's quantiser on R, G, B pixels (3 bytes each): fills `palette` with
// `colours` entries (channels 3; entries past the last box are (0, 0, 0);
// `id` is left as it was) and writes one palette index per pixel to
// `indices` (width x height bytes).
int32_t wu_quantize(const uint8_t* rgb, int32_t width, int32_t height, PaletteRecord& palette,
                    int32_t colours, uint8_t* indices);

// Trains a codebook of at most `target` codewords of block_width x
// block_height pixels (each side at most the picture's) on every block of
// the picture and writes it into `record`, replacing its contents; the record
// gets `id`.
int32_t vq_build_codebook(const uint8_t* pixels, CodebookRecord& record, int32_t height,
                          int32_t width, int32_t channels, int32_t block_width,
                          int32_t block_height, int64_t target, int32_t id);

// One code (the nearest codeword) per block of the picture.
int32_t vq_encode(const CodebookRecord& codebook, const uint8_t* pixels, BlockCodes& codes,
                  int32_t width, int32_t height, WorkPool* pool = nullptr);

// Maps every pixel of every codeword onto the index of its nearest palette
// entry: `mapped` gets the codebook's id and block size, channels 1. Refused
// (PALETTE_REFUSED) when the palette is not made of single pixels, has no
// entries or more than 256, or has another channel count than the codebook.
int32_t vq_map_codebook(const PaletteRecord& palette, const CodebookRecord& codebook,
                        CodebookRecord& mapped, WorkPool* pool = nullptr);

// Writes codes.height rows of codes.width index bytes: each block's pixels
// get its mapped codeword's indices. Refused, writing nothing, when the ids
// differ or the records do not fit together.
int32_t vq_decode(const CodebookRecord& mapped, const BlockCodes& codes, uint8_t* out);

// ---------------------------------------------------------------------------
// Nearest-vector search.
// ---------------------------------------------------------------------------
// A k-d tree over `count` byte vectors of `dims` bytes (record i at
// vectors + i * dims); distances are squared Euclidean over the bytes.
struct KdNode {
    int32_t dim;    // split dimension; -1 for a leaf
    int32_t split;  // lower child: values <= split; upper child: values > split
    int32_t lower, upper;
    int32_t first, count;  // leaf: a run of `order`
};

struct KdTree {
    int32_t dims = 0;
    std::vector<uint8_t> vectors;  // count x dims
    std::vector<int32_t> order;    // record indices, leaf runs
    std::vector<KdNode> nodes;     // node 0 is the root
};

// PALETTE_OK, or PALETTE_REFUSED for a negative count or dims outside 1..4096.
int32_t kd_build(const uint8_t* vectors, int32_t count, int32_t dims, KdTree& tree);
// Index of a record nearest to `query` (the first found among equally near
// ones; identical records: the lowest index); -1 for an empty tree.
int32_t kd_nearest(const KdTree& tree, const uint8_t* query);
