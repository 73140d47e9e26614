// The Fast quality's end-point choice: the quick choice's end points (the
// block's two colours farthest apart), then, while the block error falls,
// least-squares end points for the indices they give, each channel's pair
// rounded to whichever of the codes around them fits the indices best; and
// for flat blocks the code pairs whose interpolated entry meets the block's
// mean colour. Every step is a pass over the samples and nothing is searched;
// every step is kept only when it lowers the error, so no block comes out
// worse than the quick choice's, while end points may move beyond the
// block's own colours, which the quick choice's never do.
//
// Channels are independent once the indices are fixed: a channel's error is
// the sum of its own squared distances, so each channel's rounding is chosen
// alone, from four pairs.
#include <cstdint>

#include "blocks/block_encoder.h"
#include "blocks/colour_search.h"

namespace {

// Rounds of least squares and rounding after the first end points; later
// rounds rarely change a block.
constexpr int REFITS = 2;

struct FastBlock {
    int n;
    int colours;                     // 3 or 4
    double w2[3];                    // squared channel weights
    double x[3][BLOCK_MAX_SAMPLES];  // 8-bit scale, unweighted
};

// Green has six bits; like the quick choice this one keeps them in grey
// blocks too.
int bits_of(int c) { return c == 1 ? 6 : 5; }

int expand(int code, int bits) { return bits == 6 ? expand6(code) : expand5(code); }

// The codes just below and above a value on the 8-bit scale (equal at the
// ends of the range).
void bracket(double v, int bits, int& low, int& high) {
    const int top = (1 << bits) - 1;
    const int byte = v <= 0.0 ? 0 : (v >= 255.0 ? 255 : static_cast<int>(v + 0.5));
    int code = bits == 6 ? nearest_code6(byte) : nearest_code5(byte);
    if (expand(code, bits) > v && code > 0) --code;
    low = code;
    high = code < top ? code + 1 : code;
}

// One channel's palette from two codes (on the channel's own bit depth).
void channel_palette(const FastBlock& f, int c, int code0, int code1, int pal[4]) {
    const int bits = bits_of(c);
    const int a = expand(code0, bits);
    const int b = expand(code1, bits);
    for (int j = 0; j < 4; ++j) pal[j] = block_palette_entry(a, b, f.colours, j);
}

// Per palette entry: how many samples took it and, per channel, the sum of
// their values. With the indices fixed, both the least-squares end points
// and a channel's error for any pair of codes follow from these alone, with
// no further pass over the samples.
struct EntrySums {
    double count[4];
    double sum[3][4];
};

void sum_entries(const FastBlock& f, const int* indices, EntrySums& s) {
    for (int j = 0; j < 4; ++j) {
        s.count[j] = 0.0;
        for (int c = 0; c < 3; ++c) s.sum[c][j] = 0.0;
    }
    for (int i = 0; i < f.n; ++i) {
        const int j = indices[i];
        s.count[j] += 1.0;
        for (int c = 0; c < 3; ++c) s.sum[c][j] += f.x[c][i];
    }
}

// Weighted squared distance of every sample to one palette colour: a loop
// over contiguous values that the compiler widens.
void distances_to(const FastBlock& f, const double colour[3], double* out) {
    for (int i = 0; i < f.n; ++i) {
        const double d0 = f.x[0][i] - colour[0];
        const double d1 = f.x[1][i] - colour[1];
        const double d2 = f.x[2][i] - colour[2];
        out[i] = f.w2[0] * (d0 * d0) + f.w2[1] * (d1 * d1) + f.w2[2] * (d2 * d2);
    }
}

// Every sample's nearest entry of `entries` and the summed distance, with
// selections rather than branches (which entry wins is as good as random in
// a photograph); a strictly smaller distance replaces, so ties keep the
// lower index.
double choose(const double* const* distance, int entries, int n, int* indices) {
    double error = 0.0;
    for (int i = 0; i < n; ++i) {
        double best = distance[0][i];
        int pick = 0;
        for (int j = 1; j < entries; ++j) {
            const double d = distance[j][i];
            const bool closer = d < best;
            pick = closer ? j : pick;
            best = closer ? d : best;
        }
        indices[i] = pick;
        error += best;
    }
    return error;
}

// The palette colour of entry j (0..3) for codes on the channels' own bit
// depths.
void entry_colour(const int codes[2][3], int colours, int j, double colour[3]) {
    for (int c = 0; c < 3; ++c) {
        const int bits = bits_of(c);
        colour[c] =
            block_palette_entry(expand(codes[0][c], bits), expand(codes[1][c], bits), colours, j);
    }
}

// Every sample's nearest entry and the summed weighted error, for codes on
// the channels' own bit depths.
double assign(const FastBlock& f, int colours, const int codes[2][3], int* indices) {
    double distance[4][BLOCK_MAX_SAMPLES];
    const double* rows[4];
    for (int j = 0; j < colours; ++j) {
        double colour[3];
        entry_colour(codes, colours, j, colour);
        distances_to(f, colour, distance[j]);
        rows[j] = distance[j];
    }
    return choose(rows, colours, f.n, indices);
}

// The least-squares end points of every channel for the indices; false when
// the indices do not tell the two apart.
bool least_squares(int colours, const EntrySums& s, double ends[2][3]) {
    static const double kFour[4] = {1.0, 0.0, 2.0 / 3.0, 1.0 / 3.0};
    static const double kThree[3] = {1.0, 0.0, 0.5};
    const double* mix = colours == 3 ? kThree : kFour;
    double aa = 0.0, ab = 0.0, bb = 0.0, ax[3] = {0, 0, 0}, bx[3] = {0, 0, 0};
    for (int j = 0; j < colours; ++j) {
        const double a = mix[j];
        const double b = 1.0 - a;
        aa += s.count[j] * (a * a);
        ab += s.count[j] * (a * b);
        bb += s.count[j] * (b * b);
        for (int c = 0; c < 3; ++c) {
            ax[c] += a * s.sum[c][j];
            bx[c] += b * s.sum[c][j];
        }
    }
    const double det = aa * bb - ab * ab;
    if (!(det > 1e-9)) return false;
    for (int c = 0; c < 3; ++c) {
        ends[0][c] = (ax[c] * bb - bx[c] * ab) / det;
        ends[1][c] = (bx[c] * aa - ax[c] * ab) / det;
    }
    return true;
}

// Each channel's codes for real end points: of the codes just below and
// above each end point, the pair whose palette fits the indices best. A
// channel's error for palette p is the sum over entries of
// count p^2 - 2 p sum plus the samples' own squares, which all pairs share.
void round_for_indices(int colours, const EntrySums& s, const double ends[2][3], int codes[2][3]) {
    for (int c = 0; c < 3; ++c) {
        const int bits = bits_of(c);
        int around[2][2];
        bracket(ends[0][c], bits, around[0][0], around[0][1]);
        bracket(ends[1][c], bits, around[1][0], around[1][1]);
        double best = 0.0;
        for (int u = 0; u < 2; ++u)
            for (int v = 0; v < 2; ++v) {
                if ((u == 1 && around[0][1] == around[0][0]) ||
                    (v == 1 && around[1][1] == around[1][0]))
                    continue;
                const int a = expand(around[0][u], bits);
                const int b = expand(around[1][v], bits);
                double e = 0.0;
                for (int j = 0; j < colours; ++j) {
                    const double p = block_palette_entry(a, b, colours, j);
                    e += s.count[j] * (p * p) - 2.0 * p * s.sum[c][j];
                }
                if ((u == 0 && v == 0) || e < best) {
                    best = e;
                    codes[0][c] = around[0][u];
                    codes[1][c] = around[1][v];
                }
            }
    }
}

// For every 8-bit value, the code pair whose interpolated entry 2 (the
// third next to the first end point, or the three-colour midpoint) comes
// closest to it: a flat or nearly flat block reproduces its colour far more
// closely through that entry than through a single code.
struct FlatPair {
    uint8_t code0, code1;
};
struct FlatTable {
    FlatPair pair[2][2][256];  // [three colours: 0, four: 1][bits 5: 0, 6: 1][value]
};

const FlatTable& flat_table() {
    static const FlatTable* table = [] {
        static FlatTable t = {};
        for (int four = 0; four < 2; ++four)
            for (int six = 0; six < 2; ++six) {
                const int bits = six ? 6 : 5, top = (1 << bits) - 1;
                for (int v = 0; v < 256; ++v) {
                    int best = 256;
                    for (int c0 = 0; c0 <= top; ++c0)
                        for (int c1 = 0; c1 <= top; ++c1) {
                            const int reached = block_palette_entry(
                                expand(c0, bits), expand(c1, bits), four ? 4 : 3, 2);
                            const int miss = reached > v ? reached - v : v - reached;
                            if (miss < best) {
                                best = miss;
                                t.pair[four][six][v] = {static_cast<uint8_t>(c0),
                                                        static_cast<uint8_t>(c1)};
                            }
                        }
                }
            }
        return &t;
    }();
    return *table;
}

// The flat candidate: every sample on entry 2, each channel's pair the one
// that reaches the channel's mean most closely.
void flat_codes(const FastBlock& f, const double mean[3], int codes[2][3]) {
    const FlatTable& t = flat_table();
    for (int c = 0; c < 3; ++c) {
        const double v = mean[c];
        const int byte = v <= 0.0 ? 0 : (v >= 255.0 ? 255 : static_cast<int>(v + 0.5));
        const FlatPair& p = t.pair[f.colours == 4][bits_of(c) == 6][byte];
        codes[0][c] = p.code0;
        codes[1][c] = p.code1;
    }
}

}  // namespace

