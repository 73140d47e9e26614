// The BC7 block search: which modes a quality tries, which partitions of the
// two- and three-subset modes are worth a full fit, the rotations and index
// selections of modes 4 and 5, and the block kept: the one of least squared
// error over R, G, B and A.
//
// Opaque blocks (every alpha 255) never trade alpha for colour: they skip
// mode 7, whose colour is mode 3's at fewer bits, and in modes 6 and 7 take
// the P-bit that keeps alpha at 255. Blocks with alpha skip modes 0 to 3,
// which cannot store it.
#include <algorithm>
#include <cmath>

#include "blocks/bc7.h"

namespace {

constexpr uint8_t ALL_TEXELS[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

struct SearchPlan {
    uint8_t opaque_modes;  // bit m: mode m is tried
    uint8_t alpha_modes;
    int two_subset_candidates;  // partitions fully fitted, best estimates first
    int three_subset_candidates;
    int refine_rounds;
    bool nudge;
    int rotations;   // modes 4 and 5: rotations 0 .. rotations - 1
    int selections;  // mode 4: index selections 0 .. selections - 1
};

constexpr uint8_t modes(std::initializer_list<int> list) {
    int bits = 0;
    for (int m : list) bits |= 1 << m;
    return static_cast<uint8_t>(bits);
}

// Quick: mode 6 alone, the mode that fits most blocks best; Fast tries its
// codes one step aside too. Normal adds the
// two-subset modes 1 and 3 on the two likeliest partitions and tries each
// end-point code one step aside, which the rounding of the end points needs
// more than further least-squares rounds. High adds the other modes, more
// partitions, the rotations and index selections; Best fits every partition.
SearchPlan plan_for(BlockQuality q) {
    switch (q) {
        case BlockQuality::Quick:
            return {modes({6}), modes({6}), 1, 1, 1, false, 1, 1};
        case BlockQuality::Fast:
            // Between the two: mode 6 alone, with the one-step code tries.
            return {modes({6}), modes({6}), 1, 1, 1, true, 1, 1};
        case BlockQuality::Normal:
            return {modes({6, 1, 3}), modes({6, 5, 7}), 2, 1, 1, true, 1, 1};
        case BlockQuality::High:
            return {modes({6, 1, 3, 0, 2, 4, 5}), modes({6, 5, 4, 7}), 6, 2, 2, true, 4, 2};
        case BlockQuality::Best:
            break;
    }
    return {modes({6, 1, 3, 0, 2, 4, 5}), modes({6, 5, 4, 7}), 64, 64, 3, true, 4, 2};
}

// The texels of each subset of every partition, listed once.
struct SubsetLists {
    uint8_t count[2][64][3];
    uint8_t texel[2][64][3][16];
    SubsetLists() {
        for (int k = 0; k < 2; ++k)
            for (int p = 0; p < 64; ++p) {
                for (int s = 0; s < 3; ++s) count[k][p][s] = 0;
                for (int t = 0; t < 16; ++t) {
                    const int s = bc7_subset(k + 2, p, t);
                    texel[k][p][s][count[k][p][s]++] = static_cast<uint8_t>(t);
                }
            }
    }
};
const SubsetLists& subset_lists() {
    static const SubsetLists lists;
    return lists;
}

// Sums of a set of texels over R, G, B, A: the values, then the products
// of every pair of channels (a <= b), from which the set's scatter follows.
constexpr int MOMENT_TERMS = 14;
struct Moments {
    int n = 0;
    int term[MOMENT_TERMS] = {};
    void add(const int* t) {
        ++n;
        for (int k = 0; k < MOMENT_TERMS; ++k) term[k] += t[k];
    }
};

// Each texel's terms, as Moments sums them.
void texel_terms(const int px[16][4], int terms[16][MOMENT_TERMS]) {
    for (int t = 0; t < 16; ++t) {
        int k = 0;
        for (int a = 0; a < 4; ++a) terms[t][k++] = px[t][a];
        for (int a = 0; a < 4; ++a)
            for (int b = a; b < 4; ++b) terms[t][k++] = px[t][a] * px[t][b];
    }
}

// What a line through the texels leaves unexplained: their whole scatter
// less its largest principal part (a few rounds of power iteration). A
// cheap guess of a subset's fit error.
double line_residual(const Moments& m, int channels) {
    if (m.n < 2) return 0;
    double cov[4][4];
    const double inv = 1.0 / m.n;
    int k = 4;
    for (int a = 0; a < 4; ++a)
        for (int b = a; b < 4; ++b, ++k)
            cov[a][b] = cov[b][a] = m.term[k] - m.term[a] * (m.term[b] * inv);
    double trace = 0;
    int widest = 0;
    for (int a = 0; a < channels; ++a) {
        trace += cov[a][a];
        if (cov[a][a] > cov[widest][widest]) widest = a;
    }
    if (trace <= 0) return 0;
    double v[4];
    for (int a = 0; a < channels; ++a) v[a] = cov[widest][a];
    for (int round = 0; round < 3; ++round) {
        double next[4] = {}, largest = 0;
        for (int a = 0; a < channels; ++a) {
            for (int b = 0; b < channels; ++b) next[a] += cov[a][b] * v[b];
            largest = std::max(largest, std::fabs(next[a]));
        }
        if (largest <= 0) return trace;
        for (int a = 0; a < channels; ++a) v[a] = next[a] / largest;
    }
    // The Rayleigh quotient of the direction found.
    double cv = 0, vv = 0;
    for (int a = 0; a < channels; ++a) {
        double row = 0;
        for (int b = 0; b < channels; ++b) row += cov[a][b] * v[b];
        cv += row * v[a];
        vv += v[a] * v[a];
    }
    return vv > 0 ? std::max(0.0, trace - cv / vv) : trace;
}

// The guessed error of every partition of two and three subsets, made once
// per block and shared by the modes that rank them. Opaque blocks leave
// alpha out: it is the same everywhere.
struct PartitionGuesses {
    int terms[16][MOMENT_TERMS];
    int channels;
    bool made[2] = {false, false};
    double guess[2][64] = {};

    PartitionGuesses(const int (*px)[4], int c) : channels(c) { texel_terms(px, terms); }

    const double* of(int subsets) {
        const int k = subsets - 2;
        if (made[k]) return guess[k];
        const SubsetLists& lists = subset_lists();
        Moments whole;
        for (int t = 0; t < 16; ++t) whole.add(terms[t]);
        for (int p = 0; p < 64; ++p) {
            // Subset 0 is what the others leave of the whole block.
            Moments part[3];
            part[0] = whole;
            for (int s = 1; s < subsets; ++s)
                for (int i = 0; i < lists.count[k][p][s]; ++i) {
                    const int* t = terms[lists.texel[k][p][s][i]];
                    part[s].add(t);
                    part[0].n--;
                    for (int j = 0; j < MOMENT_TERMS; ++j) part[0].term[j] -= t[j];
                }
            guess[k][p] = 0;
            for (int s = 0; s < subsets; ++s) guess[k][p] += line_residual(part[s], channels);
        }
        made[k] = true;
        return guess[k];
    }
};

// The best `keep` of the first `count` partitions of a subset count, by
// their guessed error, into `out`.
int rank_partitions(PartitionGuesses& guesses, int subsets, int count, int keep, int out[64]) {
    const double* guess = guesses.of(subsets);
    int order[64];
    for (int p = 0; p < count; ++p) order[p] = p;
    keep = std::min(keep, count);
    // Ties keep the lower partition number, so the order never depends on
    // the sort's own.
    std::partial_sort(order, order + keep, order + count, [&](int a, int b) {
        return guess[a] < guess[b] || (guess[a] == guess[b] && a < b);
    });
    std::copy(order, order + keep, out);
    return keep;
}

int64_t fixed_alpha_cost(const int px[16][4]) {
    int64_t cost = 0;
    for (int t = 0; t < 16; ++t) cost += int64_t(255 - px[t][3]) * (255 - px[t][3]);
    return cost;
}

// Modes 0, 1, 2, 3, 6 and 7: one index set over the subsets of a partition.
int64_t search_partitioned(const int px[16][4], int mode, const SearchPlan& plan, bool opaque,
                           PartitionGuesses& guesses, Bc7Block& best) {
    const Bc7ModeInfo& m = bc7_mode_info(mode);
    Bc7FitRules rules;
    // Opaque blocks in mode 6 keep alpha at its top code (255 with P-bit 1)
    // without fitting it: its error is zero and no code try could lower it.
    const bool fixed_alpha = opaque && m.alpha_bits > 0;
    rules.channel_count = m.alpha_bits && !fixed_alpha ? 4 : 3;
    rules.bits = m.colour_bits;
    rules.pbits = m.endpoint_pbits ? 1 : (m.shared_pbits ? 2 : 0);
    rules.index_bits = m.index_bits;
    rules.pbit_one = opaque && m.alpha_bits > 0 && rules.pbits > 0;
    rules.refine_rounds = plan.refine_rounds;
    rules.nudge = plan.nudge;
    const int64_t extra = m.alpha_bits ? 0 : fixed_alpha_cost(px);

    const SubsetLists& lists = subset_lists();
    int candidates[64] = {0};
    int count = 1;
    if (m.subsets > 1) {
        const int keep = m.subsets == 2 ? plan.two_subset_candidates : plan.three_subset_candidates;
        count = rank_partitions(guesses, m.subsets, 1 << m.partition_bits, std::max(keep, 1),
                                candidates);
    }
    int64_t best_error = INT64_MAX;
    for (int k = 0; k < count; ++k) {
        const int p = candidates[k];
        Bc7Block b;
        b.mode = mode;
        b.partition = p;
        int64_t error = extra;
        for (int s = 0; s < m.subsets && error < best_error; ++s) {
            const uint8_t* texels = m.subsets > 1 ? lists.texel[m.subsets - 2][p][s] : ALL_TEXELS;
            const int n = m.subsets > 1 ? lists.count[m.subsets - 2][p][s] : 16;
            Bc7SubsetFit fit;
            error += bc7_fit_subset(px, texels, n, rules, fit);
            for (int e = 0; e < 2; ++e) {
                for (int c = 0; c < 4; ++c) b.endpoint[s][e][c] = fit.endpoint[e][c];
                b.pbit[s][e] = fit.pbit[e];
            }
            for (int i = 0; i < n; ++i) b.index[texels[i]] = fit.index[texels[i]];
        }
        if (!m.alpha_bits || fixed_alpha)
            for (int e = 0; e < 2; ++e)
                for (int s = 0; s < 3; ++s)
                    b.endpoint[s][e][3] = fixed_alpha ? (1 << m.alpha_bits) - 1 : 0;
        if (error < best_error) best_error = error, best = b;
    }
    return best_error;
}

// Modes 4 and 5: colour and alpha each with their own indices, one channel
// exchanged with alpha first when a rotation says so.
int64_t search_two_sets(const int px[16][4], int mode, const SearchPlan& plan, Bc7Block& best) {
    const Bc7ModeInfo& m = bc7_mode_info(mode);
    int64_t best_error = INT64_MAX;
    for (int rotation = 0; rotation < plan.rotations; ++rotation) {
        int turned[16][4];
        for (int t = 0; t < 16; ++t) {
            for (int c = 0; c < 4; ++c) turned[t][c] = px[t][c];
            if (rotation) std::swap(turned[t][3], turned[t][rotation - 1]);
        }
        const int selections = m.selection_bits ? plan.selections : 1;
        for (int selection = 0; selection < selections; ++selection) {
            Bc7FitRules colour, alpha;
            colour.bits = m.colour_bits;
            colour.index_bits = selection ? m.second_index_bits : m.index_bits;
            alpha.first_channel = 3;
            alpha.channel_count = 1;
            alpha.bits = m.alpha_bits;
            alpha.index_bits = selection ? m.index_bits : m.second_index_bits;
            colour.refine_rounds = alpha.refine_rounds = plan.refine_rounds;
            colour.nudge = alpha.nudge = plan.nudge;
            Bc7SubsetFit cf, af;
            const int64_t error = bc7_fit_subset(turned, ALL_TEXELS, 16, colour, cf) +
                                  bc7_fit_subset(turned, ALL_TEXELS, 16, alpha, af);
            if (error >= best_error) continue;
            best_error = error;
            best = Bc7Block{};
            best.mode = mode;
            best.rotation = rotation;
            best.selection = selection;
            for (int e = 0; e < 2; ++e) {
                for (int c = 0; c < 3; ++c) best.endpoint[0][e][c] = cf.endpoint[e][c];
                best.endpoint[0][e][3] = af.endpoint[e][0];
            }
            for (int t = 0; t < 16; ++t) {
                best.index[t] = cf.index[t];
                best.alpha_index[t] = af.index[t];
            }
        }
    }
    return best_error;
}

int64_t search_mode(const int px[16][4], int mode, const SearchPlan& plan, bool opaque,
                    PartitionGuesses& guesses, Bc7Block& block) {
    if (mode == 4 || mode == 5) return search_two_sets(px, mode, plan, block);
    return search_partitioned(px, mode, plan, opaque, guesses, block);
}

bool is_opaque(const int px[16][4]) {
    for (int t = 0; t < 16; ++t)
        if (px[t][3] != 255) return false;
    return true;
}

}  // namespace

void encode_bc7_block(const int px[16][4], BlockQuality quality, uint8_t out[16]) {
    const SearchPlan plan = plan_for(quality);
    const bool opaque = is_opaque(px);
    PartitionGuesses guesses(px, opaque ? 3 : 4);
    const uint8_t tried = opaque ? plan.opaque_modes : plan.alpha_modes;
    Bc7Block best;
    int64_t best_error = INT64_MAX;
    // Mode 6 first: the usual winner sets the bar the others must beat.
    static const int ORDER[BC7_MODES] = {6, 1, 3, 5, 4, 0, 2, 7};
    for (int mode : ORDER) {
        if (!(tried & (1 << mode)) || best_error == 0) continue;
        Bc7Block b;
        const int64_t error = search_mode(px, mode, plan, opaque, guesses, b);
        if (error < best_error) best_error = error, best = b;
    }
    pack_bc7_block(best, out);
}

int64_t encode_bc7_block_in_mode(const int px[16][4], int mode, BlockQuality quality,
                                 uint8_t out[16]) {
    Bc7Block b;
    const bool opaque = is_opaque(px);
    PartitionGuesses guesses(px, opaque ? 3 : 4);
    const int64_t error = search_mode(px, mode & 7, plan_for(quality), opaque, guesses, b);
    pack_bc7_block(b, out);
    return error;
}
