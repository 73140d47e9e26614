// Started on one processor, as Slurm and Kubernetes start a job on the ones
// it was given, razivavu and razivavu-texture default to one worker: the
// warning about a RAZIVAVU_THREADS they cannot read names the count they use
// instead.
#include <gtest/gtest.h>
#include <sched.h>

#include "tests/commands/commands_test_support.h"

using namespace cmdtest;

namespace {

class JobProcessors : public ScratchDir {};

// The first processor of this process's affinity: taskset can always give
// a child that one.
int first_allowed_processor() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return -1;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &set)) return cpu;
    return -1;
}

TEST_F(JobProcessors, OneProcessorGivenMeansOneWorker) {
    if (std::system("command -v taskset > /dev/null 2>&1") != 0) GTEST_SKIP() << "no taskset";
    const int cpu = first_allowed_processor();
    ASSERT_GE(cpu, 0);
    write_bmp("pano.bmp", bmp_of(64, 64, smooth_pattern(64, 64)));
    const std::string note = "RAZIVAVU_THREADS=many is not a whole number from 1 to 64; using 1\n";
    const struct {
        const char* binary;
        const char* args;
        std::string warning;
    } cases[] = {
        {RAZIVAVU_BINARY, "-q pano.bmp 16 16", "WARNING: " + note},
        {TEXTURE_BINARY, "-q pano.bmp out.dds", "razivavu-texture: WARNING: " + note},
    };
    for (const auto& c : cases) {
        const RunResult r = run_program(
            c.binary, c.args, "taskset -c " + std::to_string(cpu) + " env RAZIVAVU_THREADS=many ");
        EXPECT_EQ(r.status, 0) << c.binary << ": " << r.err;
        EXPECT_EQ(r.err, c.warning) << c.binary;
    }
}

}  // namespace
