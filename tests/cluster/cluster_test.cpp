// The parts of a grid run as the array tasks of a real scheduler: the tasks'
// files, checked by razivavu-inspect --check, are those of one whole run.
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "tests/common/run_program.h"
#include "tests/imageio/test_support.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class Scheduler : public ScratchDir {
  protected:
    void SetUp() override {
        ScratchDir::SetUp();
        write_bmp("pano.bmp", bmp_picture(200, 150, 24, false));
        fs::create_directory("whole");
        fs::create_directory("parts");
        ASSERT_EQ(run_program(RAZIVAVU_BINARY, "-q -o whole pano.bmp 32 32").status, 0);
    }
    // The parts' files are complete and the whole run's; the check puts the
    // parts' manifests together into the whole run's manifest, byte for byte.
    void expect_whole_run() {
        const RunResult check = run_program(INSPECT_BINARY, "--check parts/pano");
        EXPECT_EQ(check.status, 0) << check.out;
        auto parts = folder_files("parts");
        for (auto f = parts.begin(); f != parts.end();)
            f = f->first.rfind("pano.part-", 0) == 0 ? parts.erase(f) : std::next(f);
        EXPECT_TRUE(parts == folder_files("whole"));
    }
};

TEST_F(Scheduler, ASlurmJobArrayWritesTheWholeRun) {
    // Outside the test's own folder: munged must reach its socket there.
    char pattern[] = "/tmp/razivavu-slurm-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string state = pattern;
    chmod(state.c_str(), 0711);
    struct Stopper {
        std::string state;
        ~Stopper() {
            run_program("/bin/bash", std::string(CLUSTER_SCRIPT) + " stop " + state);
            fs::remove_all(state);
        }
    } stopper{state};
    const RunResult started =
        run_program("/bin/bash", std::string(CLUSTER_SCRIPT) + " start " + state);
    if (started.status == 77) GTEST_SKIP() << started.err;
    ASSERT_EQ(started.status, 0) << started.err;
    const std::string conf = "SLURM_CONF=" + state + "/slurm.conf ";
    const RunResult job =
        run_program("sbatch",
                    "--wait --array=0-3 -o " + dir() + "/task%a.out -D " + dir() +
                        " --wrap \"'" RAZIVAVU_BINARY "' -q --part auto -o parts pano.bmp 32 32\"",
                    conf + "timeout 240 ");
    ASSERT_EQ(job.status, 0) << job.out << job.err;
    // Only the task holding the bottom row speaks of the strips in no tile.
    for (int task = 0; task < 4; ++task)
        EXPECT_EQ(read_text("task" + std::to_string(task) + ".out").find("in no tile") !=
                      std::string::npos,
                  task == 3)
            << task;
    expect_whole_run();
}

TEST_F(Scheduler, GnuParallelWritesTheWholeRun) {
    if (std::system("parallel --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "GNU parallel is not installed (make test installs it)";
    const RunResult job = run_program("parallel", "--will-cite -j 2 '" RAZIVAVU_BINARY
                                                  "' -q --resume --part {}/3 -o parts "
                                                  "pano.bmp 32 32 ::: 0 1 2");
    ASSERT_EQ(job.status, 0) << job.err;
    expect_whole_run();
}

}  // namespace
