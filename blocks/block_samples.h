// The per-block working record shared by the block walk and the end-point
// searches.
#pragma once

// Room for the largest sample set: 16 pixels of a block, 36 of the
// neighbourhood window; the search tables are sized generously beyond that.
constexpr int BLOCK_MAX_SAMPLES = 144;

struct BlockSamples {
    int has_transparent = 0;
    int count = 0;
    double samples[BLOCK_MAX_SAMPLES][3] = {};  // R, G, B in [0, 1]
    double weights[3] = {};                     // R, G, B
    int max_colours = 4;                        // 3 or 4
    int force_four = 0;
    int quick = 0;
    int colour_mode = 4;                  // palette size chosen: 3 or 4
    int endpoints[2][3] = {};             // codes R 0..31, G 0..63, B 0..31
    int indices[BLOCK_MAX_SAMPLES] = {};  // 0..3 per sample
};

// Full search: fills colour_mode, endpoints and indices.
void fit_colour_endpoints(BlockSamples& b);
// Cheap farthest-pair choice (also used by the full search when `quick`).
void quick_colour_fit(BlockSamples& b);

// A code widened to 8 bits as a decoder does: its top bits repeated in the
// freed low bits.
inline int expand5(int code) { return (code << 3) | (code >> 2); }
inline int expand6(int code) { return (code << 2) | (code >> 4); }
int nearest_code5(int value);
int nearest_code6(int value);
