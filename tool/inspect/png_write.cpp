// PNG files through libpng: grey, grey + alpha, RGB or RGBA by the decoded
// level's channels, 8 bits. libpng reports errors by longjmp, so nothing with
// a destructor lives between setjmp and the end of the write.
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
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

// The stream and what went wrong: the system's reason of a failed write,
// else libpng's own message. libpng's default handlers would print "libpng
// error: Write Error" and lose errno.
struct PngOutput {
    FILE* file = nullptr;
    int error_number = 0;
    std::string message;
};

void write_data(png_structp png, png_bytep data, png_size_t length) {
    PngOutput& out = *static_cast<PngOutput*>(png_get_io_ptr(png));
    errno = 0;
    if (std::fwrite(data, 1, length, out.file) != length) {
        out.error_number = errno != 0 ? errno : EIO;
        png_error(png, "write error");
    }
}

void flush_data(png_structp png) {
    PngOutput& out = *static_cast<PngOutput*>(png_get_io_ptr(png));
    errno = 0;
    if (std::fflush(out.file) != 0) {
        out.error_number = errno != 0 ? errno : EIO;
        png_error(png, "write error");
    }
}

void on_error(png_structp png, png_const_charp message) {
    static_cast<PngOutput*>(png_get_error_ptr(png))->message = message;
    png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

// Returns true when every byte reached the stream.
bool png_to_stream(PngOutput& output, const TexImage& image) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &output, on_error, on_warning);
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
    png_set_write_fn(png, &output, write_data, flush_data);
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
    errno = 0;
    const int fd = create_part_file(part.c_str());
    FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!file) {
        error = "cannot create " + part + ": " + std::strerror(errno != 0 ? errno : EIO);
        if (fd >= 0) {
            close(fd);
            std::remove(part.c_str());
            forget_part_file(part.c_str());
        }
        return false;
    }
    PngOutput output;
    output.file = file;
    const bool written = png_to_stream(output, image);
    const bool named =
        finish_part_file(file, part.c_str(), path.c_str(), written, output.error_number) != 0;
    if (!named) {
        error = "cannot write " + path + ": " +
                (output.error_number != 0
                     ? std::string(std::strerror(output.error_number))
                     : "libpng: " +
                           (output.message.empty() ? std::string("no memory") : output.message));
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
