// Test fixtures shared by the imageio and tool tests: a scratch directory per
// test, and BMP and JPEG files made on the spot.
#pragma once

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testsupport {

// Runs each test in a fresh directory of its own, so "vx.log" and tile files
// of one test never meet another's (ctest runs tests in parallel).
class ScratchDir : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/razivavu-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof(here)), nullptr);
        previous_ = here;
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }
    void TearDown() override {
        if (!previous_.empty()) {
            EXPECT_EQ(chdir(previous_.c_str()), 0);
        }
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }
    const std::string& dir() const { return dir_; }

  private:
    std::string dir_;
    std::string previous_;
};

inline std::vector<uint8_t> read_file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::string read_text(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_file(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline bool file_exists(const std::string& name) { return access(name.c_str(), F_OK) == 0; }

inline void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

inline uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// A BMP as a writer would produce it, with knobs to make it odd.
struct BmpFixture {
    int32_t width = 2;
    int32_t height = 2;
    int bits = 24;
    bool top_down = false;
    // 24-bit: R, G, B per pixel; 4/8-bit: one index per pixel. Rows top to
    // bottom, packed (the writer pads and orders them).
    std::vector<uint8_t> pixels;
    std::vector<uint32_t> palette;  // 0x00RRGGBB entries written to the file
    uint32_t info_size = 40;
    uint32_t compression = 0;
    uint32_t colours_used = 0;  // header's colour count (0 = all)
    bool pad_rows = true;       // false: rows back to back (a broken writer)
    int64_t pixel_offset = -1;  // -1: right after the palette
};

inline std::vector<uint8_t> make_bmp(const BmpFixture& s) {
    const size_t palette_at = 14 + s.info_size;
    const size_t data_at = s.pixel_offset >= 0 ? static_cast<size_t>(s.pixel_offset)
                                               : palette_at + 4 * s.palette.size();
    const size_t row_bits = static_cast<size_t>(s.width) * s.bits;
    const size_t row_bytes = (row_bits + 7) / 8;
    const size_t stride = s.pad_rows ? (row_bits + 31) / 32 * 4 : row_bytes;
    // Never shorter than the fields written below, even for odd info sizes.
    std::vector<uint8_t> b(std::max<size_t>(data_at + stride * s.height, 54), 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<uint32_t>(b.size()));
    put32(b, 10, static_cast<uint32_t>(data_at));
    put32(b, 14, s.info_size);
    put32(b, 18, static_cast<uint32_t>(s.width));
    put32(b, 22, static_cast<uint32_t>(s.top_down ? -s.height : s.height));
    b[26] = 1;
    b[28] = static_cast<uint8_t>(s.bits);
    put32(b, 30, s.compression);
    put32(b, 46, s.colours_used);
    for (size_t k = 0; k < s.palette.size(); ++k) {
        const uint32_t c = s.palette[k];
        b[palette_at + 4 * k] = static_cast<uint8_t>(c);            // blue
        b[palette_at + 4 * k + 1] = static_cast<uint8_t>(c >> 8);   // green
        b[palette_at + 4 * k + 2] = static_cast<uint8_t>(c >> 16);  // red
    }
    for (int32_t y = 0; y < s.height; ++y) {
        const int32_t file_row = s.top_down ? y : s.height - 1 - y;
        uint8_t* row = b.data() + data_at + stride * file_row;
        for (int32_t x = 0; x < s.width; ++x) {
            const size_t i = static_cast<size_t>(y) * s.width + x;
            if (s.bits == 24) {
                row[3 * x] = s.pixels[3 * i + 2];
                row[3 * x + 1] = s.pixels[3 * i + 1];
                row[3 * x + 2] = s.pixels[3 * i];
            } else if (s.bits == 8) {
                row[x] = s.pixels[i];
            } else if (s.bits == 4) {
                // Left pixel of a pair in the high nibble, as writers do.
                row[x / 2] |= static_cast<uint8_t>((x & 1) ? s.pixels[i] & 15 : s.pixels[i] << 4);
            } else {
                for (size_t k = 0; k < static_cast<size_t>(s.bits / 8); ++k)
                    row[x * (s.bits / 8) + k] = static_cast<uint8_t>(i + k);
            }
        }
    }
    return b;
}

// Pixels for a 24-bit picture: a deterministic mix so rows and channels differ.
inline std::vector<uint8_t> rgb_pattern(int32_t width, int32_t height) {
    std::vector<uint8_t> p(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>((i * 37 + i / 7) & 255);
    return p;
}

inline void write_bmp(const std::string& name, const BmpFixture& s) {
    write_file(name, make_bmp(s));
}

// The offset of the first marker FF <code> in a JPEG's bytes (0xDA: start
// of scan, 0xC0: baseline frame header); 0 when there is none.
inline size_t find_marker(const std::vector<uint8_t>& b, uint8_t code) {
    for (size_t i = 0; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == code) return i;
    return 0;
}

// A JPEG made with the JPEG library's compressor.
struct JpegFixture {
    int width = 64;
    int height = 48;
    int components = 3;             // 1, 3 or 4
    J_COLOR_SPACE space = JCS_RGB;  // of the input samples
    bool progressive = false;
    bool subsampled = false;   // colour at half resolution both ways (4:2:0)
    bool adobe_marker = true;  // only for 4 components
    int quality = 100;
    std::vector<uint8_t> samples;  // width x height x components
};

inline bool write_jpeg(const std::string& name, const JpegFixture& s) {
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(s.width);
    c.image_height = static_cast<JDIMENSION>(s.height);
    c.input_components = s.components;
    c.in_color_space = s.space;
    jpeg_set_defaults(&c);
    if (s.components == 4) {
        jpeg_set_colorspace(&c, JCS_CMYK);
        c.write_Adobe_marker = s.adobe_marker ? TRUE : FALSE;
    }
    jpeg_set_quality(&c, s.quality, TRUE);
    // No chroma subsampling: flat squares then decode almost exactly, edges
    // included.
    for (int k = 0; k < c.num_components; ++k) {
        c.comp_info[k].h_samp_factor = s.subsampled && k == 0 ? 2 : 1;
        c.comp_info[k].v_samp_factor = s.subsampled && k == 0 ? 2 : 1;
    }
    if (s.progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    const size_t stride = static_cast<size_t>(s.width) * s.components;
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(s.samples.data() + c.next_scanline * stride);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

// Flat 16 x 16 squares of distinct colours: they survive JPEG almost exactly.
inline std::vector<uint8_t> jpeg_squares(int width, int height, int components) {
    std::vector<uint8_t> p(static_cast<size_t>(width) * height * components);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < components; ++k) {
                const int square = (y / 16) * 7 + (x / 16) * 3 + k * 5;
                p[(static_cast<size_t>(y) * width + x) * components + k] =
                    static_cast<uint8_t>((square * 53) & 255);
            }
    return p;
}

// A BMP of `bits` (4, 8 or 24) with a full palette and indices that vary
// along and across rows, or the RGB pattern.
inline BmpFixture bmp_picture(int32_t w, int32_t h, int bits, bool top_down) {
    BmpFixture s;
    s.width = w;
    s.height = h;
    s.bits = bits;
    s.top_down = top_down;
    if (bits == 24) {
        s.pixels = rgb_pattern(w, h);
        return s;
    }
    const int entries = bits == 8 ? 256 : 16;
    for (int i = 0; i < entries; ++i)
        s.palette.push_back(static_cast<uint32_t>(i * 0x0A1B2C + 0x102030) & 0xFFFFFF);
    for (int32_t i = 0; i < w * h; ++i)
        s.pixels.push_back(static_cast<uint8_t>((i * 7 + i / w * 3) % entries));
    return s;
}

// A JPEG of jpeg_squares, grey (1 component) or RGB (3).
inline JpegFixture squares_jpeg(int width, int height, int components, bool progressive,
                                int quality) {
    JpegFixture s;
    s.width = width;
    s.height = height;
    s.components = components;
    s.space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    s.progressive = progressive;
    s.quality = quality;
    s.samples = jpeg_squares(width, height, components);
    return s;
}

}  // namespace testsupport
