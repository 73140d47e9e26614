// blocks: block compression of 32-bit levels (DXT1, DXT3, DXT5, BC4, BC5,
// BC7 in 4x4 blocks; ASTC in 4x4, 6x6 or 8x8 blocks).
//
// encode_blocks is the one door: it reads a level of 8-bit channels through a
// BlockLevel view, encodes it as one BlockOptions record says and writes
// block_data_size(width, height, mode) bytes, row of blocks by row of blocks.
// encode_block_rows does the same for a band of block rows, so that bands of
// one level may go to several threads and still give the bytes of one call.
// Every call works on its own records; the only shared data is read-only
// (a table built once on first use), so calls may run on several threads.
// ASTC goes through Arm's ASTC encoder library (libastcenc), whose working
// state (a context) each thread keeps for itself and reuses (see ASTC below).
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Mode codes: low byte = how colour samples are gathered, bits 8-15 = alpha half.
// ---------------------------------------------------------------------------
constexpr int BLOCK_MODE_OPAQUE = 0;
constexpr int BLOCK_MODE_CUTOUT = 2;
constexpr int BLOCK_MODE_EXPLICIT_ALPHA = 256;
constexpr int BLOCK_MODE_INTERP_ALPHA = 512;
// The newer layouts, above the bits of the four above: one interpolated
// channel (BC4, 8 bytes a block), two of them (BC5, 16 bytes) and the
// eight-mode colour and alpha layout (BC7, 16 bytes).
constexpr int BLOCK_MODE_BC4 = 1 << 16;
constexpr int BLOCK_MODE_BC5 = 2 << 16;
constexpr int BLOCK_MODE_BC7 = 3 << 16;
// ASTC (LDR, linear, 8-bit input), 16 bytes a block of 4x4, 6x6 or 8x8
// texels: the fewer bits a texel, the larger the block.
constexpr int BLOCK_MODE_ASTC_4X4 = 4 << 16;
constexpr int BLOCK_MODE_ASTC_6X6 = 5 << 16;
constexpr int BLOCK_MODE_ASTC_8X8 = 6 << 16;

// Bytes of one block in `mode`: 8 for DXT1 and BC4, 16 for the others.
int block_bytes_for(int mode);
// Texels along each side of a block in `mode`: 6 and 8 for those ASTC
// modes, 4 for every other.
int block_side_for(int mode);
// Whether `mode` is one of the three ASTC modes.
bool is_astc_mode(int mode);
// Bytes of a level of width x height in `mode`: 8 or 16 per block, the
// blocks at the right and bottom edges counted whole when the sides are not
// multiples of the block side.
int32_t block_data_size(int32_t width, int32_t height, int32_t mode);

// ---------------------------------------------------------------------------
// The level to encode: 4 bytes a pixel, 8 bits a channel, in `order`.
// ---------------------------------------------------------------------------
enum class ChannelOrder : int32_t {
    Bgra = 0,  // blue, green, red, alpha: the pipeline's working levels
    Rgba = 1,
};

struct BlockLevel {
    const uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int64_t pitch = 0;  // bytes from the start of one row to the next
    ChannelOrder order = ChannelOrder::Bgra;
};

// ---------------------------------------------------------------------------
// The colour palette a block's two end points give, and how decoders read it.
// ---------------------------------------------------------------------------
// How a decoder forms the interpolated entries. The project's own decoder
// and the end-point search read them rounded to nearest; an ideal decoder
// computes real-valued thirds; some decoders truncate.
enum class BlockDecoder : int32_t {
    Nearest = 0,   // (2a + b + 1) / 3, (a + 2b + 1) / 3 in integers
    Exact = 1,     // (2a + b) / 3, (a + 2b) / 3 as real numbers; the midpoint (a + b) / 2 too
    Truncate = 2,  // (2a + b) / 3, (a + 2b) / 3 in integers
};

