// k-d tree over byte vectors and its nearest-vector search.
//
// Nodes split at a median in the dimension of widest spread; records equal in
// that dimension never straddle a split, so identical records share a leaf in
// index order (the sorts are stable) and the lowest index among them is found
// first. The search keeps a box that bounds the node being visited, prunes
// subtrees whose box lies farther than the best distance, and stops as soon
// as the ball of the best distance lies wholly inside the current box.
#include <algorithm>
#include <climits>
#include <new>

#include "block_vectors.h"
#include "palette/palette.h"
#include "vector_distance.h"

namespace {

constexpr int32_t LEAF_RECORDS = 8;

class Builder {
  public:
    explicit Builder(KdTree& t) : t_(t) {}

    int32_t value(int32_t record, int32_t dim) const {
        return t_.vectors[static_cast<size_t>(record) * t_.dims + dim];
    }

    int32_t leaf(int32_t first, int32_t count) {
        t_.nodes.push_back(KdNode{-1, 0, -1, -1, first, count});
        return static_cast<int32_t>(t_.nodes.size()) - 1;
    }

    int32_t build(int32_t first, int32_t n) {
        if (n <= LEAF_RECORDS) return leaf(first, n);
        int32_t* rec = t_.order.data() + first;
        int32_t dim = 0, spread = -1;
        for (int32_t d = 0; d < t_.dims; ++d) {
            int32_t lo = 255, hi = 0;
            for (int32_t k = 0; k < n; ++k) {
                const int32_t x = value(rec[k], d);
                lo = std::min(lo, x);
                hi = std::max(hi, x);
            }
            if (hi - lo > spread) {
                spread = hi - lo;
                dim = d;
            }
        }
        std::stable_sort(rec, rec + n,
                         [&](int32_t a, int32_t b) { return value(a, dim) < value(b, dim); });
        int32_t k = n / 2;
        while (k >= 0 && value(rec[k], dim) == value(rec[k + 1], dim)) --k;
        if (k < 0) return leaf(first, n);
        const int32_t node = static_cast<int32_t>(t_.nodes.size());
        t_.nodes.push_back(KdNode{dim, value(rec[k], dim), -1, -1, 0, 0});
        const int32_t lower = build(first, k + 1);
        const int32_t upper = build(first + k + 1, n - k - 1);
        t_.nodes[node].lower = lower;
        t_.nodes[node].upper = upper;
        return node;
    }

  private:
    KdTree& t_;
};

// The search keeps, beside the box, the squared distance from the query to
// the box (`box_distance`) as a running figure, changed by the one dimension
// a step moves and restored on the way back, so that no step walks every
// dimension to decide whether a subtree can hold a closer record. It is
// exact at every node, so the pruning decisions are those of the full sum.
struct Search {
    Search(const KdTree& tree, const uint8_t* query) : t(tree), q(query) {}

    const KdTree& t;
    const uint8_t* q;
    int32_t best = INT32_MAX;
    int32_t nearest = -1;
    int32_t lo[MAX_VECTOR_DIMS];  // only the first t.dims are used
    int32_t hi[MAX_VECTOR_DIMS];
    int32_t box_distance = 0;

    static int32_t sq(int32_t x) { return x * x; }

    // Dimension d's share of the distance from the query to the box.
    int32_t outside(int32_t d) const {
        if (q[d] < lo[d]) return sq(lo[d] - q[d]);
        if (q[d] > hi[d]) return sq(q[d] - hi[d]);
        return 0;
    }
    void start() {
        box_distance = 0;
        for (int32_t d = 0; d < t.dims; ++d) {
            lo[d] = 0;
            hi[d] = 255;
            box_distance += outside(d);
        }
    }

    bool overlaps() const { return box_distance < best; }

    bool ball_inside() const {
        const int wide = ball_inside_wide(q, lo, hi, t.dims, best);
        if (wide >= 0) return wide == 1;
        for (int32_t d = 0; d < t.dims; ++d)
            if (!(best < sq(q[d] - lo[d]) && best < sq(q[d] - hi[d]))) return false;
        return true;
    }

    // Squared distance to record x, or a value not below `best` once the
    // partial sum reaches it (the record cannot win then), in runs of 16
    // dimensions.
    int32_t distance(const uint8_t* x) const {
        int32_t sum = 0;
        int32_t d = 0;
        for (; d + 16 <= t.dims; d += 16) {
            sum += distance16(x + d, q + d);
            if (sum >= best) return sum;
        }
        for (; d < t.dims; ++d) sum += sq(static_cast<int32_t>(x[d]) - q[d]);
        return sum;
    }

    void scan(const KdNode& leaf) {
        if (scan_records_wide(t.vectors.data(), t.order.data() + leaf.first, leaf.count, t.dims, q,
                              best, nearest))
            return;
        for (int32_t k = 0; k < leaf.count; ++k) {
            const int32_t r = t.order[leaf.first + k];
            const int32_t sum = distance(&t.vectors[static_cast<size_t>(r) * t.dims]);
            if (sum < best) {
                best = sum;
                nearest = r;
            }
        }
    }

    // Moves one face of the box (bound: lo[dim] or hi[dim]) to `value` and
    // keeps the running figures; the previous state is given back by undo.
    struct Saved {
        int32_t bound, box_distance;
    };
    Saved narrow(int32_t dim, int32_t& bound, int32_t value) {
        const Saved saved{bound, box_distance};
        box_distance -= outside(dim);
        bound = value;
        box_distance += outside(dim);
        return saved;
    }
    void undo(int32_t& bound, const Saved& saved) {
        bound = saved.bound;
        box_distance = saved.box_distance;
    }

    // True when the search is finished.
    bool visit(int32_t id) {
        const KdNode& n = t.nodes[id];
        if (n.dim < 0) {
            scan(n);
        } else {
            const int32_t dim = n.dim, s = n.split;
            if (s < q[dim]) {
                Saved saved = narrow(dim, lo[dim], s);
                if (visit(n.upper)) return true;
                undo(lo[dim], saved);
                saved = narrow(dim, hi[dim], s);
                if (overlaps() && visit(n.lower)) return true;
                undo(hi[dim], saved);
            } else {
                Saved saved = narrow(dim, hi[dim], s);
                if (visit(n.lower)) return true;
                undo(hi[dim], saved);
                saved = narrow(dim, lo[dim], s);
                if (overlaps() && visit(n.upper)) return true;
                undo(lo[dim], saved);
            }
        }
        return ball_inside();
    }
};

}  // namespace

int32_t kd_build(const uint8_t* vectors, int32_t count, int32_t dims, KdTree& tree) {
    if (count < 0 || dims < 1 || dims > MAX_VECTOR_DIMS || (count > 0 && !vectors))
        return PALETTE_REFUSED;
    try {
        tree.dims = dims;
        tree.vectors.assign(vectors, vectors + static_cast<size_t>(count) * dims);
        tree.order.resize(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) tree.order[i] = i;
        tree.nodes.clear();
        Builder(tree).build(0, count);
        return PALETTE_OK;
    } catch (const std::bad_alloc&) {
        tree = KdTree{};
        return PALETTE_NO_MEMORY;
    }
}

int32_t kd_nearest(const KdTree& tree, const uint8_t* query) {
    if (tree.nodes.empty() || tree.order.empty()) return -1;
    Search s(tree, query);
    s.start();
    s.visit(0);
    return s.nearest;
}
