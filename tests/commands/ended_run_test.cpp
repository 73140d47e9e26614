// A razivavu run that ended early (a JPEG cut in the middle) stays viewable:
// --mosaic, --html and --compare show or list the tiles that are there, mark
// the missing ones and end with exit 1; an --html that fails or is
// interrupted leaves its folder as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/commands/commands_test_support.h"

using namespace cmdtest;

namespace {

namespace fs = std::filesystem;

class EndedRun : public ScratchDir {
  protected:
    // A 64 x 128 JPEG in 16 x 16 tiles (4 x 8) whose data ends in its
    // upper part: the run writes the rows above the end and exits 1.
    void make_ended_run() {
        ASSERT_TRUE(write_jpeg("whole.jpg", squares_jpeg(64, 128, 3, false, 90)));
        std::vector<uint8_t> bytes = read_file("whole.jpg");
        const size_t sos = find_marker(bytes, 0xDA);
        ASSERT_GT(sos, 0u);
        bytes.resize(sos + (bytes.size() - sos) * 4 / 10);
        write_file("cut.jpg", bytes);
        const RunResult r = run(RAZIVAVU_BINARY, "-q cut.jpg 16 16");
        ASSERT_EQ(r.status, 1) << r.err;
        for (rows_ = 0; file_exists("cut0" + std::to_string(rows_) + ".vxt");) ++rows_;
        ASSERT_GT(rows_, 1);
        ASSERT_LT(rows_, 7);
    }
    int rows_ = 0;  // rows of tiles written
};

// Every entry of a folder with its bytes (folders as their names).
std::map<std::string, std::vector<uint8_t>> contents(const std::string& dir) {
    std::map<std::string, std::vector<uint8_t>> all;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        all[e.path().string()] =
            e.is_regular_file() ? read_file(e.path().string()) : std::vector<uint8_t>{};
    return all;
}

TEST_F(EndedRun, EveryViewDrawsWhatIsThereMarksTheRestAndEndsWithStatusOne) {
    make_ended_run();
    // Rows rows_ .. 7 are missing; the grid knows only that its bottom row
    // is (the last row written stores from level 0, as middle rows do).
    const std::string missing_row = "row " + std::to_string(rows_) + " of tiles";
    const struct {
        const char* args;
        const char* output;  // a file the view writes
    } views[] = {{"--mosaic=2 --png=out cut", "out/cut_mosaic_level2.png"},
                 {"--html view cut", "view/index.html"},
                 {"--compare cut", nullptr}};
    for (const auto& v : views) {
        const RunResult r = run(INSPECT_BINARY, v.args);
        EXPECT_EQ(r.status, 1) << v.args << r.err;
        EXPECT_NE(r.err.find(missing_row + " (cut0" + std::to_string(rows_) + ".vxt to cut3" +
                             std::to_string(rows_) + ".vxt): missing\n"),
                  std::string::npos)
            << v.args << r.err;
        EXPECT_NE(r.err.find("4 tiles of cut "), std::string::npos) << v.args << r.err;
        if (v.output) {
            EXPECT_TRUE(file_exists(v.output)) << v.args;
        }
    }
    // The mosaic: the rows written as their tiles, the missing one grey.
    TexImage mosaic;
    ASSERT_TRUE(read_png("out/cut_mosaic_level2.png", mosaic));
    ASSERT_EQ(mosaic.width, 16);
    ASSERT_EQ(mosaic.height, 4 * (rows_ + 1));
    for (int32_t x = 0; x < 16; ++x)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(mosaic.pixels[((mosaic.height - 1) * 16 + x) * 3 + k], 128) << x;
    EXPECT_NE(std::vector<uint8_t>(mosaic.pixels.begin(), mosaic.pixels.begin() + 48),
              std::vector<uint8_t>(48, 128));
    EXPECT_NE(read_text("view/grid.js").find("{\"missing\":true"), std::string::npos);
    EXPECT_TRUE(file_exists("view/tiles/0_0_1.png"));
    const RunResult compare = run(INSPECT_BINARY, "--compare cut");
    EXPECT_NE(compare.out.find(", " + std::to_string(4 * rows_) + " compared"), std::string::npos)
        << compare.out;
}

TEST_F(EndedRun, AnHtmlThatFailsOrIsInterruptedLeavesItsFolderAsItWas) {
    make_ended_run();
    ASSERT_EQ(mkdir("view", 0755), 0);
    write_file("view/keep.txt", {'k'});
    const auto before = contents("view");
    // A folder that fills up halfway (a file system of 64 KiB of its own, in
    // a mount namespace of its own): exit 3, and the folder as it was.
    write_bmp("big.bmp", bmp_of(512, 256, smooth_pattern(512, 256)));
    ASSERT_EQ(run(RAZIVAVU_BINARY, "-q big.bmp 16 16").status, 0);
    const std::string script =
        "unshare -m sh -c 'mkdir -p small && mount -t tmpfs -o size=64k tmpfs small && "
        "echo k > small/keep.txt && ls -aR small > before.txt && \"$0\" --html small big "
        "> /dev/null 2> err.txt; echo $? > status.txt; ls -aR small > after.txt' '" INSPECT_BINARY
        "' 2> /dev/null";
    if (std::system(script.c_str()) == 0 && file_exists("status.txt")) {
        EXPECT_EQ(std::stoi(read_text("status.txt")), 3) << read_text("err.txt");
        EXPECT_EQ(read_text("after.txt"), read_text("before.txt"));
    }
    // A run large enough to be met by the signal while it writes its tiles.
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(INSPECT_BINARY, INSPECT_BINARY, "--html", "view", "big", nullptr);
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    // The page is being made once its folder inside view/ holds tiles.
    bool started = false;
    for (int i = 0; i < 2000 && !started; ++i) {
        std::error_code ec;  // the folder may go while it is looked at
        for (const auto& e : fs::directory_iterator("view", ec))
            if (e.path().filename().string().rfind(".razivavu-html", 0) == 0 &&
                !fs::is_empty(e.path() / "tiles", ec) && !ec)
                started = true;
        if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(started) << "the page was done before the signal";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    EXPECT_EQ(contents("view"), before);
}

}  // namespace
