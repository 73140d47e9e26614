// Height conversions, renormalisation (1017) and normals to height (1018).
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "normalmap_test_support.h"

namespace {

std::vector<uint8_t> one_pixel(int32_t conversion, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    std::vector<uint8_t> p = {b0, b1, b2, b3};
    convert_heights(p.data(), 1, conversion);
    return p;
}

}  // namespace

TEST(Heights, ChosenPixels) {
    const struct {
        int32_t conversion;
        uint8_t in[4];
        uint8_t height;
    } cases[] = {
        {1009, {30, 60, 200, 77}, 77},   {1010, {30, 60, 200, 77}, 96},
        {1010, {255, 255, 255, 0}, 255}, {1010, {1, 1, 0, 0}, 0},
        {1012, {30, 60, 200, 77}, 200},  {1013, {30, 60, 200, 77}, 60},
        {1014, {30, 60, 200, 77}, 30},   {1015, {30, 60, 200, 77}, 200},
        {1015, {90, 60, 20, 77}, 90},    {1016, {0, 0, 51, 9}, 50},
        {1016, {51, 0, 0, 9}, 50},       {1016, {0, 255, 0, 9}, 255},
        {1016, {0, 0, 0, 9}, 0},         {1016, {128, 128, 0, 9}, 191},
    };
    for (const auto& t : cases) {
        const std::vector<uint8_t> p = one_pixel(t.conversion, t.in[0], t.in[1], t.in[2], t.in[3]);
        EXPECT_EQ(p[3], t.height) << t.conversion;
        EXPECT_EQ(std::vector<uint8_t>(p.begin(), p.begin() + 3),
                  std::vector<uint8_t>(t.in, t.in + 3))
            << t.conversion;
    }
}

TEST(Heights, DistanceFromTheMeanClearsTheColour) {
    std::vector<uint8_t> p;
    for (uint8_t v : {10, 20, 30, 41})
        for (uint8_t b : {v, v, v, uint8_t{5}}) p.push_back(b);
    convert_heights(p.data(), 4, 1011);
    // Integer mean 101 / 4 = 25.
    const std::vector<uint8_t> expect = {0, 0, 0, 15, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0, 16};
    EXPECT_EQ(p, expect);
}

TEST(Heights, DistanceFromTheMeanOnAnEmptyPicture) {
    uint8_t p[4] = {1, 2, 3, 4};
    convert_heights(p, 0, 1011);
    EXPECT_EQ(p[3], 4);
    Picture q(0, 3);
    EXPECT_EQ(make_normal_map(NormalMapOptions{1040, 1011}, 0, 3, q.bytes.data(), 8), 0);
}

TEST(Renormalise, UnitStaysZeroGoesTo54) {
    std::vector<uint8_t> p = {255, 128, 128, 9, 0, 0, 0, 7, 255, 255, 255, 1};
    renormalise_normals(p.data(), 3);
    const std::vector<uint8_t> expect = {255, 128, 128, 9, 54, 54, 54, 7, 201, 201, 201, 1};
    EXPECT_EQ(p, expect);
}

TEST(Renormalise, ThroughMakeNormalMapSkipsThePostProcessing) {
    Picture p(1, 2);
    p.px(0, 0)[0] = 0;
    p.px(0, 0)[3] = 40;
    p.px(0, 1)[0] = 255;
    p.px(0, 1)[1] = 128;
    p.px(0, 1)[2] = 128;
    p.px(0, 1)[3] = 41;
    NormalMapOptions o;
    o.conversion = 1017;
    o.alpha = 1036;
    o.minz = 100;
    o.swap_rgb = true;
    ASSERT_EQ(make_normal_map(o, 1, 2, p.bytes.data(), 8), 0);
    const std::vector<uint8_t> expect = {54, 54, 54, 40, 255, 128, 128, 41};
    EXPECT_EQ(p.bytes, expect);
}

