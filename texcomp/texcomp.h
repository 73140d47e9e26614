// texcomp: turns a pixel rectangle into a texture stream.
//
// A caller fills a TextureSettings record (start from texture_settings_init),
// sets `write_sink` and `user` to its own sink and record and calls
// compress_texture. The library emits the stream - "DDS " magic, 124-byte
// surface header, then every level of every face, one run per item - into
// that sink, or, when a level_callback is given, level by level into that
// callback without magic and header.
//
// Calls may run on several threads at once: each call works on its own
// records, and the tables the libraries share are read-only.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------
// Output formats. A format is named by its code (g_texture_format) or by its
// lower-case name; everything the library knows about a format is in one row
// of one table.
// ---------------------------------------------------------------------------
enum class TextureFormat : int32_t {
    Dxt1 = 0,
    Dxt1a = 1,
    Dxt3 = 2,
    Dxt5 = 3,
    Argb4444 = 4,
    Argb1555 = 5,
    Rgb565 = 6,
    Argb8888 = 7,
    Rgb888 = 8,
    Xrgb1555 = 9,
    P8 = 10,
    V8u8 = 11,
    Cxv8u8 = 12,
    A8 = 13,
    P4 = 14,
    Q8w8v8u8 = 15,
    A8l8 = 16,
    // The newer block layouts, in DDS files with the DX10 header.
    Bc4 = 17,  // one channel: luma or the channel g_bc4_channel names
    Bc5 = 18,  // red and green (a normal map's X and Y)
    Bc7 = 19,  // colour and alpha, eight block modes
    // ASTC (LDR, linear) in blocks of 16 bytes, colour and alpha. DDS has no
    // format number for ASTC, so the stream marks these with FourCCs of this
    // library's own ("AS44", "AS66", "AS88"): DDS readers refuse such a
    // stream, razivavu-inspect reads it, and a KTX2 file takes the levels
    // (from a level_callback) for engines.
    Astc4x4 = 20,  // 8 bits a texel
    Astc6x6 = 21,  // 3.56 bits a texel
    Astc8x8 = 22,  // 2 bits a texel
    Count          // not a format: the number of codes, so that a new code raises it
};
constexpr int32_t TEXTURE_FORMAT_COUNT = static_cast<int32_t>(TextureFormat::Count);

// How a level is reduced towards the format's channel depths before it is
// converted, when dithering is asked for.
enum class TextureDither : int32_t {
    None = 0,
    Rgb565 = 1,    // 5:6:5 colour (also the block formats' end-point depth)
    Argb4444 = 2,  // 4 bits per channel
    Argb1555 = 3,  // 5:5:5 colour, alpha keeps its top bit
    Xrgb1555 = 4,  // 5:5:5 colour, alpha cleared
};

// How the levels after level 0 come about (g_mip_map_type).
enum class MipChainMode : int32_t {
    Generated = 30,      // each resampled from level 0 with the mip filter
    PreMade = 31,        // taken from the picture: level 0 in the left half, every
                         // smaller level directly to the right of the one before
    LevelZeroOnly = 32,  // no chain: level 0 alone
    End                  // not a mode: one past the last
};

// What the picture holds (g_texturemap_type).
enum class TextureMapType : int32_t {
    Plain = 0,
    Cube = 1,    // six faces side by side
    Volume = 2,  // square slices side by side, as many as the picture is high
    Count        // not a type: the number of types
};
constexpr int32_t CUBE_FACES = 6;

// How the picture is rescaled before anything else (g_rescale_mode).
enum class RescaleMode : int32_t {
    None = 0,
    NearestPow2 = 1,     // each side to the nearest power of two
    UpPow2 = 2,          // each side up to the next power of two
    DownPow2 = 3,        // each side down to the previous power of two
    NextLowerPow2 = 4,   // each side to the next lower power of two (a power of two halves)
    ToSize = 5,          // to g_rescale_width x g_rescale_height
    ByFactors = 6,       // by the factors g_rescale_width, g_rescale_height
    ToSizeIfLarger = 7,  // to that size, only when the picture is larger in either direction
    Count                // not a mode: the number of modes
};