// Entry j of one channel of the palette from the end points a and b widened
// to 8 bits: 0 and 1 are the end points; in four-colour order 2 and 3 lie at
// one and two thirds, in three-colour order 2 is the midpoint (in integers
// but under the exact reading) and 3 is transparent black (0).
constexpr double block_palette_entry(int a, int b, int colours, int j, BlockDecoder reading) {
    if (j == 0) return a;
    if (j == 1) return b;
    if (colours == 3) {
        if (j == 3) return 0;
        return reading == BlockDecoder::Exact ? (a + b) / 2.0 : (a + b) / 2;
    }
    const int twice_near = j == 2 ? 2 * a + b : a + 2 * b;
    if (reading == BlockDecoder::Exact) return twice_near / 3.0;
    return reading == BlockDecoder::Nearest ? (twice_near + 1) / 3 : twice_near / 3;
}
// The project's reading, in integers: what its decoder shows and what the
// searches build.
constexpr int block_palette_entry(int a, int b, int colours, int j) {
    return static_cast<int>(block_palette_entry(a, b, colours, j, BlockDecoder::Nearest));
}

// ---------------------------------------------------------------------------
// How to encode it.
// ---------------------------------------------------------------------------
// The standard channel weights (R, G, B) of the colour search, which follow
// how strongly the eye sees an error in each channel; the uniform ones count
// every channel alike, which is what a PSNR measures.
constexpr float perceptual_weights[3] = {0.309f, 0.609f, 0.082f};
constexpr float uniform_weights[3] = {1.0f, 1.0f, 1.0f};

// How hard the colour half looks for its end points, from fastest to closest.
enum class BlockQuality : int32_t {
    Quick = 0,   // the farthest pair of the block's colours
    Normal = 1,  // the full search; on levels larger than one block, three
                 // colours at most unless force_four (the stored files' bytes)
    High = 2,    // the full search, three- and four-colour palettes both
                 // tried for every block, the smaller weighted error kept
    Best = 3,    // High, then the end points refined on the exact block error
    Fast = 4,    // between Quick and Normal: the quick choice's end points,
                 // re-fitted by least squares; four colours where the block allows
};

// The colour search's channel weights for normal maps (g_b_normalmaptype).
enum class NormalMapWeights : int32_t {
    None = 0,          // `weights` as given
    Fixed = 1,         // (0.4, 0.4, 0.2)
    DominantAxis = 2,  // ranked per block by the normals' mean direction
    Count              // not a choice: the number of choices
};

struct BlockOptions {
    int32_t mode = BLOCK_MODE_OPAQUE;
    float weights[3] = {perceptual_weights[0], perceptual_weights[1], perceptual_weights[2]};
    BlockQuality quality = BlockQuality::Normal;
    // Mode 0 only: every block ends in the four-colour order (the alpha modes
    // always do; the cutout mode never is forced).
    bool force_four = false;
    // Fit each block's end points over the 6x6 window around it, which
    // softens the steps between blocks in smooth gradients.
    bool diffusion = false;
    // A NormalMapWeights code; values outside it keep `weights`.
    int32_t normalmap_type = static_cast<int32_t>(NormalMapWeights::None);
    // The reading High and Best judge their candidates under; the quicker
    // qualities build their palettes as the project's decoder reads them.
    BlockDecoder decoder = BlockDecoder::Nearest;
    // BC4 only: the channel its one value comes from (a SingleChannel code).
    int32_t single_channel = 0;
};

// Where BC4's one channel comes from. BC5 always takes red and green (a
// normal map's X and Y).
enum class SingleChannel : int32_t {
    Luma = 0,  // (77 R + 150 G + 29 B + 128) / 256
    Red = 1,
    Green = 2,
    Blue = 3,
    Alpha = 4,
    Count  // not a channel: the number of choices
};

// ---------------------------------------------------------------------------
// The door.
// ---------------------------------------------------------------------------
enum class BlockResult : int32_t {
    Ok = 0,
    // A call it cannot honour: unknown mode code, missing pixels or output
    // for a non-empty level, a pitch shorter than a row, an output smaller
    // than the level's (or the band's) bytes, or rows outside the level.
    // Nothing was written.
    Refused = -1,
    // ASTC only: the codec could not get its working memory. The output of
    // the call is incomplete.
    NoMemory = -2,
    // ASTC only: the codec refused or failed the call for another reason
    // (a library built for another processor, for one). The output of the
    // call is incomplete.
    CodecFailed = -3,
};
// A readable reason for a result; never null.
const char* block_result_message(BlockResult result);