void fit_block_colours_fast(BlockSamples& b, int normalmap_type, bool may_use_four,
                            const uint32_t* levels) {
    if (b.count == 0) {
        fit_block_colours(b, normalmap_type);
        return;
    }
    choose_block_weights(b, normalmap_type);
    FastBlock f;
    f.n = b.count;
    for (int c = 0; c < 3; ++c) {
        f.w2[c] = b.weights[c] * b.weights[c];
        for (int i = 0; i < f.n; ++i) f.x[c][i] = 255.0 * b.samples[i][c];
    }
    const bool may_four = b.force_four || may_use_four;

    // The start: the quick choice's end points (its pair of samples, rounded
    // to their nearest codes as it rounds them), with every sample on its
    // nearest entry of the better palette size those codes give. The quick
    // choice picks its size and indices against the unrounded colours, so
    // its own error is never below this one; every later step is kept only
    // when it lowers the error, so no block comes out worse than the quick
    // choice's. Trying both sizes on the rounded codes pays: they often
    // favour the size the quick choice did not take.
    int ia = 0, ib = 0;
    quick_colour_pair(b, levels, ia, ib);
    int codes[2][3];
    for (int k = 0; k < 2; ++k) {
        const double* s = b.samples[k == 0 ? ia : ib];
        for (int c = 0; c < 3; ++c) {
            const int byte = static_cast<int>(s[c] * 255.0 + 0.5);
            codes[k][c] = bits_of(c) == 6 ? nearest_code6(byte) : nearest_code5(byte);
        }
    }
    int colours = may_four ? 4 : 3;
    double error = 0.0;
    {
        double distance[5][BLOCK_MAX_SAMPLES];
        const bool both = may_four && !b.force_four;
        for (int j = 0; j < 4; ++j) {
            if (j >= 2 && !may_four) break;
            double colour[3];
            entry_colour(codes, 4, j, colour);
            distances_to(f, colour, distance[j]);
        }
        if (may_four) {
            const double* four[4] = {distance[0], distance[1], distance[2], distance[3]};
            error = choose(four, 4, f.n, b.indices);
            colours = 4;
        }
        if (!may_four || both) {
            double colour[3];
            entry_colour(codes, 3, 2, colour);
            distances_to(f, colour, distance[4]);
            const double* three[3] = {distance[0], distance[1], distance[4]};
            int indices[BLOCK_MAX_SAMPLES];
            const double e = choose(three, 3, f.n, indices);
            if (!may_four || e < error) {
                error = e;
                colours = 3;
                for (int i = 0; i < f.n; ++i) b.indices[i] = indices[i];
            }
        }
    }

    double mean[3] = {0.0, 0.0, 0.0};
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < f.n; ++i) mean[c] += f.x[c][i];
        mean[c] /= f.n;
    }
    double spread = 0.0;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < f.n; ++i) {
            const double d = f.x[c][i] - mean[c];
            spread += f.w2[c] * (d * d);
        }
    f.colours = colours;
    EntrySums sums;
    double ends[2][3];
    int trial[2][3];
    int indices[BLOCK_MAX_SAMPLES];
    for (int round = 0; round < REFITS; ++round) {
        sum_entries(f, b.indices, sums);
        if (!least_squares(colours, sums, ends)) break;
        round_for_indices(colours, sums, ends, trial);
        // The same codes give the same indices and error again: nothing to
        // gain from this round or any later one.
        bool same = true;
        for (int k = 0; k < 2; ++k)
            for (int c = 0; c < 3; ++c) same = same && trial[k][c] == codes[k][c];
        if (same) break;
        const double e = assign(f, colours, trial, indices);
        if (!(e < error)) break;
        error = e;
        for (int k = 0; k < 2; ++k)
            for (int c = 0; c < 3; ++c) codes[k][c] = trial[k][c];
        // Unchanged indices give the same end points again next round.
        bool moved = false;
        for (int i = 0; i < f.n; ++i) {
            moved = moved || b.indices[i] != indices[i];
            b.indices[i] = indices[i];
        }
        if (!moved) break;
    }
    // The flat candidate, every sample on entry 2, kept when it does better.
    // Its error needs no pass over the samples: their spread about the mean
    // plus, per sample, the distance of the mean from the value reached.
    flat_codes(f, mean, trial);
    if (spread < error) {
        double flat = spread;
        for (int c = 0; c < 3; ++c) {
            int pal[4];
            channel_palette(f, c, trial[0][c], trial[1][c], pal);
            const double d = mean[c] - pal[2];
            flat += f.n * (f.w2[c] * (d * d));
        }
        if (flat < error) {
            for (int k = 0; k < 2; ++k)
                for (int c = 0; c < 3; ++c) codes[k][c] = trial[k][c];
            for (int i = 0; i < f.n; ++i) b.indices[i] = 2;
        }
    }
    b.colour_mode = colours;
    for (int k = 0; k < 2; ++k)
        for (int c = 0; c < 3; ++c) b.endpoints[k][c] = codes[k][c];
}