// The level filter run over every level (g_sharpen_method): fixed 5x5
// kernels, the kernel built from CustomFilter, an unsharp mask and a
// luminance-guided sharpener. 0 and 18 filter nothing.
enum class SharpenMethod : int32_t {
    None = 0,
    Negative = 1,  // 1 .. 15: the fixed kernels, in this order
    Lighter,
    Darker,
    ContrastMore,
    ContrastLess,
    Smoothen,
    Sharpen16,  // the 8-neighbour sharpen, centre 16, divisor 8
    Sharpen11,  // the 4-neighbour sharpen, centre 11, divisor 3
    SharpenStrong,
    FindEdges,
    Contour,
    EdgeDetect,
    EdgeDetectSoft,
    Emboss,
    Sharpen9 = 15,  // the last fixed kernel: the 8-neighbour sharpen, centre 9
    UnsharpMask = 16,
    LuminanceSharpen = 17,
    Unused = 18,
    Custom = 19,  // the 5x5 kernel of CustomFilter
    Count         // not a method: the number of method codes
};
static_assert(static_cast<int32_t>(SharpenMethod::Sharpen9) == 15 &&
                  static_cast<int32_t>(SharpenMethod::Count) == 20,
              "the fixed kernels are codes 1 .. 15");

// What each of the 33 CustomFilter entries holds.
enum CustomFilterEntry : int32_t {
    CUSTOM_FILTER_WEIGHTS = 0,   // 25 weights of the custom kernel, row by row
    CUSTOM_FILTER_DIVISOR = 25,  // its divisor
    CUSTOM_FILTER_BIAS = 26,     // its bias
    CUSTOM_FILTER_UNSHARP_RADIUS = 27,
    CUSTOM_FILTER_UNSHARP_AMOUNT = 28,
    CUSTOM_FILTER_UNSHARP_THRESHOLD = 29,  // truncated to a whole number
    CUSTOM_FILTER_SHARPEN_STRENGTH = 30,   // of the luminance sharpener, truncated
    CUSTOM_FILTER_SHARPEN_THRESHOLD = 31,  // of the luminance sharpener, truncated
    CUSTOM_FILTER_SPARE = 32,              // read by nothing
    CUSTOM_FILTER_COUNT
};
static_assert(CUSTOM_FILTER_DIVISOR == CUSTOM_FILTER_WEIGHTS + 25, "a 5x5 kernel");
// Levels with an entry of their own in SharpeningPassMIP and in a profile's
// fading amounts; deeper levels repeat the last entry.
constexpr int32_t LEVEL_TABLE_SIZE = 14;

// The flag words of the stream's surface header: which words are filled in
// (`flags`), and what kind of texture it is (`caps1`, `caps2`).
constexpr uint32_t SURFACE_HAS_CAPS = 0x00000001;
constexpr uint32_t SURFACE_HAS_HEIGHT = 0x00000002;
constexpr uint32_t SURFACE_HAS_WIDTH = 0x00000004;
constexpr uint32_t SURFACE_HAS_PIXEL_FORMAT = 0x00001000;
constexpr uint32_t SURFACE_HAS_MIP_COUNT = 0x00020000;
constexpr uint32_t SURFACE_HAS_LINEAR_SIZE = 0x00080000;
constexpr uint32_t SURFACE_HAS_DEPTH = 0x00800000;
constexpr uint32_t CAPS1_COMPLEX = 0x00000008;  // more than one surface (chain or faces)
constexpr uint32_t CAPS1_TEXTURE = 0x00001000;
constexpr uint32_t CAPS1_MIP_CHAIN = 0x00400000;
constexpr uint32_t CAPS2_CUBE = 0x00000200;
constexpr uint32_t CAPS2_ALL_FACES = 0x0000FE00;  // the cube bit and all six faces
constexpr uint32_t CAPS2_VOLUME = 0x00200000;

// The pixel-format block of the stream's surface header (its size word is
// always 32).
struct TexturePixelFormat {
    uint32_t flags;
    uint32_t fourcc;
    uint32_t bit_count;
    uint32_t red_mask;
    uint32_t green_mask;
    uint32_t blue_mask;
    uint32_t alpha_mask;
};

// Converts `count` pixels of 4 bytes (blue, green, red, alpha) into the
// format's layout at `out`; returns the bytes written.
using TexturePixelConverter = int64_t (*)(const uint8_t* bgra, int64_t count, uint8_t* out);

