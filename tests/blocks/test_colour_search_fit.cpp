// fit_colour_endpoints as a whole, judged through a small reference decoder
// of the DXT1 colour palette: blocks that a palette can hold exactly must
// come back exactly, and the search must do better than the quick fit.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "blocks/colour_search.h"
#include "tests/common/test_random.h"

namespace {

struct Rgb {
    int c[3];
};

int ref_expand5(int k) { return (k << 3) | (k >> 2); }
int ref_expand6(int k) { return (k << 2) | (k >> 4); }

Rgb code_colour(const int code[3]) {
    return {{ref_expand5(code[0]), ref_expand6(code[1]), ref_expand5(code[2])}};
}

// The palette a decoder builds from the two end points: in four-colour
// order thirds (rounded to nearest), in three-colour order the middle
// (integer division) and transparent black.
void decode_palette(const BlockSamples& b, Rgb pal[4]) {
    pal[0] = code_colour(b.endpoints[0]);
    pal[1] = code_colour(b.endpoints[1]);
    for (int c = 0; c < 3; ++c) {
        const int a = pal[0].c[c];
        const int e = pal[1].c[c];
        if (b.colour_mode == 4) {
            pal[2].c[c] = (2 * a + e + 1) / 3;
            pal[3].c[c] = (a + 2 * e + 1) / 3;
        } else {
            pal[2].c[c] = (a + e) / 2;
            pal[3].c[c] = 0;
        }
    }
}

const double kWeights[3] = {double(0.309f), double(0.609f), double(0.082f)};

void fill_block(BlockSamples& b, const std::vector<Rgb>& px, int max_colours, int force_four) {
    b = BlockSamples();
    b.count = int(px.size());
    b.max_colours = max_colours;
    b.force_four = force_four;
    for (int c = 0; c < 3; ++c) b.weights[c] = kWeights[c];
    for (int i = 0; i < b.count; ++i) {
        for (int c = 0; c < 3; ++c) b.samples[i][c] = px[size_t(i)].c[c] / 255.0;
    }
    for (int i = 0; i < b.count; ++i) b.indices[i] = -1;
}

// Weighted squared error of the decoded block, in 8-bit units.
double decoded_error(const BlockSamples& b, const std::vector<Rgb>& px) {
    Rgb pal[4];
    decode_palette(b, pal);
    double err = 0.0;
    for (int i = 0; i < b.count; ++i) {
        const int idx = b.indices[i];
        if (idx < 0 || idx > 3) return 1e30;
        for (int c = 0; c < 3; ++c) {
            const double d = kWeights[c] * (pal[idx].c[c] - px[size_t(i)].c[c]);
            err += d * d;
        }
    }
    return err;
}

bool is_grey(const Rgb& p) {
    return std::abs(p.c[0] - p.c[1]) <= 2 && std::abs(p.c[1] - p.c[2]) <= 2 &&
           std::abs(p.c[2] - p.c[0]) <= 2;
}

using Random = TestRandom;

Rgb random_code_colour(Random& rnd, int code[3]) {
    code[0] = rnd.below(32);
    code[1] = rnd.below(64);
    code[2] = rnd.below(32);
    return code_colour(code);
}

struct Setting {
    int max_colours;
    int force_four;
};
const Setting kSettings[3] = {{3, 0}, {4, 0}, {4, 1}};

}  // namespace

TEST(FitColourEndpoints, SolidRepresentableColoursComeBackExact) {
    for (const Setting& s : kSettings) {
        for (int r5 : {0, 5, 13, 31}) {
            for (int g6 : {0, 1, 22, 40, 63}) {
                for (int b5 : {0, 7, 31}) {
                    const int code[3] = {r5, g6, b5};
                    const Rgb colour = code_colour(code);
                    if (is_grey(colour)) continue;
                    BlockSamples b;
                    fill_block(b, std::vector<Rgb>(16, colour), s.max_colours, s.force_four);
                    fit_colour_endpoints(b);
                    for (int c = 0; c < 3; ++c) {
                        EXPECT_EQ(b.endpoints[0][c], code[c]);
                        EXPECT_EQ(b.endpoints[1][c], code[c]);
                    }
                    EXPECT_EQ(b.colour_mode, s.max_colours);
                    for (int i = 0; i < 16; ++i) EXPECT_EQ(b.indices[i], 1);
                }
            }
        }
    }
}

