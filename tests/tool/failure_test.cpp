// Failures that must never pass for success: the library's result, memory
// running out, a run ended by a signal, a picture that claims more than the
// disk holds or than its data covers.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/common/alloc_hook.h"
#include "tests/common/run_program.h"
#include "tests/tool/child_run.h"
#include "texcomp/compressor.h"
#include "tool/picture_input.h"
#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"

using namespace testsupport;

namespace {

class Failures : public ScratchDir {};

struct Pixels {
    std::vector<uint8_t> bytes;
    TilePixels view;
    Pixels(int32_t w, int32_t h) : bytes(rgb_pattern(w, h)) {
        view.pixels = bytes.data();
        view.width = w;
        view.height = h;
        view.pitch = int64_t{w} * 3;
    }
};

TEST_F(Failures, OnlyTheExpectedRefusalOfTheLibraryLeadsToANamedFile) {
    const struct {
        int32_t side;
        bool block_file;
        bool starved;  // no memory for the library's working object
        TileWrite result;
    } cases[] = {
        {16, false, false, TileWrite::ok},
        {12, true, false, TileWrite::ok},  // header only, by design
        {16, false, true, TileWrite::compress_failed},
        {16, true, true, TileWrite::compress_failed},
        {12, true, true, TileWrite::ok},  // refused before any allocation
    };
    for (const auto& c : cases) {
        Pixels tile(c.side, c.side);
        const size_t object = sizeof(TextureCompressor);
        int error = 0;
        TileWrite result;
        ::testing::internal::CaptureStdout();
        {
            FailNewSizes fail(c.starved ? object : 0, c.starved ? object : 0);
            result = write_tile_file("t00.vxt", tile.view, c.block_file, 5, 0, &error);
        }
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(result, c.result) << c.side << " " << c.block_file << " " << c.starved;
        EXPECT_EQ(file_exists("t00.vxt"), c.result == TileWrite::ok);
        EXPECT_FALSE(file_exists("t00.vxt.part"));
        if (c.result == TileWrite::compress_failed) {
            EXPECT_EQ(error, TEXCOMP_NO_MEMORY);
        }
        std::remove("t00.vxt");
    }
}

TEST_F(Failures, RowsBelowTheTilesAreCheckedOrTheRunSaysItCannot) {
    write_bmp("p.bmp", bmp_picture(40, 20, 24, false));
    const size_t pitch = 40 * 3;
    const struct {
        size_t from, to;  // allocation sizes that fail
        int result;
    } cases[] = {{0, 0, 1}, {2 * pitch, 20 * pitch, 1}, {pitch, 20 * pitch, -1}};
    for (const auto& c : cases) {
        PictureInput in;
        ASSERT_TRUE(open_picture(in, "p.bmp", PictureKind::bmp, file_size("p.bmp"), false).ok());
        int result = 0;
        {
            FailNewSizes fail(c.from, c.to);
            const RemainingRows rest = read_remaining_rows(in);
            result = rest.no_memory ? -1 : rest.load.ok();
        }
        EXPECT_EQ(result, c.result) << c.from;
        EXPECT_EQ(in.next_row, c.result == 1 ? 20 : 0);
        close_picture(in);
    }
}

TEST_F(Failures, NoMemoryAnywhereEndsWithAMessageAndNoPartFile) {
    auto starved = [](int, char**) -> int {
        const int fd = create_part_file("x.part");
        if (fd < 0) return 9;
        close(fd);
        throw std::bad_alloc();
    };
    char name[] = "razivavu";
    char* argv[] = {name, nullptr};
    EXPECT_EXIT(std::exit(run_command(starved, 1, argv, "ERROR: ", EXIT_NO_MEMORY)),
                ::testing::ExitedWithCode(EXIT_NO_MEMORY),
                "^ERROR: not enough memory; the run stops here and leaves no unfinished file\n$");
    EXPECT_FALSE(file_exists("x.part"));
}

// The band feed's two bands are the run's largest allocation; without them
// the run ends as every allocation failure does.
TEST_F(Failures, NoMemoryForTheBandsEndsWithStatusFive) {
    write_bmp("p.bmp", bmp_picture(40, 50, 24, false));
    const size_t band = 16 * 40 * 3;
    char name[] = "razivavu", quiet[] = "-q", file[] = "p.bmp", side[] = "16";
    char* argv[] = {name, quiet, file, side, side, nullptr};
    EXPECT_EXIT(
        {
            FailNewSizes fail(band, band);
            std::exit(run_command(run_tool, 5, argv, "ERROR: ", EXIT_NO_MEMORY));
        },
        ::testing::ExitedWithCode(EXIT_NO_MEMORY), "ERROR: not enough memory for two bands");
}

// Signals and the disk: the real binary.
std::vector<std::string> names_ending(const std::string& ending) {
    std::vector<std::string> found;
    for (const std::string& f : tile_files())
        if (f.size() >= ending.size() &&
            f.compare(f.size() - ending.size(), ending.size(), ending) == 0)
            found.push_back(f);
    return found;
}

TEST_F(Failures, AnInterruptedRunLeavesNoPartFileAndTheNextRunCompletes) {
    write_bmp("pano.bmp", bmp_picture(512, 256, 24, false));
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t pid = fork();
        if (pid == 0) {
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            execl(RAZIVAVU_BINARY, RAZIVAVU_BINARY, "pano.bmp", "16", "16", nullptr);
            _exit(127);
        }
        ASSERT_GT(pid, 0);
        // Once tiles are being written.
        for (int k = 0; k < 20000 && names_ending(".vxt").empty(); ++k)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ASSERT_EQ(kill(pid, sig), 0);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << sig << " ended it with " << status;
        EXPECT_EQ(WTERMSIG(status), sig);
        EXPECT_TRUE(names_ending(".part").empty()) << sig;
        EXPECT_LT(names_ending(".vxt").size(), 2u * 32 * 16) << "the run ended before the signal";
    }
    const RunResult next = run_program(RAZIVAVU_BINARY, "pano.bmp 16 16");
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(names_ending(".vxt").size(), 2u * 32 * 16);
}

