// --part and --resume: the parts of a grid together write the whole run's
// files, byte for byte, whatever the input kind; a run killed outright and
// taken up again ends with the same files and leaves the whole tiles alone.
#include "tool/parts.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>

#include "tests/common/run_program.h"
#include "tests/imageio/png_tiff_support.h"
#include "tests/imageio/test_support.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class Parts : public ScratchDir {};

// 6 rows of 16 x 16 tiles with 10 rows below them, so no part count here
// divides the rows and 7 parts are more than the rows.
TEST_F(Parts, TheUnionOfThePartsIsTheWholeRun) {
    SampledPicture p;
    p.width = 53;
    p.height = 106;
    BmpFixture bmp;
    bmp.width = p.width;
    bmp.height = p.height;
    bmp.pixels = expected_pixels(p);
    write_bmp("in.bmp", bmp);
    JpegFixture jpeg = squares_jpeg(p.width, p.height, 3, false, 90);
    jpeg.subsampled = true;
    ASSERT_TRUE(write_jpeg("base.jpg", jpeg));
    jpeg.progressive = true;
    ASSERT_TRUE(write_jpeg("prog.jpg", jpeg));
    ASSERT_TRUE(write_png("plain.png", p));
    ASSERT_TRUE(write_png("laced.png", p, true));
    TiffLayout strips;
    strips.compression = COMPRESSION_LZW;
    strips.strip_rows = 5;
    ASSERT_TRUE(write_tiff("strips.tif", p, strips));
    TiffLayout tiles;
    tiles.tile_side = 32;
    ASSERT_TRUE(write_tiff("tiles.tif", p, tiles));
    const struct {
        const char* input;
        const char* options;  // every option must keep the union whole
        const char* environment;
    } cases[] = {
        {"in.bmp", "--quality high", ""},
        {"base.jpg", "--metric uniform", "RAZIVAVU_THREADS=1 "},
        {"prog.jpg", "--quality quick", ""},
        {"plain.png", "", "RAZIVAVU_THREADS=3 "},
        {"laced.png", "--quality best", ""},
        {"strips.tif", "", ""},
        {"tiles.tif", "--metric uniform", "RAZIVAVU_THREADS=1 "},
    };
    for (const auto& c : cases) {
        fs::remove_all("whole");
        fs::create_directory("whole");
        const std::string tail = std::string(c.options) + " " + c.input + " 16 16";
        ASSERT_EQ(run_program(RAZIVAVU_BINARY, "-q -o whole " + tail, c.environment).status, 0);
        // The tiles, byte for byte; each run or part adds its own manifest.
        const auto tiles = [](const std::string& dir, size_t manifests) {
            auto files = folder_files(dir);
            size_t found = 0;
            for (auto f = files.begin(); f != files.end();)
                if (f->first.find(".grid.json") != std::string::npos) {
                    ++found;
                    f = files.erase(f);
                } else {
                    ++f;
                }
            EXPECT_EQ(found, manifests) << dir;
            return files;
        };
        const auto whole = tiles("whole", 1);
        ASSERT_EQ(whole.size(), 2u * 3 * 6) << c.input;
        for (int count : {1, 2, 3, 7}) {
            fs::remove_all("parts");
            fs::create_directory("parts");
            for (int k = 0; k < count; ++k) {
                const std::string part =
                    "--part " + std::to_string(k) + "/" + std::to_string(count);
                const RunResult r =
                    run_program(RAZIVAVU_BINARY, part + " -o parts " + tail, c.environment);
                ASSERT_EQ(r.status, 0) << c.input << " " << part << r.err;
                // Only the part holding the bottom row speaks of the lost strip.
                EXPECT_EQ(r.err.find("rows at the bottom") != std::string::npos,
                          k == std::min(count, 6) - 1)
                    << c.input << " " << part;
            }
            EXPECT_TRUE(tiles("parts", std::min(count, 6)) == whole)
                << c.input << " in " << count << " parts";
        }
    }
}

