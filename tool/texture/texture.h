// razivavu-texture: a picture in, a texture stream out.
//
//   razivavu-texture [--profile FILE] [--format NAME|CODE] [--set KEY=VALUE]...
//                    [--rect X0,Y0,X1,Y1] [-q] INPUT OUTPUT.dds
//
// The picture (BMP with its companion alpha file, or JPEG, read as razivavu
// reads them) goes through compress_texture once, with the standard settings
// changed by --format and the --set keys in command-line order, and the
// library's stream ("DDS ", the 124-byte header, the levels) is written as it
// comes. The picture is handed over in the byte order the stream layouts
// name (blue first), so the file's colours are the picture's; the settings
// key g_b_swap_rgb exchanges red and blue as it says.
//
// The output appears only when complete: it is written under
// "<OUTPUT>.part" and renamed; a refused call or a failed write leaves no
// file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "texcomp/texcomp.h"

constexpr int TEXTURE_OK = 0;
constexpr int TEXTURE_BAD_INPUT = 1;  // the picture cannot be read
constexpr int TEXTURE_USAGE = 2;      // command line, key, value, format or profile unusable
constexpr int TEXTURE_REFUSED = 3;    // compress_texture refused the settings
constexpr int TEXTURE_WRITE = 4;      // the output could not be written
constexpr int TEXTURE_NO_MEMORY = 5;  // an allocation failed (the same code in every command)

struct TextureOptions {
    bool help = false;
    bool quiet = false;
    std::string profile;
    std::vector<std::pair<std::string, std::string>> settings;  // in order; --format is one
    bool has_rect = false;
    CompressRect rect{0, 0, 0, 0};
    std::string input;
    std::string output;
};

// Empty when usable; otherwise the reason. Checks the shape of the command
// line only; keys and values are checked by apply_setting.
std::string parse_texture_args(const std::vector<std::string>& args, TextureOptions& out);

// The usage text, with one line per format code.
std::string texture_usage();

// The format code of "dxt5", "DXT5" or "3"; -1 when it names none.
int32_t parse_format(const std::string& text);

// Applies one KEY=VALUE (or the format) to the settings. Empty when applied;
// otherwise the reason: an unknown key, or a value that is not a number of
// the key's kind.
std::string apply_setting(TextureSettings& settings, const std::string& key,
                          const std::string& value);

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
    int32_t levels = 0;  // level runs written
};
StreamWrite write_texture_stream(const std::string& output, const TexturePicture& picture,
                                 const TextureSettings& settings, const CompressRect* rect,
                                 bool progress);

// The whole command; returns the exit code.
int run_texture(int argc, char** argv);