struct TextureFormatInfo {
    TextureFormat format;
    int32_t code;            // the value of g_texture_format
    const char* name;        // lower case, as in the enum: "dxt1", "rgb888", ...
    int32_t block_mode;      // encode_blocks mode of a block format; -1 for the others
    int32_t bits_per_pixel;  // of an uncompressed or palettised layout; 0 for block formats
    uint8_t palettised;      // palette indices per pixel (P8, P4)
    uint8_t fades_to_zero;   // colour fading pulls red and green towards 0 (V8u8)
    TextureDither dither;
    TexturePixelFormat header;
    TexturePixelConverter convert;  // null for block and palettised formats
    // The DX10 header's format number of the layouts written with that
    // header (BC4, BC5, BC7); 0 for those whose header above says it all.
    uint32_t dxgi_format;
};

// The 20 bytes after the surface header of a DX10 stream: format number,
// resource kind, cube flag, array size and alpha mode.
constexpr uint32_t DX10_TEXTURE_2D = 3;
constexpr uint32_t DX10_TEXTURE_3D = 4;
constexpr uint32_t DX10_CUBE = 0x4;
constexpr uint32_t DX10_ALPHA_UNKNOWN = 0;
constexpr uint32_t DX10_ALPHA_STRAIGHT = 1;
constexpr uint32_t DX10_ALPHA_OPAQUE = 3;
constexpr uint32_t DX10_HEADER_BYTES = 20;
constexpr uint32_t FOURCC_DX10 = 0x30315844;  // "DX10"

// The stream header of one plain 2D texture whose levels were made before
// (a caller that lays out levels it kept, such as the tool's containers):
// "DDS ", the surface header as compress_texture writes it for `levels`
// levels from width x height (one level: no chain, as g_mip_map_type 32
// writes it), with `pixel_format` in its pixel-format block and
// `linear_size` bytes for the first level, and, when `dxgi_format` is not
// 0, the DX10 header after it (2D, no cube, one texture, `alpha_mode`).
struct TextureStreamShape {
    int32_t width;
    int32_t height;
    int32_t levels;
    TexturePixelFormat pixel_format;
    uint32_t linear_size;
    uint32_t dxgi_format;
    uint32_t alpha_mode;
};
constexpr int32_t TEXTURE_STREAM_HEADER_MAX_BYTES = 4 + 124 + DX10_HEADER_BYTES;
// The bytes written to `out`: 128, or 148 with the DX10 header; 0 (nothing
// written) for a side below 1 or above 32767, or a level count below 1 or
// above the binary digits of the larger side (the levels a chain that
// halves each side, rounding down, has).
int32_t texture_stream_header(const TextureStreamShape& shape,
                              uint8_t out[TEXTURE_STREAM_HEADER_MAX_BYTES]);

// The row of a format code; nullptr outside 0 .. TEXTURE_FORMAT_COUNT - 1.
const TextureFormatInfo* texture_format_info(int32_t code);
inline const TextureFormatInfo* texture_format_info(TextureFormat format) {
    return texture_format_info(static_cast<int32_t>(format));
}
// Whether a code is one of the ASTC formats (20 .. 22), which no DDS file
// can hold.
bool is_astc_format(int32_t code);
// Texels along each side of a block of the format: 4 for the 4x4 block
// formats and ASTC 4x4, 6 and 8 for ASTC 6x6 and 8x8, 1 for the others and
// outside the table.
int32_t texture_block_side(int32_t code);
// 1, 2, 4, ...; 0 and negatives are not. The block formats take such sides
// only.
bool is_pow2(int32_t x);
// The row of a format name, any case ("DXT1" finds dxt1); nullptr if unknown.
const TextureFormatInfo* texture_format_find(const char* name);
// Bytes of one w x h level of the format in the stream (blocks rounded up at
// the right and bottom edges: 16 bytes for each started 4x4, 6x6 or 8x8 of
// ASTC; P4 packs two pixels per byte with no row padding, rounded up so that
// a level of odd area keeps its last pixel); 0 for a code outside the table
// or a side below 1.
int64_t texture_level_size(int32_t code, int32_t w, int32_t h);

// The output contract: (byte count, buffer, user record) -> result, called
// once per emitted byte run in stream order. The library ignores the result.
using WriteSink = int32_t (*)(int32_t count, const uint8_t* buffer, void* user);

