// A loader's reason and warning travel in its result: the words of the
// whole-picture load come back the same from bands read on other threads
// (opened on this one, as the tool's reader does), with every picture read
// at once, so no thread sees another picture's words.
#include <gtest/gtest.h>

#include <thread>

#include "imageio/imageio.h"
#include "tests/imageio/png_tiff_support.h"
#include "tests/imageio/test_support.h"

using namespace testsupport;

namespace {

class LoadResults : public ScratchDir {};

// The rest of the picture in bands of 8 rows; the last band's result.
LoadResult read_rest(PictureBands& b, LoadResult last) {
    std::vector<uint8_t> band(size_t(b.width) * b.planes * 8);
    while (last.ok() && b.rows_read < b.height) last = read_band(b, band.data(), 8);
    close_bands(b);
    return last;
}

TEST_F(LoadResults, ReasonAndWarningTravelWithTheResultAcrossThreads) {
    SampledPicture p;
    p.width = p.height = 256;  // several data chunks: the cut falls after the first
    ASSERT_TRUE(write_png("cut.png", p));
    std::vector<uint8_t> png = read_file("cut.png");
    write_file("cut.png", std::vector<uint8_t>(png.begin(), png.begin() + png.size() * 2 / 3));
    ASSERT_TRUE(write_jpeg("whole.jpg", squares_jpeg(160, 120, 3, false, 80)));
    std::vector<uint8_t> jpeg = read_file("whole.jpg");
    jpeg.resize(jpeg.size() * 2 / 3);
    write_file("cut.jpg", jpeg);

    const struct {
        const char* name;
        BandFormat format;
        LoadResult (*load)(LoadedImage&);
        const char* reason;  // its start; "" when it loads
        const char* warning;
    } cases[] = {{"cut.png", BandFormat::png, load_png, "cannot decode png cut.png: ", ""},
                 {"cut.jpg", BandFormat::jpeg, load_jpeg, "", "Premature end of JPEG file"},
                 {"whole.jpg", BandFormat::jpeg, load_jpeg, "", ""}};
    constexpr size_t kCases = sizeof(cases) / sizeof(cases[0]);
    PictureBands bands[kCases];
    LoadResult opened[kCases], last[kCases];
    std::vector<std::thread> readers;
    for (size_t i = 0; i < kCases; ++i) {
        opened[i] = open_bands(bands[i], cases[i].name, cases[i].format);
        ASSERT_TRUE(opened[i].ok()) << cases[i].name << ": " << opened[i].reason;
    }
    for (size_t i = 0; i < kCases; ++i)
        readers.emplace_back([&, i] { last[i] = read_rest(bands[i], opened[i]); });
    for (std::thread& t : readers) t.join();

    for (size_t i = 0; i < kCases; ++i) {
        const auto& c = cases[i];
        LoadedImage image;
        image.name = c.name;
        const LoadResult whole = c.load(image);
        for (const LoadResult& r : {whole, last[i]}) {
            EXPECT_EQ(r.ok(), c.reason[0] == '\0') << c.name;
            EXPECT_EQ(r.ok(), r.reason.empty()) << c.name;
            EXPECT_EQ(r.reason.rfind(c.reason, 0), 0u) << c.name << ": " << r.reason;
            EXPECT_EQ(r.warning, c.warning) << c.name;
        }
        EXPECT_EQ(last[i].reason, whole.reason) << c.name;
    }
}

}  // namespace