TEST(FitColourEndpoints, SolidWhiteAndBlackAreExact) {
    for (const Setting& s : kSettings) {
        for (int v : {0, 255}) {
            BlockSamples b;
            fill_block(b, std::vector<Rgb>(16, Rgb{{v, v, v}}), s.max_colours, s.force_four);
            fit_colour_endpoints(b);
            const int top[3] = {31, 63, 31};
            for (int k = 0; k < 2; ++k) {
                for (int c = 0; c < 3; ++c) EXPECT_EQ(b.endpoints[k][c], v ? top[c] : 0);
            }
            EXPECT_EQ(b.colour_mode, s.max_colours);
            for (int i = 0; i < 16; ++i) EXPECT_EQ(b.indices[i], 1);
        }
    }
}

TEST(FitColourEndpoints, SolidColourModeNeverComesFromThePreviousBlock) {
    BlockSamples b;
    fill_block(b, std::vector<Rgb>(16, Rgb{{255, 0, 0}}), 3, 0);
    b.colour_mode = 4;  // left over from some earlier block
    fit_colour_endpoints(b);
    EXPECT_EQ(b.colour_mode, 3);
}

TEST(FitColourEndpoints, SolidColourBetweenLevelsUsesAnInterpolatedEntry) {
    // Red 103 lies between the 5-bit levels 99 and 107 and is their middle.
    BlockSamples b;
    fill_block(b, std::vector<Rgb>(16, Rgb{{103, 0, 255}}), 3, 0);
    fit_colour_endpoints(b);
    EXPECT_EQ(b.colour_mode, 3);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(b.indices[i], 2);
    EXPECT_EQ(decoded_error(b, std::vector<Rgb>(16, Rgb{{103, 0, 255}})), 0.0);
}

TEST(FitColourEndpoints, GreyBlocksGetReplicatedGreenCodes) {
    Random rnd{12345};
    for (int trial = 0; trial < 400; ++trial) {
        auto random_grey = [&rnd]() {
            const int base = rnd.below(256);
            Rgb p;
            for (int c = 0; c < 3; ++c)
                p.c[c] = std::min(255, std::max(0, base + rnd.below(3) - 1));
            return p;
        };
        const int solid = trial % 4 == 0;
        const Rgb first = random_grey();
        std::vector<Rgb> px(16, first);
        if (!solid) {
            for (Rgb& p : px) p = random_grey();
        }
        const Setting& s = kSettings[trial % 3];
        BlockSamples b;
        fill_block(b, px, s.max_colours, s.force_four);
        fit_colour_endpoints(b);
        for (int k = 0; k < 2; ++k) {
            const int g = b.endpoints[k][1];
            EXPECT_EQ(g, widen_grey_green(g >> 1)) << "trial " << trial;
        }
    }
}

// Green of a grey block is fitted with 5 bits and widened afterwards: its
// decoded value stays within 2 levels of the 5-bit value the search aimed
// at, so no tint appears, and black and white stay exact.
TEST(FitColourEndpoints, GreyLevelsStayWithinTwoOfTheirFit) {
    for (int v = 0; v < 256; ++v) {
        BlockSamples b;
        fill_block(b, std::vector<Rgb>(16, Rgb{{v, v, v}}), 3, 0);
        fit_colour_endpoints(b);
        Rgb pal[4];
        decode_palette(b, pal);
        const int idx = b.indices[0];
        const int g0 = ref_expand5(b.endpoints[0][1] >> 1);
        const int g1 = ref_expand5(b.endpoints[1][1] >> 1);
        const int aimed[3] = {g0, g1, (g0 + g1) / 2};
        EXPECT_LE(std::abs(pal[idx].c[1] - aimed[idx]), 2) << v;
        for (int c = 0; c < 3; ++c) EXPECT_LE(std::abs(pal[idx].c[c] - v), 4) << v;
        if (v == 0 || v == 255) {
            for (int c = 0; c < 3; ++c) EXPECT_EQ(pal[idx].c[c], v);
        }
    }
}

