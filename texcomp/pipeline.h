// texcomp internals: the stages between compress_texture and the sink.
//
// compress_texture (entry.cpp) checks and rescales the picture, then hands a
// TextureCompressor to compress_levels (driver.cpp), which writes the stream
// header (formats.cpp) and runs the level loop: take level 0 in
// (level_image.cpp), then per level dither (dither.cpp), convert
// (convert.cpp), emit, and make the next level (chain.cpp, treatments in
// level_image.cpp and fading.cpp). Volume textures take their own path
// (volume.cpp). Everything here is owned by one call; with the call's pool
// (TextureCompressor::pool) the resampler, the dithering, the conversions,
// the palette's index search and the block encoder cut large levels into
// bands of rows, each made exactly as on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "blocks/blocks.h"
#include "texcomp/compressor.h"
#include "texcomp/palette_step.h"
#include "texcomp/texcomp.h"
#include "zoom/zoom.h"

// Rows per band when a level of `width` pixels is cut into bands for the
// call's threads: a band of fewer pixels than this costs more to hand to a
// thread than it saves, so smaller levels stay on one thread.
constexpr int64_t LEVEL_BAND_PIXELS = 32768;
inline int64_t band_min_rows(int32_t width) {
    return width < 1 ? 1 : (LEVEL_BAND_PIXELS + width - 1) / width;
}

// The settings' integer modes by their names; a value outside the names
// matches none of them.
inline MipChainMode chain_mode(const TextureSettings& s) {
    return static_cast<MipChainMode>(s.g_mip_map_type);
}
inline TextureMapType map_type(const TextureSettings& s) {
    return static_cast<TextureMapType>(s.g_texturemap_type);
}
inline int32_t face_count(const TextureSettings& s) {
    return map_type(s) == TextureMapType::Cube ? CUBE_FACES : 1;
}

// ---------------------------------------------------------------------------
// Power-of-two rounding (pow2.cpp).
// ---------------------------------------------------------------------------
// A power of two (1, 2, 4, ...) comes back unchanged. Otherwise the pair
// 2^k < x < 2^(k+1) is found and nearest gives the closer one (a tie goes up),
// up gives 2^(k+1), down gives 2^k. -1 when no pair holds x (x < 1 or x > 2^30).
int32_t round_pow2_nearest(int32_t x);
int32_t round_pow2_up(int32_t x);
int32_t round_pow2_down(int32_t x);
// 0 when both sides are powers of two (outputs = inputs); else 1, with each
// side that is not a power of two rounded and the other kept. A rounded side
// may come out as -1 (see above).
int32_t fit_pow2_nearest(int32_t w, int32_t h, int32_t* out_w, int32_t* out_h);
int32_t fit_pow2_up(int32_t w, int32_t h, int32_t* out_w, int32_t* out_h);
int32_t fit_pow2_down(int32_t w, int32_t h, int32_t* out_w, int32_t* out_h);
// Always 1: a power-of-two side is halved (round_pow2_down(side - 1)), any
// other side goes down to the previous power of two. A side of 1 gives -1.
int32_t fit_pow2_lower(int32_t w, int32_t h, int32_t* out_w, int32_t* out_h);

// ---------------------------------------------------------------------------
// Entry helpers (entry.cpp).
// ---------------------------------------------------------------------------
// The size g_rescale_mode asks for a w x h picture. Returns 0 when nothing is
// to be done, 1 when the picture is to be resampled to *out_w x *out_h, and -1
// when the mode gives no usable size (a rounding without a power of two, or a
// size outside 1..32767).
int32_t choose_rescale_size(const TextureSettings& s, int32_t w, int32_t h, int32_t* out_w,
                            int32_t* out_h);
// A new packed buffer of new_w x new_h x planes bytes resampled with the cubic
// filter, or null when memory runs out. With a pool, the resampler's rows
// are made in bands on its threads.
std::unique_ptr<uint8_t[]> resample_picture(const uint8_t* pixels, int32_t width, int32_t height,
                                            int32_t planes, int64_t pitch, int32_t new_w,
                                            int32_t new_h, WorkPool* pool = nullptr);

// ---------------------------------------------------------------------------
// Format codes and the stream header (formats.cpp).
// ---------------------------------------------------------------------------
constexpr uint32_t STREAM_MAGIC = 0x20534444;  // "DDS " little-endian

