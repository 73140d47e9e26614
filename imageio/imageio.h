// imageio: loads BMP, JPEG, PNG and TIFF pictures into one LoadedImage record.
//
// Every loader returns a LoadResult: whether the picture loaded and, with it,
// the words for the user (why it did not load, or what is wrong with a
// picture that loaded all the same). The reason of a failure is also written
// to the log ("vx.log"). On failure the record's sizes are not changed. Pixel
// and palette blocks come from the reservation table (vxsystem) and live
// until reserved over.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

enum class LoadStatus { loaded, not_loaded };

// What one loader call gives back. It belongs to the call, not to the thread
// that made it, so a caller may hand it to another thread as it is.
struct LoadResult {
    LoadStatus status = LoadStatus::not_loaded;
    // Why it did not load, for the user: the log's line without its
    // "vxgl:  " prefix or line break. Empty when it loaded.
    std::string reason;
    // Empty when the picture is clean. Otherwise it loaded but is damaged (a
    // truncated or corrupt JPEG): the one-line reason, for the user; the
    // places the decoder could not read hold filler. Always empty when it
    // did not load.
    std::string warning;
    bool ok() const { return status == LoadStatus::loaded; }
};

struct LoadedImage {
    int32_t width = 0;
    int32_t height = 0;
    // 3 = R,G,B; 4 = R,G,B,A; 5 or 6 = one palette index per pixel (4- and
    // 8-bit files) with `palette`; any other value = one grey byte per pixel.
    int32_t planes = 0;
    int32_t palette_size = 0;
    uint8_t* pixels = nullptr;   // rows top to bottom, packed
    uint8_t* palette = nullptr;  // 4 bytes per entry: R, G, B, 255
    std::string name;            // the file name, set by the caller; any length
};

// Uncompressed 4-, 8- and 24-bit BMP (Windows info header of 40 bytes or
// more; bottom-up or top-down rows; rows padded to 4 bytes as every BMP has).
//
// file_size: the file's size in bytes (from file_size(), 64 bits; the file is
// read whole, so one of 2 GiB or more is refused by its header); planes: the layout
// wanted, at least 1 (the tool asks for 3); skip_pow2_check: non-zero to
// accept 24-bit pictures whose sides are not powers of two up to 16384.
//
// 4- and 8-bit files: `palette_size` 16 or 256; with planes 5 or 6 `pixels`
// holds the indices and `palette` the entries (missing entries of a short
// palette are black); planes 3 or 4 expand to R,G,B(,255).
//
// 24-bit files: a companion alpha file "<base>_trans.bmp" or, failing that,
// "<base>op.bmp" (<base> = the name without its last four characters) turns
// the result into R,G,B,A with planes 4; alpha = the mean of the companion's
// three bytes. The companion must be a 24-bit BMP of the same size. Without
// one, planes 4 gives alpha 0 for pure black pixels and 255 otherwise, and any
// planes other than 3 or 4 gives one grey byte (B+G+R)/3 per pixel.
//
// Not loaded, with a "vxgl:  " log message as the reason: other bit depths,
// compressed (RLE) files, headers that claim more palette or pixel bytes than
// the file holds, empty or oversized pictures (the pixel block must stay below
// 2 GiB), a companion that does not match.
LoadResult load_bmp(LoadedImage& image, int64_t file_size, int32_t planes, int skip_pow2_check);

// JPEG through the JPEG library's 6.2 interface; the result is always R, G, B
// packed rows (greyscale files come out as R = G = B, CMYK files are
// converted). `planes` and the palette fields are not touched.
//
// Not loaded when the file cannot be opened ("(jpeg open failed)" is logged),
// when the library meets a fatal error (its message is logged as
// "JPEG ERROR=..."; the decoder is torn down and the call returns instead of
// ending the process), and for pictures with other component counts or too
// large for one block. Library warnings (e.g. a truncated file) are logged as
// "JPEG ERROR=..." and decoding goes on as the library decides; the first one
// that means damage is the result's warning.
LoadResult load_jpeg(LoadedImage& image);

// PNG through libpng: every colour type and bit depth, interlaced or not,
// comes out as R, G, B (planes 3) or, when the file has alpha or a
// transparency chunk, R, G, B, A (planes 4). Palettes are expanded, grey is
// repeated into the three colours, 16-bit samples keep their high byte.
// Libpng's messages are logged as "PNG ERROR=..." / "PNG WARNING=..."; a
// damaged file (bad checksum, cut short) is refused. The record is changed
// only by a successful load.
LoadResult load_png(LoadedImage& image);

