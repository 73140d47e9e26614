// A small deterministic generator for the blocks tests' made-up blocks.
#pragma once

#include <cstdint>

namespace blocks_test {

// xorshift32: the same sequence on every machine for a given seed.
struct Random {
    uint32_t state;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int below(int n) { return int(next() % uint32_t(n)); }
};

}  // namespace blocks_test
