// The default thread count from the processor count, the affinity mask and
// the cgroup files a process finds, fed here as texts.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "workpool/workpool.h"

namespace {

struct ProcessorCase {
    const char* what;
    unsigned hardware;
    int affinity;
    int expected;
    std::map<std::string, std::string> files;  // path -> text; others are missing
};

TEST(Processors, SmallestOfMachineAffinityAndCgroupQuotas) {
    const std::string list = "/proc/self/cgroup";
    const std::string v2 = "0::/job/step\n";
    const std::string v1 = "5:cpuacct:/\n4:cpu,cpuacct:/job\n3:cpuset:/\n";
    const std::string step = "/sys/fs/cgroup/job/step/cpu.max";
    const std::string job = "/sys/fs/cgroup/job/cpu.max";
    const std::string root = "/sys/fs/cgroup/cpu.max";
    const std::string quota = "/sys/fs/cgroup/cpu/job/cpu.cfs_quota_us";
    const std::string period = "/sys/fs/cgroup/cpu/job/cpu.cfs_period_us";
    const ProcessorCase cases[] = {
        {"nothing known at all", 0, 0, 1, {}},
        {"taskset -c 0", 8, 1, 1, {{list, v2}}},
        {"no quota", 8, 8, 8, {{list, v2}, {step, "max 100000\n"}}},
        {"two processors", 8, 8, 2, {{list, v2}, {step, "200000 100000\n"}}},
        {"a fraction rounds up", 8, 8, 3, {{list, v2}, {step, "150000 50000"}}},
        {"less than one is one", 8, 8, 1, {{list, v2}, {step, "5000 100000"}}},
        {"a parent's smaller quota", 8, 8, 3, {{list, v2}, {step, "4 1"}, {job, "3 1"}}},
        {"the root's too", 8, 8, 4, {{list, v2}, {root, "4 1"}}},
        {"in the root cgroup", 8, 8, 2, {{list, "0::/\n"}, {root, "2 1"}}},
        {"the quota alone", 0, 0, 3, {{list, v2}, {job, "300000 100000"}}},
        {"affinity below the quota", 8, 2, 2, {{list, v2}, {job, "4 1"}}},
        {"unreadable text", 8, 8, 8, {{list, v2}, {step, "lots\n"}}},
        {"no cgroup list", 8, 8, 8, {{step, "100000 100000"}}},
        {"a path out of the namespace", 8, 8, 8, {{list, "0::/../other\n"}, {root, "1 1"}}},
        {"cgroup v1", 8, 8, 3, {{list, v1}, {quota, "250000\n"}, {period, "100000"}}},
        {"cgroup v1 without quota", 8, 8, 8, {{list, v1}, {quota, "-1\n"}, {period, "100000"}}},
        {"cpuacct is not cpu", 8, 8, 8, {{list, "4:cpuacct:/job\n"}, {quota, "1"}, {period, "1"}}},
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

}  // namespace