TEST(PartRows, PartsFollowEachOtherAndShareTheWork) {
    for (int32_t rows : {1, 2, 3, 5, 29, 100})
        for (int32_t count : {1, 2, 3, 4, 7, 8, 31}) {
            const TileGrid grid = make_grid(512 * 3, 512 * rows, 512, 512);
            int64_t total = 0, heaviest_row = 0;
            for (int32_t r = 0; r < rows; ++r) {
                total += row_work(grid, r);
                heaviest_row = std::max(heaviest_row, row_work(grid, r));
            }
            int32_t next = 0;
            for (int32_t k = 0; k < count; ++k) {
                const RowRange part = part_rows(grid, k, count);
                EXPECT_EQ(part.first, std::min(next, rows)) << rows << " rows, part " << k;
                EXPECT_EQ(part.count(), k < rows ? std::max(1, part.count()) : 0);
                int64_t work = 0;
                for (int32_t r = part.first; r < part.end; ++r) work += row_work(grid, r);
                // Each boundary is the one nearest its share of the work.
                EXPECT_LE(work, total / count + heaviest_row) << rows << " rows, part " << k;
                next = part.end;
            }
            EXPECT_EQ(next, rows) << rows << " rows in " << count << " parts";
        }
}

// No other cut into whole rows gives a lighter largest part: the smallest
// largest part over every cut, by trying every first part.
int64_t lightest_largest_part(const TileGrid& grid, int32_t first, int32_t count) {
    if (count == 1) {
        int64_t work = 0;
        for (int32_t r = first; r < grid.rows; ++r) work += row_work(grid, r);
        return work;
    }
    int64_t best = INT64_MAX, work = 0;
    for (int32_t end = first + 1; end <= grid.rows - (count - 1); ++end) {
        work += row_work(grid, end - 1);
        best = std::min(best, std::max(work, lightest_largest_part(grid, end, count - 1)));
    }
    return best;
}

TEST(PartRows, LargestPartIsTheLightestWholeRowsAllow) {
    const struct {
        int32_t width, height, tile;
    } grids[] = {{30000, 15000, 512}, {3000, 4700, 512}, {640, 900, 64}, {5000, 2100, 256}};
    for (const auto& g : grids) {
        for (int32_t count : {2, 3, 4, 5, 8}) {
            const TileGrid grid = make_grid(g.width, g.height, g.tile, g.tile);
            if (count >= grid.rows) continue;
            int64_t largest = 0;
            for (int32_t k = 0; k < count; ++k) {
                const RowRange part = part_rows(grid, k, count);
                int64_t work = 0;
                for (int32_t r = part.first; r < part.end; ++r) work += row_work(grid, r);
                largest = std::max(largest, work);
            }
            EXPECT_EQ(largest, lightest_largest_part(grid, 0, count))
                << g.width << "x" << g.height << " in " << count << " parts";
        }
    }
}

// The environment a test hands part_from_scheduler.
std::map<std::string, std::string> scheduler;
const char* lookup(const char* name) {
    const auto found = scheduler.find(name);
    return found == scheduler.end() ? nullptr : found->second.c_str();
}

