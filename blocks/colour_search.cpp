// fit_colour_endpoints: the full end-point search of a colour block.
//
// Outline: a solid block goes straight to the solid-colour table; a block of
// two colours uses them as end points; any other block alternates between
// ordering its distinct colours along an axis and cutting that ordering into
// palette groups, whose least-squares line gives the next axis, until an
// ordering repeats. This runs from the principal axis and from the axis of
// the farthest pair, the better result wins, end points outside the colour
// box are repaired by a constrained search, and the result is rounded to
// codes.

#include "blocks/colour_search.h"

#include <cstring>

namespace {
struct Start {
    SplitResult r;
    int ran_split = 0;
    Ordering saved;
};

// Moves to the next history slot and sorts along `axis` into it. When the
// ordering repeats an earlier one, the reverse tie rule may still give a
// new ordering of colours with equal projections. Returns 1 on a repeat.
int next_ordering(const ColourSet& cs, OrderHistory& ring, const double axis[3], int retry) {
    const uint8_t* previous = ring.slot[ring.h];
    history_advance(ring);
    // Sorting starts from the previous pass's ordering, which the new axis
    // mostly keeps.
    std::memcpy(ring.slot[ring.h], previous, static_cast<size_t>(cs.n));
    reorder_along_axis(cs, axis, 0, ring.slot[ring.h]);
    bool repeats = history_repeats(ring, cs.n);
    if (repeats && retry) {
        reorder_along_axis(cs, axis, 1, ring.slot[ring.h]);
        repeats = history_repeats(ring, cs.n);
    }
    return repeats ? 1 : 0;
}

// One start of up to 17 passes. Start 1 spends its first pass only on
// taking the farthest-pair axis.
void run_start(const ColourSet& cs, OrderHistory& ring, double axis[3], int s, Start& st) {
    for (int counter = 16;; --counter) {
        st.r.intervals = cs.max_colours - 1;
        if (s == 1 && counter == 16) {
            farthest_pair_axis(cs, axis);
        } else {
            best_split(cs, ring.slot[ring.h], cs.max_colours - 1, st.r);
            for (int c = 0; c < 3; ++c) axis[c] = st.r.axis[c];
            st.ran_split = 1;
        }
        const int repeats = next_ordering(cs, ring, axis, counter != 0);
        if (counter == 0 || repeats) break;
    }
    std::memcpy(st.saved, ring.slot[ring.h], static_cast<size_t>(cs.n));
}

bool outside_box(const ColourSet& cs, const SplitResult& r) {
    for (int k = 0; k < 2; ++k) {
        for (int c = 0; c < 3; ++c) {
            if (r.e[k][c] < cs.lo[c] || r.e[k][c] > cs.hi[c]) return true;
        }
    }
    return false;
}

// Up to 9 passes of the box-constrained split, starting from the ordering
// the chosen start ended with.
void repair_in_box(const ColourSet& cs, OrderHistory& ring, double axis[3], Start& st) {
    std::memcpy(ring.slot[0], st.saved, static_cast<size_t>(cs.n));
    ring.h = 0;
    ring.wrapped = 0;
    for (int counter = 8;; --counter) {
        st.r.intervals = cs.max_colours - 1;
        best_split_boxed(cs, ring.slot[ring.h], cs.max_colours - 1, st.r);
        for (int c = 0; c < 3; ++c) axis[c] = st.r.axis[c];
        const int repeats = next_ordering(cs, ring, axis, 1);
        if (counter == 0 || repeats) break;
    }
}

// The line search on a block of three or more distinct colours. Leaves the
// end points in weighted space and the palette size they were fitted for.
void search_line(const ColourSet& cs, double e[2][3], int& colour_mode) {
    OrderHistory ring;
    double axis[3];
    principal_axis(cs, axis);
    order_along_axis(cs, axis, 0, ring.slot[0]);
    ring.h = 0;
    ring.wrapped = 0;

    Start start[2];
    run_start(cs, ring, axis, 0, start[0]);
    run_start(cs, ring, axis, 1, start[1]);
    const int chosen = start[1].ran_split && !(start[0].r.score < start[1].r.score) ? 1 : 0;
    Start& st = start[chosen];
    if (outside_box(cs, st.r)) repair_in_box(cs, ring, axis, st);

    for (int k = 0; k < 2; ++k) {
        for (int c = 0; c < 3; ++c) e[k][c] = st.r.e[k][c] + cs.mean[c];
    }
    colour_mode = st.r.intervals + 1;
}
}  // namespace

void fit_colour_endpoints(BlockSamples& b) {
    if (b.count <= 0) {
        std::memset(b.endpoints, 0, sizeof(b.endpoints));
        return;
    }
    clamp_samples(b);
    if (b.quick) {
        quick_colour_fit(b);
        return;
    }
    if (b.force_four) {
        b.colour_mode = 4;
        b.max_colours = 4;
    }
    ColourSet cs;
    if (prepare_colour_set(b, cs)) {
        solid_block_fit(b, cs);
        return;
    }
    build_distinct_colours(cs);

    double e[2][3];
    int colour_mode = 2;
    if (cs.n <= 2 && (!b.force_four || cs.n == 1)) {
        // Two colours are their own best end points. (A single distinct
        // weighted colour among different samples only arises from a zero
        // weight; it has no line to search either.)
        const int second = cs.n == 2 ? 1 : 0;
        for (int c = 0; c < 3; ++c) {
            e[0][c] = cs.colours[0].u[c];
            e[1][c] = cs.colours[second].u[c];
        }
    } else {
        search_line(cs, e, colour_mode);
    }
    if (b.force_four) colour_mode = 4;

    QuantizedEndpoints best;
    try_endpoint_variants(cs, e[0], e[1], colour_mode, best);
    for (int k = 0; k < 2; ++k) {
        for (int c = 0; c < 3; ++c) b.endpoints[k][c] = best.codes[k][c];
    }
    b.colour_mode = b.force_four ? 4 : best.colours;
    for (int i = 0; i < b.count; ++i) b.indices[i] = best.index[cs.sample_colour[i]];
}
