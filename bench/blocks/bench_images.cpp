// Loading of the benchmark pictures. Sides are cropped to multiples of 4 so
// that every encoder sees whole blocks only.
#include "bench/blocks/bench_images.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

extern "C" {
#include <jpeglib.h>
}

namespace {

void finish(BenchImage& img, int width, int height, const std::vector<uint8_t>& rgb) {
    const int full_width = width;
    img.width = width & ~3;
    img.height = height & ~3;
    img.argb.resize(size_t(img.width) * size_t(img.height));
    img.rgba.resize(img.argb.size() * 4);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = &rgb[(size_t(y) * size_t(full_width) + size_t(x)) * 3];
            const size_t i = size_t(y) * size_t(img.width) + size_t(x);
            img.argb[i] = 0xFF000000u | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
            img.rgba[4 * i] = p[0];
            img.rgba[4 * i + 1] = p[1];
            img.rgba[4 * i + 2] = p[2];
            img.rgba[4 * i + 3] = 255;
        }
}

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void jpeg_fail(j_common_ptr info) { longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

bool load_jpeg(const std::string& path, BenchImage& out) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    jpeg_decompress_struct info;
    JpegError err;
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpeg_fail;
    std::vector<uint8_t> rgb;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file.get());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const int w = int(info.output_width), h = int(info.output_height);
    rgb.resize(size_t(w) * size_t(h) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &rgb[size_t(info.output_scanline) * size_t(w) * 3];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    out.name = path;
    finish(out, w, h, rgb);
    return true;
}

bool load_bmp24(const std::string& path, BenchImage& out) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    uint8_t header[54];
    if (std::fread(header, 1, 54, file.get()) != 54 || header[0] != 'B' || header[1] != 'M')
        return false;
    auto u32 = [&](int o) {
        return uint32_t(header[o]) | (uint32_t(header[o + 1]) << 8) |
               (uint32_t(header[o + 2]) << 16) | (uint32_t(header[o + 3]) << 24);
    };
    const uint32_t offset = u32(10);
    const int w = int(u32(18));
    const int32_t raw_h = int32_t(u32(22));
    const int bits = header[28] | (header[29] << 8);
    if (bits != 24 || w <= 0 || raw_h == 0 || w > 65536 || raw_h > 65536 || raw_h < -65536)
        return false;
    const bool bottom_up = raw_h > 0;
    const int h = bottom_up ? raw_h : -raw_h;
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> row(stride), rgb(size_t(w) * size_t(h) * 3);
    if (std::fseek(file.get(), long(offset), SEEK_SET) != 0) return false;
    for (int r = 0; r < h; ++r) {
        if (std::fread(row.data(), 1, stride, file.get()) != stride) return false;
        const int y = bottom_up ? h - 1 - r : r;
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
            p[0] = row[size_t(x) * 3 + 2];
            p[1] = row[size_t(x) * 3 + 1];
            p[2] = row[size_t(x) * 3];
        }
    }
    out.name = path;
    finish(out, w, h, rgb);
    return true;
}

BenchImage synthetic_panorama(int width, int height) {
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    uint32_t noise = 2463534242u;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int n = int(noise & 15) - 8;
            const int ridge = height / 3 + ((x * 7) % 97) - 48 + ((x / 37) % 5) * 9;
            int r, g, b;
            if (y < ridge) {  // sky
                r = 90 + y * 100 / height;
                g = 140 + y * 80 / height;
                b = 230 - y * 40 / height;
            } else if (y < height * 2 / 3) {  // rock and forest
                r = 70 + ((x ^ y) & 31) + n * 2;
                g = 90 + ((x * y) >> 6 & 31) + n * 2;
                b = 50 + n;
            } else if (y < height * 3 / 4) {  // water
                r = 40;
                g = 80 + (y & 3);
                b = 120;
            } else {  // meadow
                r = 80 + n * 3;
                g = 150 + ((x + y) & 15) + n * 3;
                b = 40 + n;
            }
            uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            p[0] = uint8_t(r < 0 ? 0 : (r > 255 ? 255 : r));
            p[1] = uint8_t(g < 0 ? 0 : (g > 255 ? 255 : g));
            p[2] = uint8_t(b < 0 ? 0 : (b > 255 ? 255 : b));
        }
    }
    BenchImage img;
    img.name = "synthetic panorama";
    finish(img, width, height, rgb);
    return img;
}
