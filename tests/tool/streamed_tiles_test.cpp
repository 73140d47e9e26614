// The tool reads its picture in bands of rows. Whatever the format, the tile
// size and the thread count, a run must leave what the whole-picture run
// left: the same console text, exit code and tile files, byte for byte.
//
// The pins below are hashes of whole runs (standard output, exit code, every
// tile file) taken from the tool when it still decoded the whole picture
// before the first tile.
#include <functional>
#include <sstream>

#include "tests/imageio/png_tiff_support.h"
#include "tests/imageio/test_support.h"
#include "tests/tool/child_run.h"
#include "tool/picture_input.h"
#include "tool/tiletool.h"

using namespace testsupport;

namespace {

// The arguments after the file name, split at blanks.
std::vector<std::string> run_args(const char* name, const std::string& args) {
    std::vector<std::string> all{name};
    std::istringstream words(args);
    for (std::string w; words >> w;) all.push_back(w);
    return all;
}

uint64_t fnv(uint64_t h, const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

uint64_t run_hash(const ChildRun& r) {
    uint64_t h = 14695981039346656037ull;
    h = fnv(h, &r.status, sizeof r.status);
    h = fnv(h, r.out.data(), r.out.size());
    for (const auto& [name, bytes] : r.files) {
        h = fnv(h, name.c_str(), name.size() + 1);
        h = fnv(h, bytes.data(), bytes.size());
    }
    return h;
}

// --- the pictures ------------------------------------------------------------

void make_bmp_file(const std::string& name, int bits, bool top_down, bool alpha) {
    write_bmp(name, bmp_picture(70, 50, bits, top_down));
    if (alpha) {
        BmpFixture a = bmp_picture(70, 50, 24, false);
        for (size_t i = 0; i < a.pixels.size(); ++i) a.pixels[i] = static_cast<uint8_t>(i / 5);
        write_bmp(name.substr(0, name.size() - 4) + "_trans.bmp", a);
    }
}

void make_jpeg_file(const std::string& name, int components, bool progressive) {
    JpegFixture s = squares_jpeg(72, 56, components, progressive, 90);
    // Some texture inside the squares, so the blocks are not all flat.
    for (size_t i = 0; i < s.samples.size(); ++i)
        s.samples[i] = static_cast<uint8_t>(s.samples[i] + (i * 13 % 29));
    ASSERT_TRUE(write_jpeg(name, s));
}

// A JPEG cut halfway through its data: the decoder fills the rest.
void make_cut_jpeg_file(const std::string& name) {
    make_jpeg_file(name, 3, false);
    std::vector<uint8_t> bytes = read_file(name);
    bytes.resize(bytes.size() * 2 / 3);
    write_file(name, bytes);
}

SampledPicture sampled(int channels, int bits) {
    SampledPicture p;
    p.width = 70;
    p.height = 50;
    p.channels = channels;
    p.bits = bits;
    return p;
}

struct PinCase {
    const char* name;  // the input file
    const char* args;  // tile size arguments
    std::function<void(const std::string&)> make;
    uint64_t pin;  // hash of the whole-picture run
};

const std::vector<PinCase>& pin_cases() {
    static const std::vector<PinCase> cases = {
        {"up.bmp", "16 16", [](const std::string& n) { make_bmp_file(n, 24, false, false); },
         0x9ac46b55a5bd7d7aull},
        {"up.bmp", "-3 -2", [](const std::string& n) { make_bmp_file(n, 24, false, false); },
         0xc76d529650eccbc3ull},
        {"up.bmp", "32 8", [](const std::string& n) { make_bmp_file(n, 24, false, false); },
         0x37ac38904b15bda6ull},
        {"down.BMP", "16 16", [](const std::string& n) { make_bmp_file(n, 24, true, false); },
         0x5007c516dd21d8c5ull},
        {"p8.bmp", "16 16", [](const std::string& n) { make_bmp_file(n, 8, false, false); },
         0xdc009308c2dbdca7ull},
        {"p4.bmp", "16 8", [](const std::string& n) { make_bmp_file(n, 4, true, false); },
         0xaed86fbe4962abb1ull},
        {"alpha.bmp", "16 16", [](const std::string& n) { make_bmp_file(n, 24, false, true); },
         0x435470c164560f7ull},
        {"base.jpg", "16 16", [](const std::string& n) { make_jpeg_file(n, 3, false); },
         0x9a4455048d47c9dull},
        {"base.jpg", "32 16", [](const std::string& n) { make_jpeg_file(n, 3, false); },
         0x2e36defbfcb6dd15ull},
        {"prog.jpg", "16 16", [](const std::string& n) { make_jpeg_file(n, 3, true); },
         0x15a591b26205bc22ull},
        {"grey.JPG", "8 16", [](const std::string& n) { make_jpeg_file(n, 1, false); },
         0x864d40e09e2cfd2bull},
        // The same tile files as before damage ended runs with status 1; the
        // pin moved only with the status and the missing "done" line.
        {"cut.jpg", "16 16", [](const std::string& n) { make_cut_jpeg_file(n); },
         0xe60666634a7f1fc7ull},
        {"rgb.png", "16 16", [](const std::string& n) { ASSERT_TRUE(write_png(n, sampled(3, 8))); },
         0x9160cf5f4ab7a8ull},
        {"rgba16.png", "32 16",
         [](const std::string& n) { ASSERT_TRUE(write_png(n, sampled(4, 16))); },
         0x3edde25177433ec1ull},
        {"laced.png", "16 16",
         [](const std::string& n) { ASSERT_TRUE(write_png(n, sampled(3, 8), true)); },
         0x81ad6a96c07866beull},
        {"strips.tif", "16 16",
         [](const std::string& n) {
             TiffLayout l;
             l.compression = COMPRESSION_LZW;
             ASSERT_TRUE(write_tiff(n, sampled(3, 8), l));
         },
         0xf19c69f892e96dc8ull},
        {"tiles.tiff", "16 8",
         [](const std::string& n) {
             TiffLayout l;
             l.tile_side = 16;
             l.big = true;
             ASSERT_TRUE(write_tiff(n, sampled(4, 8), l));
         },
         0xbbccfa7e7d1e48afull},
    };
    return cases;
}

class StreamedTiles : public ScratchDir {};

TEST_F(StreamedTiles, RunsMatchTheWholePictureRun) {
    for (const PinCase& c : pin_cases()) {
        c.make(c.name);
        for (int threads : {1, 3}) {
            SCOPED_TRACE(testing::Message()
                         << c.name << " " << c.args << ", " << threads << " threads");
            const ChildRun r = run_child(run_args(c.name, c.args),
                                         {"RAZIVAVU_THREADS=" + std::to_string(threads)});
            EXPECT_FALSE(r.files.empty());
            EXPECT_EQ(run_hash(r), c.pin) << std::hex << "0x" << run_hash(r) << "ull";
        }
        // The whole-picture road the tool keeps for comparisons.
        const ChildRun whole =
            run_child(run_args(c.name, c.args), {std::string(WHOLE_PICTURE_VARIABLE) + "=1"});
        EXPECT_EQ(run_hash(whole), c.pin) << c.name << " " << c.args << ", whole picture";
    }
}

}  // namespace
