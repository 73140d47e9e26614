// tiletool: the pieces of the razivavu command-line driver.
//
// razivavu [options] file [a b] reads a BMP, JPEG, PNG or TIFF picture from the top,
// one row of tiles at a time, cuts it into a grid of equal tiles and
// writes, for every tile, a 24-bit file and a DXT1 file, each
// a 32-byte TileHeader followed by the tile's mip levels (the top row of
// tiles from its second level on, the bottom row from its third, unless
// --full-rows keeps every level in every row).
//
// Everything that talks to the user lives here; the libraries below only
// return status codes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"
#include "texcomp/texcomp.h"
#include "tileformat/tileformat.h"
#include "tool/option_table.h"

// ---------------------------------------------------------------------------
// Exit codes.
// ---------------------------------------------------------------------------
constexpr int EXIT_DONE = 0;
constexpr int EXIT_LOAD_FAILED = 1;     // the loader rejected the picture (also partway)
constexpr int EXIT_BAD_INPUT_FILE = 2;  // missing, unreadable or empty input
constexpr int EXIT_BAD_OPTION = 2;      // unknown option, bad option value, argument after a b
constexpr int EXIT_BAD_TILE_SIZE = 3;   // tile size arguments unusable
constexpr int EXIT_WRITE_FAILED = 4;    // a tile file could not be written
constexpr int EXIT_NO_MEMORY = 5;       // an allocation failed outside the tile files
constexpr int EXIT_NO_INPUT = 13;       // no file argument
constexpr int EXIT_UNKNOWN_TYPE = -14;  // a name that picture_kind does not know

// The whole run: usage, load, grid, tiles, summary, and, when standard input
// is a terminal, the final wait for one character. Returns the exit code.
int run_tool(int argc, char** argv);

// ---------------------------------------------------------------------------
// Options, all before the file. Without any, every byte of every tile file
// and of standard output is that of the plain command.
// ---------------------------------------------------------------------------
// How the DXT1 tile files are searched; the 24-bit files have nothing to
// choose.
struct TileEncoding {
    TextureQuality quality = TextureQuality::Normal;
    bool uniform_metric = false;                       // equal channel weights (g_b_grey_scale)
    TextureDecoder decoder = TextureDecoder::Nearest;  // the reading High and Best aim at
    // --tile-format: the block file's library format (dxt1, bc7 or an ASTC).
    TextureFormat blocks = TextureFormat::Dxt1;
};

// --part: this run writes one band of rows of the grid (tool/parts.h).
struct PartRequest {
    bool given = false;
    bool from_scheduler = false;  // "auto": K and N still to come from the environment
    int32_t index = 0;            // K, 0 .. N - 1
    int32_t count = 1;            // N
};

struct ToolOptions {
    bool help = false;
    bool version = false;
    bool quiet = false;   // -q: nothing on standard output, no final wait
    bool strict = false;  // a damaged JPEG ends the run with EXIT_LOAD_FAILED
    // --edges pad: the strips at the right and the bottom that fill no whole
    // tile become a column and a row of tiles, the picture's last column and
    // row repeated to fill them.
    bool pad_edges = false;
    bool full_rows = false;  // every row stores every level, the top and bottom rows too
    std::string out_dir;     // -o DIR: tiles go there instead of beside the input
    TileEncoding encoding;
    PartRequest part;
    bool resume = false;  // tiles whose files an earlier run left whole are kept
    // --sync: every tile file and the grid manifest reach the disk before
    // their rename, and the folder after it.
    bool sync = false;
    int operands = 0;  // index in argv of the file (argc when there is none)
};

// Reads the options before the file ("--" ends them). Empty when usable;
// otherwise the reason, for the user. --help and --version stop the reading.
std::string parse_tool_options(int argc, char* const* argv, ToolOptions& out);

// The options of razivavu, one row each (tool/option_table.h): what the
// parser knows, what --help lists and what the manual page says.
OptionTable tool_option_table();

// The options part of --help.
std::string tool_options_help();

// The settings a tile file takes from the encoding: the DXT1 file its
// quality and metric; the 24-bit file nothing.
void apply_tile_encoding(TextureSettings& settings, const TileEncoding& encoding, bool block_file);

// ---------------------------------------------------------------------------
// Command line.
// ---------------------------------------------------------------------------
enum class PictureKind { unknown, bmp, jpeg, png, tiff };