// A normal map made from a height ramp integrates back into a ramp: along
// every row the grey falls strictly (the normals lean against the rise).
TEST(NormalsToHeight, RecoversAMonotonicRamp) {
    Picture p(16, 8);
    for (int32_t y = 0; y < p.h; ++y)
        for (int32_t x = 0; x < p.w; ++x) p.px(x, y)[3] = static_cast<uint8_t>(12 * x + 3);
    NormalMapOptions make;
    make.scale = 1.0f;
    ASSERT_EQ(make_normal_map(make, p.w, p.h, p.bytes.data(), 8), 0);
    NormalMapOptions back;
    back.conversion = 1018;
    back.scale = 1.0f;
    ASSERT_EQ(make_normal_map(back, p.w, p.h, p.bytes.data(), 8), 0);
    for (int32_t y = 0; y < p.h; ++y)
        for (int32_t x = 0; x < p.w; ++x) {
            const uint8_t* q = p.px(x, y);
            EXPECT_EQ(q[0], q[1]);
            EXPECT_EQ(q[0], q[2]);
            EXPECT_EQ(q[3], 255);
            if (x > 0) {
                EXPECT_LT(q[0], p.px(x - 1, y)[0]) << x << "," << y;
            }
        }
    // Scale 1 spreads the range over the whole byte.
    uint8_t lo = 255, hi = 0;
    for (size_t i = 0; i < p.bytes.size(); i += 4) {
        lo = std::min(lo, p.bytes[i]);
        hi = std::max(hi, p.bytes[i]);
    }
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 255);
}

// One pixel is a flat field (hi = lo, f = 1): grey 0. Steep slopes next to
// z = 0 stay finite; NaN and infinite scales end as byte 0.
TEST(NormalsToHeight, FlatFieldsAndExtremeSlopes) {
    std::vector<uint8_t> one = {255, 0, 255, 3};
    ASSERT_TRUE(normals_to_height(one.data(), 1, 1, 2.2f, 0.0));
    EXPECT_EQ(one, (std::vector<uint8_t>{0, 0, 0, 255}));

    for (float scale :
         {1.0f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        Picture p(5, 3);
        p.fill(128, 127, 255, 0);  // z just above 0, x and y at their extremes
        p.px(2, 1)[0] = 127;       // z just below 0
        ASSERT_TRUE(normals_to_height(p.bytes.data(), p.w, p.h, scale, 0.0));
        uint8_t lo = 255, hi = 0;
        for (size_t i = 0; i < p.bytes.size(); i += 4) {
            lo = std::min(lo, p.bytes[i]);
            hi = std::max(hi, p.bytes[i]);
        }
        EXPECT_EQ(lo, 0) << scale;
        EXPECT_EQ(hi, scale == 1.0f ? 255 : 0) << scale;
    }
}

// The sums follow the first column and row, then rows and columns; the
// values are small enough to follow by hand.
TEST(NormalsToHeight, TwoByTwoByHand) {
    const double k = 0.00784313725490196;
    auto u = [k](uint8_t b) { return b * k - 1.0; };
    // Pixels (b0, b1, b2): z, y, x.
    const uint8_t px[4][3] = {{255, 128, 191}, {255, 64, 128}, {200, 128, 128}, {255, 191, 64}};
    std::vector<uint8_t> p;
    for (const auto& q : px)
        for (uint8_t b : {q[0], q[1], q[2], uint8_t{0}}) p.push_back(b);
    auto slope = [&](int i, int c) { return u(px[i][c]) / u(px[i][0]); };  // c: 2 x, 1 y
    float a[4], b[4];
    a[0] = static_cast<float>(0.0 + slope(0, 1));
    a[2] = static_cast<float>(static_cast<double>(a[0]) + slope(2, 1));
    b[0] = static_cast<float>(0.0 + slope(0, 2));
    b[1] = static_cast<float>(static_cast<double>(b[0]) + slope(1, 2));
    a[1] = static_cast<float>(static_cast<double>(a[0]) + slope(1, 2));
    a[3] = static_cast<float>(static_cast<double>(a[2]) + slope(3, 2));
    b[2] = static_cast<float>(static_cast<double>(b[0]) + slope(2, 1));
    b[3] = static_cast<float>(static_cast<double>(b[1]) + slope(3, 1));
    float m[4], lo = 0, hi = 0;
    for (int i = 0; i < 4; ++i) {
        m[i] = static_cast<float>((static_cast<double>(a[i]) + b[i]) * 0.5);
        lo = i == 0 ? m[i] : std::min(lo, m[i]);
        hi = i == 0 ? m[i] : std::max(hi, m[i]);
    }
    ASSERT_TRUE(normals_to_height(p.data(), 2, 2, 0.5f, 0.0));
    for (int i = 0; i < 4; ++i) {
        const double g =
            ((static_cast<double>(m[i]) - lo) * (1.0 / (static_cast<double>(hi) - lo)) * 0.5f) *
            255.5;
        EXPECT_EQ(p[4 * i], static_cast<uint8_t>(static_cast<int32_t>(g))) << i;
    }
}
