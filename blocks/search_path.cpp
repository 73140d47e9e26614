// Which version of the search's hot loops runs: the wide one wherever the
// processor has four-double vectors, unless a test or benchmark holds the
// plain one to compare against it.
#include <atomic>

#include "blocks/colour_search.h"
#include "cpu/cpu.h"

namespace {
std::atomic<bool> plain_held{false};
}

SearchPath search_path() {
    if (plain_held.load(std::memory_order_relaxed) || !cpu_has_avx2()) return SearchPath::Plain;
    return SearchPath::Wide;
}

void hold_plain_search(bool hold) { plain_held.store(hold, std::memory_order_relaxed); }