// By the name's last three characters, any case: "bmp", "jpg", "png" or
// "tif"; also a name ending in ".tiff" or ".jpeg". Names shorter than three
// characters are of unknown kind.
PictureKind picture_kind(const std::string& name);

// The kind the file's first bytes show (BMP "BM", JPEG FF D8 FF, PNG's
// signature, TIFF "II"/"MM"), unknown for anything else or an unreadable
// file.
PictureKind picture_kind_of_content(const std::string& path);
// For a picture that failed to load: "; p.jpg holds a PNG picture; rename it
// to .png" when its content is another kind than its name says, else empty.
std::string picture_kind_note(const std::string& path);

constexpr int32_t DEFAULT_TILE_SIDE = 512;
// Tile sides travel through the compression library in 16 bits.
constexpr int32_t MAX_TILE_SIDE = 32767;

// The optional arguments a and b.
struct TileRequest {
    bool given = false;  // false: the default 512 x 512
    int32_t a = 0;
    int32_t b = 0;
};

// Reads a and b from the arguments after the file name (`count` of them).
// Empty result when usable; otherwise the reason, for the user. Both must be
// whole decimal numbers, non-zero, of the same sign.
std::string parse_tile_request(int count, char* const* args, TileRequest& out);

// A whole decimal number in 32 bits with nothing before or after it; false
// otherwise (atoi would turn "abc" into 0 and "12x" into 12). Every command's
// numeric arguments are read by it.
bool parse_whole_number(const char* text, int32_t& out);

// Tile size for a picture: a x b, or (w / -a) x (h / -b) when a < 0. Empty
// result when both sides lie in 1 .. MAX_TILE_SIDE; otherwise the reason.
std::string tile_size_for(const TileRequest& request, int32_t image_width, int32_t image_height,
                          int32_t& tile_width, int32_t& tile_height);

// ---------------------------------------------------------------------------
// Grid and names.
// ---------------------------------------------------------------------------
struct TileGrid {
    int32_t tile_width = 0;
    int32_t tile_height = 0;
    int32_t cols = 0;  // image width / tile width; the remainder is dropped
    int32_t rows = 0;  // image height / tile height
    int32_t level_count = 0;
    bool full_rows = false;  // no row drops levels (--full-rows)
    // The block file's format (--tile-format); the 24-bit file is always rgb888.
    TextureFormat blocks = TextureFormat::Dxt1;
};

// 1 + the number of halvings of the larger side down to 1: 512 gives 10.
int32_t level_count(int32_t tile_width, int32_t tile_height);

// `pad`: the strips that fill no whole tile count as a column and a row of
// tiles (rounding the division up).
TileGrid make_grid(int32_t image_width, int32_t image_height, int32_t tile_width,
                   int32_t tile_height, bool pad = false);

// Leading levels a row stores not: 1 for the top row (also when it is the
// only row), 2 for the bottom row, 0 otherwise.
int32_t skip_levels_for_row(int32_t row, int32_t rows);
// The leading levels row `row` of the grid drops: skip_levels_for_row, or 0
// for every row of a grid with full rows.
int32_t grid_skip_levels(const TileGrid& grid, int32_t row);

// True when the plain names ("%d%d": column then row, run together) repeat
// within a grid, e.g. column 1 row 10 and column 11 row 0 both give "110".
// That happens exactly when there are at least 12 columns and 11 rows.
bool grid_names_collide(int32_t cols, int32_t rows);

// The input name without its last four characters (five for ".tiff" and
// ".jpeg"): what every tile name and the grid manifest's name begin with.
std::string tile_name_base(const std::string& input);

// Tile file name: the input name without its last four characters (the dot
// and extension; five for a name ending in ".tiff" or ".jpeg"), then column and row, "c" for the
// block-compressed file, and
// ".vxt". `separated` puts an underscore between column and row.
std::string tile_name(const std::string& input, int32_t col, int32_t row, bool block_file,
                      bool separated);

// Bytes of a tile file of row `row`: the header and the levels the row
// stores (the header alone for block files of tiles that are not powers of
// two).
int64_t tile_file_bytes(const TileGrid& grid, int32_t row, bool block_file);
// Bytes the two files of every tile of the grid take, each rounded up to
// whole allocation units of `unit` bytes.
int64_t grid_output_bytes(const TileGrid& grid, int64_t unit);
// The folder the tiles of `input` are written to: the input's own.
std::string output_folder(const std::string& input);

