// The table of 14 kernels. Settings store a kernel by its index, so the order
// of the rows is part of the settings format. The two parameterised kernels
// share one parameter block each; copies of a record keep pointing at it.
#include <cstring>

#include "zoom/kernels.h"
#include "zoom/zoom.h"

namespace {
constexpr double kSixth = 0.16666666666666666;
constexpr double kThird = 0.3333333333333333;

// The rows and the two parameter blocks they point at. Built once, by the
// first caller on any thread (a function-local static is initialised exactly
// once even when threads race for it), and never changed afterwards: callers
// change only their copies of a row.
struct FilterTable {
    MitchellParams mitchell{};
    KaiserParams kaiser{};
    ZoomFilter rows[ZOOM_FILTER_COUNT];

    FilterTable()
        // name, kernel, support, blur, truncated, interpolating, in_unit_interval, init, params
        : rows{
              {"point", kernel_point, 0.0, 1.0, 0, 1, 1, nullptr, nullptr},
              {"box", kernel_point, 0.5, 1.0, 0, 1, 1, nullptr, nullptr},
              {"triangle", kernel_triangle, 1.0, 1.0, 0, 1, 1, nullptr, nullptr},
              {"quadratic", kernel_quadratic, 1.5, 1.0, 0, 0, 1, nullptr, nullptr},
              {"cubic", kernel_cubic, 2.0, 1.0, 0, 0, 1, nullptr, nullptr},
              {"catrom", kernel_catrom, 2.0, 1.0, 0, 1, 0, nullptr, nullptr},
              {"mitchell", kernel_mitchell, 2.0, 1.0, 0, 0, 0, mitchell_init, &mitchell},
              {"gaussian", kernel_gaussian, 1.25, 1.0, 0, 0, 1, nullptr, nullptr},
              {"sinc", kernel_sinc, 4.0, 1.0, 1, 1, 0, nullptr, nullptr},
              {"bessel", kernel_bessel, 3.2383, 1.0, 1, 0, 0, nullptr, nullptr},
              {"hanning", kernel_hanning, 1.0, 1.0, 0, 1, 1, nullptr, nullptr},
              {"hamming", kernel_hamming, 1.0, 1.0, 0, 1, 1, nullptr, nullptr},
              {"blackman", kernel_blackman, 1.0, 1.0, 0, 1, 1, nullptr, nullptr},
              {"kaiser", kernel_kaiser, 1.0, 1.0, 0, 1, 1, kaiser_init, &kaiser},
          } {
        mitchell_init(kThird, kThird, &mitchell);
        kaiser_init(6.5, 0.0, &kaiser);
    }
    FilterTable(const FilterTable&) = delete;
    FilterTable& operator=(const FilterTable&) = delete;
};

const FilterTable& table() {
    static FilterTable t;
    return t;
}
}  // namespace

void filter_table_init() { table(); }

const ZoomFilter& filter_at(int index) { return table().rows[index]; }

const ZoomFilter* filter_find(const char* name) {
    const FilterTable& t = table();
    for (int i = 0; i < ZOOM_FILTER_COUNT; ++i) {
        if (std::strcmp(t.rows[i].name, name) == 0) return &t.rows[i];
    }
    return nullptr;
}

// Mitchell-Netravali cubic with parameters B and C, as the polynomial
// coefficients of its inner (|x| < 1) and outer (1 <= |x| < 2) pieces.
void mitchell_init(double b, double c, void* params) {
    MitchellParams& p = *static_cast<MitchellParams*>(params);
    p.p0 = (6.0 - 2.0 * b) * kSixth;
    p.p1 = (-18.0 + 12.0 * b + 6.0 * c) * kSixth;
    p.p2 = (12.0 - 9.0 * b - 6.0 * c) * kSixth;
    p.q0 = (8.0 * b + 24.0 * c) * kSixth;
    p.q1 = (-12.0 * b - 48.0 * c) * kSixth;
    p.q2 = (6.0 * b + 30.0 * c) * kSixth;
    p.q3 = (-b - 6.0 * c) * kSixth;
}

void kaiser_init(double alpha, double /*b*/, void* params) {
    KaiserParams& p = *static_cast<KaiserParams*>(params);
    p.alpha = alpha;
    p.inv_i0_alpha = 1.0 / bessel_i0(alpha);
}

// Power series of I0: sum of ((x/2)^2)^k / (k!)^2, stopped once the next term
// is no larger than 1e-7.
double bessel_i0(double x) {
    double q = x * x * 0.25;
    double sum = 1.0;
    double term = q;
    int k = 2;
    while (term > 1e-7) {
        sum += term;
        term *= q / (k * k);
        k += 1;
    }
    return sum;
}
