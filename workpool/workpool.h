// workpool: the worker threads one call owns.
//
// A compression call that may use several threads makes one WorkPool and
// hands it down to the stages that cut their work into bands (the
// resampler's output rows, a level's conversion, the palette's index
// mapping, the block rows of a level). Each band writes only its own part of
// the output and computes it exactly as the one-thread loop does, so the
// bytes never depend on the thread count or on which thread ran a band.
//
// A pool serves one call: run() is not re-entrant, and a pool is used from
// one thread at a time (the one that owns it). Pools of different calls are
// independent.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class WorkPool {
  public:
    // `threads` counts the owner's own thread: threads - 1 workers are
    // started (none below 2, at most MAX_THREADS - 1). When the system
    // refuses a thread the pool goes on with the workers it has.
    static constexpr int MAX_THREADS = 64;
    explicit WorkPool(int threads);
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    // Threads that take part in run(): the workers plus the owner.
    int threads() const;

    // Runs task(i) for every i in 0 .. count - 1, on the workers and on the
    // calling thread, in any order, and returns when every item has ended.
    // When tasks throw, every item still runs and the exception of the
    // lowest item is rethrown here.
    void run(int64_t count, const std::function<void(int64_t item)>& task);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Rows [begin, end) of a band.
struct RowBand {
    int64_t begin;
    int64_t end;
};

// How many bands `rows` rows are cut into on `pool`: 1 without a pool, with
// one thread, or when the rows are fewer than twice `min_rows`; otherwise up
// to four bands per thread (so a slow band does not hold the others back),
// each of at least `min_rows` rows.
int64_t band_count(const WorkPool* pool, int64_t rows, int64_t min_rows);
// Band i of `bands` nearly equal bands of `rows` rows, in order.
RowBand band_of(int64_t rows, int64_t bands, int64_t i);
// fn(begin, end) for every band of `rows` (see band_count): on the calling
// thread alone for a single band, otherwise through pool->run.
void run_bands(WorkPool* pool, int64_t rows, int64_t min_rows,
               const std::function<void(int64_t begin, int64_t end)>& fn);

// The processors a process may keep busy: what the machine has, narrowed by
// the CPU affinity it was started with (taskset, and the cpusets Slurm and
// Kubernetes give a job) and by the CPU time its cgroups allow (a
// container's CPU limit). Thread counts default to this, so a job given one
// processor does not start one thread per processor of the machine.
//
// Reads the whole text of a file into `text`; false when it cannot.
using ReadTextFile = std::function<bool(const std::string& path, std::string& text)>;
// The smallest of `hardware` (the machine's processors), `affinity` (those
// of the affinity mask), either left out when 0 (not known), and the CPU
// quotas of the process's cgroups, rounded up: the cgroup v2 path and the
// cgroup v1 "cpu" path of /proc/self/cgroup, each with the folders above it
// under /sys/fs/cgroup ("cpu.max"; "cpu.cfs_quota_us" over
// "cpu.cfs_period_us"), every file read through `read`. A file that is
// missing or unreadable sets no limit. At least 1.
int processors_allowed(unsigned hardware, int affinity, const ReadTextFile& read);
// processors_allowed for this process, from the running system.
int usable_processors();
