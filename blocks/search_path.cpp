// Which version of the search's hot loops runs: the wide one wherever the
// processor has four-double vectors, unless a test or benchmark holds the
// plain one to compare against it.
#include <atomic>

#include "blocks/colour_search.h"

namespace {
std::atomic<bool> plain_held{false};
}

bool wide_search_available() {
#if defined(__GNUC__) && defined(__x86_64__)
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
#else
    return false;
#endif
}

SearchPath search_path() {
    if (plain_held.load(std::memory_order_relaxed) || !wide_search_available())
        return SearchPath::Plain;
    return SearchPath::Wide;
}

void hold_plain_search(bool hold) { plain_held.store(hold, std::memory_order_relaxed); }
