// Level filters: the documented examples as exact bytes, window placement,
// the extended-precision sums, the sharpener's ties, the unsharp mask near
// edges, and the table roads against a plain per-byte evaluation.
#include "texcomp/level_filter.h"

#include <gtest/gtest.h>

#include <cmath>

#include "texcomp_test_util.h"

namespace {

bool run(LevelFilterState& st, TestLevel& t, int32_t method) {
    return filter_level(st, t.level.pixels, 4 * t.level.width, 4, t.level.width, t.level.height,
                        method);
}

std::vector<uint32_t> random_words(size_t n, uint32_t seed) {
    std::vector<uint32_t> w(n);
    uint32_t x = seed;
    for (auto& v : w) {
        x = x * 1664525u + 1013904223u;
        v = x;
    }
    return w;
}

LevelFilterState custom_state(const std::vector<float>& weights25, float divisor, float bias) {
    float cf[33] = {};
    for (size_t i = 0; i < 25; ++i) cf[i] = weights25[i];
    cf[25] = divisor;
    cf[26] = bias;
    cf[27] = 5, cf[28] = 0.5f, cf[29] = 0, cf[30] = 255, cf[31] = 255;
    LevelFilterState st;
    prepare_custom_filter(st, cf);
    return st;
}

// The kernel filters written out plainly: every byte from a copy of the
// whole level, long double throughout.
std::vector<uint8_t> plain_kernel(const std::vector<uint8_t>& src, int32_t w, int32_t h,
                                  FilterKernel k) {
    if (k.divisor == 0) k.divisor = 1;
    bool outer = false, others = false;
    for (int i = 0; i < 5; ++i)
        for (int c = 0; c < 5; ++c) {
            if ((i == 0 || i == 4 || c == 0 || c == 4) && k.weights[i][c] != 0)
                outer = true;
            else if ((i != 2 || c != 2) && k.weights[i][c] != 0)
                others = true;
        }
    auto byte_of = [&](long double s) -> uint8_t {
        const long double x = s / k.divisor + k.bias;
        if (!(x > 0)) return 0;
        return x >= 255 ? 255 : static_cast<uint8_t>(static_cast<int>(x));
    };
    std::vector<uint8_t> out = src;
    if (!outer && !others) {
        if (k.weights[2][2] == 1 && k.divisor == 1 && k.bias == 0) return out;
        for (auto& b : out) b = byte_of(static_cast<long double>(k.weights[2][2]) * b);
        return out;
    }
    const int r = outer ? 2 : 1;
    if (w < 2 * r + 1 || h < 2 * r + 1) return out;
    for (int y = r; y < h - r; ++y)
        for (int x = r; x < w - r; ++x)
            for (int c = 0; c < 4; ++c) {
                long double s = 0;
                for (int i = -r; i <= r; ++i)
                    for (int j = -r; j <= r; ++j)
                        s += static_cast<long double>(k.weights[i + 2][j + 2]) *
                             src[((y + i) * w + x + j) * 4 + c];
                out[(y * w + x) * 4 + c] = byte_of(s);
            }
    return out;
}

}  // namespace

TEST(LevelFilter, DocumentedExamples) {
    struct Case {
        int32_t method;
        uint32_t in, out;
    } cases[] = {
        {1, 0xFF1E140Au, 0x00E1EBF5u},  // (10, 20, 30, 255) -> (245, 235, 225, 0)
        {2, 0xF0F0F0F0u, 0xFFFFFFFFu},  // 240 + 32 clamps to 255
        {3, 0x14141414u, 0x00000000u},  // 20 - 32 clamps to 0
        {5, 0x64646464u, 0x72727272u},  // 100 / 2 + 64 = 114
        {4, 0x80407F00u, 0x80007E00u},  // 2v - 128
        {0, 0x12345678u, 0x12345678u},  {18, 0x12345678u, 0x12345678u},
        {20, 0x12345678u, 0x12345678u}, {-3, 0x12345678u, 0x12345678u},
    };
    for (const Case& c : cases) {
        LevelFilterState st;
        TestLevel t(2, 1, {c.in, c.in});
        ASSERT_TRUE(run(st, t, c.method));
        EXPECT_EQ(t.word(0), c.out) << c.method;
        EXPECT_EQ(t.word(1), c.out) << c.method;
    }
}

