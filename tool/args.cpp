// The command line: picture kind and tile size.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"

PictureKind picture_kind(const std::string& name) {
    if (name.size() < 3) return PictureKind::unknown;
    const char* extension = name.c_str() + name.size() - 3;
    if (starts_with_nocase(extension, "BMP")) return PictureKind::bmp;
    if (starts_with_nocase(extension, "JPG")) return PictureKind::jpeg;
    if (starts_with_nocase(extension, "PNG")) return PictureKind::png;
    if (starts_with_nocase(extension, "TIF")) return PictureKind::tiff;
    if (name.size() >= 5 && starts_with_nocase(name.c_str() + name.size() - 5, ".TIFF"))
        return PictureKind::tiff;
    if (name.size() >= 5 && starts_with_nocase(name.c_str() + name.size() - 5, ".JPEG"))
        return PictureKind::jpeg;
    return PictureKind::unknown;
}

PictureKind picture_kind_of_content(const std::string& path) {
    unsigned char head[8] = {};
    FILE* f = open_file(path.c_str(), MODE_READ_BINARY);
    if (!f) return PictureKind::unknown;
    const size_t n = std::fread(head, 1, sizeof head, f);
    close_file(f);
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (n >= 8 && std::memcmp(head, png, 8) == 0) return PictureKind::png;
    if (n >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return PictureKind::jpeg;
    if (n >= 2 && head[0] == 'B' && head[1] == 'M') return PictureKind::bmp;
    if (n >= 4 &&
        ((head[0] == 'I' && head[1] == 'I' && head[3] == 0 && (head[2] == 42 || head[2] == 43)) ||
         (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43))))
        return PictureKind::tiff;
    return PictureKind::unknown;
}

std::string picture_kind_note(const std::string& path) {
    const PictureKind found = picture_kind_of_content(path);
    if (found == PictureKind::unknown || found == picture_kind(path)) return "";
    static const char* const names[] = {"", "BMP", "JPEG", "PNG", "TIFF"};
    static const char* const extensions[] = {"", ".bmp", ".jpg", ".png", ".tif"};
    const int k = static_cast<int>(found);
    return "; " + path + " holds a " + names[k] + " picture; rename it to " + extensions[k];
}

bool parse_whole_number(const char* text, int32_t& out) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int32_t>(v);
    return true;
}

std::string parse_tile_request(int count, char* const* args, TileRequest& out) {
    TileRequest r;
    if (count < 1) {
        out = r;
        return {};
    }
    if (count < 2) return "tile size needs two numbers a and b";
    if (!parse_whole_number(args[0], r.a))
        return std::string("tile size a=") + args[0] + " is not a number";
    if (!parse_whole_number(args[1], r.b))
        return std::string("tile size b=") + args[1] + " is not a number";
    if (r.a == 0 || r.b == 0) return "tile size a and b must not be 0";
    if ((r.a < 0) != (r.b < 0)) return "tile size a and b must have the same sign";
    if (r.a > MAX_TILE_SIDE || r.b > MAX_TILE_SIDE) {
        return "tile sides above " + std::to_string(MAX_TILE_SIDE) + " are not supported";
    }
    r.given = true;
    out = r;
    return {};
}

std::string tile_size_for(const TileRequest& request, int32_t image_width, int32_t image_height,
                          int32_t& tile_width, int32_t& tile_height) {
    int64_t w = DEFAULT_TILE_SIDE;
    int64_t h = DEFAULT_TILE_SIDE;
    if (request.given && request.a < 0) {
        // In 64 bits: -a of the most negative 32-bit number does not fit 32.
        w = image_width / -int64_t{request.a};
        h = image_height / -int64_t{request.b};
    } else if (request.given) {
        w = request.a;
        h = request.b;
    }
    if (w < 1 || h < 1) {
        return "tile size " + std::to_string(w) + "x" + std::to_string(h) +
               " is empty: the picture is too small for that division";
    }
    if (w > MAX_TILE_SIDE || h > MAX_TILE_SIDE) {
        return "tile size " + std::to_string(w) + "x" + std::to_string(h) +
               " is too large: tile sides above " + std::to_string(MAX_TILE_SIDE) +
               " are not supported";
    }
    tile_width = static_cast<int32_t>(w);
    tile_height = static_cast<int32_t>(h);
    return {};
}