TEST(FitColourEndpoints, TwoRepresentableColoursComeBackExact) {
    Random rnd{777};
    for (int trial = 0; trial < 600; ++trial) {
        int ca[3];
        int cb[3];
        const Rgb a = random_code_colour(rnd, ca);
        const Rgb c = random_code_colour(rnd, cb);
        if (is_grey(a) && is_grey(c)) continue;
        std::vector<Rgb> px(16, a);
        px[size_t(rnd.below(16))] = c;
        for (int i = 0; i < 16; ++i) {
            if (rnd.below(2)) px[size_t(i)] = c;
        }
        const Setting& s = kSettings[trial % 3];
        BlockSamples b;
        fill_block(b, px, s.max_colours, s.force_four);
        fit_colour_endpoints(b);
        EXPECT_EQ(decoded_error(b, px), 0.0) << "trial " << trial;
        if (s.force_four) {
            EXPECT_EQ(b.colour_mode, 4);
        }
    }
}

TEST(FitColourEndpoints, TwoColoursSkipTheLineSearch) {
    // Without force_four the two colours go straight to rounding as end points.
    std::vector<Rgb> px(16, Rgb{{200, 30, 90}});
    for (int i = 0; i < 16; i += 3) px[size_t(i)] = Rgb{{17, 140, 251}};
    BlockSamples b;
    fill_block(b, px, 4, 0);
    BlockSamples copy = b;
    fit_colour_endpoints(b);
    ColourSet cs;
    prepare_colour_set(copy, cs);
    build_distinct_colours(cs);
    ASSERT_EQ(cs.n, 2);
    QuantizedEndpoints q;
    try_endpoint_variants(cs, cs.colours[0].u, cs.colours[1].u, 2, q);
    for (int k = 0; k < 2; ++k) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(b.endpoints[k][c], q.codes[k][c]);
    }
    EXPECT_EQ(b.colour_mode, q.colours);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(b.indices[i], q.index[cs.sample_colour[i]]);
}

TEST(FitColourEndpoints, ThreeColourPaletteComesBackExact) {
    Random rnd{4242};
    int tested = 0;
    for (int trial = 0; trial < 800; ++trial) {
        int ca[3];
        int cb[3];
        const Rgb a = random_code_colour(rnd, ca);
        const Rgb c = random_code_colour(rnd, cb);
        if (is_grey(a) || is_grey(c)) continue;
        Rgb mid;
        for (int k = 0; k < 3; ++k) mid.c[k] = (a.c[k] + c.c[k]) / 2;
        const Rgb three[3] = {a, c, mid};
        std::vector<Rgb> px(16);
        for (int i = 0; i < 16; ++i) px[size_t(i)] = three[i < 3 ? i : rnd.below(3)];
        for (int i = 15; i > 0; --i) std::swap(px[size_t(i)], px[size_t(rnd.below(i + 1))]);
        const Setting& s = kSettings[trial % 2];
        BlockSamples b;
        fill_block(b, px, s.max_colours, s.force_four);
        fit_colour_endpoints(b);
        EXPECT_EQ(decoded_error(b, px), 0.0) << "trial " << trial;
        ++tested;
    }
    EXPECT_GT(tested, 400);
}

TEST(FitColourEndpoints, MiddleOfBlackAndRedIs127) {
    std::vector<Rgb> px(16, Rgb{{0, 0, 0}});
    for (int i = 0; i < 16; i += 2) px[size_t(i)] = Rgb{{127, 0, 0}};
    px[5] = Rgb{{255, 0, 0}};
    BlockSamples b;
    fill_block(b, px, 3, 0);
    fit_colour_endpoints(b);
    EXPECT_EQ(b.colour_mode, 3);
    EXPECT_EQ(decoded_error(b, px), 0.0);
}