TEST(LevelFilter, TooSmallOrConstantLevels) {
    const auto words = random_words(4, 7);
    for (int32_t method : {6, 7, 8, 9, 10, 12, 13, 14, 15, 17}) {
        LevelFilterState st;
        TestLevel t(2, 2, words);
        run(st, t, method);
        for (size_t i = 0; i < 4; ++i) EXPECT_EQ(t.word(i), words[i]) << method;
    }
    LevelFilterState st;
    TestLevel flat(6, 5, std::vector<uint32_t>(30, 0x80604020u));
    run(st, flat, 9);
    for (size_t i = 0; i < 30; ++i) EXPECT_EQ(flat.word(i), 0x80604020u);

    // Smoothen on 4 x 4 touches only the four inner pixels.
    const auto w16 = random_words(16, 3);
    TestLevel t(4, 4, w16);
    run(st, t, 6);
    for (size_t i = 0; i < 16; ++i) {
        const bool inner = (i == 5 || i == 6 || i == 9 || i == 10);
        EXPECT_EQ(t.word(i) != w16[i], inner) << i;
    }
}

TEST(LevelFilter, CustomAllZeroAndUnprepared) {
    // All CustomFilter zero: divisor 0 becomes 1, centre 0: every byte 0.
    LevelFilterState st = custom_state(std::vector<float>(25, 0.0f), 0.0f, 0.0f);
    const auto words = random_words(6, 11);
    TestLevel t(3, 2, words);
    run(st, t, 19);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(t.word(i), 0u);
    EXPECT_EQ(st.custom.divisor, 1.0f);
    // Never prepared: method 19 is the identity.
    LevelFilterState fresh;
    TestLevel u(3, 2, words);
    run(fresh, u, 19);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(u.word(i), words[i]);
}

TEST(LevelFilter, BrightPixelSpreadsOneRingPerPass) {
    // Smoothen reads unfiltered neighbours: a single 255 becomes 98 in the
    // centre (255*5/13) and 19 around it; nothing reaches the second ring.
    std::vector<uint32_t> words(49, 0);
    words[24] = 0xFFFFFFFFu;
    LevelFilterState st;
    TestLevel t(7, 7, words);
    run(st, t, 6);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x) {
            const int d = std::max(std::abs(x - 3), std::abs(y - 3));
            const uint32_t expect = d == 0 ? 0x62626262u : d == 1 ? 0x13131313u : 0u;
            EXPECT_EQ(t.word(y * 7 + x), expect) << x << "," << y;
        }
    run(st, t, 6);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x) {
            const int d = std::max(std::abs(x - 3), std::abs(y - 3));
            EXPECT_EQ(t.word(y * 7 + x) != 0, d <= 2) << x << "," << y;
        }
}

TEST(LevelFilter, SumsCarryExtendedPrecision) {
    // 1 - 2^-55 is a long double but rounds to 1 as a double: the centre
    // truncates to 0, not 1.
    std::vector<float> w(25, 0.0f);
    w[6] = -std::ldexp(1.0f, -55);  // above-left of the centre
    w[12] = 1.0f;
    LevelFilterState st = custom_state(w, 1.0f, 0.0f);
    const double as_double = -std::ldexp(1.0, -55) + 1.0;
    ASSERT_EQ(static_cast<int>(as_double), 1);
    TestLevel t(3, 3, std::vector<uint32_t>(9, 0x01010101u));
    run(st, t, 19);
    EXPECT_EQ(t.word(4), 0u);
    EXPECT_EQ(t.word(0), 0x01010101u);
    // NaN weights give byte 0.
    w[6] = std::nanf("");
    st = custom_state(w, 1.0f, 0.0f);
    TestLevel n(3, 3, std::vector<uint32_t>(9, 0x01010101u));
    run(st, n, 19);
    EXPECT_EQ(n.word(4), 0u);
}

TEST(LevelFilter, FiveByFivePlacement) {
    // One weight two rows up and two columns right: each of the 2 x 2 inner
    // pixels of a 6 x 6 level takes the pixel at (x + 2, y - 2); a border of
    // two stays.
    std::vector<float> w(25, 0.0f);
    w[4] = 1.0f;
    LevelFilterState st = custom_state(w, 1.0f, 0.0f);
    std::vector<uint32_t> words(36);
    for (uint32_t i = 0; i < 36; ++i) words[i] = 0x01010101u * i;
    TestLevel t(6, 6, words);
    run(st, t, 19);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inner = x >= 2 && x <= 3 && y >= 2 && y <= 3;
            const uint32_t expect = inner ? words[(y - 2) * 6 + x + 2] : words[y * 6 + x];
            EXPECT_EQ(t.word(y * 6 + x), expect) << x << "," << y;
        }
    TestLevel small(4, 6, random_words(24, 5));
    const auto before = small.bytes;
    run(st, small, 19);
    EXPECT_EQ(small.bytes, before);
}

