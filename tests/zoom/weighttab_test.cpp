// Weight tables: taps, normalisation, trimming and the reports.
#include "zoom/weighttab.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "zoom_test_support.h"

namespace {
struct Table {
    std::vector<float> room;
    WeightTable t{};
    explicit Table(int width) : room(width + 1, -99.0f) { t.weights = room.data(); }
    int taps() const { return t.i1 - t.i0; }
    float sum() const {
        float s = 0.0f;
        for (int k = 0; k < taps(); ++k) s += t.weights[k];
        return s;
    }
};

double zero_kernel(double, const void*) { return 0.0; }
double huge_kernel(double x, const void*) { return x < 0 ? 1e10 : -1e10 + 1; }
}  // namespace

TEST(WeightTable, HalvingWithTriangle) {
    ReportCapture reports;
    const ZoomFilter& tri = filter_at(2);
    FilterScaling s = filter_scaling(tri, 0.5);
    // Interior output pixel k has its centre at 2k + 1 in the source.
    for (int k = 1; k <= 2; ++k) {
        Table tab(s.width);
        make_weighttab(k, 2.0 * k + 1.0, tri, s, 8, 1, tab.t);
        EXPECT_EQ(tab.t.i0, 2 * k - 1);
        EXPECT_EQ(tab.t.i1, 2 * k + 3);
        EXPECT_EQ(tab.t.weights[0], 0.125f);
        EXPECT_EQ(tab.t.weights[1], 0.375f);
        EXPECT_EQ(tab.t.weights[2], 0.375f);
        EXPECT_EQ(tab.t.weights[3], 0.125f);
    }
    // At the left border the range starts at 0 and the taps 0.75, 0.75,
    // 0.25 are renormalised; the float sum is made exactly 1.
    Table left(s.width);
    make_weighttab(0, 1.0, tri, s, 8, 1, left.t);
    EXPECT_EQ(left.t.i0, 0);
    EXPECT_EQ(left.t.i1, 3);
    EXPECT_NEAR(left.t.weights[0], 3.0 / 7.0, 1e-7);
    EXPECT_NEAR(left.t.weights[1], 3.0 / 7.0, 1e-7);
    EXPECT_NEAR(left.t.weights[2], 1.0 / 7.0, 1e-7);
    EXPECT_EQ(left.sum(), 1.0f);
    // And the right border mirrors it.
    Table right(s.width);
    make_weighttab(3, 7.0, tri, s, 8, 1, right.t);
    EXPECT_EQ(right.t.i0, 5);
    EXPECT_EQ(right.t.i1, 8);
    EXPECT_NEAR(right.t.weights[0], 1.0 / 7.0, 1e-7);
    EXPECT_EQ(right.sum(), 1.0f);
    EXPECT_EQ(reports.all(), "");
}

TEST(WeightTable, WeightsAddUpToOne) {
    for (int f = 1; f < ZOOM_FILTER_COUNT; ++f) {
        const ZoomFilter& filter = filter_at(f);
        for (double scale : {0.3, 256.0 / 300.0, 1.7}) {
            FilterScaling s = filter_scaling(filter, scale);
            for (int i = 0; i < 12; ++i) {
                Table tab(s.width);
                make_weighttab(i, (0.5 + i) / scale, filter, s, 20, 1, tab.t);
                ASSERT_LE(tab.taps(), s.width + 1) << filter.name;
                ASSERT_GE(tab.t.i0, 0);
                ASSERT_LE(tab.t.i1, 20);
                // The remainder went to one tap; summed again it is 1 to float rounding.
                EXPECT_NEAR(tab.sum(), 1.0f, 2e-7) << filter.name << " " << scale << " " << i;
            }
        }
    }
}

TEST(WeightTable, TrimDropsZeroTapsAtBothEnds) {
    const ZoomFilter& catrom = filter_at(5);
    FilterScaling s = filter_scaling(catrom, 1.0);
    // Centre on pixel 2: catrom is 0 at -1, 1 and 2.
    Table trimmed(s.width);
    make_weighttab(0, 2.5, catrom, s, 10, 1, trimmed.t);
    EXPECT_EQ(trimmed.t.i0, 2);
    EXPECT_EQ(trimmed.t.i1, 3);
    EXPECT_EQ(trimmed.t.weights[0], 1.0f);
    Table full(s.width);
    make_weighttab(0, 2.5, catrom, s, 10, 0, full.t);
    EXPECT_EQ(full.t.i0, 1);
    EXPECT_EQ(full.t.i1, 5);
    EXPECT_EQ(full.t.weights[0], 0.0f);
    EXPECT_EQ(full.t.weights[1], 1.0f);
    EXPECT_EQ(full.t.weights[2], 0.0f);
    EXPECT_EQ(full.t.weights[3], 0.0f);
}

