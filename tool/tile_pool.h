// A small pool of worker threads that does numbered pieces of work in any
// order on several threads and finishes them strictly in number order on
// the calling thread.
//
// The tool uses it for its tiles: workers write a tile's files under their
// ".part" names and collect the console text; the calling thread prints that
// text and gives the files their names tile after tile, so what the user
// sees is the serial run's, whatever the number of threads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct InOrderPool {
    int threads = 1;  // workers; 1 does everything on the calling thread
    int window = 2;   // items per worker that may run ahead of the next item
                      // to finish, so memory stays bounded
};

// Items that can be started but not yet finished at any moment; item i may
// keep its results in slot i % in_flight_limit of a ring of that size.
int64_t in_flight_limit(const InOrderPool& pool);

// Runs work(item, worker) for items 0 .. count - 1 (worker: 0 .. threads - 1,
// one item at a time per worker) and finish(item) on the calling thread in
// item order, each after its work. When finish returns false no further work
// starts; once the work in progress has ended, undo(item) runs on the calling
// thread for every later item whose work ran, in item order, and the call
// returns the item that stopped. Otherwise it returns count.
int64_t run_in_order(const InOrderPool& pool, int64_t count,
                     const std::function<void(int64_t item, int worker)>& work,
                     const std::function<bool(int64_t item)>& finish,
                     const std::function<void(int64_t item)>& undo);

// Worker count of the tool: RAZIVAVU_THREADS when set to a whole number from
// 1 to MAX_TILE_THREADS, else `fallback`. `note` receives a remark for the
// user when the variable is set but unusable, else stays empty.
constexpr int MAX_TILE_THREADS = 64;
int tile_threads(const char* variable, int fallback, std::string& note);