// The block formats' end-point search, from fastest to closest. The ASTC
// formats take the ASTC library's presets of the same rank instead: Quick
// fastest, Fast fast, Normal medium, High thorough, Best exhaustive.
//   Quick:  the farthest pair of the block's colours (as g_b_quick_compress).
//   Normal: the full search; blocks of a level larger than one block keep to
//           three colours. This is what the stored tile files hold.
//   High:   the full search with three- and four-colour palettes both tried
//           for every block, the smaller weighted error kept; DXT1 cutout
//           blocks with transparent pixels keep three colours.
//   Best:   High, then the end points refined against the exact block error.
//   Fast:   between Quick and Normal: the extremes of the block's colours along
//           their principal direction, re-fitted by least squares, four colours
//           where the block allows. (Its code follows Best's so that the older
//           codes keep their values.)
enum class TextureQuality : int32_t { Quick = 0, Normal = 1, High = 2, Best = 3, Fast = 4 };
// The quality of a name ("quick", "fast", "normal", "high", "best"); false if
// unknown.
bool texture_quality_find(const char* name, TextureQuality& quality);
// The name of a quality ("normal", ...); "" for a value without one.
const char* texture_quality_name(TextureQuality quality);

// How the decoder that will show a block texture reads the interpolated
// entries of its colour palettes, which High and Best aim their end points
// at:
//   Nearest:  thirds rounded to nearest (the project's own decoder, and the
//             rule every quality's search builds its palettes by);
//   Exact:    real-valued thirds, which an ideal decoder approaches;
//   Truncate: thirds rounded down, as some decoders do.
// Quick and Normal build their palettes by the nearest rule whatever this says.
enum class TextureDecoder : int32_t { Nearest = 0, Exact = 1, Truncate = 2 };
// The reading of a name ("nearest", "exact", "truncate"); false if unknown.
bool texture_decoder_find(const char* name, TextureDecoder& decoder);
const char* texture_decoder_name(TextureDecoder decoder);

// ---------------------------------------------------------------------------
// Settings record. Field names follow the settings profile keys. The fields
// with a key start at 0 here; texture_settings_init gives them their
// defaults, from the key table (texture_setting_keys).
// ---------------------------------------------------------------------------
struct ChainCache;

struct TextureSettings {
    int32_t g_rescale_mode{};
    float g_rescale_width{};
    float g_rescale_height{};
    int16_t g_mip_map_type{};
    int16_t g_specified_mip_maps{};
    int32_t g_mip_filter_type{};  // the resampler's kernel index (ZoomKernelIndex)
    uint8_t g_b_binary_alpha{};
    int32_t g_b_normalmaptype{};
    uint8_t g_b_alpha_border{};
    uint8_t g_b_border{};
    int32_t g_border_color{};
    uint8_t g_b_fade_color{};
    uint8_t g_b_fade_alpha{};
    int32_t g_fade_to_color{};
    int32_t g_fade_to_alpha{};
    int32_t g_fade_to_delay{};
    int32_t g_fade_amount{};
    int32_t g_binary_alpha_threshold{};
    uint8_t g_b_dither_color{};
    uint8_t g_b_dither_mip0{};
    uint8_t g_b_grey_scale{};
    uint8_t g_b_quick_compress{};
    uint8_t g_b_force_four_colours{};
    float CustomFilter[CUSTOM_FILTER_COUNT];
    int32_t SharpeningPassMIP[LEVEL_TABLE_SIZE];
    int32_t g_sharpen_method{};
    uint8_t g_b_error_diffusion{};
    float g_filter_gamma{};
    float g_filter_blur{};
    float g_filter_width{};
    uint8_t g_override_filter_width{};
    int32_t g_texturemap_type{};
    int32_t g_texture_format{};
    // BC4 only (a SingleChannel code of blocks/blocks.h): 0 luma, 1 red,
    // 2 green, 3 blue, 4 alpha. Not a profile key.
    int32_t g_bc4_channel{};
    uint8_t g_b_swap_rgb{};
    // The output of this call: every emitted run goes to write_sink with
    // `user`. Without a write_sink (and without a level_callback) the runs
    // are dropped.
    WriteSink write_sink = nullptr;
    void* user = nullptr;
    // Not a profile key. The number of leading levels of every face that the
    // caller throws away: they are neither converted nor emitted (nor, where
    // no later level depends on them, made), so the stream has the magic, the
    // header describing the whole chain, then levels first_level, ... in one
    // run each (a level_callback sees their own indices). The levels kept are
    // byte for byte those of a call with 0. Values below 1 keep every level,
    // and so do the palettised formats (10, 14), whose levels all refer to the
    // palette made from level 0.
    int32_t first_level = 0;
    // Not a profile key. Optional store of the generated chain (see
    // ChainCache below); null: every call resamples its own levels.
    ChainCache* chain_cache = nullptr;
    // Not a profile key. How hard the block formats (codes 0-3, 17-22) look
    // for their end points; see TextureQuality. Normal gives the stored files'
    // bytes. g_b_quick_compress still selects the quick search whatever this
    // says.
    TextureQuality quality = TextureQuality::Normal;
    // Not a profile key. The reading the High and Best searches aim at; see
    // TextureDecoder. Nearest gives today's bytes.
    TextureDecoder decoder = TextureDecoder::Nearest;
    // Not a profile key. Threads one call may use (the caller's own among
    // them, at most 64); values below 2 keep the whole call on the caller's
    // thread. With more, the call starts its own workers and ends them before
    // it returns; large levels are then resampled, dithered, converted,
    // palette-indexed and block-encoded in bands of rows side by side, and
    // pictures below 128 x 128 pixels start no thread at all. The output is
    // byte for byte the same for every count.
    int32_t threads = 1;
};

