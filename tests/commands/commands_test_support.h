// Shared by the command tests: running a binary, reading back a PNG,
// pictures made on the spot, and ImageMagick as the outside reader.
#pragma once

#include <png.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/common/run_program.h"
#include "tests/imageio/test_support.h"
#include "texfile/texfile.h"

namespace cmdtest {

using namespace testsupport;

// Runs "<binary> <args>" with standard input at end of file.
inline RunResult run(const std::string& binary, const std::string& args) {
    return run_program(binary, args);
}

// An 8-bit PNG read back with libpng into grey, grey+alpha, RGB or RGBA.
inline bool read_png(const std::string& path, TexImage& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    const bool alpha = image.format & PNG_FORMAT_FLAG_ALPHA;
    const bool colour = image.format & PNG_FORMAT_FLAG_COLOR;
    image.format = colour ? (alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB)
                          : (alpha ? PNG_FORMAT_GA : PNG_FORMAT_GRAY);
    out.width = static_cast<int32_t>(image.width);
    out.height = static_cast<int32_t>(image.height);
    out.channels = static_cast<int32_t>(PNG_IMAGE_PIXEL_CHANNELS(image.format));
    out.pixels.assign(PNG_IMAGE_SIZE(image), 0);
    return png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr) != 0;
}

// The ImageMagick command, when one is installed: the versioned name first,
// so that nothing standing in for it under the plain name answers.
inline std::string imagemagick() {
    for (const char* name : {"convert-im6.q16", "magick", "convert"}) {
        const std::string probe = std::string(name) + " -version 2>/dev/null | grep -q ImageMagick";
        if (std::system(probe.c_str()) == 0) return name;
    }
    return "";
}

// Level 0 of a texture file as ImageMagick reads it, as R, G, B, A bytes.
inline std::vector<uint8_t> imagemagick_rgba(const std::string& tool, const std::string& file) {
    const std::string command = tool + " '" + file + "[0]' -depth 8 rgba:- 2>/dev/null";
    std::vector<uint8_t> bytes;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return bytes;
    uint8_t buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    pclose(pipe);
    return bytes;
}

// Any decoded picture as R, G, B, A (grey spreads over the colours, a missing
// alpha is 255).
inline std::vector<uint8_t> as_rgba(const TexImage& image) {
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    std::vector<uint8_t> out(pixels * 4, 255);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = image.pixels.data() + i * image.channels;
        if (image.channels >= 3) {
            for (int k = 0; k < image.channels; ++k) out[4 * i + k] = p[k];
        } else {
            out[4 * i] = out[4 * i + 1] = out[4 * i + 2] = p[0];
            if (image.channels == 2) out[4 * i + 3] = p[1];
        }
    }
    return out;
}

// A smooth picture (gradients and a soft disc): what block compression is
// made for. R, G, B rows.
inline std::vector<uint8_t> smooth_pattern(int32_t w, int32_t h) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * 3);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* q = &p[(static_cast<size_t>(y) * w + x) * 3];
            const int dx = x - w / 2, dy = y - h / 2;
            const int disc = std::max(0, 96 - (dx * dx + dy * dy) * 96 / (w * w / 4 + 1));
            q[0] = static_cast<uint8_t>(std::min(255, 40 + 160 * x / w + disc / 2));
            q[1] = static_cast<uint8_t>(std::min(255, 60 + 150 * y / h + disc / 3));
            q[2] = static_cast<uint8_t>(std::min(255, 200 - 120 * (x + y) / (w + h) + disc / 4));
        }
    return p;
}

inline BmpFixture bmp_of(int32_t w, int32_t h, std::vector<uint8_t> rgb) {
    BmpFixture s;
    s.width = w;
    s.height = h;
    s.pixels = std::move(rgb);
    return s;
}

}  // namespace cmdtest
