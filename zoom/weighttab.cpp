// Weight tables. Weights are computed in double, normalised by their sum and
// stored as float32; whatever the float32 sum then misses of 1 is added to
// the tap nearest the centre, so a constant row stays constant.
#include "zoom/weighttab.h"

#include <algorithm>

#include "zoom/numeric.h"

void make_weighttab(int b, double cen, const ZoomFilter& filter, const FilterScaling& scaling,
                    int len, int trim, WeightTable& table, int verbosity) {
    int i0 = trunc_int(cen - scaling.support + 0.5);
    int i1 = trunc_int(cen + scaling.support + 0.5);
    if (i0 < 0) i0 = 0;
    if (i1 > len) i1 = len;
    if (i0 >= i1) {
        zoom_message("make_weighttab: null filter at %d\n", b);
        zoom_abort(1);
    }
    table.i0 = i0;
    table.i1 = i1;

    double den = 0.0;
    for (int i = i0; i < i1; ++i) {
        den += filter.kernel((i + 0.5 - cen) / scaling.scale, filter.params);
    }
    double sc = (den == 0.0 || i0 >= i1) ? 1.0 : 1.0 / den;
    if (verbosity >= 2) {
        zoom_message("    b=%d cen=%g scale=%g [%d..%d) sc=%g:  ", b, cen, scaling.scale, i0, i1,
                     sc);
    }

    bool leading = trim != 0;
    int start = i0;
    int last_nonzero = i0;
    int stored = 0;
    float sum = 0.0f;
    for (int i = i0; i < i1; ++i) {
        double w = sc * filter.kernel((i + 0.5 - cen) / scaling.scale, filter.params);
        if (w < -2147483648.0 || w > 2147483647.0) zoom_message("tr=%g at %d\n", w, b);
        if (leading && w == 0.0) {
            start = i + 1;
            continue;
        }
        leading = false;
        table.weights[stored] = static_cast<float>(w);
        sum += table.weights[stored];
        ++stored;
        if (w != 0.0) last_nonzero = i;
    }

    if (sum == 0.0f) {
        // Nothing to normalise: one tap in the middle of the range, kept on a
        // real source pixel even when the range was empty.
        int mid = (i0 + i1) >> 1;
        if (len > 0) mid = std::min(std::max(mid, 0), len - 1);
        table.i0 = mid;
        table.i1 = mid + 1;
        table.weights[0] = 1.0f;
        return;
    }
    if (trim) {
        table.i0 = start;
        table.i1 = last_nonzero + 1;
    }
    if (sum != 1.0f) {
        int k = trunc_int(cen + 0.5);
        k = std::min(std::max(k, table.i0), table.i1 - 1);
        table.weights[k - table.i0] += 1.0f - sum;
        if (verbosity >= 2) zoom_message("[%d]+=%g ", k, static_cast<double>(1.0f - sum));
    }
    if (verbosity >= 2) {
        zoom_message("\t");
        for (int i = table.i0; i < table.i1; ++i) {
            zoom_message("%g ", static_cast<double>(table.weights[i - table.i0]));
        }
        zoom_message("\n");
    }
}
