// BMP pictures read in bands give the rows, refusals and log lines of the
// whole-picture load the tool made (planes 3, no power-of-two check).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imageio/imageio.h"
#include "tests/imageio/test_support.h"
#include "vxsystem/vxsystem.h"

using namespace testsupport;

namespace {

class BmpBands : public ScratchDir {};

struct Result {
    std::vector<uint8_t> pixels;  // empty on failure
    int32_t planes = 0;
    std::string error;
    std::string log;  // what the load added to vx.log
};

Result whole(const std::string& name) {
    const size_t before = read_text("vx.log").size();
    LoadedImage image;
    image.name = name;
    Result r;
    const LoadResult loaded = load_bmp(image, file_size(name.c_str()), 3, 1);
    if (loaded.ok()) {
        r.planes = image.planes;
        r.pixels.assign(image.pixels, image.pixels + size_t(image.width) * image.height * r.planes);
    }
    r.error = loaded.reason;
    r.log = read_text("vx.log").substr(before);
    return r;
}

Result in_bands(const std::string& name, int32_t band) {
    const size_t before = read_text("vx.log").size();
    Result r;
    PictureBands b;
    LoadResult read = open_bands(b, name, BandFormat::bmp);
    if (read.ok()) {
        const size_t pitch = size_t(b.width) * b.planes;
        std::vector<uint8_t> all(pitch * b.height);
        for (int32_t y = 0; read.ok() && y < b.height; y += band)
            read = read_band(b, all.data() + y * pitch, band);
        if (read.ok()) {
            r.pixels = all;
            r.planes = b.planes;
        }
    }
    close_bands(b);
    r.error = read.reason;
    r.log = read_text("vx.log").substr(before);
    return r;
}

void expect_same(const std::string& name, const std::string& what) {
    const Result w = whole(name);
    for (int32_t band : {1, 3, 1000}) {
        const Result b = in_bands(name, band);
        EXPECT_EQ(b.pixels, w.pixels) << what << " band " << band;
        EXPECT_EQ(b.planes, w.planes) << what;
        EXPECT_EQ(b.error, w.error) << what;
        EXPECT_EQ(b.log, w.log) << what;
    }
}

TEST_F(BmpBands, RowsAreThoseOfTheWholePicture) {
    const struct {
        int bits;
        int32_t width, height;
        bool top_down;
        const char* companion;  // suffix of the alpha file's name, or null
        bool companion_top_down;
        uint32_t palette_entries;  // 0: all of them
    } cases[] = {
        {24, 5, 7, false, nullptr, false, 0},
        {24, 3, 11, true, nullptr, false, 0},
        {24, 5, 7, false, "_trans.bmp", false, 0},
        {24, 1, 9, true, "op.bmp", false, 0},
        {24, 6, 5, false, "_trans.bmp", true, 0},
        {8, 5, 7, false, nullptr, false, 0},
        {8, 7, 10, true, nullptr, false, 9},
        {4, 3, 7, false, nullptr, false, 0},
        {4, 7, 5, true, nullptr, false, 5},
        // Rows of 3 MiB: a band takes several reads.
        {24, (1 << 20) + 1, 5, false, "_trans.bmp", false, 0},
    };
    for (const auto& c : cases) {
        BmpFixture s = bmp_picture(c.width, c.height, c.bits, c.top_down);
        if (c.palette_entries) {
            s.palette.resize(c.palette_entries);
            s.colours_used = c.palette_entries;
        }
        write_bmp("pano.bmp", s);
        if (c.companion) {
            BmpFixture a = bmp_picture(c.width, c.height, 24, c.companion_top_down);
            std::reverse(a.pixels.begin(), a.pixels.end());
            write_bmp(std::string("pano") + c.companion, a);
        }
        expect_same("pano.bmp", std::to_string(c.bits) + " bit " + std::to_string(c.width) + "x" +
                                    std::to_string(c.height));
        std::remove("pano_trans.bmp");
        std::remove("panoop.bmp");
    }
}

TEST_F(BmpBands, RefusalsAreThoseOfTheWholePicture) {
    const BmpFixture good = bmp_picture(5, 4, 24, false);
    const std::vector<uint8_t> bytes = make_bmp(good);
    BmpFixture deep = good;
    deep.bits = 16;
    BmpFixture packed = good;
    packed.compression = 1;
    const struct {
        const char* what;
        std::vector<uint8_t> picture;
        std::vector<uint8_t> companion;  // as pano_trans.bmp when not empty
    } cases[] = {
        {"truncated", {bytes.begin(), bytes.end() - 3}, {}},
        {"empty", {}, {}},
        {"16 bit", make_bmp(deep), {}},
        {"compressed", make_bmp(packed), {}},
        {"companion of another size", bytes, make_bmp(bmp_picture(4, 4, 24, false))},
        {"truncated companion", bytes, {bytes.begin(), bytes.end() - 20}},
    };
    for (const auto& c : cases) {
        write_file("pano.bmp", c.picture);
        std::remove("pano_trans.bmp");
        if (!c.companion.empty()) write_file("pano_trans.bmp", c.companion);
        ASSERT_FALSE(whole("pano.bmp").error.empty()) << c.what;
        expect_same("pano.bmp", c.what);
    }
    expect_same("missing.bmp", "missing");
}

TEST_F(BmpBands, CompanionThatIsNoRegularFileIsSkippedAlike) {
    write_bmp("pano.bmp", bmp_picture(4, 3, 24, false));
    ASSERT_EQ(mkfifo("pano_trans.bmp", 0600), 0);
    BmpFixture a = bmp_picture(4, 3, 24, true);
    write_bmp("panoop.bmp", a);
    ASSERT_EQ(whole("pano.bmp").planes, 4);
    expect_same("pano.bmp", "fifo companion");
}

TEST_F(BmpBands, FileCutWhileStreamingFailsAndKeepsEarlierRows) {
    const BmpFixture s = bmp_picture(4, 6, 24, true);
    write_bmp("pano.bmp", s);
    PictureBands b;
    ASSERT_TRUE(open_bands(b, "pano.bmp", BandFormat::bmp).ok());
    std::vector<uint8_t> band(4 * 3 * 3);
    ASSERT_TRUE(read_band(b, band.data(), 3).ok());
    EXPECT_EQ(band, std::vector<uint8_t>(s.pixels.begin(), s.pixels.begin() + 36));
    ASSERT_EQ(truncate("pano.bmp", 54 + 16 * 4), 0);
    const LoadResult cut = read_band(b, band.data(), 3);
    EXPECT_FALSE(cut.ok());
    EXPECT_EQ(b.rows_read, 3);
    EXPECT_EQ(cut.reason, "cannot read pano.bmp (it changed while being read)");
    close_bands(b);
}

// A bottom-up file keeps its top row at its end: past 4 GiB here, in a
// sparse file that costs no disk. Only the first band is read.
TEST_F(BmpBands, OffsetsPastFourGibibytes) {
    const int32_t width = 65536, height = 22000;
    std::vector<uint8_t> head = make_bmp(bmp_picture(width, 1, 24, false));
    head.resize(54);
    put32(head, 22, height);
    const int64_t stride = int64_t{width} * 3;
    const int64_t size = 54 + stride * height;
    ASSERT_GT(size - stride, int64_t{4} << 30);
    const int fd = open("big.bmp", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    std::vector<uint8_t> top(static_cast<size_t>(stride));
    for (size_t i = 0; i < top.size(); ++i) top[i] = uint8_t(i % 251 + 1);
    const bool made = pwrite(fd, head.data(), head.size(), 0) == 54 && ftruncate(fd, size) == 0 &&
                      pwrite(fd, top.data(), top.size(), size - stride) == stride;
    close(fd);
    if (!made) GTEST_SKIP() << "no room for a sparse file of " << size << " bytes";

    PictureBands b;
    const LoadResult opened = open_bands(b, "big.bmp", BandFormat::bmp);
    ASSERT_TRUE(opened.ok()) << opened.reason;
    EXPECT_EQ(b.height, height);
    std::vector<uint8_t> band(static_cast<size_t>(stride) * 2);
    const LoadResult read = read_band(b, band.data(), 2);
    ASSERT_TRUE(read.ok()) << read.reason;
    for (size_t x = 0; x < size_t(width); ++x) {
        ASSERT_EQ(band[3 * x], top[3 * x + 2]) << x;
        ASSERT_EQ(band[3 * x + 2], top[3 * x]) << x;
    }
    EXPECT_TRUE(std::all_of(band.begin() + stride, band.end(), [](uint8_t v) { return v == 0; }));
    close_bands(b);
}

TEST_F(BmpBands, RowsBeyondTheMemoryLimitAreRefused) {
    write_bmp("wide.bmp", bmp_picture(400000, 2, 24, false));  // 1.2 MB a row
    ASSERT_EQ(setenv(MEMORY_LIMIT_VARIABLE, "1", 1), 0);
    PictureBands b;
    const LoadResult opened = open_bands(b, "wide.bmp", BandFormat::bmp);
    EXPECT_FALSE(opened.ok());
    EXPECT_NE(opened.reason.find("memory limit"), std::string::npos);
    unsetenv(MEMORY_LIMIT_VARIABLE);
}

}  // namespace
