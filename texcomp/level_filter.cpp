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

bool is_fixed_kernel(int32_t method) {
    return method >= static_cast<int32_t>(SharpenMethod::Negative) &&
           method <= static_cast<int32_t>(SharpenMethod::Sharpen9);
}
bool is_method(int32_t method, SharpenMethod named) {
    return method == static_cast<int32_t>(named);
}
bool is_kernel_method(int32_t method) {
    return is_fixed_kernel(method) || is_method(method, SharpenMethod::Custom);
}

}  // namespace

void prepare_custom_filter(LevelFilterState& state, const float custom[CUSTOM_FILTER_COUNT]) {
    for (int32_t i = 0; i < 25; ++i)
        state.custom.weights[i / 5][i % 5] = custom[CUSTOM_FILTER_WEIGHTS + i];
    state.custom.divisor = custom[CUSTOM_FILTER_DIVISOR];
    state.custom.bias = custom[CUSTOM_FILTER_BIAS];
    state.unsharp_radius = custom[CUSTOM_FILTER_UNSHARP_RADIUS];
    state.unsharp_amount = custom[CUSTOM_FILTER_UNSHARP_AMOUNT];
    state.unsharp_threshold = truncate_to_int(custom[CUSTOM_FILTER_UNSHARP_THRESHOLD]);
    state.sharpen_strength = truncate_to_int(custom[CUSTOM_FILTER_SHARPEN_STRENGTH]);
    state.sharpen_threshold = truncate_to_int(custom[CUSTOM_FILTER_SHARPEN_THRESHOLD]);
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
        } else if (is_method(method, SharpenMethod::UnsharpMask)) {
            unsharp_taps(state.unsharp_radius, state.taps);
            state.picture.reserve(row_len * static_cast<size_t>(height));
            state.line.reserve(row_len);
        } else if (is_method(method, SharpenMethod::LuminanceSharpen)) {
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
        if (is_fixed_kernel(method)) {
            FilterKernel k = *fixed_filter_kernel(method);
            filter_kernel_level(state, k, level);
        } else if (is_method(method, SharpenMethod::Custom)) {
            filter_kernel_level(state, state.custom, level);
        } else if (is_method(method, SharpenMethod::UnsharpMask)) {
            unsharp_level(state, level);
        } else if (is_method(method, SharpenMethod::LuminanceSharpen) && bytes_per_pixel == 4) {
            luminance_sharpen_level(state, level);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
