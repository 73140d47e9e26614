// Power-of-two rounding of picture sides.
//
// The searches walk the neighbouring pairs (2^k, 2^(k+1)) for k = 0..30 of a
// table of 32 powers. As signed 32-bit values the last entry is -2^31, so the
// last pair can never hold a value: sides above 2^30 find no pair and give -1,
// just like sides below 1.
#include "texcomp/pipeline.h"

namespace {

constexpr int32_t pow2_entry(int k) { return static_cast<int32_t>(static_cast<uint32_t>(1) << k); }

// The pair index k with 2^k < x < 2^(k+1), or -1.
int32_t find_pair(int32_t x) {
    for (int k = 0; k <= 30; ++k) {
        if (pow2_entry(k) < x && x < pow2_entry(k + 1)) return k;
    }
    return -1;
}

using Rounder = int32_t (*)(int32_t);

int32_t fit_with(Rounder round, int32_t w, int32_t h, int32_t* out_w, int32_t* out_h) {
    if (is_pow2(w) && is_pow2(h)) {
        *out_w = w;
        *out_h = h;
        return 0;
    }
    *out_w = is_pow2(w) ? w : round(w);
    *out_h = is_pow2(h) ? h : round(h);
    return 1;
}

}  // namespace

bool is_pow2(int32_t x) { return x > 0 && (x & (x - 1)) == 0; }

int32_t round_pow2_nearest(int32_t x) {
    if (is_pow2(x)) return x;
    const int32_t k = find_pair(x);
    if (k < 0) return -1;
    const int32_t lo = pow2_entry(k);
    const int32_t hi = pow2_entry(k + 1);
    // A side exactly between the two goes up: rather keep detail than lose it.
    return (x - lo < hi - x) ? lo : hi;
}

int32_t round_pow2_up(int32_t x) {
    if (is_pow2(x)) return x;
    const int32_t k = find_pair(x);
    return k < 0 ? -1 : pow2_entry(k + 1);
}

int32_t round_pow2_down(int32_t x) {
    if (is_pow2(x)) return x;
    const int32_t k = find_pair(x);
    return k < 0 ? -1 : pow2_entry(k);
}

int32_t fit_pow2_nearest(int32_t w, int32_t h, int32_t* out_w, int32_t* out_h) {
    return fit_with(round_pow2_nearest, w, h, out_w, out_h);
}

int32_t fit_pow2_up(int32_t w, int32_t h, int32_t* out_w, int32_t* out_h) {
    return fit_with(round_pow2_up, w, h, out_w, out_h);
}

int32_t fit_pow2_down(int32_t w, int32_t h, int32_t* out_w, int32_t* out_h) {
    return fit_with(round_pow2_down, w, h, out_w, out_h);
}

int32_t fit_pow2_lower(int32_t w, int32_t h, int32_t* out_w, int32_t* out_h) {
    // "Lower" always shrinks: a side that already is a power of two is halved
    // by rounding down from just below it.
    *out_w = is_pow2(w) ? round_pow2_down(w - 1) : round_pow2_down(w);
    *out_h = is_pow2(h) ? round_pow2_down(h - 1) : round_pow2_down(h);
    return 1;
}
