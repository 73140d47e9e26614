// Conversions between 8-bit channel values and the 5- and 6-bit codes of a
// colour block end point.
//
// A decoder widens a code by replicating its top bits into the freed low bits,
// so code 0 stays 0 and the top code becomes 255. The nearest code of a value is
// therefore judged on the widened values: plain truncation (value >> 3) would
// turn 250 into code 31 (widened 255), although code 30 (widened 247) is closer.
#include <cstdint>

#include "blocks/block_samples.h"

namespace {

int expand5_fn(int code) { return expand5(code); }
int expand6_fn(int code) { return expand6(code); }

// Smallest |expand(k) - value| over codes 0..top; ties go to the smaller code
// because a later code replaces the best only when strictly closer.
template <int (*Expand)(int)>
int nearest_code(int value, int top) {
    int best = 0;
    int best_distance = Expand(0) > value ? Expand(0) - value : value - Expand(0);
    for (int k = 1; k <= top; ++k) {
        const int e = Expand(k);
        const int distance = e > value ? e - value : value - e;
        if (distance < best_distance) {
            best_distance = distance;
            best = k;
        }
    }
    return best;
}

// The searches round many values in 0..255, so those answers are looked up;
// the table is filled by the same search on first use.
struct NearestCodeTable {
    uint8_t code5[256];
    uint8_t code6[256];
    NearestCodeTable() {
        for (int v = 0; v < 256; ++v) {
            code5[v] = uint8_t(nearest_code<expand5_fn>(v, 31));
            code6[v] = uint8_t(nearest_code<expand6_fn>(v, 63));
        }
    }
};

const NearestCodeTable& nearest_table() {
    static const NearestCodeTable table;
    return table;
}

}  // namespace

int nearest_code5(int value) {
    if (value >= 0 && value < 256) return nearest_table().code5[value];
    return nearest_code<expand5_fn>(value, 31);
}

int nearest_code6(int value) {
    if (value >= 0 && value < 256) return nearest_table().code6[value];
    return nearest_code<expand6_fn>(value, 63);
}