TEST(WeightTable, EmptyRangeAndZeroSum) {
    ReportCapture reports;
    const ZoomFilter& tri = filter_at(2);
    FilterScaling s = filter_scaling(tri, 1.0);
    Table beyond(s.width);
    make_weighttab(7, 10.0, tri, s, 4, 1, beyond.t);
    EXPECT_EQ(reports.all(), "make_weighttab: null filter at 7\n");
    // One tap of weight 1, kept on the last real source pixel.
    EXPECT_EQ(beyond.t.i0, 3);
    EXPECT_EQ(beyond.t.i1, 4);
    EXPECT_EQ(beyond.t.weights[0], 1.0f);

    // A kernel that is zero on every tap: one tap in the middle of the range.
    reports.clear();
    ZoomFilter zero = tri;
    zero.kernel = zero_kernel;
    Table mid(s.width);
    make_weighttab(0, 4.5, zero, s, 10, 1, mid.t);
    EXPECT_EQ(mid.t.i0, 5);  // (4 + 6) >> 1
    EXPECT_EQ(mid.t.i1, 6);
    EXPECT_EQ(mid.t.weights[0], 1.0f);
    EXPECT_EQ(reports.all(), "");
}

TEST(WeightTable, HugeWeightsAreReported) {
    ReportCapture reports;
    ZoomFilter odd = filter_at(2);
    odd.kernel = huge_kernel;
    FilterScaling s = filter_scaling(odd, 1.0);
    Table tab(s.width);
    make_weighttab(3, 2.0, odd, s, 10, 0, tab.t);
    EXPECT_EQ(reports.all(), "tr=1e+10 at 3\ntr=-1e+10 at 3\n");
}

TEST(WeightTable, VerboseReports) {
    ReportCapture reports;
    const ZoomFilter& tri = filter_at(2);
    FilterScaling s = filter_scaling(tri, 0.5);
    Table inner(s.width);
    make_weighttab(1, 3.0, tri, s, 8, 1, inner.t, 2);
    EXPECT_EQ(reports.all(), "    b=1 cen=3 scale=2 [1..5) sc=0.5:  \t0.125 0.375 0.375 0.125 \n");
    reports.clear();
    // Cubic at 0.8: the five float weights miss 1 and the remainder goes
    // to the tap nearest the centre, trunc(6.875 + 0.5) = 7.
    const ZoomFilter& cubic = filter_at(4);
    FilterScaling c = filter_scaling(cubic, 0.8);
    Table border(c.width);
    make_weighttab(5, 5.5 / 0.8, cubic, c, 20, 1, border.t, 2);
    const std::string& text = reports.all();
    EXPECT_EQ(text.rfind("    b=5 cen=6.875 scale=1.25 [4..9) sc=", 0), 0u) << text;
    const size_t fix = text.find(":  [7]+=");
    ASSERT_NE(fix, std::string::npos) << text;
    const size_t tab = text.find(" \t", fix);
    ASSERT_NE(tab, std::string::npos) << text;
    int values = 0;
    for (size_t i = tab + 2; i < text.size(); ++i) values += text[i] == ' ';
    EXPECT_EQ(values, 5);
    EXPECT_EQ(reports.all().back(), '\n');
}

TEST(WeightTable, RoundingCanAddOneTapBeyondTheWidth) {
    // 316 pixels reduced to 10 with the gaussian: the centre of output pixel 7
    // comes out just below 237 and both ends of its range round onto whole
    // numbers, giving 80 taps where the nominal width is 79.
    const ZoomFilter& g = filter_at(7);
    const double sx = 10.0 / 316.0;
    FilterScaling s = filter_scaling(g, sx);
    ASSERT_EQ(s.width, 79);
    const double tx = -0.5 + 0.5 * sx;
    const double ux = 0.0 - (0.0 - 0.5) * sx - tx;
    Table tab(s.width);
    make_weighttab(7, (ux + 7) / sx, g, s, 316, 1, tab.t);
    EXPECT_EQ(tab.taps(), 80);
    EXPECT_EQ(tab.sum(), 1.0f);
}
