// The full search's output on a fixed set of blocks, pinned by a hash so
// that speed work on the search cannot change a single byte unnoticed, and
// its quality compared with the quick fit on the same blocks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "blocks/colour_search.h"
#include "tests/common/pin_report.h"
#include "tests/common/test_random.h"

namespace {

using Random = TestRandom;

int clamp255(int v) { return std::min(255, std::max(0, v)); }

const double kStandard[3] = {double(0.309f), double(0.609f), double(0.082f)};
const double kUniform[3] = {1.0, 1.0, 1.0};
const double kNormalMap[3] = {0.4, 0.4, 0.2};

// Block kinds: noise, smooth gradients (the common photographic case),
// a few flat colours, dark and light gradients (whose lines leave the
// colour box), grey ramps; sample counts from 1 to 36 as partial blocks
// and neighbourhood windows give them.
void make_block(Random& rnd, int kind, int count, int (*px)[3]) {
    int corner[4][3];
    for (auto& c : corner) {
        for (int& v : c) v = rnd.below(256);
    }
    const int noise = 1 + rnd.below(12);
    int palette[5][3];
    for (auto& c : palette) {
        for (int& v : c) v = rnd.below(256);
    }
    const int colours = 2 + rnd.below(4);
    const int side = count > 16 ? 6 : 4;
    for (int i = 0; i < count; ++i) {
        const double u = (i % side) / double(side - 1);
        const double v = (i / side) / double(side - 1);
        for (int c = 0; c < 3; ++c) {
            const double bil = corner[0][c] * (1 - u) * (1 - v) + corner[1][c] * u * (1 - v) +
                               corner[2][c] * (1 - u) * v + corner[3][c] * u * v;
            const int jitter = rnd.below(2 * noise + 1) - noise;
            switch (kind) {
                case 0:
                    px[i][c] = rnd.below(256);
                    break;
                case 1:
                    px[i][c] = clamp255(int(bil) + jitter);
                    break;
                case 2:
                    px[i][c] = palette[i % colours][c];
                    break;
                case 3:
                    px[i][c] = clamp255(int(bil / 8) + jitter);
                    break;
                case 4:
                    px[i][c] = clamp255(255 - int(bil / 8) + jitter);
                    break;
                default:
                    px[i][c] = clamp255(int(corner[0][0] * (1 - u) + corner[1][0] * u) + (c == 1));
                    break;
            }
        }
    }
}

void fill(BlockSamples& b, int (*px)[3], int count, const double* w, int max_colours, int force) {
    b = BlockSamples();
    b.count = count;
    b.max_colours = max_colours;
    b.force_four = force;
    for (int c = 0; c < 3; ++c) b.weights[c] = w[c];
    for (int i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) b.samples[i][c] = px[i][c] / 255.0;
    }
}

struct Hash {
    uint64_t h = 1469598103934665603ull;
    void add(int v) {
        for (int k = 0; k < 4; ++k) {
            h ^= uint8_t(uint32_t(v) >> (8 * k));
            h *= 1099511628211ull;
        }
    }
};

int expand5(int k) { return (k << 3) | (k >> 2); }
int expand6(int k) { return (k << 2) | (k >> 4); }

// Weighted squared error of the block decoded from its codes and indices.
double decoded_error(const BlockSamples& b, int (*px)[3]) {
    int pal[4][3];
    for (int c = 0; c < 3; ++c) {
        const int a = c == 1 ? expand6(b.endpoints[0][c]) : expand5(b.endpoints[0][c]);
        const int e = c == 1 ? expand6(b.endpoints[1][c]) : expand5(b.endpoints[1][c]);
        pal[0][c] = a;
        pal[1][c] = e;
        pal[2][c] = b.colour_mode == 4 ? (2 * a + e + 1) / 3 : (a + e) / 2;
        pal[3][c] = b.colour_mode == 4 ? (a + 2 * e + 1) / 3 : 0;
    }
    double err = 0.0;
    for (int i = 0; i < b.count; ++i) {
        for (int c = 0; c < 3; ++c) {
            const double d = b.weights[c] * (pal[b.indices[i]][c] - px[i][c]);
            err += d * d;
        }
    }
    return err;
}

}  // namespace

TEST(ColourSearchPin, OutputOfFixedBlocksIsUnchanged) {
    Random rnd{20240607};
    Hash hash;
    std::vector<PinPart> parts;
    const double* weights[3] = {kStandard, kUniform, kNormalMap};
    for (int n = 0; n < 4000; ++n) {
        const int kind = n % 6;
        int count = 16;
        if (n % 7 == 3) count = 1 + rnd.below(16);
        if (n % 11 == 5) count = n % 2 ? 36 : 25;
        int px[36][3];
        make_block(rnd, kind, count, px);
        const int setting = n % 3;
        BlockSamples b;
        fill(b, px, count, weights[(n / 3) % 3], setting == 0 ? 3 : 4, setting == 2);
        fit_colour_endpoints(b);
        // The block's results as the hash sees them: mode, end points,
        // indices, four bytes each.
        std::vector<int> values = {b.colour_mode};
        for (auto& e : b.endpoints) values.insert(values.end(), e, e + 3);
        values.insert(values.end(), b.indices, b.indices + count);
        PinPart part{"block " + std::to_string(n), {}, 0, "result"};
        for (int v : values) {
            hash.add(v);
            for (int k = 0; k < 4; ++k) part.bytes.push_back(uint8_t(uint32_t(v) >> (8 * k)));
        }
        part.chunk = part.bytes.size();
        parts.push_back(std::move(part));
    }
    const std::string where = pin_difference("blocks_colour_search", parts);
    EXPECT_EQ(hash.h, 0x1cdf56355a535b00ull) << std::hex << hash.h << "; " << where;
}

TEST(ColourSearchPin, FullSearchBeatsTheQuickFitOnAverage) {
    Random rnd{31337};
    for (int setting = 0; setting < 3; ++setting) {
        double full = 0.0;
        double quick = 0.0;
        for (int n = 0; n < 1200; ++n) {
            int px[16][3];
            make_block(rnd, n % 5, 16, px);
            BlockSamples b;
            fill(b, px, 16, kStandard, setting == 0 ? 3 : 4, setting == 2);
            BlockSamples q = b;
            fit_colour_endpoints(b);
            quick_colour_fit(q);
            full += decoded_error(b, px);
            quick += decoded_error(q, px);
        }
        EXPECT_LT(full, quick) << "setting " << setting;
    }
}