// Lookups in the format table (texture_format_info); false outside it.
bool is_block_format(int32_t code);       // the block formats (DXT, BC, ASTC)
bool is_palettised_format(int32_t code);  // P8 and P4
// Number of binary digits of max(w, h): the levels of a power-of-two chain.
int32_t chain_length(int32_t w, int32_t h);
// The 124-byte surface header that follows the magic, in its on-disk word
// order; written byte by byte in little-endian order, so the stream is the
// same on every host. The pixel format's size word is always 32.
struct SurfaceDesc {
    uint32_t size;                    // 0
    uint32_t flags;                   // 4
    uint32_t height;                  // 8
    uint32_t width;                   // 12
    uint32_t linear_size;             // 16: pitch or linear size
    uint32_t depth;                   // 20
    uint32_t mip_count;               // 24
    uint32_t reserved[11];            // 28..71
    TexturePixelFormat pixel_format;  // 72 (size word), 76..103
    uint32_t caps1;                   // 104
    uint32_t caps2;                   // 108
    uint32_t reserved2[3];            // 112..123
};
constexpr size_t SURFACE_DESC_BYTES = 124;
void surface_desc_to_bytes(const SurfaceDesc& desc, uint8_t out[SURFACE_DESC_BYTES]);
// The surface header for level 0 of w x h with `depth` slices.
SurfaceDesc surface_header(const TextureSettings& s, int32_t w, int32_t h, int32_t depth,
                           uint32_t linear_size, const TexturePixelFormat& pixel_format);
// Emits the magic and the header for level 0 of w x h (with `depth` slices)
// in format `code`, and the DX10 header after it for the formats that have
// one: the plain and the volume path both start so.
void write_stream_header(TextureCompressor& tc, int32_t code, int32_t w, int32_t h, int32_t depth);
// The DX10 header of a stream in format `code` (its format number, 0 for
// the formats without one): 2D or volume, the cube flag, one texture, and
// the alpha mode.
struct Dx10Header {
    uint32_t dxgi_format;
    uint32_t dimension;
    uint32_t misc_flag;
    uint32_t array_size;
    uint32_t alpha_mode;
};
Dx10Header dx10_header(const TextureCompressor& tc, int32_t code);
void dx10_header_bytes(const Dx10Header& header, uint8_t out[DX10_HEADER_BYTES]);

// ---------------------------------------------------------------------------
// Working level (level_image.cpp).
// ---------------------------------------------------------------------------
// width x height pixels of 4 bytes (blue, green, red, alpha), rows packed:
// a view of pixels someone else owns (a WorkLevel, or a test's buffer).
// `capacity` pixels are there; smaller levels reuse the start.
struct LevelImage {
    int32_t width;
    int32_t height;
    int64_t capacity;
    uint8_t* pixels;
};

// A working level that owns its pixels; `level` views `bytes`. Moving it
// keeps the view valid (the bytes stay where they are); copying is not
// allowed.
struct WorkLevel {
    LevelImage level{};
    std::vector<uint8_t> bytes;

    WorkLevel() = default;
    WorkLevel(WorkLevel&&) = default;
    WorkLevel& operator=(WorkLevel&&) = default;
    WorkLevel(const WorkLevel&) = delete;
    WorkLevel& operator=(const WorkLevel&) = delete;
};
// Zero-filled pixels for width x height, room for at least one 4x4 block.
// False (and `out` left empty) when memory runs out or a side is negative.
bool make_work_level(WorkLevel& out, int32_t width, int32_t height);
// Fills width x height pixels of the level from the picture of tc.image,
// starting `offset` bytes after level_pixels, with the intake steps: colour
// copied, alpha copied or 255, alpha border, colour border, binary alpha,
// red/blue exchange. The level's width and height become the given sizes.
void take_level(LevelImage& level, const TextureCompressor& tc, int32_t width, int32_t height,
                int64_t offset);
// Alpha border and colour border on the first/last row and column.
void apply_edges(LevelImage& level, const TextureSettings& s);
// Alpha 0 below the threshold, else 255.
void apply_binary_alpha(LevelImage& level, int32_t threshold);

