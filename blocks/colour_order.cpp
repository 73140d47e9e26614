// Orderings of the distinct colours along an axis, and the ring of recent
// orderings that tells the search when its passes stop making progress.
//
// The split search depends only on the ordering, not on the axis itself, so
// an ordering seen before (forwards or backwards: cutting a reversed list
// gives the same groups) means the next pass would find the same line again.

#include "blocks/colour_search.h"

// Insertion sort by projection. Moving an entry left past strictly larger
// projections keeps equal ones in table order (tie rule 0); moving it past
// equal ones as well puts later table entries first (tie rule 1). This gives
// the same list as repeatedly picking the smallest remaining projection.
void order_along_axis(const ColourSet& cs, const double axis[3], int tie_rule, uint8_t* order) {
    double proj[BLOCK_MAX_SAMPLES];
    for (int i = 0; i < cs.n; ++i) {
        const double* u = cs.colours[i].u;
        proj[i] = u[0] * axis[0] + u[1] * axis[1] + u[2] * axis[2];
    }
    for (int i = 0; i < cs.n; ++i) {
        const double p = proj[i];
        int k = i;
        if (tie_rule == 0) {
            while (k > 0 && proj[order[k - 1]] > p) {
                order[k] = order[k - 1];
                --k;
            }
        } else {
            while (k > 0 && proj[order[k - 1]] >= p) {
                order[k] = order[k - 1];
                --k;
            }
        }
        order[k] = static_cast<uint8_t>(i);
    }
}

// The same list reached from another permutation: an ordering of the previous
// pass is mostly in order already along the next axis, so few entries move.
// Projections compare with the table index as second key (rising for tie
// rule 0, falling for rule 1); that order is total, so every starting
// permutation ends in the one list above. Projections that are not numbers
// have no such order and go the plain way.
void reorder_along_axis(const ColourSet& cs, const double axis[3], int tie_rule, uint8_t* order) {
    const int n = cs.n;
    double proj[BLOCK_MAX_SAMPLES];
    for (int i = 0; i < n; ++i) {
        const double* u = cs.colours[i].u;
        proj[i] = u[0] * axis[0] + u[1] * axis[1] + u[2] * axis[2];
        if (proj[i] != proj[i]) {
            order_along_axis(cs, axis, tie_rule, order);
            return;
        }
    }
    auto before = [&](int a, int b) {
        if (proj[a] != proj[b]) return proj[a] < proj[b];
        return tie_rule == 0 ? a < b : a > b;
    };
    for (int i = 1; i < n; ++i) {
        const uint8_t entry = order[i];
        int k = i;
        while (k > 0 && before(entry, order[k - 1])) {
            order[k] = order[k - 1];
            --k;
        }
        order[k] = entry;
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
