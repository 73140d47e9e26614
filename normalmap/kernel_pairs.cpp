// The derivative kernel pairs by kernel code. Elements are listed in the
// order their products are summed, which fixes the rounding of every sample.
#include <vector>

#include "normalmap/normalmap.h"

namespace {

using Elements = std::vector<KernelElement>;

ConvolutionKernel kernel_of(const Elements& e) {
    return ConvolutionKernel(e.data(), static_cast<int32_t>(e.size()));
}

KernelPair pair_of(const Elements& x, const Elements& y, bool normalised) {
    KernelPair p{kernel_of(x), kernel_of(y)};
    if (normalised) {
        normalise_kernel(p.x);
        normalise_kernel(p.y);
    }
    return p;
}

KernelPair central_differences() {
    return pair_of({{-1, 0, -0.5f}, {1, 0, 0.5f}}, {{0, 1, 0.5f}, {0, -1, -0.5f}}, false);
}

KernelPair sobel() {
    return pair_of({{-1, 1, -1.0f},
                    {1, 1, 1.0f},
                    {-1, 0, -2.0f},
                    {1, 0, 2.0f},
                    {-1, -1, -1.0f},
                    {1, -1, 1.0f}},
                   {{-1, 1, 1.0f},
                    {0, 1, 2.0f},
                    {1, 1, 1.0f},
                    {-1, -1, -1.0f},
                    {0, -1, -2.0f},
                    {1, -1, -1.0f}},
                   true);
}

KernelPair plain_3x3() {
    const float w = 0.16666667f;
    return pair_of({{-1, 1, -w}, {1, 1, w}, {-1, 0, -w}, {1, 0, w}, {-1, -1, -w}, {1, -1, w}},
                   {{-1, 1, w}, {0, 1, w}, {1, 1, w}, {-1, -1, -w}, {0, -1, -w}, {1, -1, -w}},
                   false);
}

// 5x5: the x kernel row by row (dy = 2, -2, 1, -1, 0), the y kernel column by
// column (dx = 2, -2, 1, -1, 0); the weights of an outer row or column are
// smaller than those of the inner ones.
KernelPair five_by_five() {
    const float outer[4] = {0.0625f, 0.1f, 0.1f, 0.0625f};  // by |offset| 2, 1, 1, 2
    const float inner[4] = {0.1f, 0.35714287f, 0.35714287f, 0.1f};
    const float centre_x[4] = {0.125f, 0.5f, 0.5f, 0.125f};
    const float centre_y[4] = {0.25f, 0.5f, 0.5f, 0.25f};
    const int32_t lines[5] = {2, -2, 1, -1, 0};
    Elements x, y;
    for (int32_t line : lines) {
        const float* w = line == 0 ? centre_x : (line == 2 || line == -2) ? outer : inner;
        const int32_t dx[4] = {-2, -1, 1, 2};
        for (int i = 0; i < 4; ++i) x.push_back({dx[i], line, dx[i] < 0 ? -w[i] : w[i]});
    }
    for (int32_t line : lines) {
        const float* w = line == 0 ? centre_y : (line == 2 || line == -2) ? outer : inner;
        const int32_t dy[4] = {2, 1, -1, -2};
        for (int i = 0; i < 4; ++i) y.push_back({line, dy[i], dy[i] < 0 ? -w[i] : w[i]});
    }
    return pair_of(x, y, true);
}

int32_t sign(int32_t v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }
int32_t magnitude(int32_t v) { return v < 0 ? -v : v; }

// N x N: every offset of the square, rows outer, zero weights included; the
// weight falls off linearly with the offset's distance in steps.
KernelPair square_rule(int32_t n) {
    const int32_t h = (n - 1) / 2;
    Elements x, y;
    for (int32_t dy = -h; dy <= h; ++dy)
        for (int32_t dx = -h; dx <= h; ++dx) {
            const int32_t fall = n - magnitude(dx) - magnitude(dy);
            x.push_back({dx, dy, static_cast<float>(sign(dx) * fall)});
            y.push_back({dx, dy, static_cast<float>(sign(dy) * fall)});
        }
    return pair_of(x, y, true);
}

}  // namespace

KernelPair make_kernel_pair(int32_t kernel_code) {
    switch (kernel_code) {
        case NORMALMAP_KERNEL_2X1:
            return central_differences();
        case NORMALMAP_KERNEL_5X5:
            return five_by_five();
        case NORMALMAP_KERNEL_SOBEL:
            return sobel();
        case NORMALMAP_KERNEL_7X7:
            return square_rule(7);
        case NORMALMAP_KERNEL_9X9:
            return square_rule(9);
        default:
            return plain_3x3();
    }
}