TEST(FitColourEndpoints, ColourModeIsThreeOrFourAndIndicesFitIt) {
    Random rnd{99};
    for (int trial = 0; trial < 1500; ++trial) {
        const int count = 1 + rnd.below(16);
        const int palette = 1 + rnd.below(6);
        std::vector<Rgb> colours(static_cast<size_t>(palette));
        for (Rgb& c : colours) c = Rgb{{rnd.below(256), rnd.below(256), rnd.below(256)}};
        std::vector<Rgb> px(static_cast<size_t>(count));
        for (Rgb& p : px) p = colours[size_t(rnd.below(palette))];
        const Setting& s = kSettings[trial % 3];
        BlockSamples b;
        fill_block(b, px, s.max_colours, s.force_four);
        fit_colour_endpoints(b);
        if (s.force_four) {
            EXPECT_EQ(b.colour_mode, 4);
        } else if (s.max_colours == 3) {
            EXPECT_EQ(b.colour_mode, 3);
        } else {
            EXPECT_TRUE(b.colour_mode == 3 || b.colour_mode == 4);
        }
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(b.endpoints[0][c], 0);
            EXPECT_LE(b.endpoints[0][c], c == 1 ? 63 : 31);
            EXPECT_GE(b.endpoints[1][c], 0);
            EXPECT_LE(b.endpoints[1][c], c == 1 ? 63 : 31);
        }
        for (int i = 0; i < count; ++i) {
            EXPECT_GE(b.indices[i], 0);
            EXPECT_LE(b.indices[i], b.colour_mode == 3 ? 2 : 3);
        }
    }
}

TEST(FitColourEndpoints, SamplesOutsideTheCubeAreClamped) {
    BlockSamples a;
    std::vector<Rgb> px(16, Rgb{{255, 0, 40}});
    for (int i = 0; i < 16; i += 4) px[size_t(i)] = Rgb{{10, 200, 0}};
    fill_block(a, px, 3, 0);
    BlockSamples b = a;
    for (int i = 0; i < 16; ++i) {
        if (b.samples[i][0] == 1.0) b.samples[i][0] = 1.25;
        if (b.samples[i][2] == 0.0) b.samples[i][2] = -0.5;
    }
    fit_colour_endpoints(a);
    fit_colour_endpoints(b);
    for (int k = 0; k < 2; ++k) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(a.endpoints[k][c], b.endpoints[k][c]);
    }
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a.indices[i], b.indices[i]);
}

TEST(FitColourEndpoints, ZeroWeightsAreTolerated) {
    // Samples that differ only in an unweighted channel, and a solid block
    // with an unweighted channel, still get sound codes.
    std::vector<Rgb> px(16, Rgb{{80, 160, 10}});
    for (int i = 0; i < 16; i += 2) px[size_t(i)].c[2] = 200;
    BlockSamples b;
    fill_block(b, px, 4, 0);
    b.weights[2] = 0.0;
    fit_colour_endpoints(b);
    EXPECT_TRUE(b.colour_mode == 3 || b.colour_mode == 4);
    Rgb pal[4];
    decode_palette(b, pal);
    for (int i = 0; i < 16; ++i) {
        const Rgb& got = pal[b.indices[i]];
        EXPECT_LE(std::abs(got.c[0] - 80), 4);
        EXPECT_LE(std::abs(got.c[1] - 160), 4);
    }

    const int code[3] = {9, 33, 21};
    const Rgb solid = code_colour(code);
    fill_block(b, std::vector<Rgb>(16, solid), 3, 0);
    b.weights[1] = 0.0;
    fit_colour_endpoints(b);
    decode_palette(b, pal);
    EXPECT_EQ(pal[b.indices[0]].c[0], solid.c[0]);
    EXPECT_EQ(pal[b.indices[0]].c[2], solid.c[2]);
    EXPECT_LE(b.endpoints[0][1], 63);
}

TEST(FitColourEndpoints, QuickFlagHandsTheBlockToTheQuickFit) {
    std::vector<Rgb> px(16);
    Random rnd{5};
    for (Rgb& p : px) p = Rgb{{rnd.below(256), rnd.below(256), rnd.below(256)}};
    BlockSamples a;
    fill_block(a, px, 4, 0);
    a.quick = 1;
    BlockSamples b = a;
    fit_colour_endpoints(a);
    quick_colour_fit(b);
    EXPECT_EQ(a.colour_mode, b.colour_mode);
    for (int k = 0; k < 2; ++k) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(a.endpoints[k][c], b.endpoints[k][c]);
    }
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a.indices[i], b.indices[i]);
}
