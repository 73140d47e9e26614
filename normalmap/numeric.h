// Conversions from double to integers shared by the normal-map steps.
#pragma once

#include <cstdint>

namespace normalmap_detail {

// Truncation toward zero into 32 bits. NaN and values outside the 32-bit
// range have no defined conversion in C++; they become INT32_MIN, so that a
// following clamp takes its lower bound and an unclamped byte becomes 0.
inline int32_t trunc_int(double v) {
    if (v > -2147483649.0 && v < 2147483648.0) return static_cast<int32_t>(v);
    return INT32_MIN;
}

inline uint8_t clamp_byte(double v) {
    const int32_t t = trunc_int(v);
    return static_cast<uint8_t>(t < 0 ? 0 : t > 255 ? 255 : t);
}

// A value limited to -127..127, stored as its low eight bits.
inline uint8_t signed_byte(double v) {
    const int32_t t = trunc_int(v);
    return static_cast<uint8_t>(t < -127 ? -127 : t > 127 ? 127 : t);
}

// The low eight bits of the truncated value, without limiting.
inline uint8_t low_byte(double v) { return static_cast<uint8_t>(trunc_int(v)); }

}  // namespace normalmap_detail
