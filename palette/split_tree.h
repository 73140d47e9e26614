// Internal: the splitting tree that buckets training vectors while a
// codebook is built, and its reduction towards a target size.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

struct SplitTree {
    static constexpr int32_t LEAF_CAPACITY = 8;

    struct Node {
        bool leaf = true;
        int32_t dim = 0, split = 0;      // split node
        int32_t lower = -1, upper = -1;  // split node: children
        int32_t n = 0;                   // leaf: entry count
        int32_t entry[LEAF_CAPACITY] = {};
        // Leaf: its closest pair as last found, valid until the leaf's
        // entries or weights change.
        bool pair_known = false;
        int32_t pair_i = 0, pair_j = 0;
        int64_t pair_cost = 0;
    };

    explicit SplitTree(int32_t dims) : dims(dims) {}

    int32_t dims;
    // Entries: vector, weight (training vectors it stands for) and the cost
    // of the merge that made it. Removed entries stay unused in the pool.
    std::vector<int32_t> vec;
    std::vector<int32_t> weight;
    std::vector<int64_t> cost;
    std::vector<Node> nodes;
    // The fields of every node the descent of an insertion reads (dim -1 for
    // a leaf), kept beside `nodes` in a small record: a descent then touches
    // a few bytes per level instead of a whole node.
    struct Route {
        int32_t dim = -1, split = 0;
        int32_t lower = -1, upper = -1;
    };
    std::vector<Route> routes;
    std::vector<int32_t> bounds;  // per node: max[dims], then min[dims]
    std::vector<int32_t> free_nodes;
    // Until the first reduction: the entry of each vector of at most four
    // byte dimensions added so far (see add).
    std::unordered_map<uint32_t, int32_t> entry_of;
    bool reduced = false;
    int32_t root = -1;
    int64_t count = 0;  // entries held by the tree

    // Adds a training vector of weight 1 and cost 0.
    void add(const int32_t* v);
    // Merges closest pairs until the tree holds at most `target` entries.
    void reduce(int64_t target);
    // Every entry's vector, lower subtree before upper, leaf entries in order.
    void output(std::vector<int32_t>& components) const;
};
