// Wu's variance-cut colour quantiser.
//
// Pixels are counted in a 33x33x33 table of cells (5 bits per channel plus a
// zero border) holding the count, the channel sums and the sum of squares.
// Made cumulative, the table gives any box's totals from its eight corners.
// The box with the largest variance is cut, again and again, where the cut
// best separates its colours, until there are enough boxes or no box has any
// variance left; each box's mean colour is a palette entry.
//
// Counts and sums are exact 64-bit integers. The sum of squares is kept as a
// double but stays an exact integer (well below 2^53), so the tables do not
// depend on summation order; the fractional measures are formed in double in
// the order written below.
#include <algorithm>
#include <cassert>
#include <new>
#include <vector>

#include "palette/palette.h"

namespace {

constexpr int32_t SIDE = 33;
constexpr int32_t CELLS = SIDE * SIDE * SIDE;

inline int32_t cell(int32_t r, int32_t g, int32_t b) { return (r * SIDE + g) * SIDE + b; }

struct Moments {
    std::vector<int64_t> wt, mr, mg, mb;
    std::vector<double> m2;
    Moments() : wt(CELLS), mr(CELLS), mg(CELLS), mb(CELLS), m2(CELLS) {}
};

// (r0, r1] x (g0, g1] x (b0, b1]
struct Box {
    int32_t r0, r1, g0, g1, b0, b1;
    int32_t vol;
};

template <typename T>
T box_total(const Box& c, const std::vector<T>& m) {
    return m[cell(c.r1, c.g1, c.b1)] - m[cell(c.r1, c.g1, c.b0)] - m[cell(c.r1, c.g0, c.b1)] +
           m[cell(c.r1, c.g0, c.b0)] - m[cell(c.r0, c.g1, c.b1)] + m[cell(c.r0, c.g1, c.b0)] +
           m[cell(c.r0, c.g0, c.b1)] - m[cell(c.r0, c.g0, c.b0)];
}

struct Totals {
    int64_t w, r, g, b;
};

Totals totals(const Box& c, const Moments& m) {
    return {box_total(c, m.wt), box_total(c, m.mr), box_total(c, m.mg), box_total(c, m.mb)};
}

double squared_sum(const Totals& t) {
    const double r = static_cast<double>(t.r), g = static_cast<double>(t.g),
                 b = static_cast<double>(t.b);
    return r * r + g * g + b * b;
}

void set_volume(Box& c) { c.vol = (c.r1 - c.r0) * (c.g1 - c.g0) * (c.b1 - c.b0); }

double variance(const Box& c, const Moments& m) {
    const Totals t = totals(c, m);
    if (t.w == 0) return 0.0;
    return box_total(c, m.m2) - squared_sum(t) / static_cast<double>(t.w);
}

// The axis' low and high ends of a box.
int32_t& low_of(Box& c, int axis) { return axis == 0 ? c.r0 : (axis == 1 ? c.g0 : c.b0); }
int32_t& high_of(Box& c, int axis) { return axis == 0 ? c.r1 : (axis == 1 ? c.g1 : c.b1); }

// Best cut of `box` along `axis`: the position p in (low, high) maximising
// |lower sums|^2 / lower count + |upper sums|^2 / upper count over the
// positions that leave both parts non-empty; -1 when there is none.
int32_t best_cut(const Box& box, int axis, const Moments& m, double& best) {
    const Totals whole = totals(box, m);
    Box part = box;
    best = 0.0;
    int32_t cut = -1;
    const int32_t lo = low_of(part, axis), hi = high_of(part, axis);
    for (int32_t p = lo + 1; p < hi; ++p) {
        high_of(part, axis) = p;
        const Totals lower = totals(part, m);
        const Totals upper{whole.w - lower.w, whole.r - lower.r, whole.g - lower.g,
                           whole.b - lower.b};
        if (lower.w == 0 || upper.w == 0) continue;
        const double measure = squared_sum(lower) / static_cast<double>(lower.w) +
                               squared_sum(upper) / static_cast<double>(upper.w);
        if (measure > best) {
            best = measure;
            cut = p;
        }
    }
    return cut;
}

// Cuts `a` into itself (lower part) and `b` (upper part) along the axis
// whose best cut scores highest, ties going to red, then green; false when
// the box cannot be cut.
//
// Only red's cut is checked for none, and that is enough: a score is never
// below 0, and best_cut finds a cut exactly when its score is above 0 (the
// score starts at 0 and only a cut raises it). Green or blue win only with a
// score above red's, so above 0, and have their cut; when no axis has one,
// all three scores are 0 and the tie goes to red.
bool cut_box(Box& a, Box& b, const Moments& m) {
    double max_r, max_g, max_b;
    const int32_t cut_r = best_cut(a, 0, m, max_r);
    const int32_t cut_g = best_cut(a, 1, m, max_g);
    const int32_t cut_b = best_cut(a, 2, m, max_b);
    int axis;
    int32_t cut;
    if (max_r >= max_g && max_r >= max_b) {
        axis = 0;
        cut = cut_r;
        if (cut < 0) return false;
    } else if (max_g >= max_r && max_g >= max_b) {
        axis = 1;
        cut = cut_g;
    } else {
        axis = 2;
        cut = cut_b;
    }
    assert(cut >= 0);  // see above: the winning axis has a cut
    b = a;
    high_of(a, axis) = cut;
    low_of(b, axis) = cut;
    set_volume(a);
    set_volume(b);
    return true;
}

void accumulate(Moments& m) {
    auto sweep = [](auto& a) {
        for (int32_t r = 1; r < SIDE; ++r)
            for (int32_t g = 1; g < SIDE; ++g)
                for (int32_t b = 1; b < SIDE; ++b)
                    a[cell(r, g, b)] += a[cell(r - 1, g, b)] + a[cell(r, g - 1, b)] +
                                        a[cell(r, g, b - 1)] - a[cell(r - 1, g - 1, b)] -
                                        a[cell(r - 1, g, b - 1)] - a[cell(r, g - 1, b - 1)] +
                                        a[cell(r - 1, g - 1, b - 1)];
    };
    sweep(m.wt);
    sweep(m.mr);
    sweep(m.mg);
    sweep(m.mb);
    sweep(m.m2);
}

}  // namespace

