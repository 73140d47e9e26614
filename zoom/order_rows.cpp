// Row order for resampling in place. When source and destination share a
// picture, an output row may overwrite a source row that later output rows
// still need. Reductions walk outwards from the split row (first towards the
// top, then towards the bottom); enlargements walk inwards from both ends.
// The split is where an output row and the source rows it draws on cross.
#include <algorithm>
#include <cmath>

#include "zoom/passes.h"

void order_rows(double sy, double ty, double support, int ay0, int by0, int count, int feedback,
                std::vector<int>& order) {
    order.assign(count > 0 ? count : 0, 0);
    if (count <= 0) return;
    if (!feedback) {
        for (int k = 0; k < count; ++k) order[k] = k;
        return;
    }
    // The split is kept in double until it has been limited to [0, count]:
    // near sy = 1 the formulas grow without bound.
    double n;
    if (sy == 1.0) {
        n = (ay0 < by0) ? 0 : count;
    } else {
        if (sy > 1.0) {
            n = std::floor((support * sy + ty - 0.5) / (1.0 - sy) - by0 + 1.0);
        } else {
            n = std::ceil((support * sy + ty) / (1.0 - sy) - by0);
            double m =
                std::trunc((by0 - (ay0 - 0.5) * sy - ty + n - 1.0) / sy - support + 0.5) + ay0;
            if (m >= n + by0) n = n - 1.0;
        }
        if (!(n >= 0.0)) n = 0.0;
        if (n > count) n = count;
        zoom_message("split at y=%d\n", static_cast<int>(n) + by0);
    }
    const int split = static_cast<int>(n);
    int k = 0;
    if (sy >= 1.0) {
        for (int r = 0; r < split; ++r) order[k++] = r;
        for (int r = count - 1; r >= split; --r) order[k++] = r;
    } else {
        for (int r = split - 1; r >= 0; --r) order[k++] = r;
        for (int r = split; r < count; ++r) order[k++] = r;
    }
}

void WrittenRows::init(const ZoomWindow& a, const ZoomWindow& b) {
    int size = std::max(a.y1, b.y1) + 1;
    marks.assign(size > 0 ? size : 0, 0);
}

void WrittenRows::mark(int row) {
    if (row >= 0 && row < static_cast<int>(marks.size())) marks[row] = 1;
}

bool WrittenRows::written(int row) const {
    return row >= 0 && row < static_cast<int>(marks.size()) && marks[row] != 0;
}
