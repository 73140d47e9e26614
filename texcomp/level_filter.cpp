// Dispatch of the level filters and the parameters taken from CustomFilter.
#include "texcomp/level_filter.h"

#include <cmath>
#include <cstdint>
#include <new>
#include <stdexcept>

namespace {

// Truncation toward zero into int range: NaN gives 0, values beyond the range
// the nearest end, so no conversion is undefined.
int32_t truncate_to_int(float v) {
    if (std::isnan(v)) return 0;
    if (v <= -2147483648.0f) return INT32_MIN;
    if (v >= 2147483648.0f) return INT32_MAX;
    return static_cast<int32_t>(v);
}

bool is_kernel_method(int32_t method) { return (method >= 1 && method <= 15) || method == 19; }

}  // namespace

void prepare_custom_filter(LevelFilterState& state, const float custom[33]) {
    for (int32_t i = 0; i < 25; ++i) state.custom.weights[i / 5][i % 5] = custom[i];
    state.custom.divisor = custom[25];
    state.custom.bias = custom[26];
    state.unsharp_radius = custom[27];
    state.unsharp_amount = custom[28];
    state.unsharp_threshold = truncate_to_int(custom[29]);
    state.sharpen_strength = truncate_to_int(custom[30]);
    state.sharpen_threshold = truncate_to_int(custom[31]);
}

bool reserve_level_filter(LevelFilterState& state, int32_t method, int32_t width, int32_t height,
                          int32_t bytes_per_pixel) {
    if (width < 1 || height < 1) return true;
    const size_t row_len = static_cast<size_t>(width) * static_cast<size_t>(bytes_per_pixel);
    try {
        if (is_kernel_method(method)) {
            state.rows.reserve(row_len * 5);
            state.sums.reserve(row_len);
            state.table.reserve(static_cast<size_t>(KERNEL_TABLE_WEIGHT_LIMIT) * 255 + 1);
        } else if (method == 16) {
            unsharp_taps(state.unsharp_radius, state.taps);
            state.picture.reserve(row_len * static_cast<size_t>(height));
            state.line.reserve(row_len);
        } else if (method == 17) {
            state.picture.reserve(static_cast<size_t>(width) * 4 * static_cast<size_t>(height));
        }
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

bool filter_level(LevelFilterState& state, uint8_t* pixels, int32_t row_bytes,
                  int32_t bytes_per_pixel, int32_t width, int32_t height, int32_t method) {
    if (!pixels || bytes_per_pixel < 1 || bytes_per_pixel > 4) return false;
    if (width < 1 || height < 1) return true;
    if (row_bytes < static_cast<int64_t>(width) * bytes_per_pixel) return false;
    const LevelView level{pixels, row_bytes, bytes_per_pixel, width, height};
    try {
        if (method >= 1 && method <= 15) {
            FilterKernel k = *fixed_filter_kernel(method);
            filter_kernel_level(state, k, level);
        } else if (method == 19) {
            filter_kernel_level(state, state.custom, level);
        } else if (method == 16) {
            unsharp_level(state, level);
        } else if (method == 17 && bytes_per_pixel == 4) {
            luminance_sharpen_level(state, level);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
