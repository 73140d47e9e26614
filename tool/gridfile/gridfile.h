// gridfile: the grid manifest, what one run (or one part of a run) of
// razivavu meant to write and did write.
//
// A folder of tiles says little about itself: a missing last row or column,
// a part that never finished or tiles of two different runs all look like a
// smaller or a whole grid. So every run records, beside its tiles, the
// picture it read (cheaply identified), the grid and the options that change
// bytes, the first level each row stores, and every tile file it holds with
// its size and hash. The manifest is written last, under a temporary name,
// and renamed: it is the commit point of the run. A whole run writes
// "BASE.grid.json"; part K of N writes "BASE.part-K-of-N.grid.json" for its
// own rows, and razivavu-inspect --check puts the parts together.
//
// The text is JSON, so that viewers and engines read it with whatever they
// have; the reader here takes only what the writer writes and refuses
// anything else with a reason, never trusting a number it reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Bumped when a reader of an older manifest would misread a newer one.
constexpr int32_t GRID_MANIFEST_VERSION = 1;
constexpr const char* GRID_MANIFEST_FORMAT = "razivavu grid manifest";

// The picture as the run read it. A part reads only its band, so the file is
// identified by its size and the hashes of its first and last megabyte.
struct PictureIdentity {
    std::string name;  // as given on the command line
    std::string kind;  // "bmp", "jpeg", "png" or "tiff"
    int32_t width = 0;
    int32_t height = 0;
    int64_t bytes = 0;
    uint64_t head_hash = 0;  // XXH3 of the first min(bytes, 1 MiB) bytes
    uint64_t tail_hash = 0;  // XXH3 of the last min(bytes, 1 MiB) bytes
};

// The options that change the tiles' bytes.
struct GridOptions {
    std::string edges = "drop";  // "drop" or "pad"
    bool full_rows = false;
    std::string quality = "normal";
    std::string decoder = "nearest";
    std::string metric = "perceptual";
    std::string tile_format = "dxt1";  // the block files' format (--tile-format)
};

struct GridShape {
    int32_t tile_width = 0;
    int32_t tile_height = 0;
    int32_t level_count = 0;  // of a tile's full chain
    int32_t cols = 0;
    int32_t rows = 0;
    bool separated_names = false;  // "<base><col>_<row>.vxt"
};

// One file of a tile: its name beside the manifest (no folder), what it
// holds and how it is stored, its size and its XXH3.
struct ManifestFile {
    std::string name;
    std::string format;     // "rgb888" or options.tile_format
    std::string container;  // "vxt"
    int64_t bytes = 0;
    uint64_t hash = 0;
};

struct ManifestTile {
    int32_t col = 0;
    int32_t row = 0;
    std::vector<ManifestFile> files;
};

struct GridManifest {
    std::string tool_version;
    PictureIdentity picture;
    GridShape grid;
    GridOptions options;
    std::vector<int32_t> first_level;  // per row of the whole grid
    // The rows this manifest speaks for, [first_row, end_row): the part's,
    // or every row of a whole run.
    int32_t part_index = 0;
    int32_t part_count = 1;
    int32_t first_row = 0;
    int32_t end_row = 0;
    // The first row of tiles holding damage of the picture, -1 for none. It
    // may be `grid.rows` when the damage lies in the strip below the last
    // row of tiles: no tile holds it, yet the picture is damaged.
    int32_t damaged_from_row = -1;
    std::string damage;  // the decoder's reason
    // Every tile of [first_row, end_row) whose files are under their names,
    // row by row.
    std::vector<ManifestTile> tiles;
};

// ---------------------------------------------------------------------------
// Text.
// ---------------------------------------------------------------------------
std::string manifest_to_json(const GridManifest& manifest);
// Empty when `text` is a manifest this version reads, with `out` filled;
// otherwise the reason, for the user. Sizes, counts and places are checked
// against each other, so a reader may index by them.
std::string manifest_from_json(const std::string& text, GridManifest& out);

// Empty when the two describe the same grid (picture, tile size, grid and
// byte-changing options); otherwise the first difference in words, `theirs`
// and `ours` naming the two sides ("picture size 640x480 in pano.grid.json,
// 800x600 in this run").
std::string manifest_difference(const GridManifest& a, const GridManifest& b,
                                const std::string& theirs, const std::string& ours);

// A JSON string literal for `text` (quotes, backslashes and control
// characters escaped): the one quoting of every JSON the commands write.
std::string json_quote(const std::string& text);

// ---------------------------------------------------------------------------
// Hashes.
// ---------------------------------------------------------------------------
uint64_t bytes_hash(const void* data, size_t size);
// A running hash for files written piece by piece.
struct HashStream;
HashStream* hash_stream_new();  // null without memory
void hash_stream_add(HashStream* stream, const void* data, size_t size);
uint64_t hash_stream_value(const HashStream* stream);
void hash_stream_free(HashStream* stream);
// The XXH3 of a whole file and its size; false with errno set when it cannot
// be read.
bool file_hash(const std::string& path, uint64_t& hash, int64_t& bytes);
// The size and head and tail hashes of a picture file; false with errno set.
bool picture_fingerprint(const std::string& path, PictureIdentity& out);
std::string hash_text(uint64_t hash);  // 16 lower-case hex digits

// ---------------------------------------------------------------------------
// Files.
// ---------------------------------------------------------------------------
// "BASE.grid.json", and "BASE.part-K-of-N.grid.json".
std::string manifest_name(const std::string& base);
std::string part_manifest_name(const std::string& base, int32_t index, int32_t count);

// Writes the manifest under "<path>.part", then renames it; with `sync` the
// file reaches the disk before the rename and the folder after it. 0 when
// written; otherwise the system's reason (an errno value, ENOMEM when its
// text could not be made), and nothing is left behind.
int write_manifest(const std::string& path, const GridManifest& manifest, bool sync);

// A manifest found beside the tiles of BASE.
struct FoundManifest {
    std::string path;
    int64_t modified_ns = 0;  // the file's modification time, for "newest"
    GridManifest manifest;
    std::string error;  // not empty: the file could not be read or is not a manifest
};
// Every manifest of BASE: the whole grid's and each part's, in name order.
std::vector<FoundManifest> find_manifests(const std::string& base);

// The folder a path lies in: "." for a bare name, "/" at the root.
std::string folder_of(const std::string& path);

// Flushes a written file (by path) or a folder to the disk; false with errno
// set.
bool sync_path(const std::string& path);