// TIFF and BigTIFF through libtiff: 8- or 16-bit greyscale, RGB and palette
// pictures, from strips or tiles, in any compression libtiff decodes, also
// JPEG-compressed YCbCr. The result is as for load_png; the first extra
// sample becomes alpha. Separate colour planes, other sample sizes and colour
// models are refused with a message. Libtiff's messages are logged as
// "TIFF ERROR=..." / "TIFF WARNING=...".
LoadResult load_tiff(LoadedImage& image);

// Streaming: a picture delivered top to bottom in bands of rows, so that a
// caller who needs only some rows at a time never holds the whole picture.
// The rows are those load_png / load_tiff / load_jpeg give, byte for byte:
// packed R, G, B (planes 3) or R, G, B, A (planes 4). Memory: one band in
// the caller's hands plus the decoder's working rows (a whole interlaced PNG
// or, for a progressive JPEG, its coefficients).
//
// BMP: the rows of load_bmp(image, size, 3, 1), i.e. R, G, B, or R, G, B, A
// (planes 4) with a companion alpha file, with its refusals and log lines.
// The file's rows are read by offset a few megabytes at a time, so the
// decoder's memory is fixed; the file's size is taken from the open file and
// offsets are 64-bit, so files past 4 GiB stream too. Unlike load_bmp, which
// holds the whole picture, pictures of 2 GiB of pixels and more are taken.
enum class BandFormat { png, tiff, jpeg, bmp };
struct BandSource;  // the open decoder, internal
struct PictureBands {
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;
    int32_t rows_read = 0;  // rows delivered so far
    // -1, or, once a JPEG's data is found to end early, the rows from the
    // top that can hold decoded data (every row below is filler). Known
    // after the read_band call that met the end.
    int32_t data_rows = -1;
    // The open decoder, owned by the record: a record moves (the one moved
    // from is left closed) but never copies, since two records holding one
    // decoder would close it twice. Dropping a record closes its decoder.
    std::unique_ptr<BandSource> source;

    PictureBands();
    PictureBands(PictureBands&&) noexcept;
    PictureBands& operator=(PictureBands&&) noexcept;
    ~PictureBands();
};
// Opens `name` and reads its header. Not loaded (reasons as for the
// whole-picture loaders, also in the log): nothing is left open and the
// sizes are 0.
LoadResult open_bands(PictureBands& bands, const std::string& name, BandFormat format);
// Decodes the next `rows` rows (at most those left) into `out`, which holds
// rows x width x planes bytes; the rows land in the caller's buffer, so a
// band costs no allocation. Not loaded when the picture turns out to be
// damaged: the rows handed out before stay good; the decoder is closed, so
// every later read fails too. A JPEG's recoverable damage is a warning, as
// for load_jpeg: once met (also while opening), the result of every later
// band of the picture carries it, so a caller that looks only at the last
// band still hears of it.
LoadResult read_band(PictureBands& bands, uint8_t* out, int32_t rows);
// Passes over the next `rows` rows (at most those left) without handing them
// out, for a reader that wants only a band further down: a BMP or TIFF moves
// to the row, a single-scan JPEG skips the colour conversion and upsampling
// of the rows above, a PNG or progressive JPEG decodes them and drops them
// as they come. Results as read_band; the rows after it are those read_band
// would have given.
LoadResult skip_band(PictureBands& bands, int32_t rows);
// Closes the decoder; safe to call twice and after a failure.
void close_bands(PictureBands& bands);

// Memory limit of the loaders. Before allocating for a picture (pixels, file
// buffers, the decoder's own buffers) a loader adds up what it needs and
// refuses the picture with a message when that exceeds the limit, rather than
// risk an allocation that the system's out-of-memory killer ends. The limit
// is RAZIVAVU_MAX_MEMORY_MB megabytes when that environment variable holds a
// positive whole number, otherwise half the machine's physical memory.
constexpr const char* MEMORY_LIMIT_VARIABLE = "RAZIVAVU_MAX_MEMORY_MB";
int64_t picture_memory_limit();

// The base of a picture name: the name without its last four characters
// (the dot and a three-letter extension); names shorter than four characters
// give an empty base.
std::string name_base(const std::string& name);
