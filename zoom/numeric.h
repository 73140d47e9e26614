// Conversions from double to int used by the window and weight arithmetic.
#pragma once

#include <cstdint>

// Conversion toward zero, as a C cast does for the in-range values the
// resampler produces; saturates outside the int range and gives 0 for NaN,
// so that no conversion is undefined.
inline int trunc_int(double v) {
    if (v != v) return 0;
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (!(v < 2147483648.0)) return INT32_MAX;
    return static_cast<int>(v);
}

inline int clamp_int(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
