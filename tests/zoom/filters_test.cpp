// Filter kernels, the filter table, its lookups, and the per-axis scaling
// and coercion rules.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "zoom/kernels.h"
#include "zoom/zoom.h"
#include "zoom_test_support.h"

namespace {
constexpr double kPi = 3.141592653589793;

double k(int index, double x) {
    const ZoomFilter& f = filter_at(index);
    return f.kernel(x, f.params);
}
}  // namespace

TEST(Kernels, PiecewiseKernelsAtTheirBreakpoints) {
    // The value at a breakpoint belongs to the piece on its right.
    EXPECT_EQ(kernel_point(-0.5, nullptr), 1.0);
    EXPECT_EQ(kernel_point(0.5, nullptr), 0.0);
    EXPECT_EQ(kernel_point(0.49, nullptr), 1.0);
    EXPECT_EQ(kernel_point(-0.51, nullptr), 0.0);
    // box is the point function with a wider support.
    EXPECT_EQ(filter_at(1).kernel, filter_at(0).kernel);
    EXPECT_EQ(k(1, -0.5), 1.0);
    EXPECT_EQ(k(1, 0.5), 0.0);

    EXPECT_EQ(kernel_triangle(0, nullptr), 1.0);
    EXPECT_EQ(kernel_triangle(1, nullptr), 0.0);
    EXPECT_EQ(kernel_triangle(-1, nullptr), 0.0);
    EXPECT_EQ(kernel_triangle(0.25, nullptr), 0.75);
    EXPECT_EQ(kernel_triangle(-0.25, nullptr), 0.75);

    EXPECT_EQ(kernel_quadratic(0, nullptr), 0.75);
    EXPECT_EQ(kernel_quadratic(1.5, nullptr), 0.0);
    EXPECT_EQ(kernel_quadratic(-1.5, nullptr), 0.0);
    EXPECT_EQ(kernel_quadratic(0.5, nullptr), 0.5);
    EXPECT_EQ(kernel_quadratic(-0.5, nullptr), 0.5);

    EXPECT_DOUBLE_EQ(kernel_cubic(0, nullptr), 4.0 / 6.0);
    EXPECT_DOUBLE_EQ(kernel_cubic(1, nullptr), 1.0 / 6.0);
    EXPECT_DOUBLE_EQ(kernel_cubic(-1, nullptr), 1.0 / 6.0);
    EXPECT_EQ(kernel_cubic(2, nullptr), 0.0);
    EXPECT_EQ(kernel_cubic(-2, nullptr), 0.0);

    EXPECT_EQ(kernel_catrom(0, nullptr), 1.0);
    EXPECT_EQ(kernel_catrom(1, nullptr), 0.0);
    EXPECT_EQ(kernel_catrom(-1, nullptr), 0.0);
    EXPECT_EQ(kernel_catrom(1.5, nullptr), -0.0625);
    EXPECT_EQ(kernel_catrom(-1.5, nullptr), -0.0625);
    EXPECT_EQ(kernel_catrom(2, nullptr), 0.0);
}

TEST(Kernels, MitchellWithItsTableParameters) {
    EXPECT_NEAR(k(6, 0), 8.0 / 9.0, 1e-15);
    EXPECT_NEAR(k(6, 1), 1.0 / 18.0, 1e-15);
    EXPECT_NEAR(k(6, -1), 1.0 / 18.0, 1e-15);
    EXPECT_NEAR(k(6, 2), 0.0, 1e-15);
    EXPECT_NEAR(k(6, -2), 0.0, 1e-15);
    EXPECT_EQ(k(6, 2.01), 0.0);
    // A smooth kernel: both sides agree just off the joins.
    EXPECT_NEAR(k(6, 1 - 1e-9), k(6, 1 + 1e-9), 1e-8);
}

TEST(Kernels, SmoothKernelsAndWindows) {
    EXPECT_NEAR(k(7, 0), 0.7978845608, 1e-10);  // sqrt(2 / pi)
    EXPECT_NEAR(k(7, 1), 0.7978845608 * std::exp(-2.0), 1e-10);
    EXPECT_EQ(k(8, 0), 1.0);
    EXPECT_NEAR(k(8, 1), 0.0, 1e-15);
    EXPECT_NEAR(k(8, 0.5), 2.0 / kPi, 1e-15);
    EXPECT_EQ(k(9, 0), 0.7853981633974483);
    // J1 has its first zero at 3.8317...: bessel(x) vanishes at x = 1.2197.
    EXPECT_NEAR(k(9, 3.8317059702 / kPi), 0.0, 1e-9);
    EXPECT_EQ(k(10, 0), 1.0);
    EXPECT_NEAR(k(10, 1), 0.0, 1e-15);
    EXPECT_NEAR(k(10, 0.5), 0.5, 1e-15);
    EXPECT_EQ(k(11, 0), 1.0);
    EXPECT_NEAR(k(11, 1), 0.08, 1e-15);
    EXPECT_NEAR(k(11, -1), 0.08, 1e-15);
    EXPECT_NEAR(k(12, 0), 1.0, 1e-15);
    EXPECT_NEAR(k(12, 1), 0.0, 1e-15);
    EXPECT_NEAR(k(12, -1), 0.0, 1e-15);
    EXPECT_NEAR(k(13, 0), 1.0, 1e-12);
    EXPECT_NEAR(k(13, 1), 0.0094079698, 1e-10);
    EXPECT_NEAR(k(13, -1), 0.0094079698, 1e-10);
    // Outside its window the kaiser kernel is zero rather than NaN.
    EXPECT_EQ(k(13, 1.5), 0.0);
}

