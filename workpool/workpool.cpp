// The pool: workers sleep until the owner posts a run, then every worker and
// the owner take item numbers from one counter until none are left. The
// owner returns only after every worker has left the run, so no worker can
// still hold a run's task or counter when the next run is posted.
#include "workpool/workpool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

struct WorkPool::State {
    std::mutex m;
    std::condition_variable wake;  // workers: a run was posted, or stop
    std::condition_variable done;  // owner: the last worker left the run
    std::vector<std::thread> workers;
    bool stop = false;
    uint64_t generation = 0;  // runs posted so far
    size_t left = 0;          // workers that have left the current run

    const std::function<void(int64_t)>* task = nullptr;
    int64_t count = 0;
    std::atomic<int64_t> next{0};
    int64_t failed_item = INT64_MAX;
    std::exception_ptr failure;

    void work_items() {
        for (;;) {
            const int64_t i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= count) return;
            try {
                (*task)(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(m);
                if (i < failed_item) {
                    failed_item = i;
                    failure = std::current_exception();
                }
            }
        }
    }

    void worker_loop() {
        uint64_t seen = 0;
        std::unique_lock<std::mutex> lock(m);
        for (;;) {
            wake.wait(lock, [&] { return stop || generation != seen; });
            if (stop) return;
            seen = generation;
            lock.unlock();
            work_items();
            lock.lock();
            if (++left == workers.size()) done.notify_one();
        }
    }
};

WorkPool::WorkPool(int threads) : state_(new State()) {
    const int wanted = std::min(threads, MAX_THREADS) - 1;
    // Workers are started while holding the lock, so none of them reads the
    // worker list while it grows.
    std::lock_guard<std::mutex> lock(state_->m);
    for (int k = 0; k < wanted; ++k) {
        try {
            state_->workers.emplace_back([s = state_.get()] { s->worker_loop(); });
        } catch (const std::system_error&) {
            break;  // fewer threads give the same bytes, only later
        } catch (const std::bad_alloc&) {
            break;
        }
    }
}

WorkPool::~WorkPool() {
    {
        std::lock_guard<std::mutex> lock(state_->m);
        state_->stop = true;
    }
    state_->wake.notify_all();
    for (std::thread& t : state_->workers) t.join();
}

int WorkPool::threads() const { return static_cast<int>(state_->workers.size()) + 1; }

void WorkPool::run(int64_t count, const std::function<void(int64_t item)>& task) {
    if (count <= 0) return;
    State& s = *state_;
    {
        std::lock_guard<std::mutex> lock(s.m);
        s.task = &task;
        s.count = count;
        s.next.store(0, std::memory_order_relaxed);
        s.failed_item = INT64_MAX;
        s.failure = nullptr;
        s.left = 0;
        ++s.generation;
    }
    s.wake.notify_all();
    s.work_items();
    std::exception_ptr failure;
    {
        std::unique_lock<std::mutex> lock(s.m);
        s.done.wait(lock, [&] { return s.left == s.workers.size(); });
        s.task = nullptr;
        failure = s.failure;
        s.failure = nullptr;
    }
    if (failure) std::rethrow_exception(failure);
}

int64_t band_count(const WorkPool* pool, int64_t rows, int64_t min_rows) {
    if (min_rows < 1) min_rows = 1;
    if (!pool || pool->threads() < 2 || rows < 2 * min_rows) return 1;
    return std::min<int64_t>(rows / min_rows, static_cast<int64_t>(pool->threads()) * 4);
}

RowBand band_of(int64_t rows, int64_t bands, int64_t i) {
    return RowBand{rows * i / bands, rows * (i + 1) / bands};
}

void run_bands(WorkPool* pool, int64_t rows, int64_t min_rows,
               const std::function<void(int64_t begin, int64_t end)>& fn) {
    if (rows <= 0) return;
    const int64_t bands = band_count(pool, rows, min_rows);
    if (bands == 1) {
        fn(0, rows);
        return;
    }
    pool->run(bands, [&](int64_t i) {
        const RowBand b = band_of(rows, bands, i);
        fn(b.begin, b.end);
    });
}
