// Conversions between 8-bit channel values and the 5- and 6-bit codes of a
// colour block end point.
//
// A decoder widens a code by replicating its top bits into the freed low bits,
// so code 0 stays 0 and the top code becomes 255. The nearest code of a value is
// therefore judged on the widened values: plain truncation (value >> 3) would
// turn 250 into code 31 (widened 255), although code 30 (widened 247) is closer.
#include "blocks/block_samples.h"

namespace {

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

}  // namespace

int expand5(int code) { return (code << 3) | (code >> 2); }

int expand6(int code) { return (code << 2) | (code >> 4); }

int nearest_code5(int value) { return nearest_code<expand5>(value, 31); }

int nearest_code6(int value) { return nearest_code<expand6>(value, 63); }
