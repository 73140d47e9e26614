// The exact weighted error of codes over a block's samples, which the
// quality refinement evaluates for every trial step of a code.
#include "blocks/weighted_error.h"

#include "blocks/colour_search.h"

void weigh_samples(const BlockSamples& b, WeightedSamples& s, BlockDecoder reading) {
    s.count = b.count;
    s.reading = reading;
    for (int c = 0; c < 3; ++c) s.w[c] = b.weights[c];
    for (int i = 0; i < b.count; ++i)
        for (int c = 0; c < 3; ++c) s.x[c][i] = b.weights[c] * 255.0 * b.samples[i][c];
    // The wide error reads whole groups of four samples; the rest of the
    // last group is zero.
    for (int i = b.count; i % 4 != 0; ++i)
        for (auto& channel : s.x) channel[i] = 0.0;
}

void weighted_palette(const WeightedSamples& s, const int e[2][3], int colours, double pal[4][3]) {
    for (int c = 0; c < 3; ++c) {
        const int a = c == 1 ? expand6(e[0][c]) : expand5(e[0][c]);
        const int b = c == 1 ? expand6(e[1][c]) : expand5(e[1][c]);
        // The fourth entry of the three-colour order is transparent, and no
        // sample is judged against it; it keeps the four-colour value.
        for (int j = 0; j < 4; ++j)
            pal[j][c] = s.w[c] * block_palette_entry(a, b, j == 3 ? 4 : colours, j, s.reading);
    }
}

double nearest_error_plain(const WeightedSamples& s, const double pal[4][3], int colours,
                           int* indices, double limit) {
    double sum = 0.0;
    for (int i = 0; i < s.count; ++i) {
        int pick = 0;
        double best = 0.0;
        for (int j = 0; j < colours; ++j) {
            const double d0 = s.x[0][i] - pal[j][0], d1 = s.x[1][i] - pal[j][1],
                         d2 = s.x[2][i] - pal[j][2];
            const double d = d0 * d0 + d1 * d1 + d2 * d2;
            if (j == 0 || d < best) {
                best = d;
                pick = j;
            }
        }
        if (indices) indices[i] = pick;
        sum += best;
        if (sum >= limit) return sum;
    }
    return sum;
}

double nearest_error(const WeightedSamples& s, const int e[2][3], int colours, int* indices,
                     double limit) {
    double pal[4][3];
    weighted_palette(s, e, colours, pal);
    double sum;
    if (search_path() == SearchPath::Wide &&
        nearest_error_wide(s, pal, colours, indices, limit, sum))
        return sum;
    return nearest_error_plain(s, pal, colours, indices, limit);
}