// ---------------------------------------------------------------------------
// Fading and normal-map levels (fading.cpp).
// ---------------------------------------------------------------------------
// Whether the levels are treated as normal maps (block weighting type or the
// profile's conversion switch).
bool is_normal_map(const TextureCompressor& tc);
// Colour and alpha fading of one level with factor f and rest k (no update of
// the factor). Blended bytes are clamped to 0..255.
void fade_level(LevelImage& level, const TextureCompressor& tc, int32_t code, float f, float k);
void renormalise_level(LevelImage& level);

// ---------------------------------------------------------------------------
// Normal-map conversion of a level (normal_map_step.cpp).
// ---------------------------------------------------------------------------
struct NormalMapOptions;
// The options the compressor's profile-only normal-map fields give.
NormalMapOptions normal_map_options(const TextureCompressor& tc);
// make_normal_map on the level with those options; false when it ran out of
// memory (the stream cannot be completed).
bool convert_normal_map_level(LevelImage& level, const TextureCompressor& tc);

// ---------------------------------------------------------------------------
// Mip chain of one face (chain.cpp).
// ---------------------------------------------------------------------------
struct FaceChain {
    MipChainMode mode = MipChainMode::Generated;
    int32_t format_code = 0;
    std::vector<uint8_t> level0_copy;  // Generated: level 0 as taken in
    int32_t w0 = 0, h0 = 0;
    MemoryPicture source;
    ZoomFilter xfilter{}, yfilter{};
    ZoomOptions options{};
    int64_t premade_offset = 0;   // PreMade: byte offset of the current level
    float fade_factor = 1.0f;     // f
    float fade_step = 1.0f;       // m
    float fade_rest = 0.0f;       // k
    int32_t first_level = 0;      // levels before it are sized but not made
    ChainCache* cache = nullptr;  // settings' chain_cache, for one-face Generated chains
    int32_t cache_order = 0;      // CacheOrder of this face (chain_cache.h)
};

// The mip filter copies with the width/blur override, and the resampler
// options every caller uses.
void mip_filters(const TextureSettings& s, ZoomFilter& xfilter, ZoomFilter& yfilter);
ZoomOptions resample_options();
// Resamples a whole 4-channel picture of sw x sh onto dw x dh pixels of `dst`
// (packed rows); the two buffers must not overlap. Returns the resampler's
// result (ZOOM_OK or ZOOM_NO_MEMORY).
int resample_rgba(const ZoomOptions& options, const uint8_t* src, int32_t sw, int32_t sh,
                  uint8_t* dst, int32_t dw, int32_t dh, const ZoomFilter& xfilter,
                  const ZoomFilter& yfilter);
// Allocates the level-0 copy for faces of w x h (Generated chains only), once
// per call: every face of a texture has the same size. False when memory
// runs out.
bool prepare_face_chain(const TextureSettings& s, int32_t w, int32_t h, FaceChain& chain);
// Set up after level 0 of a face was taken (face_offset: its byte offset in
// the picture).
void begin_face_chain(TextureCompressor& tc, const LevelImage& level, int64_t face_offset,
                      int32_t format_code, FaceChain& chain);
// Makes level j (1, 2, ...) in `level`, treated (edges, fading, binary
// alpha): Made, ChainEnded when the face has no level j, NoMemory when the
// resampler ran out of memory.
enum class LevelMade { Made, ChainEnded, NoMemory };
LevelMade next_level(TextureCompressor& tc, LevelImage& level, FaceChain& chain, int32_t j);
void end_face_chain(FaceChain& chain);

// ---------------------------------------------------------------------------
// Dithering and uncompressed conversions (dither.cpp, convert.cpp).
// ---------------------------------------------------------------------------
extern const uint8_t DitherPhase[16];
extern const uint8_t DitherPattern[2][7][16];
// Byte k of the result is channel k (0 blue, 1 green, 2 red, 3 alpha).
uint32_t dither_565(uint32_t p, int32_t column, int32_t row);
uint32_t dither_1555(uint32_t p, int32_t column, int32_t row);
uint32_t dither_555(uint32_t p, int32_t column, int32_t row);
uint32_t dither_4444(uint32_t p, int32_t column, int32_t row);
// The pixel word 0xAARRGGBB reduced towards the depths of `code`; alpha is
// taken as 255 unless the picture had 4 planes.
uint32_t dither_pixel(const TextureCompressor& tc, int32_t code, uint32_t pixel, int32_t column,
                      int32_t row);
