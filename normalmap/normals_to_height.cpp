// Integration of a biased normal map back into heights: the slopes x/z and
// y/z are summed along the first column and row, then along every row and
// down every column, and the two sums are averaged. Every partial sum is kept
// in float.
#include <cstdlib>
#include <memory>
#include <new>

#include "normalmap/normalmap.h"
#include "normalmap/numeric.h"

using normalmap_detail::low_byte;

namespace {

constexpr double BYTE_TO_UNIT = 0.00784313725490196;

double unit(uint8_t b) { return b * BYTE_TO_UNIT - 1.0; }

// The previous sum plus a / z, or the previous sum where z is 0.
float step(float previous, double a, double z) {
    if (z == 0.0) return previous;
    return static_cast<float>(static_cast<double>(previous) + a / z);
}

}  // namespace

bool normals_to_height(uint8_t* pixels, int32_t width, int32_t height, float scale, double offset) {
    if (width < 1 || height < 1) return true;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::unique_ptr<float[]> a(new (std::nothrow) float[n]());
    std::unique_ptr<float[]> b(new (std::nothrow) float[n]());
    if (!a || !b) return false;
    auto at = [width](int32_t c, int32_t r) { return static_cast<size_t>(r) * width + c; };
    auto x_of = [&](size_t i) { return unit(pixels[4 * i + 2]); };
    auto y_of = [&](size_t i) { return unit(pixels[4 * i + 1]); };
    auto z_of = [&](size_t i) { return unit(pixels[4 * i + 0]); };

    for (int32_t r = 0; r < height; ++r) {
        const size_t i = at(0, r);
        a[i] = step(r > 0 ? a[at(0, r - 1)] : 0.0f, y_of(i), z_of(i));
    }
    for (int32_t c = 0; c < width; ++c) {
        const size_t i = at(c, 0);
        b[i] = step(c > 0 ? b[at(c - 1, 0)] : 0.0f, x_of(i), z_of(i));
    }
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 1; c < width; ++c) {
            const size_t i = at(c, r);
            a[i] = step(a[i - 1], x_of(i), z_of(i));
        }
    for (int32_t r = 1; r < height; ++r)
        for (int32_t c = 0; c < width; ++c) {
            const size_t i = at(c, r);
            b[i] = step(b[i - static_cast<size_t>(width)], y_of(i), z_of(i));
        }

    float lo = 0.0f, hi = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        a[i] = static_cast<float>((static_cast<double>(a[i]) + b[i]) * 0.5);
        if (i == 0 || a[i] < lo) lo = a[i];
        if (i == 0 || a[i] > hi) hi = a[i];
    }
    // A flat field has no range to spread; hi - lo is then exactly 0.
    const double f = hi == lo ? 1.0 : 1.0 / (static_cast<double>(hi) - lo);
    for (size_t i = 0; i < n; ++i) {
        const double g = ((static_cast<double>(a[i]) - lo) * f * scale + offset) * 255.5;
        uint8_t* p = pixels + 4 * i;
        p[0] = p[1] = p[2] = low_byte(g);
        p[3] = 255;
    }
    return true;
}