// A caller-owned store of generated mip levels. Calls that name the same
// store and take in the same level 0 (one face, g_mip_map_type 30), or the
// same with the first and third colour bytes exchanged (g_b_swap_rgb), with
// the same mip filter settings, resample each level once between them; the
// output is byte for byte that of calls without a store. A store serves one
// call at a time; it keeps the last chain (about 1.4 times level 0's pixels at
// 4 bytes each) until it is freed or another level 0 comes.
ChainCache* chain_cache_new();             // null when memory runs out
void chain_cache_free(ChainCache* cache);  // accepts null

// Settings profile: a text file of "key value" lines read into every
// compression while a path is set. Its keys are the field names above (plus
// "CustomFilter_0".."CustomFilter_32", "SharpeningPassMIP_0".."_13") and the
// fields only a profile can set (normal-map options, user fading amounts,
// ...). The caller's TextureSettings still win for every field they hold, so
// a profile matters only through the profile-only fields. When the file
// cannot be opened or read, compress_texture returns -1 and emits nothing.
//
// The path is process-wide and guarded: it may be set while compressions run
// on other threads; each compression reads the path once, when it starts.
// Null or "" (the default) means no profile.
void texture_set_profile_path(const char* path);

// Applies one profile key to `s` with the profile's conversions (flag =
// integer != 0, integers as atoi, 16-bit fields cut, floats as strtod). 1 when
// `key` names a TextureSettings field (indexed keys included) and it was
// applied, 0 when it does not (profile-only keys included) or s/key is null.
int texture_settings_set_key(TextureSettings* s, const char* key, const char* value);

// ---------------------------------------------------------------------------
// The settings keys: one table of every key, which the profile reader,
// texture_settings_set_key, texture_settings_init and the texture command
// (--set, --list-keys and its range checks) all read.
// ---------------------------------------------------------------------------
enum class SettingKind : int32_t {
    Flag,     // one byte, 0 or 1 (a profile reads any non-zero whole number as 1)
    Whole,    // a whole number (16- or 32-bit field)
    Decimal,  // a single-precision number
    Text,     // a line of text
};
enum class SettingScope : int32_t {
    Record,      // a TextureSettings field with a profile key
    RecordOnly,  // a TextureSettings field no profile sets; callers set it
    Profile,     // a field only a profile sets (normal maps, user fading, viewer settings)
};
// How one key reads and writes its field; the library's own.
struct SettingAccess;

