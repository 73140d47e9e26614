// The splitting tree: leaves of up to eight entries with bounding vectors,
// split at the middle of their widest dimension when full. Reduction passes
// fold small leaves into their sibling subtrees and then merge, across the
// whole tree at once, the cheapest of the leaves' closest pairs.
//
// Merge costs are weight_i x weight_j x distance / (weight_i + weight_j) with
// truncating division, and merged vectors the truncated weighted mean. They
// are computed with enough bits that large weights cannot overflow, which
// gives the same values as 32-bit arithmetic wherever that does not overflow.
#include "split_tree.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

int64_t saturating_add(int64_t a, int64_t b) { return a > INT64_MAX - b ? INT64_MAX : a + b; }

int64_t squared_distance(const int32_t* x, const int32_t* y, int32_t dims) {
    int64_t dist = 0;
    for (int32_t d = 0; d < dims; ++d) {
        const int64_t diff = x[d] - y[d];
        dist += diff * diff;
    }
    return dist;
}

struct Pair {
    int32_t leaf;
    int32_t i, j;  // positions in the leaf, i < j
    int64_t cost;
};

class TreeOps {
  public:
    explicit TreeOps(SplitTree& t) : t_(t) {}

    const int32_t* v(int32_t e) const { return &t_.vec[static_cast<size_t>(e) * t_.dims]; }
    int32_t* v(int32_t e) { return &t_.vec[static_cast<size_t>(e) * t_.dims]; }
    bool same(const int32_t* a, const int32_t* b) const {
        return std::memcmp(a, b, sizeof(int32_t) * static_cast<size_t>(t_.dims)) == 0;
    }
    int32_t* max_of(int32_t node) { return &t_.bounds[static_cast<size_t>(node) * 2 * t_.dims]; }
    int32_t* min_of(int32_t node) { return max_of(node) + t_.dims; }

    int32_t new_leaf() {
        int32_t id;
        if (!t_.free_nodes.empty()) {
            id = t_.free_nodes.back();
            t_.free_nodes.pop_back();
            t_.nodes[id] = SplitTree::Node{};
            t_.routes[id] = SplitTree::Route{};
        } else {
            id = static_cast<int32_t>(t_.nodes.size());
            t_.nodes.emplace_back();
            t_.routes.emplace_back();
            t_.bounds.resize(t_.nodes.size() * 2 * t_.dims);
        }
        return id;
    }
    void free_node(int32_t node) { t_.free_nodes.push_back(node); }

    // Puts entry e into a leaf: the first entry sets the bounds, later ones
    // widen them.
    void place(int32_t leaf, int32_t e) {
        SplitTree::Node& nd = t_.nodes[leaf];
        int32_t* mx = max_of(leaf);
        int32_t* mn = min_of(leaf);
        const int32_t* x = v(e);
        if (nd.n == 0) {
            std::memcpy(mx, x, sizeof(int32_t) * t_.dims);
            std::memcpy(mn, x, sizeof(int32_t) * t_.dims);
        } else {
            // A leaf's bounds never cross, so a value above the maximum
            // cannot be below the minimum: plain max and min, which the
            // compiler runs several dimensions at a time.
            for (int32_t d = 0; d < t_.dims; ++d) {
                mx[d] = std::max(mx[d], x[d]);
                mn[d] = std::min(mn[d], x[d]);
            }
        }
        nd.entry[nd.n++] = e;
        nd.pair_known = false;
    }

    void split_leaf(int32_t node) {
        int32_t* mx = max_of(node);
        int32_t* mn = min_of(node);
        int32_t dim = 0, range = mx[0] - mn[0];
        for (int32_t d = 1; d < t_.dims; ++d)
            if (mx[d] - mn[d] > range) {
                range = mx[d] - mn[d];
                dim = d;
            }
        SplitTree::Node& nd = t_.nodes[node];
        if (range == 0) {  // all entries alike: one entry stands for them
            const int32_t first = nd.entry[0];
            for (int32_t k = 1; k < nd.n; ++k) {
                t_.weight[first] += t_.weight[nd.entry[k]];
                t_.cost[first] = saturating_add(t_.cost[first], t_.cost[nd.entry[k]]);
            }
            t_.count -= nd.n - 1;
            nd.n = 1;
            nd.pair_known = false;
            return;
        }
        const int32_t split = (mx[dim] + mn[dim]) / 2;
        SplitTree::Node old = nd;
        const int32_t lo = new_leaf();
        const int32_t hi = new_leaf();
        for (int32_t k = 0; k < old.n; ++k)
            place(v(old.entry[k])[dim] <= split ? lo : hi, old.entry[k]);
        SplitTree::Node& s = t_.nodes[node];
        s.leaf = false;
        s.n = 0;
        s.dim = dim;
        s.split = split;
        s.lower = lo;
        s.upper = hi;
        t_.routes[node] = SplitTree::Route{dim, split, lo, hi};
    }

