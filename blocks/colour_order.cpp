// Orderings of the distinct colours along an axis, and the ring of recent
// orderings that tells the search when its passes stop making progress.
//
// The split search depends only on the ordering, not on the axis itself, so
// an ordering seen before (forwards or backwards: cutting a reversed list
// gives the same groups) means the next pass would find the same line again.

#include "blocks/colour_search.h"

// Each colour's place is the number of colours that come before it: those
// with a smaller projection, and those with an equal one earlier in the
// table (tie rule 0) or later (tie rule 1). That is the list repeated
// picking of the smallest remaining projection gives, and it needs no
// data-dependent branches.
void order_along_axis(const ColourSet& cs, const double axis[3], int tie_rule, uint8_t* order) {
    const int n = cs.n;
    double proj[BLOCK_MAX_SAMPLES];
    for (int i = 0; i < n; ++i) {
        const double* u = cs.colours[i].u;
        proj[i] = u[0] * axis[0] + u[1] * axis[1] + u[2] * axis[2];
    }
    for (int i = 0; i < n; ++i) {
        const double p = proj[i];
        int place = 0;
        // Before i in the table, an equal projection comes first under rule 0.
        for (int k = 0; k < i; ++k) place += tie_rule == 0 ? proj[k] <= p : proj[k] < p;
        for (int k = i + 1; k < n; ++k) place += tie_rule == 0 ? proj[k] < p : proj[k] <= p;
        order[place] = static_cast<uint8_t>(i);
    }
}

bool same_order(const uint8_t* a, const uint8_t* b, int n) {
    bool forward = true;
    for (int i = 0; i < n && forward; ++i) forward = a[i] == b[i];
    if (forward) return true;
    for (int i = 0; i < n; ++i) {
        if (a[i] != b[n - 1 - i]) return false;
    }
    return true;
}

void history_advance(OrderHistory& ring) {
    ring.h = (ring.h + 1) % HISTORY_SLOTS;
    if (ring.h == 0) ring.wrapped = 1;
}

bool history_repeats(const OrderHistory& ring, int n) {
    const uint8_t* current = ring.slot[ring.h];
    for (int k = ring.h - 1; k >= 0; --k) {
        if (same_order(current, ring.slot[k], n)) return true;
    }
    if (ring.wrapped) {
        for (int k = ring.h + 1; k < HISTORY_SLOTS; ++k) {
            if (same_order(current, ring.slot[k], n)) return true;
        }
    }
    return false;
}