void dither_level(LevelImage& level, const TextureCompressor& tc, int32_t code);
// Formats with a converter in the table: writes the level's bytes to `out`
// (room for texture_level_size) and returns their count; -1 for the others.
// With a pool, large levels are converted in bands of rows.
int64_t convert_level(const LevelImage& level, int32_t code, uint8_t* out,
                      WorkPool* pool = nullptr);
// The converters of the table's rows (see TexturePixelConverter).
int64_t convert_argb4444(const uint8_t* bgra, int64_t count, uint8_t* out);
int64_t convert_argb1555(const uint8_t* bgra, int64_t count, uint8_t* out);
int64_t convert_rgb565(const uint8_t* bgra, int64_t count, uint8_t* out);
int64_t convert_copy32(const uint8_t* bgra, int64_t count, uint8_t* out);
int64_t convert_rgb888(const uint8_t* bgra, int64_t count, uint8_t* out);
int64_t convert_xrgb1555(const uint8_t* bgra, int64_t count, uint8_t* out);
int64_t convert_red_green(const uint8_t* bgra, int64_t count, uint8_t* out);
int64_t convert_alpha8(const uint8_t* bgra, int64_t count, uint8_t* out);
int64_t convert_a8l8(const uint8_t* bgra, int64_t count, uint8_t* out);

// ---------------------------------------------------------------------------
// The driver (driver.cpp) and the volume path (volume.cpp).
// ---------------------------------------------------------------------------
// Both return a DriverResult (compressor.h).
DriverResult compress_levels(TextureCompressor& tc, int32_t code, LevelCallback level_callback);
DriverResult compress_volume(TextureCompressor& tc, int32_t code, LevelCallback level_callback);

// Output of treated levels, shared by the plain and the volume path: one
// conversion buffer sized for level 0, reused by every smaller level.
struct LevelEmitter {
    TextureCompressor* tc;
    int32_t code;
    LevelCallback callback;
    std::vector<uint8_t> buffer;  // level 0's bytes, reused by the smaller levels
    PaletteStep palette;          // codes 10 and 14
};
// Done; NoMemory when memory runs out; EncoderFailed when the block
// encoder cannot be made ready (the ASTC library's context).
DriverResult level_emitter_init(LevelEmitter& e, TextureCompressor& tc, int32_t code,
                                LevelCallback callback, int32_t w0, int32_t h0);
// One run of level j (w x h) out: to the level callback when there is one,
// else to the stream's sink.
void emit_level_run(const LevelEmitter& e, const uint8_t* bytes, int64_t count, int32_t j,
                    int32_t w, int32_t h);
// Dithering, normal-map conversion, renormalisation, conversion and emission
// of level j. DriverResult::Done, DriverResult::NoMemory (the normal-map conversion or a
// palette step ran out of memory) or DriverResult::EncoderFailed (nothing emitted
// for the level).
DriverResult finish_level(LevelEmitter& e, LevelImage& level, int32_t j);
// Sharpening (sharpen.cpp): takes CustomFilter into the compressor's filter
// state and reserves the memory of a pass over levels up to w0 x h0 (false
// when it runs out); then g_sharpen_method, SharpeningPassMIP[j] times on
// level j (levels beyond 13 use entry 13).
bool prepare_sharpening(TextureCompressor& tc, int32_t w0, int32_t h0);
void sharpen_level(TextureCompressor& tc, LevelImage& level, int32_t j);
// Checks shared by both paths before anything is emitted: true when the
// settings can be honoured for faces (or slices) of w x h.
bool settings_supported(const TextureCompressor& tc, int32_t code, int32_t w, int32_t h);
// The block encoder's options for a level of block format `code`.
BlockOptions block_options(const TextureSettings& s, int32_t code);
// Gamma, blur and width finite, and the mip filter override within what the
// resampler handles (settings_check.cpp).
bool filter_settings_usable(const TextureSettings& s);
// Chain mode 31 on faces of w x h: every pre-made level the chain will take
// lies inside the picture, in the columns meant for its face.
bool premade_levels_fit(const TextureCompressor& tc, int32_t w, int32_t h);