// ---------------------------------------------------------------------------
// Tile file (its header and kinds: tileformat/tileformat.h).
// ---------------------------------------------------------------------------
// The user record of tile_sink.
struct TileSink {
    FILE* file = nullptr;
    int32_t calls = 0;        // byte runs received so far
    int32_t level_count = 0;  // levels to come after the header runs, for the countdown
    // The stream's runs before its levels: the magic and the surface header,
    // and the DX10 header of the formats that have one (bc7).
    int32_t header_runs = 2;
    int32_t failed = 0;          // set once a write fell short; later runs are not written
    int error_number = 0;        // errno of the first failed write
    HashStream* hash = nullptr;  // every byte written passes through it (may be null)
    int64_t bytes = 0;           // bytes written so far
};

// What the grid manifest records of a tile file written whole.
struct TileFileFacts {
    int64_t bytes = 0;
    uint64_t hash = 0;  // XXH3 of the whole file
};

// The tool's WriteSink: drops the stream's magic and surface header, prints
// the countdown ("%d " per level) and writes the levels. The row's dropped
// levels never reach it: the library leaves them out (first_level). Returns the bytes written, 0
// for a dropped run, -1 once a write has failed.
int32_t tile_sink(int32_t count, const uint8_t* buffer, void* user);

// One tile's pixels as handed to the compression library.
struct TilePixels {
    const uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int64_t pitch = 0;   // picture width x planes, bytes from one row to the next
    int32_t planes = 3;  // 3 = R,G,B; 4 = R,G,B,A
};

// compress_failed: the compression library returned a result other than
// TEXCOMP_OK (or, for the block file, TEXCOMP_NOT_POW2), so the stream is
// short; `error_number` then receives that result instead of an errno value.
enum class TileWrite { ok, cannot_create, write_failed, compress_failed };

// Writes one tile file: header, then the levels the library emits. The file
// is written under "<name>.part" and renamed when complete, so a failed write
// never leaves a short file under the tile's name. The ".part" file is always
// created new: a name already taken (by a file, a folder or a link) gives
// cannot_create and is never written through. Prints "%d: " before and a
// line break after the countdown. On failure `error_number` (when given)
// receives the system's reason (an errno value).
TileWrite write_tile_file(const std::string& name, const TilePixels& tile, bool block_file,
                          int32_t level_count, int32_t skip_levels, int* error_number = nullptr);

// write_tile_file in two steps, so that files written on several threads
// take their names in tile order: the complete file under "<name>.part"
// (ok), or nothing left behind (a failure); then the renaming, which removes
// the part file when it fails. `cache` (may be null) lets the two files of a
// tile share their generated levels. `error_number` as above. `encoding`
// reaches the DXT1 file (apply_tile_encoding).
// `sync` flushes the complete file to the disk before it is closed (--sync);
// `facts` (may be null) receives its size and hash.
TileWrite write_tile_part(const std::string& name, const TilePixels& tile, bool block_file,
                          int32_t level_count, int32_t skip_levels, ChainCache* cache = nullptr,
                          int* error_number = nullptr, const TileEncoding& encoding = {},
                          bool sync = false, TileFileFacts* facts = nullptr);
TileWrite commit_tile_part(const std::string& name, int* error_number = nullptr);
// Removes the complete "<name>.part" of a tile that will not take its name.
void discard_tile_part(const std::string& name);

// The console text of tile files ("%d: ", the countdown, the line break):
// printed, or appended to the calling thread's capture when one is set.
void tile_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void set_tile_console(std::string* capture);  // this thread only; null: print

// Whether the block-compressed files of w x h tiles hold levels: the block
// format takes power-of-two sides only, so other tiles' files keep their
// header alone.
bool block_files_hold_levels(int32_t tile_width, int32_t tile_height);
// For tiles whose DXT1 files hold no levels: the power-of-two tile sizes just
// below and above them ("... are 1024 1024 and 2048 2048"), and, for a
// divided picture (a < 0), the divisions that give them, if any do.
std::string pow2_tile_advice(const TileRequest& request, int32_t image_width, int32_t image_height,
                             int32_t tile_width, int32_t tile_height);