    // Inserts entry e into the subtree at `sub` (-1: empty) and returns the
    // subtree's root. Sets `merged` when e was folded into an equal entry.
    int32_t insert(int32_t sub, int32_t e, bool& merged) {
        merged = false;
        if (sub < 0) {
            const int32_t leaf = new_leaf();
            place(leaf, e);
            ++t_.count;
            return leaf;
        }
        const int32_t* x = v(e);
        int32_t node = sub;
        for (;;) {
            const SplitTree::Route& route = t_.routes[node];
            if (route.dim >= 0) {
                node = route.split < x[route.dim] ? route.upper : route.lower;
                continue;
            }
            SplitTree::Node& nd = t_.nodes[node];
            for (int32_t k = 0; k < nd.n; ++k) {
                const int32_t other = nd.entry[k];
                if (same(v(other), x)) {
                    t_.weight[other] += t_.weight[e];
                    t_.cost[other] = saturating_add(t_.cost[other], t_.cost[e]);
                    nd.pair_known = false;  // a weight changed
                    merged = true;
                    return sub;
                }
            }
            if (nd.n == SplitTree::LEAF_CAPACITY) {
                split_leaf(node);  // the node is now a split node or a one-entry leaf
                continue;
            }
            place(node, e);
            ++t_.count;
            return sub;
        }
    }

    // Folds leaves of fewer than four entries into their sibling subtrees;
    // returns the subtree's new root. Sets `changed` when a leaf went away.
    int32_t collapse(int32_t node, bool& changed) {
        if (t_.nodes[node].leaf) return node;
        const int32_t lower = t_.nodes[node].lower, upper = t_.nodes[node].upper;
        int32_t small = -1, keep = -1;
        if (t_.nodes[lower].leaf && t_.nodes[lower].n < 4) {
            small = lower;
            keep = upper;
        } else if (t_.nodes[upper].leaf && t_.nodes[upper].n < 4) {
            small = upper;
            keep = lower;
        }
        if (small < 0) {
            const int32_t new_lower = collapse(lower, changed);
            const int32_t new_upper = collapse(upper, changed);
            t_.nodes[node].lower = new_lower;
            t_.nodes[node].upper = new_upper;
            t_.routes[node].lower = new_lower;
            t_.routes[node].upper = new_upper;
            return node;
        }
        const SplitTree::Node moved = t_.nodes[small];
        free_node(small);
        free_node(node);
        t_.count -= moved.n;
        bool merged;
        for (int32_t k = 0; k < moved.n; ++k) keep = insert(keep, moved.entry[k], merged);
        changed = true;
        return keep;
    }

    int64_t merge_cost(int32_t a, int32_t b) const {
        const int64_t dist = squared_distance(v(a), v(b), t_.dims);
        // 64 bits hold the product for all but huge weights; the quotient is
        // the same either way, and the 64-bit division is far quicker.
        const int64_t wa = t_.weight[a], wb = t_.weight[b];
        int64_t product = 0;
        if (!__builtin_mul_overflow(wa * wb, dist, &product)) return product / (wa + wb);
        const __int128 wide = static_cast<__int128>(wa) * wb * dist;
        return static_cast<int64_t>(wide / (wa + wb));
    }

    void collect_pairs(int32_t node, std::vector<Pair>& pairs) {
        SplitTree::Node& nd = t_.nodes[node];
        if (!nd.leaf) {
            collect_pairs(nd.lower, pairs);
            collect_pairs(nd.upper, pairs);
            return;
        }
        if (nd.n < 2) return;
        if (!nd.pair_known) {
            Pair best{node, 0, 1, merge_cost(nd.entry[0], nd.entry[1])};
            for (int32_t i = 0; i < nd.n; ++i)
                for (int32_t j = i + 1; j < nd.n; ++j) {
                    if (i == 0 && j == 1) continue;
                    const int64_t c = merge_cost(nd.entry[i], nd.entry[j]);
                    if (c < best.cost) best = Pair{node, i, j, c};
                }
            nd.pair_known = true;
            nd.pair_i = best.i;
            nd.pair_j = best.j;
            nd.pair_cost = best.cost;
        }
        pairs.push_back(Pair{node, nd.pair_i, nd.pair_j, nd.pair_cost});
    }

