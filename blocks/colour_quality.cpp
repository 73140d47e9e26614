// The High and Best qualities of the colour half.
//
// The full search on its own is what the stored files hold: on levels larger
// than one block it keeps to three colours, so an opaque picture never uses
// the fourth palette entry. Every candidate below is judged by the exact
// weighted error of the colours a decoder will show, and a block keeps the
// smallest (the earlier candidate on a tie), so no block comes out worse than
// at the quality below.
//
// High: Normal's result, and its end points carried over to the other
// palette size (four colours for most blocks) and refined there:
// least-squares re-fits of the end points to the chosen indices, then single
// steps of one channel's code, each kept only while the error falls. This
// costs a fraction of a second search.
//
// Best: High's candidates with Normal's own result refined too, and the
// whole search run again for the other palette size, then refined. On
// photographs (eight 1024 x 1024 crops, equal channel weights) High takes
// about 1.6 times Normal's time for 17 % less RMSE, Best about 4 times for
// 19 %: the searches already land close to the best codes the palette
// allows, and steps of both end points together gained nothing more.
//
// In the neighbourhood walk the samples are the 6x6 window, so there the
// choice is the smaller error over the window, as that walk's search aims.
#include <cstring>

#include "blocks/block_encoder.h"
#include "blocks/colour_search.h"
#include "blocks/least_squares.h"
#include "blocks/weighted_error.h"

namespace {

// A block's result as the packer reads it.
struct ColourResult {
    int endpoints[2][3];
    int colour_mode;
    int indices[BLOCK_MAX_SAMPLES];
};

void save(const BlockSamples& b, ColourResult& r) {
    std::memcpy(r.endpoints, b.endpoints, sizeof(r.endpoints));
    r.colour_mode = b.colour_mode;
    std::memcpy(r.indices, b.indices, sizeof(int) * size_t(b.count));
}

void restore(const ColourResult& r, BlockSamples& b) {
    std::memcpy(b.endpoints, r.endpoints, sizeof(r.endpoints));
    b.colour_mode = r.colour_mode;
    std::memcpy(b.indices, r.indices, sizeof(int) * size_t(b.count));
}

// Error of the block's own indices under its codes.
double indexed_error(const WeightedSamples& s, const BlockSamples& b) {
    double pal[4][3];
    weighted_palette(s, b.endpoints, b.colour_mode, pal);
    double sum = 0.0;
    for (int i = 0; i < s.count; ++i) {
        const double* p = pal[b.indices[i] & 3];
        const double d0 = s.x[0][i] - p[0], d1 = s.x[1][i] - p[1], d2 = s.x[2][i] - p[2];
        sum += d0 * d0 + d1 * d1 + d2 * d2;
    }
    return sum;
}

int clamp_code(int v, int top) { return v < 0 ? 0 : (v > top ? top : v); }

// One step of a code: up or down one level of its channel.
int step_code(int code, int c, int dir, bool grey) {
    if (c != 1) return clamp_code(code + dir, 31);
    if (!grey) return clamp_code(code + dir, 63);
    return widen_grey_green(clamp_code((code >> 1) + dir, 31));
}

// Best: refines the block's codes while the exact error falls. The palette
// size stays; so does the three-colour order of a block that needs it.
void refine_codes(const WeightedSamples& s, BlockSamples& b) {
    // Grey blocks keep green on widened 5-bit codes, as the search leaves it.
    const bool grey = samples_are_grey(b) != 0;
    const int colours = b.colour_mode;
    double error = nearest_error(s, b.endpoints, colours, b.indices);
    int trial[2][3];
    int indices[BLOCK_MAX_SAMPLES];
    // Least-squares re-fits: the indices give new end points, the end points
    // new indices.
    for (int pass = 0; pass < 8; ++pass) {
        if (!least_squares_codes(b, colours, grey, trial)) break;
        const double e = nearest_error(s, trial, colours, indices, error);
        if (!(e < error)) break;
        error = e;
        std::memcpy(b.endpoints, trial, sizeof(trial));
        std::memcpy(b.indices, indices, sizeof(int) * size_t(b.count));
    }
    // Single steps: every channel of either end point one code up or down;
    // the best step is taken while one lowers the error.
    for (int round = 0; round < 16; ++round) {
        double best = error;
        int best_k = -1, best_c = 0, best_code = 0;
        for (int k = 0; k < 2; ++k)
            for (int c = 0; c < 3; ++c)
                for (int dir = -1; dir <= 1; dir += 2) {
                    const int code = step_code(b.endpoints[k][c], c, dir, grey);
                    if (code == b.endpoints[k][c]) continue;
                    std::memcpy(trial, b.endpoints, sizeof(trial));
                    trial[k][c] = code;
                    const double e = nearest_error(s, trial, colours, nullptr, best);
                    if (e < best) {
                        best = e;
                        best_k = k;
                        best_c = c;
                        best_code = code;
                    }
                }
        if (best_k < 0) break;
        b.endpoints[best_k][best_c] = best_code;
        error = nearest_error(s, b.endpoints, colours, b.indices);
    }
}

}  // namespace

void fit_block_colours_quality(BlockSamples& b, int normalmap_type, BlockQuality quality,
                               BlockDecoder decoder, bool may_use_four) {
    const int normal_max = b.max_colours;
    fit_block_colours(b, normalmap_type);
    if (b.count == 0 || !refines_full_search(quality)) return;
    WeightedSamples s;
    weigh_samples(b, s, decoder);
    const bool best = quality == BlockQuality::Best;
    // A forced block has four colours either way; a block whose own pixels
    // need the transparent index keeps three.
    if (b.force_four || !(normal_max == 4 || may_use_four)) {
        if (best) refine_codes(s, b);
        return;
    }
    // Candidates, the first kept on a tie: Normal's result (refined for
    // Best), and its end points refined for the other palette size.
    ColourResult normal, kept;
    save(b, normal);
    const int other = normal_max == 4 ? 3 : 4;
    if (best) refine_codes(s, b);
    save(b, kept);
    double kept_error = indexed_error(s, b);
    auto consider = [&]() {
        const double error = indexed_error(s, b);
        if (error < kept_error) {
            save(b, kept);
            kept_error = error;
        }
    };
    restore(normal, b);
    b.colour_mode = other;
    refine_codes(s, b);
    consider();
    // Best also runs the whole search for the other palette size.
    if (best) {
        b.max_colours = other;
        b.colour_mode = other;
        fit_colour_endpoints(b);
        refine_codes(s, b);
        consider();
    }
    restore(kept, b);
}
