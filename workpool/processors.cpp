// The processors a process may keep busy (see workpool.h). Every file the
// count depends on is read through one function, so the reading of their
// texts is the same in a test as on a machine.
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <new>
#include <thread>
#include <vector>

#include "workpool/workpool.h"

namespace {

constexpr const char* CGROUP_ROOT = "/sys/fs/cgroup";
// No limit found yet.
constexpr int64_t UNLIMITED = INT64_MAX;

// The text without the blanks and line break at its end.
std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

// A whole number of digits alone (no sign, nothing after it).
bool whole_number(const std::string& text, int64_t& out) {
    if (text.empty() || text.size() > 18) return false;
    int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

// Processors a quota of `quota` microseconds of CPU time in every `period`
// keeps busy, rounded up (1.5 processors of time keep two threads going);
// UNLIMITED for no usable quota.
int64_t quota_processors(int64_t quota, int64_t period) {
    if (quota <= 0 || period <= 0) return UNLIMITED;
    return std::max<int64_t>(1, quota / period + (quota % period != 0 ? 1 : 0));
}

// cgroup v2's cpu.max: "<quota> <period>", the quota "max" when there is
// none. Any other text sets no limit either: a file we do not understand
// must not take the threads away.
int64_t cpu_max_processors(const std::string& text) {
    const std::string t = trimmed(text);
    const size_t blank = t.find(' ');
    int64_t quota = 0, period = 0;
    if (blank == std::string::npos || !whole_number(t.substr(0, blank), quota) ||
        !whole_number(t.substr(blank + 1), period))
        return UNLIMITED;
    return quota_processors(quota, period);
}

// cgroup v1's pair of files; a quota of -1 is no limit.
int64_t cfs_processors(const std::string& quota_text, const std::string& period_text) {
    int64_t quota = 0, period = 0;
    if (!whole_number(trimmed(quota_text), quota) || !whole_number(trimmed(period_text), period))
        return UNLIMITED;
    return quota_processors(quota, period);
}

// The folders of cgroup `path` under `root`, from the deepest up to `root`
// itself: a parent's quota holds for everything below it. None for a path
// that leaves the hierarchy ("/.." as a process outside its cgroup
// namespace sees its own): the folders under `root` are not its cgroups.
std::vector<std::string> folders_up(const std::string& root, const std::string& path) {
    if (path.empty() || path[0] != '/') return {};
    std::vector<std::string> names;
    for (size_t start = 1; start <= path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        if (name == ".." || name == ".") return {};
        if (!name.empty()) names.push_back(name);
        start = end + 1;
    }
    std::vector<std::string> folders;
    for (size_t n = names.size() + 1; n-- > 0;) {
        std::string folder = root;
        for (size_t k = 0; k < n; ++k) folder += "/" + names[k];
        folders.push_back(folder);
    }
    return folders;
}

// Whether the comma-separated controller list of a cgroup v1 line names
// the "cpu" controller ("cpu,cpuacct" does, "cpuacct" and "cpuset" do not).
bool names_cpu(const std::string& controllers) {
    for (size_t start = 0; start <= controllers.size();) {
        size_t end = controllers.find(',', start);
        if (end == std::string::npos) end = controllers.size();
        if (controllers.compare(start, end - start, "cpu") == 0) return true;
        start = end + 1;
    }
    return false;
}

// The smallest quota of the cgroups named in `cgroups` (the text of
// /proc/self/cgroup, lines "<id>:<controllers>:<path>") and of the folders
// above them.
int64_t cgroup_processors(const std::string& cgroups, const ReadTextFile& read) {
    int64_t limit = UNLIMITED;
    std::string text, period;
    for (size_t start = 0; start < cgroups.size();) {
        size_t end = cgroups.find('\n', start);
        if (end == std::string::npos) end = cgroups.size();
        const std::string line = cgroups.substr(start, end - start);
        start = end + 1;
        const size_t first = line.find(':');
        const size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        if (line.compare(0, first, "0") == 0 && controllers.empty()) {
            for (const std::string& folder : folders_up(CGROUP_ROOT, path))
                if (read(folder + "/cpu.max", text))
                    limit = std::min(limit, cpu_max_processors(text));
        } else if (names_cpu(controllers)) {
            // The "cpu" folder is the controller's mount, or the link to
            // the joint one ("cpu,cpuacct") that systems make beside it.
            for (const std::string& folder : folders_up(std::string(CGROUP_ROOT) + "/cpu", path))
                if (read(folder + "/cpu.cfs_quota_us", text) &&
                    read(folder + "/cpu.cfs_period_us", period))
                    limit = std::min(limit, cfs_processors(text, period));
        }
    }
    return limit;
}

// A small file of /proc or /sys, whole.
bool read_system_file(const std::string& path, std::string& text) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    text.clear();
    char buffer[4096];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > (1 << 20)) break;  // no file of these is that long
    }
    close(fd);
    return ok;
}

// Processors in the affinity mask; 0 when it cannot be read. The mask is
// made larger until it holds every processor the kernel knows of, so a
// machine with more than CPU_SETSIZE (1024) of them is counted too.
int affinity_processors() {
    for (int cpus = 1024; cpus <= (1 << 22); cpus *= 2) {
        cpu_set_t* set = CPU_ALLOC(cpus);
        if (!set) return 0;
        const size_t size = CPU_ALLOC_SIZE(cpus);
        CPU_ZERO_S(size, set);
        const bool read = sched_getaffinity(0, size, set) == 0;
        const int error = errno;
        const int count = read ? CPU_COUNT_S(size, set) : 0;
        CPU_FREE(set);
        if (read || error != EINVAL) return count;
    }
    return 0;
}

}  // namespace

int processors_allowed(unsigned hardware, int affinity, const ReadTextFile& read) {
    int64_t n = UNLIMITED;
    if (hardware > 0) n = hardware;
    if (affinity > 0) n = std::min<int64_t>(n, affinity);
    std::string cgroups;
    if (read("/proc/self/cgroup", cgroups)) n = std::min(n, cgroup_processors(cgroups, read));
    if (n == UNLIMITED) return 1;
    return static_cast<int>(std::clamp<int64_t>(n, 1, INT_MAX));
}

int usable_processors() {
    const unsigned hardware = std::thread::hardware_concurrency();
    const int affinity = affinity_processors();
    try {
        return processors_allowed(hardware, affinity, read_system_file);
    } catch (const std::bad_alloc&) {
        // Without memory for the cgroup files' texts the quota is left out;
        // the run itself will meet the shortage soon enough.
        return processors_allowed(hardware, affinity,
                                  [](const std::string&, std::string&) { return false; });
    }
}