struct TextureSettingKey {
    // Indexed keys carry "%d" for each number: "CustomFilter_%d" stands for
    // CustomFilter_0 .. CustomFilter_32 (matched in that printed form only,
    // so "CustomFilter_07" is no key).
    const char* name;
    SettingKind kind;
    SettingScope scope;
    double standard;  // what texture_settings_init gives (Profile keys: what a profile starts from)
    // What a profile starts from for a record field: mostly `standard`; NaN
    // where a profile keeps the caller's value (the output format).
    double profile_standard;
    double min, max;  // the values --set takes; a Decimal key with min 0 must be above 0
    const char* meaning;
    // For indexed keys: the count and first number of each "%d" (0, 0 when
    // there is none).
    int32_t count[2];
    int32_t first[2];
    // The default as --list-keys shows it where one number cannot say it
    // (the arrays, text); null: `standard`.
    const char* listed_default;
    const SettingAccess* access;
};
// Every key in the table's order; `count` receives their number.
const TextureSettingKey* texture_setting_keys(int32_t* count);
// The key `name` names, and the numbers of an indexed key in `index` (may be
// null); nullptr when it names none.
const TextureSettingKey* texture_setting_key_find(const char* name, int32_t index[2]);
// Whether `value` lies in the key's range (Text keys take any value).
bool texture_setting_in_range(const TextureSettingKey& key, double value);
// Applies `value` to the field of a Record or RecordOnly key with the
// profile's conversions (below); false for a Profile key or a null key.
bool texture_setting_apply(TextureSettings& s, const TextureSettingKey& key, const int32_t index[2],
                           const char* value);
// The value of a Record or RecordOnly key's field, as a number (0 for Text
// and Profile keys).
double texture_setting_value(const TextureSettings& s, const TextureSettingKey& key,
                             const int32_t index[2]);

// Standard initialisation: every field to its default. The two arrays, which
// only matter when g_sharpen_method is non-zero, get the settings profile's
// defaults (a mild 5x5 sharpen kernel; one pass on every level but the first).
void texture_settings_init(TextureSettings& s);

// ---------------------------------------------------------------------------
// Output.
// ---------------------------------------------------------------------------
// Optional per-level receiver: (buffer, level index, byte count, width,
// height, user record). Levels restart at index 0 for every face.
using LevelCallback = int32_t (*)(const uint8_t* buffer, int32_t level, int32_t count,
                                  int32_t width, int32_t height, void* user);

// Inclusive pixel corners of a sub-rectangle of the picture.
struct CompressRect {
    int32_t x0, y0, x1, y1;
};

// ---------------------------------------------------------------------------
// The entry.
// ---------------------------------------------------------------------------
// pixels: rows of `planes` bytes per pixel (3 = R,G,B or 4 = R,G,B,A in the
// byte order the caller wants as the pixel's first, second and third colour
// byte), `pitch` bytes apart. Returns TEXCOMP_OK when the whole stream was
// emitted, otherwise one of the negative results below. Nothing has been
// emitted for any of them unless said otherwise.
constexpr int32_t TEXCOMP_OK = 0;
constexpr int32_t TEXCOMP_NO_PIXELS = -1;       // pixels is null, or the settings profile
                                                // in use cannot be read
constexpr int32_t TEXCOMP_BAD_PLANES = -2;      // planes is neither 3 nor 4
constexpr int32_t TEXCOMP_NOT_POW2 = -3;        // a block format meets sides that are not powers
                                                // of two and no rescaling is asked for
constexpr int32_t TEXCOMP_REFUSED = -4;         // settings this library does not handle:
                                                // format code outside the table, codes 10 and 14
                                                // on a volume, chain mode other than 30/31/32,
                                                // mip filter outside 0..13, block format on a
                                                // face or slice that is not a power of two,
                                                // volume slice count not a power of two,
                                                // pre-made levels (chain 31) that do not fit
                                                // in the picture, a non-finite gamma, blur or
                                                // width, or a filter override beyond blur 16
                                                // or width 64 (or a blur of 0)
constexpr int32_t TEXCOMP_BAD_SIZE = -5;        // width or height below 1 (a block format
                                                // without rescaling gives -3 for that), a
                                                // rectangle not inside
                                                // the picture, a side above 32767, or a rescale
                                                // that gives no usable size
constexpr int32_t TEXCOMP_NO_MEMORY = -6;       // an allocation failed (the ASTC library's
                                                // included); levels already emitted do not
                                                // form a complete stream
constexpr int32_t TEXCOMP_ENCODER_FAILED = -7;  // the block encoder refused a level (a fault
                                                // of this library), or the ASTC library
                                                // failed; the stream is incomplete
// A readable reason for any result of compress_texture (unknown values
// included); never null.
const char* texture_result_message(int32_t result);

int32_t compress_texture(const uint8_t* pixels, int32_t width, int32_t height, int64_t pitch,
                         const TextureSettings& settings, int32_t planes,
                         LevelCallback level_callback, const CompressRect* rect);