TEST(LevelFilter, KernelsMatchPlainEvaluation) {
    std::vector<FilterKernel> kernels;
    for (int32_t m = 1; m <= 15; ++m) kernels.push_back(*fixed_filter_kernel(m));
    uint32_t x = 99;
    auto next = [&x] { return x = x * 1664525u + 1013904223u; };
    for (int n = 0; n < 12; ++n) {
        FilterKernel k{"", {}, 0, 0};
        const bool outer = n % 2 == 0, whole = n % 3 != 0;
        for (int i = 0; i < 5; ++i)
            for (int c = 0; c < 5; ++c) {
                if (!outer && (i == 0 || i == 4 || c == 0 || c == 4)) continue;
                const float v = static_cast<float>(static_cast<int>(next() >> 28) - 8);
                k.weights[i][c] = whole ? v : v * 0.37f + 0.013f;
            }
        k.divisor = static_cast<float>(static_cast<int>(next() >> 29)) * 0.75f;  // 0 included
        k.bias = static_cast<float>(static_cast<int>(next() >> 25) - 64);
        kernels.push_back(k);
    }
    for (size_t i = 0; i < kernels.size(); ++i) {
        const FilterKernel& k = kernels[i];
        std::vector<float> w25(25);
        for (int j = 0; j < 25; ++j) w25[j] = k.weights[j / 5][j % 5];
        LevelFilterState st = custom_state(w25, k.divisor, k.bias);
        TestLevel t(9, 7, random_words(63, static_cast<uint32_t>(i)));
        const auto expect = plain_kernel(t.bytes, 9, 7, k);
        run(st, t, 19);
        EXPECT_EQ(t.bytes, expect) << i;
    }
}

TEST(LevelFilter, LuminanceSharpenerTies) {
    // Luminance of a grey g is g; both extremes sit at the same distance, so
    // the darker one is taken, and of the two darkest (equal) pixels the first
    // in row-major order, whose colour differs.
    // Grid (grey, with colour tweaks that keep the luminance):
    //   row 0: 100 (blue 96 variant) 120 140
    //   row 1: 100                   120 140
    //   row 2: 130                   130 130
    const uint32_t dark_a = 0xFF64646Bu;  // luminance (55*100+182*100+19*107)>>8 = 100
    const uint32_t dark_b = 0xFF646464u;
    ASSERT_EQ((55 * 100 + 182 * 100 + 19 * 107) >> 8, 100);
    std::vector<uint32_t> words = {dark_a,      0xFF787878u, 0xFF8C8C8Cu, dark_b,     0xFF787878u,
                                   0xFF8C8C8Cu, 0xFF828282u, 0xFF828282u, 0xFF828282u};
    float cf[33] = {};
    cf[30] = 128;  // strength
    cf[31] = 255;  // threshold
    LevelFilterState st;
    prepare_custom_filter(st, cf);
    TestLevel t(3, 3, words);
    run(st, t, 17);
    // Centre 120: bright 140 (+20), dark 100 (-20): dark is taken (first of two).
    const uint32_t c = words[4];
    uint32_t expect = 0;
    for (int k = 0; k < 3; ++k) {
        const int e = (dark_a >> (8 * k)) & 0xFF, v = (c >> (8 * k)) & 0xFF;
        expect |= static_cast<uint32_t>(((128 * e + 127 * v) / 255) & 0xFF) << (8 * k);
    }
    EXPECT_EQ(t.word(4), expect);
    for (size_t i : {0, 1, 2, 3, 5, 6, 7, 8}) EXPECT_EQ(t.word(i), words[i]) << i;

    // Threshold at the distance: the centre stays, alpha = its luminance.
    cf[31] = 20;
    prepare_custom_filter(st, cf);
    TestLevel u(3, 3, words);
    run(st, u, 17);
    EXPECT_EQ(u.word(4), 0x78787878u);
    // Strength 0, NaN or huge strengths never misbehave.
    for (float s : {0.0f, std::nanf(""), 1e30f, -1e30f}) {
        cf[30] = s;
        cf[31] = 255;
        prepare_custom_filter(st, cf);
        TestLevel v(3, 3, words);
        run(st, v, 17);
        if (s == 0.0f || std::isnan(s)) {
            EXPECT_EQ(v.word(4), 0x78787878u);
        }
    }
    // A white nearer extreme is never used.
    // (Centre 250: the white pixel is 5 away, the black one 250.)
    std::vector<uint32_t> white(9, 0xFFFAFAFAu);
    white[0] = 0xFFFFFFFFu;
    white[8] = 0xFF000000u;
    cf[30] = 255;
    prepare_custom_filter(st, cf);
    TestLevel wl(3, 3, white);
    run(st, wl, 17);
    EXPECT_EQ(wl.word(4), 0xFAFAFAFAu);
}

