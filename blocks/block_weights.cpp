// Per-block set-up of the colour search: the reset of the reused working
// record, the channel weights (ordinary or one of the two normal-map
// weightings) and the choice between the quick and the full search.
#include <cmath>

#include "blocks/block_encoder.h"

void reset_block(BlockSamples& b, int* slots, int slot_count, const float* weights) {
    b.has_transparent = 0;
    b.count = 0;
    // Every index a block can use: up to 36 samples (the neighbourhood window).
    for (int i = 0; i < DIFFUSION_WINDOW_SLOTS; ++i) b.indices[i] = -1;
    for (int p = 0; p < slot_count; ++p) slots[p] = -1;
    for (int c = 0; c < 3; ++c) b.weights[c] = double(weights[c]);
    // The record is reused: nothing the previous block chose may decide this
    // block's bytes, so the palette size starts from a fixed value too.
    b.max_colours = 4;
    b.colour_mode = 4;
    b.force_four = 0;
    b.quick = 0;
    for (auto& e : b.endpoints)
        for (int& code : e) code = 0;
}

namespace {

// Normal maps store a direction per pixel. Type 2 looks at where the block's
// normals point on average (each channel mapped from [0, 1] to [-1, 1]) and
// gives the dominant channel the largest weight, so that the component that
// carries most of the direction is kept best.
void dominant_axis_weights(BlockSamples& b) {
    double m[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < b.count; ++i)
        for (int c = 0; c < 3; ++c) m[c] += 2.0 * b.samples[i][c] - 1.0;
    const double length = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
    if (length == 0.0) {
        b.weights[0] = 0.2;
        b.weights[1] = 0.3;
        b.weights[2] = 0.5;
        return;
    }
    double a[3];
    for (int c = 0; c < 3; ++c) a[c] = std::fabs(m[c] / length);
    // Channels by falling share; on equal shares red before green before blue.
    int order[3] = {0, 1, 2};
    for (int i = 1; i < 3; ++i)
        for (int j = i; j > 0 && a[order[j]] > a[order[j - 1]]; --j) {
            const int t = order[j];
            order[j] = order[j - 1];
            order[j - 1] = t;
        }
    const double rank_weight[3] = {0.5, 0.3, 0.2};
    for (int r = 0; r < 3; ++r) b.weights[order[r]] = rank_weight[r];
}

}  // namespace

void choose_block_weights(BlockSamples& b, int normalmap_type) {
    if (normalmap_type == static_cast<int>(NormalMapWeights::Fixed)) {
        b.weights[0] = 0.4;
        b.weights[1] = 0.4;
        b.weights[2] = 0.2;
    } else if (normalmap_type == static_cast<int>(NormalMapWeights::DominantAxis)) {
        dominant_axis_weights(b);
    }
}

void fit_block_colours(BlockSamples& b, int normalmap_type) {
    fit_block_colours(b, normalmap_type, nullptr);
}

void fit_block_colours(BlockSamples& b, int normalmap_type, const uint32_t* levels) {
    if (b.count == 0) {
        // Every pixel dropped: the end points stay 0 and the packer separates
        // them; there is nothing to search.
        for (auto& e : b.endpoints)
            for (int& code : e) code = 0;
        return;
    }
    choose_block_weights(b, normalmap_type);
    if (b.quick && levels != nullptr)
        quick_colour_fit_levels(b, levels);
    else if (b.quick)
        quick_colour_fit(b);
    else
        fit_colour_endpoints(b);
}
