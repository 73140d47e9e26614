// The tool writing its tiles on four threads: the same console text and the
// same files as on one thread. Under ThreadSanitizer (make tsan) the child
// process stops with a report on the first data race, which fails the test.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "tests/imageio/test_support.h"

#ifdef RAZIVAVU_BINARY

using namespace testsupport;

namespace {

class ToolThreads : public ScratchDir {};

struct ToolRun {
    int status = -1;
    std::string out, err;
    std::map<std::string, std::vector<uint8_t>> tiles;
};

// `input`: pano.bmp or pano.jpg (read in bands while the
// workers tile) or cut.jpg (damaged, so the warning comes while tiling).
ToolRun run_in(const std::string& folder, int threads, const std::string& input = "pano.bmp") {
    std::filesystem::create_directory(folder);
    BmpFixture picture;
    picture.width = 96;
    picture.height = 64;
    picture.pixels = rgb_pattern(96, 64);
    write_bmp(folder + "/pano.bmp", picture);
    JpegFixture jpeg;
    jpeg.width = 96;
    jpeg.height = 64;
    jpeg.samples = picture.pixels;
    EXPECT_TRUE(write_jpeg(folder + "/pano.jpg", jpeg));
    std::vector<uint8_t> cut = read_file(folder + "/pano.jpg");
    cut.resize(cut.size() * 2 / 3);
    write_file(folder + "/cut.jpg", cut);
    const std::string command =
        "cd '" + folder + "' && RAZIVAVU_THREADS=" + std::to_string(threads) + " '" +
        RAZIVAVU_BINARY + "' " + input + " 16 16 < /dev/null > ../out.txt 2> ../err.txt";
    const int raw = std::system(command.c_str());
    ToolRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = read_text("out.txt");
    r.err = read_text("err.txt");
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().extension() == ".vxt" || e.path().extension() == ".part")
            r.tiles[e.path().filename().string()] = read_file(e.path().string());
    return r;
}

}  // namespace

TEST_F(ToolThreads, FourThreadsWriteWhatOneWrites) {
    const ToolRun one = run_in("one", 1);
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.tiles.size(), 6u * 4u * 2u);
    const ToolRun four = run_in("four", 4);
    EXPECT_EQ(four.status, 0) << four.err;
    EXPECT_EQ(four.err, one.err);
    EXPECT_EQ(four.out, one.out);
    EXPECT_TRUE(four.tiles == one.tiles);
}

TEST_F(ToolThreads, BandsReadBesideFourThreadsGiveWhatOneThreadGets) {
    for (const char* input : {"pano.jpg", "cut.jpg"}) {
        SCOPED_TRACE(input);
        // The cut picture is tiled whole and ends with status 1 either way.
        const int status = std::string(input) == "cut.jpg" ? 1 : 0;
        const ToolRun one = run_in(std::string("one_") + input, 1, input);
        ASSERT_EQ(one.status, status) << one.err;
        const ToolRun four = run_in(std::string("four_") + input, 4, input);
        EXPECT_EQ(four.status, status) << four.err;
        EXPECT_EQ(four.err, one.err);
        EXPECT_EQ(four.out, one.out);
        EXPECT_TRUE(four.tiles == one.tiles);
    }
}

#endif
