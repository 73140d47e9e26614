// The default thread count from the processor count, the affinity mask and
// the cgroup files a process finds, fed here as texts.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>

#include "workpool/workpool.h"

namespace {

struct ProcessorCase {
    const char* what;
    unsigned hardware;
    int affinity;
    std::map<std::string, std::string> files;  // path -> text; others are missing
    int expected;
};

TEST(Processors, SmallestOfMachineAffinityAndCgroupQuotas) {
    const std::string v2 = "0::/job/step\n";
    const std::string v1 = "5:cpuacct:/\n4:cpu,cpuacct:/job\n3:cpuset:/\n";
    const std::string v2_step = "/sys/fs/cgroup/job/step/cpu.max";
    const std::string v2_job = "/sys/fs/cgroup/job/cpu.max";
    const std::string v1_quota = "/sys/fs/cgroup/cpu/job/cpu.cfs_quota_us";
    const std::string v1_period = "/sys/fs/cgroup/cpu/job/cpu.cfs_period_us";
    const ProcessorCase cases[] = {
        {"nothing but the machine", 8, 0, {}, 8},
        {"nothing known at all", 0, 0, {}, 1},
        {"taskset -c 0", 8, 1, {{"/proc/self/cgroup", v2}}, 1},
        {"no quota", 8, 8, {{"/proc/self/cgroup", v2}, {v2_step, "max 100000\n"}}, 8},
        {"two processors", 8, 8, {{"/proc/self/cgroup", v2}, {v2_step, "200000 100000\n"}}, 2},
        {"a fraction rounds up", 8, 8, {{"/proc/self/cgroup", v2}, {v2_step, "150000 50000"}}, 3},
        {"less than one is one", 8, 8, {{"/proc/self/cgroup", v2}, {v2_step, "5000 100000"}}, 1},
        {"a parent's smaller quota",
         8, 8, {{"/proc/self/cgroup", v2}, {v2_step, "400000 100000"}, {v2_job, "300000 100000"}},
         3},
        {"only a parent has one", 8, 8, {{"/proc/self/cgroup", v2}, {v2_job, "200000 100000"}}, 2},
        {"the root's too", 8, 8, {{"/proc/self/cgroup", v2}, {"/sys/fs/cgroup/cpu.max", "4 1"}}, 4},
        {"the quota alone", 0, 0, {{"/proc/self/cgroup", v2}, {v2_job, "300000 100000"}}, 3},
        {"affinity below the quota", 8, 2, {{"/proc/self/cgroup", v2}, {v2_job, "4 1"}}, 2},
        {"unreadable text", 8, 8, {{"/proc/self/cgroup", v2}, {v2_step, "lots\n"}}, 8},
        {"no cgroup list", 8, 8, {{v2_step, "100000 100000"}}, 8},
        {"a path out of the namespace",
         8, 8, {{"/proc/self/cgroup", "0::/../other\n"}, {"/sys/fs/cgroup/cpu.max", "1 1"}}, 8},
        {"cgroup v1", 8, 8, {{"/proc/self/cgroup", v1}, {v1_quota, "250000\n"}, {v1_period, "100000"}},
         3},
        {"cgroup v1 without quota",
         8, 8, {{"/proc/self/cgroup", v1}, {v1_quota, "-1\n"}, {v1_period, "100000\n"}}, 8},
        {"cgroup v1 without period", 8, 8, {{"/proc/self/cgroup", v1}, {v1_quota, "100000"}}, 8},
        {"cpuacct is not cpu",
         8, 8,
         {{"/proc/self/cgroup", "4:cpuacct:/job\n"}, {v1_quota, "100000"}, {v1_period, "100000"}},
         8},
    };
    for (const ProcessorCase& c : cases) {
        const auto read = [&](const std::string& path, std::string& text) {
            const auto found = c.files.find(path);
            if (found == c.files.end()) return false;
            text = found->second;
            return true;
        };
        EXPECT_EQ(processors_allowed(c.hardware, c.affinity, read), c.expected) << c.what;
    }
}

// The running process: its count is one of those the machine allows.
TEST(Processors, RunningProcessCountsAtLeastOne) {
    const int n = usable_processors();
    EXPECT_GE(n, 1);
    const unsigned hardware = std::thread::hardware_concurrency();
    if (hardware > 0) {
        EXPECT_LE(n, static_cast<int>(hardware));
    }
}

}  // namespace
