// Tiles on several threads: the run with RAZIVAVU_THREADS 2 and 4 leaves the
// same files and prints the same text as the run on one thread, also when a
// tile file fails in the middle; and the in-order pool underneath.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>

#include "tests/imageio/test_support.h"
#include "tool/tile_pool.h"
#include "tool/tiletool.h"

using namespace testsupport;

namespace {

// Everything a run leaves: exit status, both streams, every file but the
// input with its bytes (folders as "<dir>").
struct RunTrace {
    int status = -1;
    std::string out, err;
    std::map<std::string, std::vector<uint8_t>> files;
};

class ParallelRun : public ScratchDir {
  protected:
    // Runs the tool in a fresh folder `where`, prepared by `setup` there.
    RunTrace run(const std::string& where, int threads, const std::string& args,
                 const std::function<void()>& setup) {
        std::filesystem::create_directory(where);
        EXPECT_EQ(chdir(where.c_str()), 0);
        write_bmp("pano.bmp", picture_);
        setup();
        const std::string command = "RAZIVAVU_THREADS=" + std::to_string(threads) + " '" +
                                    RAZIVAVU_BINARY + "' pano.bmp " + args +
                                    " < /dev/null > ../out.txt 2> ../err.txt";
        const int raw = std::system(command.c_str());
        RunTrace t;
        t.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        for (const auto& e : std::filesystem::directory_iterator(".")) {
            const std::string name = e.path().filename().string();
            if (name == "pano.bmp" || name == "vx.log") continue;
            t.files[name] =
                e.is_directory() ? std::vector<uint8_t>{'<', 'd', '>'} : read_file(name);
        }
        EXPECT_EQ(chdir(".."), 0);
        t.out = read_text("out.txt");
        t.err = read_text("err.txt");
        return t;
    }
    void expect_same_for_every_thread_count(const std::string& args,
                                            const std::function<void()>& setup, int status) {
        const RunTrace serial = run("t1", 1, args, setup);
        EXPECT_EQ(serial.status, status) << serial.err;
        for (int threads : {2, 4}) {
            SCOPED_TRACE(testing::Message() << threads << " threads");
            const RunTrace parallel = run("t" + std::to_string(threads), threads, args, setup);
            EXPECT_EQ(parallel.status, serial.status);
            EXPECT_EQ(parallel.out, serial.out);
            EXPECT_EQ(parallel.err, serial.err);
            std::vector<std::string> a, b;
            for (const auto& f : serial.files) a.push_back(f.first);
            for (const auto& f : parallel.files) b.push_back(f.first);
            EXPECT_EQ(b, a);
            EXPECT_TRUE(parallel.files == serial.files);
        }
    }

    BmpFixture picture_ = [] {
        BmpFixture s;
        s.width = 64;
        s.height = 48;
        s.pixels = rgb_pattern(64, 48);
        return s;
    }();
};

void nothing() {}

TEST_F(ParallelRun, WholeRunIsTheSerialRun) {
    // 4 x 3 tiles: top, middle and bottom rows.
    expect_same_for_every_thread_count("16 16", nothing, EXIT_DONE);
}

TEST_F(ParallelRun, TileSidesThatAreNotPowersOfTwo) {
    expect_same_for_every_thread_count("12 12", nothing, EXIT_DONE);
}

TEST_F(ParallelRun, UncreatableFileInTheMiddle) {
    // The seventh tile's 24-bit file cannot be made; tiles after it, done
    // ahead by other threads, must leave nothing.
    expect_same_for_every_thread_count(
        "16 16", [] { ASSERT_EQ(mkdir("pano21.vxt.part", 0755), 0); }, EXIT_WRITE_FAILED);
}

TEST_F(ParallelRun, FileThatCannotTakeItsNameInTheMiddle) {
    // A non-empty folder where the sixth tile's DXT1 file goes; a file of an
    // earlier run under a later tile's name stays as it was.
    expect_same_for_every_thread_count(
        "16 16",
        [] {
            ASSERT_EQ(mkdir("pano11c.vxt", 0755), 0);
            write_file("pano11c.vxt/keep", {1});
            write_file("pano32.vxt", {9, 9, 9});
        },
        EXIT_WRITE_FAILED);
}

TEST(InOrderPool, FinishesInOrderAndUndoesWhatRanAhead) {
    for (int threads : {1, 2, 3, 4}) {
        for (int64_t stop_at : {int64_t{-1}, int64_t{0}, int64_t{5}, int64_t{39}}) {
            SCOPED_TRACE(testing::Message() << threads << " threads, stop at " << stop_at);
            InOrderPool pool;
            pool.threads = threads;
            const int64_t count = 40;
            const int64_t limit = in_flight_limit(pool);
            std::vector<std::atomic<int>> worked(count);
            std::atomic<int64_t> finished{0};
            std::atomic<int64_t> farthest{0};
            std::vector<int64_t> finish_order, undone;
            auto work = [&](int64_t item, int worker) {
                EXPECT_GE(worker, 0);
                EXPECT_LT(worker, threads);
                // Never more than the limit ahead of the next item to finish.
                EXPECT_LT(item, finished.load() + limit);
                worked[item]++;
                int64_t f = farthest.load();
                while (item > f && !farthest.compare_exchange_weak(f, item)) {
                }
            };
            auto finish = [&](int64_t item) {
                EXPECT_EQ(worked[item].load(), 1);
                finish_order.push_back(item);
                finished = item + 1;
                return item != stop_at;
            };
            auto undo = [&](int64_t item) { undone.push_back(item); };
            const int64_t result = run_in_order(pool, count, work, finish, undo);
            const int64_t last = stop_at < 0 ? count - 1 : stop_at;
            EXPECT_EQ(result, stop_at < 0 ? count : stop_at);
            ASSERT_EQ(finish_order.size(), static_cast<size_t>(last + 1));
            for (int64_t i = 0; i <= last; ++i) EXPECT_EQ(finish_order[i], i);
            // Undone: exactly the later items whose work ran, in order.
            std::vector<int64_t> ran_after;
            for (int64_t i = last + 1; i < count; ++i) {
                EXPECT_LE(worked[i].load(), 1);
                if (worked[i].load()) ran_after.push_back(i);
            }
            EXPECT_EQ(undone, ran_after);
        }
    }
}

TEST(InOrderPool, ThreadCountFromTheEnvironment) {
    std::string note;
    EXPECT_EQ(tile_threads(nullptr, 2, note), 2);
    EXPECT_EQ(note, "");
    EXPECT_EQ(tile_threads("", 3, note), 3);
    EXPECT_EQ(tile_threads("1", 2, note), 1);
    EXPECT_EQ(tile_threads("64", 2, note), 64);
    EXPECT_EQ(note, "");
    for (const char* bad : {"0", "-2", "65", "2x", "two"}) {
        EXPECT_EQ(tile_threads(bad, 2, note), 2) << bad;
        EXPECT_EQ(note, std::string("RAZIVAVU_THREADS=") + bad +
                            " is not a whole number from 1 to 64; using 2");
    }
}

}  // namespace