TEST(PartAuto, TakesKAndNFromTheSchedulersEnvironment) {
    const struct {
        std::map<std::string, std::string> environment;
        int32_t index;  // -1: refused
        int32_t count;
    } cases[] = {
        {{{"SLURM_ARRAY_TASK_ID", "3"},
          {"SLURM_ARRAY_TASK_MIN", "0"},
          {"SLURM_ARRAY_TASK_COUNT", "4"}},
         3,
         4},
        {{{"SLURM_ARRAY_TASK_ID", "11"},
          {"SLURM_ARRAY_TASK_MIN", "10"},
          {"SLURM_ARRAY_TASK_COUNT", "2"}},
         1,
         2},
        {{{"SLURM_ARRAY_TASK_ID", "8"},
          {"SLURM_ARRAY_TASK_MIN", "0"},
          {"SLURM_ARRAY_TASK_COUNT", "4"},
          {"SLURM_ARRAY_TASK_STEP", "4"}},
         2,
         4},
        {{{"JOB_COMPLETION_INDEX", "5"}, {"RAZIVAVU_PARTS", "6"}}, 5, 6},
        {{}, -1, 0},
        {{{"SLURM_ARRAY_TASK_ID", "4"},
          {"SLURM_ARRAY_TASK_MIN", "0"},
          {"SLURM_ARRAY_TASK_COUNT", "4"}},
         -1,
         0},
        {{{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, -1, 0},
        {{{"SLURM_ARRAY_TASK_ID", "1"},
          {"SLURM_ARRAY_TASK_MIN", "2"},
          {"SLURM_ARRAY_TASK_COUNT", "4"}},
         -1,
         0},
        {{{"JOB_COMPLETION_INDEX", "0"}}, -1, 0},
        {{{"JOB_COMPLETION_INDEX", "2"}, {"RAZIVAVU_PARTS", "two"}}, -1, 0},
        {{{"JOB_COMPLETION_INDEX", "-1"}, {"RAZIVAVU_PARTS", "2"}}, -1, 0},
    };
    for (const auto& c : cases) {
        scheduler = c.environment;
        PartRequest part;
        ASSERT_EQ(parse_part("auto", part), "");
        const std::string refused = part_from_scheduler(lookup, part);
        EXPECT_EQ(refused.empty(), c.index >= 0) << refused;
        if (c.index >= 0) {
            EXPECT_EQ(part.index * 1000 + part.count, c.index * 1000 + c.count);
        }
    }
    // The command refuses before it reads anything.
    const RunResult r =
        run_program(RAZIVAVU_BINARY, "--part auto missing.bmp",
                    "env -u SLURM_ARRAY_TASK_ID JOB_COMPLETION_INDEX=3 RAZIVAVU_PARTS=3 ");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("JOB_COMPLETION_INDEX=\"3\""), std::string::npos) << r.err;
}

// Nanoseconds of the file's last change.
int64_t changed_at(const std::string& name) {
    struct stat st;
    if (stat(name.c_str(), &st) != 0) return -1;
    return int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
}

// Runs the tool and kills it (SIGKILL) once `files` tile files have their
// names in `dir`, or lets it end when it is done sooner; true when killed.
bool run_killed(const std::vector<std::string>& args, size_t files, const std::string& dir) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>(RAZIVAVU_BINARY)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        freopen("/dev/null", "w", stdout);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int raw = 0;
    while (waitpid(pid, &raw, WNOHANG) == 0) {
        size_t named = 0;
        for (const auto& e : fs::directory_iterator(dir)) named += e.path().extension() == ".vxt";
        if (named >= files) {
            kill(pid, SIGKILL);
            waitpid(pid, &raw, 0);
            return WIFSIGNALED(raw);
        }
        usleep(500);
    }
    return false;
}

TEST_F(Parts, AKilledRunTakenUpAgainEndsWithTheFilesOfOneRun) {
    SampledPicture p;
    p.width = 256;
    p.height = 256;
    ASSERT_TRUE(write_png("in.png", p));
    fs::create_directory("whole");
    ASSERT_EQ(run_program(RAZIVAVU_BINARY, "-q --quality best -o whole in.png 32 32").status, 0);
    const auto whole = folder_files("whole");
    fs::create_directory("out");
    // Killed at the start, after a few tiles and midway, each time resumed.
    int killed = 0;
    for (size_t files : {0, 6, 40})
        killed += run_killed({"-o", "out", "--resume", "--quality", "best", "in.png", "32", "32"},
                             files, "out");
    EXPECT_GE(killed, 2);
    std::map<std::string, int64_t> before;
    for (const auto& e : fs::directory_iterator("out"))
        before[e.path().string()] = changed_at(e.path().string());
    const RunResult r = run_program(RAZIVAVU_BINARY, "--resume --quality best -o out in.png 32 32");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(folder_files("out") == whole);
    // A tile reported as kept keeps both files as they were.
    int32_t kept = 0;
    for (int32_t row = 0; row < 8; ++row)
        for (int32_t col = 0; col < 8; ++col) {
            if (r.out.find("kept " + std::to_string(col) + "x" + std::to_string(row) + "\n") ==
                std::string::npos)
                continue;
            ++kept;
            for (bool block_file : {false, true}) {
                const std::string name = tile_name("out/in.png", col, row, block_file, false);
                EXPECT_EQ(changed_at(name), before[name]) << name;
            }
        }
    EXPECT_GE(kept, 3);
}

}  // namespace
