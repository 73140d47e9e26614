// The in-order pool: one lock, a ring of done marks, two conditions.
#include "tool/tile_pool.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

struct Shared {
    std::mutex lock;
    std::condition_variable may_start;  // the window moved, or work stops
    std::condition_variable item_done;
    int64_t next = 0;        // next item to hand out
    int64_t finished = 0;    // items finished on the calling thread
    bool stop = false;       // no further work starts
    std::vector<char> done;  // by item % ring size
};

void worker_loop(Shared& sh, int64_t count, int worker,
                 const std::function<void(int64_t, int)>& work) {
    const int64_t ring = static_cast<int64_t>(sh.done.size());
    std::unique_lock<std::mutex> hold(sh.lock);
    for (;;) {
        sh.may_start.wait(
            hold, [&] { return sh.stop || sh.next >= count || sh.next < sh.finished + ring; });
        if (sh.stop || sh.next >= count) return;
        const int64_t item = sh.next++;
        hold.unlock();
        work(item, worker);
        hold.lock();
        sh.done[item % ring] = 1;
        sh.item_done.notify_all();
    }
}

int64_t run_serial(int64_t count, const std::function<void(int64_t, int)>& work,
                   const std::function<bool(int64_t)>& finish) {
    for (int64_t item = 0; item < count; ++item) {
        work(item, 0);
        if (!finish(item)) return item;
    }
    return count;
}

}  // namespace

int64_t in_flight_limit(const InOrderPool& pool) {
    if (pool.threads <= 1) return 1;
    return static_cast<int64_t>(pool.threads) * (pool.window > 1 ? pool.window : 1);
}

int64_t run_in_order(const InOrderPool& pool, int64_t count,
                     const std::function<void(int64_t, int)>& work,
                     const std::function<bool(int64_t)>& finish,
                     const std::function<void(int64_t)>& undo) {
    if (pool.threads <= 1) return run_serial(count, work, finish);
    Shared sh;
    const int64_t ring = in_flight_limit(pool);
    sh.done.assign(static_cast<size_t>(ring), 0);
    std::vector<std::thread> workers;
    for (int w = 0; w < pool.threads; ++w) {
        try {
            workers.emplace_back(worker_loop, std::ref(sh), count, w, std::cref(work));
        } catch (const std::system_error&) {
            break;  // the workers that did start share the items
        } catch (const std::bad_alloc&) {
            break;  // no memory for another thread: the same
        }
    }
    if (workers.empty()) return run_serial(count, work, finish);

    int64_t stopped_at = count;
    for (int64_t item = 0; item < count; ++item) {
        {
            std::unique_lock<std::mutex> hold(sh.lock);
            sh.item_done.wait(hold, [&] { return sh.done[item % ring] != 0; });
        }
        const bool go_on = finish(item);
        {
            std::lock_guard<std::mutex> hold(sh.lock);
            sh.done[item % ring] = 0;
            sh.finished = item + 1;
            if (!go_on) sh.stop = true;
        }
        sh.may_start.notify_all();
        if (!go_on) {
            stopped_at = item;
            break;
        }
    }
    for (std::thread& t : workers) t.join();
    // Every item handed out has ended; those after the stop are undone.
    for (int64_t item = stopped_at + 1; item < sh.next; ++item) undo(item);
    return stopped_at;
}

int tile_threads(const char* variable, int fallback, std::string& note) {
    note.clear();
    if (!variable || !*variable) return fallback;
    char* end = nullptr;
    const long n = std::strtol(variable, &end, 10);
    if (*end == '\0' && n >= 1 && n <= MAX_TILE_THREADS) return static_cast<int>(n);
    note = std::string("RAZIVAVU_THREADS=") + variable + " is not a whole number from 1 to " +
           std::to_string(MAX_TILE_THREADS) + "; using " + std::to_string(fallback);
    return fallback;
}