TEST(LevelFilter, UnsharpKernel) {
    std::vector<double> taps;
    unsharp_taps(0.0f, taps);  // sigma 1: 2 * ceil(1.5) + 1 taps
    ASSERT_EQ(taps.size(), 5u);
    double sum = 0;
    for (double t : taps) sum += t;
    EXPECT_NEAR(sum, 1.0, 1e-12);
    EXPECT_EQ(taps[0], taps[4]);
    EXPECT_EQ(taps[1], taps[3]);
    EXPECT_GT(taps[2], taps[1]);
    EXPECT_GT(taps[1], taps[0]);
    unsharp_taps(-5.0f, taps);  // |radius|: sigma 6, 2 * ceil(11.5) + 1
    EXPECT_EQ(taps.size(), 25u);
    unsharp_taps(std::nanf(""), taps);
    EXPECT_EQ(taps.size(), 5u);
}

TEST(LevelFilter, UnsharpNearEdgesAndOnTinyLevels) {
    std::vector<double> taps;
    unsharp_taps(0.0f, taps);
    auto round_byte = [](double v) { return static_cast<int>(std::trunc(v + 0.5)); };
    // 2 x 1 level: only the centre and one neighbour tap lie inside, the
    // column has a single pixel.
    float cf[33] = {};
    cf[27] = 0;     // radius
    cf[28] = 2.0f;  // amount
    cf[29] = 0;
    LevelFilterState st;
    prepare_custom_filter(st, cf);
    TestLevel t(2, 1, {0x00000000u, 0xC8C8C8C8u});
    run(st, t, 16);
    const int b0 = round_byte((taps[2] * 0 + taps[3] * 200) / (taps[2] + taps[3]));
    const int b1 = round_byte((taps[1] * 0 + taps[2] * 200) / (taps[1] + taps[2]));
    const int v0 = std::max(0, std::min(255, static_cast<int>(std::trunc(0 + 2.0 * (0 - b0)))));
    const int v1 = std::max(0, std::min(255, static_cast<int>(std::trunc(200 + 2.0 * (200 - b1)))));
    EXPECT_EQ(t.bytes[0], v0);
    EXPECT_EQ(t.bytes[4], v1);
    EXPECT_EQ(v1, 255);

    // Threshold: differences with |2d| below it are dropped.
    cf[29] = 1000;
    prepare_custom_filter(st, cf);
    TestLevel u(2, 1, {0x00000000u, 0xC8C8C8C8u});
    run(st, u, 16);
    EXPECT_EQ(u.word(0), 0u);
    EXPECT_EQ(u.word(1), 0xC8C8C8C8u);

    // A row of 8 with a step, radius 0 (5 taps): x = 0, 1 and 6, 7 are edge
    // positions, x = 2..5 see every tap and are not divided.
    cf[28] = 0.5f;
    cf[29] = 0;
    prepare_custom_filter(st, cf);
    std::vector<uint32_t> row = {0, 0, 0, 0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    TestLevel r(8, 1, row);
    run(st, r, 16);
    for (int x = 0; x < 8; ++x) {
        double s = 0, ws = 0;
        for (int i = 0; i < 5; ++i) {
            const int q = x + i - 2;
            if (q < 0 || q >= 8) continue;
            s += taps[i] * (q >= 4 ? 255 : 0);
            ws += taps[i];
        }
        const int b = round_byte(x >= 2 && x <= 5 ? s : s / ws);
        const int u0 = x >= 4 ? 255 : 0;
        const int v = std::max(0, std::min(255, static_cast<int>(std::trunc(u0 + 0.5 * (u0 - b)))));
        EXPECT_EQ(r.bytes[x * 4 + 1], v) << x;
    }
    // An infinite radius is capped rather than undefined.
    cf[27] = INFINITY;
    prepare_custom_filter(st, cf);
    TestLevel big(3, 2, random_words(6, 1));
    EXPECT_TRUE(run(st, big, 16));
}
