// The test suite's seeded generators. Every test that needs made-up data
// draws it from one of these with a seed of its own, so a run is the same on
// every machine and a failing case can be replayed from its seed.
//
// TestRandom (xorshift32) is the generator for new tests. TestLcg (a linear
// congruential generator) made the inputs of some pinned outputs and is kept
// for them: changing their inputs would change bytes the pins hold.
#pragma once

#include <cstdint>

struct TestRandom {
    uint32_t state;  // the seed; 0 is replaced by 1 (xorshift would stay at 0)
    uint32_t next() {
        if (state == 0) state = 1;
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int below(int n) { return int(next() % uint32_t(n)); }
    uint8_t byte() { return static_cast<uint8_t>(next() >> 24); }
};

struct TestLcg {
    uint32_t state;
    explicit TestLcg(uint32_t seed) : state(seed) {}
    // 24 bits: the low bits of the state repeat too soon to be used.
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int below(int n) { return int(next() % uint32_t(n)); }
};
