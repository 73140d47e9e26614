// Weight tables: the taps one output pixel draws from its source pixels
// along one axis.
#pragma once

#include "zoom/zoom.h"

// Taps on source indices [i0, i1), counted from the source window's first
// pixel; weights[k] belongs to index i0 + k. The caller provides `weights`
// with room for FilterScaling.width + 1 values: a tap range can be one wider
// than the nominal width when both of its ends fall on whole numbers.
struct WeightTable {
    int i0;
    int i1;
    float* weights;
};

// Fills `table` for the output pixel `b` (used in reports only) whose centre
// lies at `cen` in source coordinates relative to the window start; `len` is
// the number of source pixels on the axis and `trim` drops zero weights at
// both ends. The weights add up to 1 in float32. An empty tap range reports
// "make_weighttab: null filter at %d\n" and yields one tap of weight 1 at the
// middle of the range, kept inside [0, len - 1].
// `verbosity` is the running call's option: 2 or more reports every table.
void make_weighttab(int b, double cen, const ZoomFilter& filter, const FilterScaling& scaling,
                    int len, int trim, WeightTable& table, int verbosity = 0);