int32_t wu_quantize(const uint8_t* rgb, int32_t width, int32_t height, PaletteRecord& palette,
                    int32_t colours, uint8_t* indices) {
    if (!rgb || !indices || width < 1 || height < 1 || colours < 1 || colours > 256)
        return PALETTE_REFUSED;
    try {
        const int64_t n = static_cast<int64_t>(width) * height;
        Moments m;
        std::vector<int32_t> pixel_cell(static_cast<size_t>(n));
        for (int64_t i = 0; i < n; ++i) {
            const int32_t r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
            const int32_t k = cell(1 + (r >> 3), 1 + (g >> 3), 1 + (b >> 3));
            m.wt[k] += 1;
            m.mr[k] += r;
            m.mg[k] += g;
            m.mb[k] += b;
            m.m2[k] += static_cast<double>(r * r + g * g + b * b);
            pixel_cell[i] = k;
        }
        accumulate(m);

        std::vector<Box> boxes(static_cast<size_t>(colours));
        std::vector<double> var(static_cast<size_t>(colours), 0.0);
        boxes[0] = Box{0, SIDE - 1, 0, SIDE - 1, 0, SIDE - 1, 0};
        set_volume(boxes[0]);
        int32_t count = 1, next = 0;
        while (count < colours) {
            if (cut_box(boxes[next], boxes[count], m)) {
                var[next] = boxes[next].vol > 1 ? variance(boxes[next], m) : 0.0;
                var[count] = boxes[count].vol > 1 ? variance(boxes[count], m) : 0.0;
                ++count;
            } else {
                var[next] = 0.0;
            }
            next = 0;
            double top = var[0];
            for (int32_t k = 1; k < count; ++k)
                if (var[k] > top) {
                    top = var[k];
                    next = k;
                }
            if (top <= 0.0) break;
        }

        std::vector<uint8_t> tag(CELLS, 0);
        palette.block_height = 1;
        palette.block_width = 1;
        palette.channels = 3;
        palette.entries = colours;
        palette.components.assign(static_cast<size_t>(colours) * 3, 0);
        for (int32_t k = 0; k < count; ++k) {
            const Box& c = boxes[k];
            for (int32_t r = c.r0 + 1; r <= c.r1; ++r)
                for (int32_t g = c.g0 + 1; g <= c.g1; ++g)
                    for (int32_t b = c.b0 + 1; b <= c.b1; ++b)
                        tag[cell(r, g, b)] = static_cast<uint8_t>(k);
            const Totals t = totals(c, m);
            if (t.w == 0) continue;  // stays (0, 0, 0)
            palette.components[3 * k] = static_cast<int32_t>(t.r / t.w);
            palette.components[3 * k + 1] = static_cast<int32_t>(t.g / t.w);
            palette.components[3 * k + 2] = static_cast<int32_t>(t.b / t.w);
        }
        for (int64_t i = 0; i < n; ++i) indices[i] = tag[pixel_cell[i]];
        return PALETTE_OK;
    } catch (const std::bad_alloc&) {
        return PALETTE_NO_MEMORY;
    }
}
