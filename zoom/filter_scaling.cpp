// Per-axis filter width, and the rule that replaces an axis filter by point
// sampling when point sampling gives the same result.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "zoom/zoom.h"

FilterScaling filter_scaling(const ZoomFilter& filter, double s) {
    FilterScaling fs;
    // Enlarging keeps the kernel at its own width; reducing stretches it by
    // 1/s so that every source pixel still contributes.
    fs.scale = std::max(1.0, 1.0 / s) * filter.blur;
    fs.support = fs.scale * filter.support;
    // Half a pixel is the least support that still reaches one sample.
    if (!(fs.support > 0.5)) fs.support = 0.5;
    fs.width = static_cast<int>(std::ceil(2.0 * fs.support));
    return fs;
}

namespace {
bool near_integer(double r) { return std::fabs(r - std::floor(r + 0.5)) < 1e-7; }
}  // namespace

const ZoomFilter* coerce_to_point(const char* axis, int coerce, const ZoomFilter* filter,
                                  FilterScaling& scaling, double s, double u) {
    if (coerce == 0) return filter;
    if (scaling.support > 0.5) {
        // A wider kernel equals point sampling only if it interpolates and
        // every output centre lands exactly on a source centre.
        if (!filter->interpolating) return filter;
        double r1 = 1.0 / scaling.scale;
        double r2 = 1.0 / (s * scaling.scale);
        double r3 = (u / s - 0.5) / scaling.scale;
        if (!near_integer(r1) || !near_integer(r2) || !near_integer(r3)) return filter;
    }
    if (std::strcmp(filter->name, "point") != 0) {
        zoom_message("coercing %sfilter=%s to point\n", axis, filter->name);
    }
    scaling.scale = 1.0;
    scaling.support = 0.5;
    scaling.width = 1;
    return filter_find("point");
}