TEST_F(Failures, ARunThatCannotFitOnTheDiskWritesNothing) {
    ASSERT_TRUE(write_jpeg("pano.jpg", squares_jpeg(1024, 1024, 3, false, 50)));
    ASSERT_EQ(mkdir("small", 0755), 0);
    // A file system of 1 MiB of its own, in a mount namespace of its own.
    const std::string script =
        "unshare -m sh -c 'mount -t tmpfs -o size=1m tmpfs small && cp pano.jpg small/ && "
        "cd small && \"$0\" pano.jpg 64 64 < /dev/null > ../out.txt 2> ../err.txt; "
        "echo $? > ../status.txt; ls > ../left.txt' '" RAZIVAVU_BINARY "' 2> /dev/null";
    if (std::system(script.c_str()) != 0 || !file_exists("status.txt"))
        GTEST_SKIP() << "no private tmpfs can be mounted here";
    const std::string err = read_text("err.txt");
    EXPECT_EQ(std::stoi(read_text("status.txt")), EXIT_WRITE_FAILED) << err;
    EXPECT_EQ(err.rfind(full_resolution_line(16) + "ERROR: the tiles of pano.jpg need ", 0), 0u)
        << err;
    EXPECT_NE(err.find(" MB free in .; no tile written\n"), std::string::npos) << err;
    EXPECT_EQ(read_text("left.txt"), "pano.jpg\nvx.log\n");
}

TEST_F(Failures, AJpegWhoseDataEndsEarlyStopsAfterTheLastRowOfTilesWithData) {
    ASSERT_TRUE(write_jpeg("whole.jpg", squares_jpeg(64, 2048, 3, false, 90)));
    std::vector<uint8_t> bytes = read_file("whole.jpg");
    const size_t sos = find_marker(bytes, 0xDA);  // keep the headers and a few rows' worth of data
    ASSERT_GT(sos, 0u);
    bytes.resize(sos + (bytes.size() - sos) / 40);
    write_file("cut.jpg", bytes);
    const ChildRun r = run_child({"cut.jpg", "64", "64"});
    EXPECT_EQ(r.status, EXIT_LOAD_FAILED);
    EXPECT_EQ(r.err.rfind(full_resolution_line(32) +
                              "WARNING: picture cut.jpg is damaged (Premature end of JPEG file)",
                          0),
              0u)
        << r.err;
    EXPECT_NE(r.err.find("\nERROR: the data of cut.jpg ends above row "), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(" of 32 rows of tiles written, the rows below would hold filler only\n"),
              std::string::npos)
        << r.err;
    // Some rows of tiles, far from all 32, and each of them whole.
    EXPECT_GE(r.files.size(), 2u);
    EXPECT_LE(r.files.size(), 2u * 4);
    for (const auto& [file, content] : r.files) EXPECT_EQ(file.find(".part"), std::string::npos);
}

// A small real JPEG whose frame header claims 60000 x 60000: its entropy
// data ends at the end-of-image marker, not at the end of the file, and the
// run must stop after the first row of tiles rather than fill the disk.
TEST_F(Failures, AJpegWhoseDataEndsAtItsEndMarkerStopsAfterTheFirstRowOfTiles) {
    ASSERT_TRUE(write_jpeg("small.jpg", squares_jpeg(16, 16, 3, false, 90)));
    std::vector<uint8_t> bytes = read_file("small.jpg");
    const size_t sof = find_marker(bytes, 0xC0);
    ASSERT_GT(sof, 0u);
    for (size_t at : {sof + 5, sof + 7}) {  // height, then width, big-endian
        bytes[at] = 60000 >> 8;
        bytes[at + 1] = 60000 & 255;
    }
    write_file("forged.jpg", bytes);
    const ChildRun r = run_child({"-q", "forged.jpg", "64", "64"});
    if (r.status == EXIT_WRITE_FAILED && r.err.find(" MB free in ") != std::string::npos)
        GTEST_SKIP() << "the disk cannot hold the grid the header claims";
    EXPECT_EQ(r.status, EXIT_LOAD_FAILED) << r.err;
    EXPECT_NE(r.err.find("(Corrupt JPEG data: premature end of data segment)"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("\nERROR: the data of forged.jpg ends above row "), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(" 1 of 937 rows of tiles written"), std::string::npos) << r.err;
    EXPECT_EQ(r.files.size(), 2u * 937);
}

}  // namespace