    void merge(const Pair& p) {
        SplitTree::Node& nd = t_.nodes[p.leaf];
        const int32_t a = nd.entry[p.i], b = nd.entry[p.j];
        const int64_t wa = t_.weight[a], wb = t_.weight[b];
        int32_t* x = v(a);
        const int32_t* y = v(b);
        for (int32_t d = 0; d < t_.dims; ++d)
            x[d] = static_cast<int32_t>((y[d] * wb + wa * x[d]) / (wa + wb));
        t_.weight[a] = static_cast<int32_t>(wa + wb);
        t_.cost[a] = p.cost;
        for (int32_t k = p.j; k + 1 < nd.n; ++k) nd.entry[k] = nd.entry[k + 1];
        --nd.n;
        nd.pair_known = false;
        --t_.count;
    }

    void output(int32_t node, std::vector<int32_t>& out) const {
        const SplitTree::Node& nd = t_.nodes[node];
        if (!nd.leaf) {
            output(nd.lower, out);
            output(nd.upper, out);
            return;
        }
        for (int32_t k = 0; k < nd.n; ++k) {
            const int32_t* x = v(nd.entry[k]);
            out.insert(out.end(), x, x + t_.dims);
        }
    }

  private:
    SplitTree& t_;
};

}  // namespace

namespace {
// The byte vector of at most four dimensions as one key; false when a
// dimension is not a byte value or there are more.
bool small_key(const int32_t* x, int32_t dims, uint32_t& key) {
    if (dims > 4) return false;
    key = 0;
    for (int32_t d = 0; d < dims; ++d) {
        if (x[d] < 0 || x[d] > 255) return false;
        key |= static_cast<uint32_t>(x[d]) << (8 * d);
    }
    return true;
}
}  // namespace

void SplitTree::add(const int32_t* x) {
    // A vector the tree already holds only adds its weight to that entry
    // (its cost is 0, and before any reduction no leaf keeps a closest pair),
    // so colours seen before skip the descent. Only until the first
    // reduction: merges then change the entries' vectors.
    uint32_t key = 0;
    const bool keyed = !reduced && small_key(x, dims, key);
    if (keyed) {
        const auto found = entry_of.find(key);
        if (found != entry_of.end()) {
            weight[found->second] += 1;
            return;
        }
    }
    const int32_t e = static_cast<int32_t>(weight.size());
    vec.insert(vec.end(), x, x + dims);
    weight.push_back(1);
    cost.push_back(0);
    bool merged;
    root = TreeOps(*this).insert(root, e, merged);
    if (merged) {  // the fresh entry is the pool's last: give its room back
        vec.resize(vec.size() - dims);
        weight.pop_back();
        cost.pop_back();
    } else if (keyed) {
        entry_of.emplace(key, e);
    }
}

void SplitTree::reduce(int64_t target) {
    reduced = true;
    entry_of = {};
    TreeOps ops(*this);
    std::vector<Pair> pairs;
    while (root >= 0 && count > target) {
        bool changed = false;
        root = ops.collapse(root, changed);
        pairs.clear();
        ops.collect_pairs(root, pairs);
        if (pairs.empty()) {
            if (!changed) break;  // nothing left that a later pass could merge
            continue;
        }
        if (count <= target) break;
        // Cheapest first; equal costs keep the leaf-walk order.
        std::stable_sort(pairs.begin(), pairs.end(),
                         [](const Pair& a, const Pair& b) { return a.cost < b.cost; });
        int64_t m = std::min<int64_t>(static_cast<int64_t>(pairs.size()) / 2, count - target);
        if (m < 1) m = 1;  // a single leaf with pairs must still shrink
        for (int64_t k = 0; k < m; ++k) ops.merge(pairs[k]);
    }
}

void SplitTree::output(std::vector<int32_t>& components) const {
    components.clear();
    if (root >= 0) TreeOps(const_cast<SplitTree&>(*this)).output(root, components);
}
