// razivavu-texture: a picture in, a texture stream out.
//
//   razivavu-texture [--profile FILE] [--format NAME|CODE] [--set KEY=VALUE]...
//                    [--quality LEVEL] [--metric NAME] [--resize HOW]
//                    [--rect X0,Y0,X1,Y1] [-q] INPUT OUTPUT.dds|OUTPUT.ktx2
//   razivavu-texture --list-keys | --help | --version
//
// The picture (BMP with its companion alpha file, or JPEG, read as razivavu
// reads them) goes through compress_texture once, with the standard settings
// changed by --format and the --set keys in command-line order, and the
// library's stream ("DDS ", the 124-byte header, the levels) is written as it
// comes; an output named .ktx2 gets the levels as a KTX2 file instead
// (containers/containers.h). The picture is handed over in the byte order
// the stream layouts name (blue first), so the file's colours are the
// picture's; the settings key g_b_swap_rgb exchanges red and blue as it
// says.
//
// The output appears only when complete: it is written under
// "<OUTPUT>.part" and renamed; a refused call or a failed write leaves no
// file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "texcomp/texcomp.h"
#include "tool/option_table.h"

constexpr int TEXTURE_OK = 0;
constexpr int TEXTURE_BAD_INPUT = 1;  // the picture cannot be read
constexpr int TEXTURE_USAGE = 2;      // command line, key, value, format or profile unusable
constexpr int TEXTURE_REFUSED = 3;    // compress_texture refused the settings
constexpr int TEXTURE_WRITE = 4;      // the output could not be written
constexpr int TEXTURE_NO_MEMORY = 5;  // an allocation failed (the same code in every command)

struct TextureOptions {
    bool help = false;
    bool version = false;
    bool list_keys = false;
    bool quiet = false;
    // The command's default is High, not the library's Normal: the same
    // search time for better pixels.
    TextureQuality quality = TextureQuality::High;
    TextureDecoder decoder = TextureDecoder::Nearest;
    std::string profile;
    // In order; --format, --metric and --resize are written as the keys
    // they stand for.
    std::vector<std::pair<std::string, std::string>> settings;
    bool has_rect = false;
    CompressRect rect{0, 0, 0, 0};
    std::string input;
    std::string output;
    bool force = false;  // write a DDS stream to OUTPUT whatever its name
    bool ktx2 = false;   // OUTPUT ends in .ktx2 (any case): a KTX2 file, not the stream
    // --normal-map: the picture becomes a normal map, its heights taken from
    // `height` (a HeightSource name); the keys it stands for come first in
    // `settings`, so that a --set of the same keys wins.
    bool normal_map = false;
    std::string height = "luma";
};

// Empty when usable; otherwise the reason. Checks the shape of the command
// line only; keys and values are checked by apply_setting.
std::string parse_texture_args(const std::vector<std::string>& args, TextureOptions& out);

// ---------------------------------------------------------------------------
// Normal maps: where the heights come from.
// ---------------------------------------------------------------------------
struct HeightSource {
    int32_t code;         // g_normalmap_cnv
    const char* name;     // for --height; null for codes without one
    int32_t channel;      // its byte in a B, G, R, A pixel; -1 for a mix of them
    const char* meaning;  // for --list-keys
};
// The source --height NAME names; nullptr when none.
const HeightSource* find_height_source(const std::string& name);
// Every conversion code and what it takes, for --list-keys.
std::string height_sources_text();
// Whether the source gives the same height for every pixel: a flat map.
struct TexturePicture;
bool height_is_flat(const TexturePicture& picture, const HeightSource& source);

// The options of razivavu-texture, one row each: what the parser knows,
// what --help lists and what the manual page says.
OptionTable texture_option_table();

// The usage text, with one line per format code.
std::string texture_usage();
// The formats a .ktx2 output takes, by name: "dxt1, bc7, rgb888, argb8888".
std::string ktx2_format_names();

// The format code of "dxt5", "DXT5" or "3"; -1 when it names none.
int32_t parse_format(const std::string& text);

// Empty when `output` may hold a stream of `format`; otherwise the reason:
// an ASTC format into a file named .dds (DDS has no format number for
// ASTC), whatever --force says.
std::string output_refusal(const std::string& output, int32_t format);

// ---------------------------------------------------------------------------
// The keys --set takes.
// ---------------------------------------------------------------------------
// The range of a key of the library's table as words ("0 .. 13", "above 0",
// ...).
std::string setting_range(const TextureSettingKey& key);
// The text of --list-keys.
std::string setting_keys_text();

// What the command hands to the library: the settings record and the
// profile-only lines of --set, in command-line order.
struct CommandSettings {
    TextureSettings settings;
    std::vector<std::string> profile_lines;  // "key value"
};

// Applies one KEY=VALUE (or the format) to the settings. Empty when applied;
// otherwise the reason: an unknown key, a value that is not a number of the
// key's kind, or one outside the key's range (named with the range).
std::string apply_setting(CommandSettings& out, const std::string& key, const std::string& value);

// The whole record of a command line: the standard settings, the quality,
// then every setting in order. Empty when usable; otherwise the reason.
std::string texture_settings_for(const TextureOptions& options, CommandSettings& out);

// ---------------------------------------------------------------------------
// Profiles.
// ---------------------------------------------------------------------------
// Reads a profile's text. Empty when read; otherwise the reason ("cannot read
// the profile P: <the system's reason>"), the same for a missing file, a
// folder and an unreadable file.
std::string read_profile_text(const std::string& path, std::string& text);
// One line per profile line the library ignores or misreads: unknown keys,
// lines without a value, values of number keys that hold no number. Each
// "<path>:<line>: <what>".
std::vector<std::string> profile_warnings(const std::string& path, const std::string& text);

// A picture ready for compress_texture: B, G, R(, A) rows, packed.
struct TexturePicture {
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;
    std::vector<uint8_t> pixels;
};

// Loads INPUT with razivavu's loaders. Empty when loaded; otherwise the
// reason.
std::string load_texture_picture(const std::string& path, TexturePicture& out);

// Runs compress_texture with the stream written to `output` (through
// "<output>.part"). Returns the compress_texture result, or `write_failed`
// set when the file could not be written completely (no file is left then).
struct StreamWrite {
    int32_t result = 0;
    bool write_failed = false;
    int error_number = 0;  // the system's reason of a failed write
    int32_t levels = 0;    // level runs written
};
StreamWrite write_texture_stream(const std::string& output, const TexturePicture& picture,
                                 const TextureSettings& settings, const CompressRect* rect,
                                 bool progress);

// The same call with a KTX2 file written to `output` (through
// "<output>.part") from the levels the library hands over: the library's
// levels are gathered first, then laid out by the containers library.
// `refused` holds the containers library's reason when it cannot hold the
// chain (no file is left then); `no_memory` says the levels did not fit in
// memory.
struct Ktx2Write {
    StreamWrite stream;
    std::string refused;
    bool no_memory = false;
};
Ktx2Write write_texture_ktx2(const std::string& output, const TexturePicture& picture,
                             const TextureSettings& settings, const CompressRect* rect,
                             bool progress);
// One progress line: "N levels done", on a terminal rewritten in place.
void print_levels_done(int32_t levels_done, bool terminal);
// "<output>.part" made new and opened for writing; null with the system's
// reason in `error_number` when it cannot be.
FILE* open_part_file(const std::string& part, int& error_number);

// The whole command; returns the exit code.
int run_texture(int argc, char** argv);
