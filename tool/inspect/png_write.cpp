// PNG files through libpng: grey, grey + alpha, RGB or RGBA by the decoded
// level's channels, 8 bits. libpng reports errors by longjmp, so nothing with
// a destructor lives between setjmp and the end of the write.
#include <png.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>

#include "inspect/inspect.h"
#include "vxsystem/vxsystem.h"

namespace {

int colour_type(int32_t channels) {
    switch (channels) {
        case 1:
            return PNG_COLOR_TYPE_GRAY;
        case 2:
            return PNG_COLOR_TYPE_GRAY_ALPHA;
        case 3:
            return PNG_COLOR_TYPE_RGB;
        default:
            return PNG_COLOR_TYPE_RGB_ALPHA;
    }
}

// Returns true when every byte reached the stream.
bool png_to_stream(FILE* file, const TexImage& image) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, colour_type(image.channels),
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t row = static_cast<size_t>(image.width) * image.channels;
    for (int32_t y = 0; y < image.height; ++y)
        png_write_row(png, const_cast<png_bytep>(image.pixels.data() + y * row));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool write_png(const std::string& path, const TexImage& image, std::string& error) {
    if (image.width < 1 || image.height < 1) {
        error = "an empty picture";
        return false;
    }
    const std::string part = path + ".part";
    // A stale ".part" is replaced; a link is never written through.
    const int fd = create_part_file(part.c_str());
    FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!file) {
        if (fd >= 0) {
            close(fd);
            std::remove(part.c_str());
            forget_part_file(part.c_str());
        }
        error = "cannot create " + part;
        return false;
    }
    const bool written = png_to_stream(file, image);
    const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
    const bool closed = std::fclose(file) == 0;
    const bool named = written && flushed && closed && std::rename(part.c_str(), path.c_str()) == 0;
    if (!named) std::remove(part.c_str());
    forget_part_file(part.c_str());
    if (!named) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

std::string level_png_name(const std::string& dir, const TexFile& file, const TexLevel& level) {
    const std::string stem = std::filesystem::path(file.name).stem().string();
    std::string name = stem;
    if (file.faces > 1) name += "_face" + std::to_string(level.face);
    name += "_level" + std::to_string(level.index) + ".png";
    return (std::filesystem::path(dir) / name).string();
}