TEST(Kernels, BesselI0Series) {
    EXPECT_EQ(bessel_i0(0), 1.0);  // the loop does not run
    EXPECT_NEAR(bessel_i0(1.0), 1.2660658777520082, 1e-7);
    EXPECT_NEAR(bessel_i0(6.5), 106.29285821, 1e-6);
    EXPECT_EQ(bessel_i0(-2.0), bessel_i0(2.0));
}

TEST(FilterTable, ParametersOfMitchellAndKaiser) {
    const MitchellParams& m = *static_cast<const MitchellParams*>(filter_at(6).params);
    EXPECT_NEAR(m.p0, 0.8888888888888888, 1e-15);
    EXPECT_NEAR(m.p1, -2.0, 1e-15);
    EXPECT_NEAR(m.p2, 1.1666666666666667, 1e-15);
    EXPECT_NEAR(m.q0, 1.7777777777777777, 1e-15);
    EXPECT_NEAR(m.q1, -3.3333333333333333, 1e-15);
    EXPECT_NEAR(m.q2, 2.0, 1e-15);
    EXPECT_NEAR(m.q3, -0.3888888888888889, 1e-15);
    const KaiserParams& kp = *static_cast<const KaiserParams*>(filter_at(13).params);
    EXPECT_EQ(kp.alpha, 6.5);
    EXPECT_NEAR(kp.inv_i0_alpha, 0.0094079698, 1e-10);
    EXPECT_EQ(filter_at(6).init, &mitchell_init);
    EXPECT_EQ(filter_at(13).init, &kaiser_init);

    // B = 1, C = 0 is the cubic B-spline.
    MitchellParams bspline{};
    mitchell_init(1.0, 0.0, &bspline);
    for (double x : {-1.5, -0.7, 0.0, 0.3, 1.0, 1.9}) {
        EXPECT_NEAR(kernel_mitchell(x, &bspline), kernel_cubic(x, nullptr), 1e-15) << x;
    }
}

TEST(FilterTable, IndexOrderIsTheSettingsFormat) {
    const char* names[ZOOM_FILTER_COUNT] = {
        "point",    "box",  "triangle", "quadratic", "cubic",   "catrom",   "mitchell",
        "gaussian", "sinc", "bessel",   "hanning",   "hamming", "blackman", "kaiser"};
    const double supports[ZOOM_FILTER_COUNT] = {0,    0.5, 1,      1.5, 2, 2, 2,
                                                1.25, 4,   3.2383, 1,   1, 1, 1};
    const int interpolating[ZOOM_FILTER_COUNT] = {1, 1, 1, 0, 0, 1, 0, 0, 1, 0, 1, 1, 1, 1};
    for (int i = 0; i < ZOOM_FILTER_COUNT; ++i) {
        const ZoomFilter& f = filter_at(i);
        EXPECT_STREQ(f.name, names[i]);
        EXPECT_EQ(f.support, supports[i]) << names[i];
        EXPECT_EQ(f.blur, 1.0) << names[i];
        EXPECT_EQ(f.interpolating, interpolating[i]) << names[i];
        EXPECT_EQ(f.truncated, (i == 8 || i == 9) ? 1 : 0) << names[i];
        EXPECT_EQ(filter_find(names[i]), &f);
    }
}

TEST(FilterTable, FindIsExactAndCaseSensitive) {
    EXPECT_EQ(filter_find("Point"), nullptr);
    EXPECT_EQ(filter_find("box"), &filter_at(1));
    EXPECT_EQ(filter_find("kaiser"), &filter_at(13));
    EXPECT_EQ(filter_find("tri"), nullptr);
    EXPECT_EQ(filter_find(""), nullptr);
    EXPECT_EQ(filter_find("boxes"), nullptr);
}

