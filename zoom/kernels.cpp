// Kernel formulas. The piecewise kernels test x against their breakpoints in
// a fixed order, so the value exactly at a breakpoint belongs to the piece on
// its right (point(-0.5) = 1, point(0.5) = 0); weight tables depend on it.
#include "zoom/kernels.h"

#include <cmath>

#include "zoom/zoom.h"

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kQuarterPi = 0.7853981633974483;
constexpr double kTwoOverPi = 0.6366197723675814;
constexpr double kSixth = 0.16666666666666666;
}  // namespace

double kernel_point(double x, const void*) { return (x >= -0.5 && x < 0.5) ? 1.0 : 0.0; }

double kernel_triangle(double x, const void*) {
    if (x < -1.0) return 0.0;
    if (x < 0.0) return 1.0 + x;
    if (x < 1.0) return 1.0 - x;
    return 0.0;
}

double kernel_quadratic(double x, const void*) {
    if (x < -1.5) return 0.0;
    if (x < -0.5) return 0.5 * ((x + 1.5) * (x + 1.5));
    if (x < 0.5) return 0.75 - x * x;
    if (x < 1.5) return 0.5 * ((x - 1.5) * (x - 1.5));
    return 0.0;
}

// Cubic B-spline: smooth, never negative, does not pass through the samples.
double kernel_cubic(double x, const void*) {
    if (x < -2.0) return 0.0;
    if (x < -1.0) {
        double t = x + 2.0;
        return t * t * t * kSixth;
    }
    if (x < 0.0) return (4.0 + x * x * (-6.0 - 3.0 * x)) * kSixth;
    if (x < 1.0) return (4.0 + x * x * (-6.0 + 3.0 * x)) * kSixth;
    if (x < 2.0) {
        double t = 2.0 - x;
        return t * t * t * kSixth;
    }
    return 0.0;
}

double kernel_catrom(double x, const void*) {
    if (x < -2.0) return 0.0;
    if (x < -1.0) return 0.5 * (4.0 + x * (8.0 + x * (5.0 + x)));
    if (x < 0.0) return 0.5 * (2.0 + x * x * (-5.0 - 3.0 * x));
    if (x < 1.0) return 0.5 * (2.0 + x * x * (-5.0 + 3.0 * x));
    if (x < 2.0) return 0.5 * (4.0 + x * (-8.0 + x * (5.0 - x)));
    return 0.0;
}

double kernel_mitchell(double x, const void* params) {
    const MitchellParams& p = *static_cast<const MitchellParams*>(params);
    if (x < -2.0) return 0.0;
    if (x < -1.0) return p.q0 - x * (p.q1 - x * (p.q2 - x * p.q3));
    if (x < 0.0) return p.p0 + x * x * (p.p1 - x * p.p2);
    if (x < 1.0) return p.p0 + x * x * (p.p1 + x * p.p2);
    if (x < 2.0) return p.q0 + x * (p.q1 + x * (p.q2 + x * p.q3));
    return 0.0;
}

double kernel_gaussian(double x, const void*) {
    return std::exp(-2.0 * x * x) * std::sqrt(kTwoOverPi);
}

double kernel_sinc(double x, const void*) {
    if (x == 0.0) return 1.0;
    return std::sin(kPi * x) / (kPi * x);
}

double kernel_bessel(double x, const void*) {
    if (x == 0.0) return kQuarterPi;
    return ::j1(kPi * x) / (2.0 * x);
}

double kernel_hanning(double x, const void*) { return 0.5 * (1.0 + std::cos(kPi * x)); }

double kernel_hamming(double x, const void*) { return 0.54 + 0.46 * std::cos(kPi * x); }

double kernel_blackman(double x, const void*) {
    return 0.42 + 0.5 * std::cos(kPi * x) + 0.08 * std::cos(kTwoPi * x);
}

// The formula is a window over [-1, 1]; a caller that widens the support on
// its copy of the record would otherwise take the square root of a negative
// number and spread NaN through the weights, so the window is zero outside.
double kernel_kaiser(double x, const void* params) {
    const KaiserParams& p = *static_cast<const KaiserParams*>(params);
    double r = 1.0 - x * x;
    if (r < 0.0) return 0.0;
    return bessel_i0(p.alpha * std::sqrt(r)) * p.inv_i0_alpha;
}