// Encodes the whole level into `out` (at least block_data_size bytes).
BlockResult encode_blocks(const BlockLevel& level, const BlockOptions& options, uint8_t* out,
                          int64_t out_size);

// Encodes block rows first_row .. first_row + row_count - 1 of the level (a
// block row is block_side_for(mode) pixel rows) into `out`, which receives
// exactly those rows' bytes: the same bytes encode_blocks writes at that
// place of the level, since every block is encoded with the whole level in
// view (an ASTC block reads its own texels only).
BlockResult encode_block_rows(const BlockLevel& level, const BlockOptions& options,
                              int32_t first_row, int32_t row_count, uint8_t* out, int64_t out_size);

// Makes ready on the calling thread what encoding in `options` needs before
// the first block: for ASTC the thread's codec context (Ok, NoMemory or
// CodecFailed), so that a caller learns of a failure before it has written
// anything; Ok for every other mode.
BlockResult prepare_block_encoder(const BlockOptions& options);

// ---------------------------------------------------------------------------
// ASTC.
// ---------------------------------------------------------------------------
// Encoding and decoding go through Arm's ASTC encoder library. Its quality
// presets follow BlockQuality: Quick the fastest preset, Fast the fast one,
// Normal medium, High thorough, Best exhaustive. The metric (`weights`),
// the palette reading, force_four, diffusion and the normal-map weights do
// not apply: every channel, alpha included, counts alike, as the library
// weighs them by default.
//
// A context (the library's tables and working memory, a few milliseconds to
// make) is kept per thread: one for encoding, remade only when the block size
// or quality changes, and one for decoding, remade only when the block size
// changes; each is freed when its thread ends. No context is shared between
// threads.
//
// The bytes are the same on every run and for every thread count: a context
// is made for one thread and called by that thread alone, so the library
// never shares a level's blocks out among threads of its own; its
// configuration is the preset's, LDR linear, with no flag, so nothing in it
// comes from the clock or from earlier calls; and no flag that weighs errors
// across neighbouring blocks (alpha weighting) is set, so a block's bytes
// follow from its own texels and a band of block rows gives the bytes of the
// whole level. The library also keeps state across contexts that the first
// compression of a process settles; one fixed compression of our own settles
// it before any other (once a process, guarded), so that what a process
// compressed before cannot change a level's bytes. Another release of the
// library may choose other blocks.

// Decodes a level of width x height in an ASTC `mode` from `size` bytes at
// `data` into width x height pixels of R, G, B, A at `rgba`, rows packed:
// Refused (nothing written) for another mode, sides below 1, missing
// buffers or fewer bytes than block_data_size; NoMemory or CodecFailed when
// the library cannot. Blocks that hold no valid encoding decode to the
// library's error colour (magenta), as a GPU shows them.
BlockResult decode_astc_level(const uint8_t* data, int64_t size, int mode, int32_t width,
                              int32_t height, uint8_t* rgba);

// ---------------------------------------------------------------------------
// BC7's fixed tables, for the encoder and for readers of its blocks.
// ---------------------------------------------------------------------------
// The subset (0 .. subsets - 1) of texel 0..15 (row order) in partition
// 0..63 of the 2- or 3-subset tables; 0 for every texel with one subset.
int bc7_subset(int subsets, int partition, int texel);
// The anchor texel of `subset` in that partition: 0 for subset 0.
int bc7_anchor(int subsets, int partition, int subset);
// The interpolation weights (0 .. 64) of 2-, 3- and 4-bit indices; `bits`
// outside 2..4 gives null.
const int* bc7_weights(int bits);

// One mode's layout: subsets, bits of the partition number, rotation and
// index selection, of each colour and alpha end-point value, the P-bits
// (one per end point, or one shared by the two end points of a subset) and
// the two index sets.
struct Bc7ModeInfo {
    int subsets;
    int partition_bits;
    int rotation_bits;
    int selection_bits;
    int colour_bits;
    int alpha_bits;
    int endpoint_pbits;
    int shared_pbits;
    int index_bits;
    int second_index_bits;
};
constexpr int BC7_MODES = 8;
const Bc7ModeInfo& bc7_mode_info(int mode);  // mode 0..7