TEST(FilterScaling, SupportScaleAndWidth) {
    FilterScaling p = filter_scaling(filter_at(0), 1.0);
    EXPECT_EQ(p.scale, 1.0);
    EXPECT_EQ(p.support, 0.5);  // 0 is raised to half a pixel
    EXPECT_EQ(p.width, 1);
    FilterScaling t = filter_scaling(filter_at(2), 0.5);
    EXPECT_EQ(t.scale, 2.0);
    EXPECT_EQ(t.support, 2.0);
    EXPECT_EQ(t.width, 4);
    FilterScaling c = filter_scaling(filter_at(4), 2.0);
    EXPECT_EQ(c.scale, 1.0);
    EXPECT_EQ(c.support, 2.0);
    EXPECT_EQ(c.width, 4);
    FilterScaling g = filter_scaling(filter_at(7), 0.5);
    EXPECT_EQ(g.support, 2.5);
    EXPECT_EQ(g.width, 5);
    // Reduction by 300 -> 256 with cubic.
    FilterScaling r = filter_scaling(filter_at(4), 256.0 / 300.0);
    EXPECT_DOUBLE_EQ(r.scale, 300.0 / 256.0);
    EXPECT_EQ(r.width, 5);
    // blur widens the kernel on the caller's copy.
    ZoomFilter blurred = filter_at(2);
    blurred.blur = 1.5;
    FilterScaling b = filter_scaling(blurred, 1.0);
    EXPECT_EQ(b.scale, 1.5);
    EXPECT_EQ(b.support, 1.5);
    EXPECT_EQ(b.width, 3);
}

TEST(Coercion, IdentityMappingTurnsInterpolatingKernelsIntoPoint) {
    for (const char* name :
         {"triangle", "catrom", "sinc", "hanning", "hamming", "blackman", "kaiser"}) {
        ReportCapture reports;
        const ZoomFilter* f = filter_find(name);
        FilterScaling s = filter_scaling(*f, 1.0);
        const ZoomFilter* out = coerce_to_point("x", 1, f, s, 1.0, 0.5);
        EXPECT_STREQ(out->name, "point") << name;
        EXPECT_EQ(out, filter_find("point"));
        EXPECT_EQ(s.scale, 1.0);
        EXPECT_EQ(s.support, 0.5);
        EXPECT_EQ(s.width, 1);
        EXPECT_EQ(reports.all(), std::string("coercing xfilter=") + name + " to point\n");
    }
    for (const char* name : {"quadratic", "cubic", "mitchell", "gaussian", "bessel"}) {
        ReportCapture reports;
        const ZoomFilter* f = filter_find(name);
        FilterScaling s = filter_scaling(*f, 1.0);
        const FilterScaling before = s;
        EXPECT_EQ(coerce_to_point("y", 1, f, s, 1.0, 0.5), f) << name;
        EXPECT_EQ(s.width, before.width);
        EXPECT_EQ(s.support, before.support);
        EXPECT_EQ(reports.all(), "");
    }
}

TEST(Coercion, OffsetsScalesAndTheSwitch) {
    ReportCapture reports;
    const ZoomFilter* tri = filter_find("triangle");
    // Halving never lands output centres on source centres.
    FilterScaling half = filter_scaling(*tri, 0.5);
    EXPECT_EQ(coerce_to_point("x", 1, tri, half, 0.5, 0.5), tri);
    // Same scale, but shifted by a quarter pixel.
    FilterScaling same = filter_scaling(*tri, 1.0);
    EXPECT_EQ(coerce_to_point("x", 1, tri, same, 1.0, 0.75), tri);
    // Shifted by whole pixels: still exact.
    EXPECT_EQ(coerce_to_point("x", 1, tri, same, 1.0, 3.5), filter_find("point"));
    // coerce 0 keeps even the point record's own scaling.
    const ZoomFilter* box = filter_find("box");
    FilterScaling b = filter_scaling(*box, 1.0);
    EXPECT_EQ(coerce_to_point("x", 0, box, b, 1.0, 0.5), box);
    EXPECT_EQ(reports.all(), "coercing xfilter=triangle to point\n");
}

TEST(Coercion, NarrowKernelsBecomePointWhateverTheirFlags) {
    ReportCapture reports;
    const ZoomFilter* box = filter_find("box");
    FilterScaling b = filter_scaling(*box, 1.0);
    EXPECT_EQ(b.support, 0.5);
    EXPECT_EQ(coerce_to_point("x", 1, box, b, 1.0, 0.5), filter_find("point"));
    EXPECT_EQ(reports.all(), "coercing xfilter=box to point\n");

    reports.clear();
    // The point record itself is not reported.
    const ZoomFilter* point = filter_find("point");
    FilterScaling p = filter_scaling(*point, 0.3);
    EXPECT_EQ(coerce_to_point("y", 1, point, p, 0.3, 0.1), point);
    EXPECT_EQ(p.scale, 1.0);
    EXPECT_EQ(reports.all(), "");

    // A non-interpolating kernel narrowed on the caller's copy.
    ZoomFilter narrow = filter_at(7);
    narrow.support = 0.25;
    FilterScaling n = filter_scaling(narrow, 2.0);
    EXPECT_EQ(coerce_to_point("y", 1, &narrow, n, 2.0, 0.3), filter_find("point"));
    EXPECT_EQ(reports.all(), "coercing yfilter=gaussian to point\n");
}
