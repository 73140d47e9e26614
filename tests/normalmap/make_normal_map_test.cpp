// make_normal_map as a whole: encodings, slopes, post-processing, refused
// codes, small pictures, and pinned output of every kernel.
#include <gtest/gtest.h>

#include <cmath>

#include "normalmap_test_support.h"

namespace {

Picture height_ramp(int32_t w, int32_t h, int32_t step) {
    Picture p(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) p.px(x, y)[3] = static_cast<uint8_t>(step * x);
    return p;
}

std::vector<uint8_t> bytes_at(const Picture& p, int32_t x, int32_t y) {
    return std::vector<uint8_t>(p.px(x, y), p.px(x, y) + 4);
}

}  // namespace

TEST(MakeNormalMap, FlatFieldBiasedAndSigned) {
    for (int32_t kernel : {1040, 1041, 1042, 1044, 1045})
        for (bool is_signed : {false, true}) {
            Picture p(7, 5);
            p.fill(1, 2, 3, 100);
            NormalMapOptions o;
            o.kernel = kernel;
            o.signed_output = is_signed;
            ASSERT_EQ(make_normal_map(o, p.w, p.h, p.bytes.data(), 8), 0);
            const std::vector<uint8_t> want = is_signed ? std::vector<uint8_t>{127, 0, 0, 100}
                                                        : std::vector<uint8_t>{255, 128, 128, 100};
            for (int32_t y = 0; y < p.h; ++y)
                for (int32_t x = 0; x < p.w; ++x) ASSERT_EQ(bytes_at(p, x, y), want) << kernel;
        }
}

TEST(MakeNormalMap, RampOfFiftyOnePerColumn) {
    const SlopeNormal n = normal_from_slopes(0.2f, 0.0f, 1.0f, 1.0f);
    EXPECT_NEAR(n.nx, -0.196116, 1e-6);
    EXPECT_EQ(n.ny, 0.0);
    EXPECT_NEAR(n.nz, 0.980581, 1e-6);

    Picture p = height_ramp(5, 3, 51);
    NormalMapOptions o;
    o.scale = 1.0f;
    ASSERT_EQ(make_normal_map(o, p.w, p.h, p.bytes.data(), 8), 0);
    // Interior columns: value_x = 0.2. Bytes 0, 1, 2 = z, y, x.
    for (int32_t x = 1; x < 4; ++x)
        EXPECT_EQ(bytes_at(p, x, 1),
                  (std::vector<uint8_t>{253, 128, 102, static_cast<uint8_t>(51 * x)}));

    Picture q = height_ramp(5, 3, 51);
    o.invert_x = true;
    ASSERT_EQ(make_normal_map(o, q.w, q.h, q.bytes.data(), 8), 0);
    for (int32_t x = 1; x < 4; ++x)
        EXPECT_EQ(bytes_at(q, x, 1),
                  (std::vector<uint8_t>{253, 128, 153, static_cast<uint8_t>(51 * x)}));
}

TEST(MakeNormalMap, InvertFlipsOneComponent) {
    const SlopeNormal a = normal_from_slopes(0.3f, -0.7f, 2.2f, 2.2f);
    const SlopeNormal bx = normal_from_slopes(0.3f, -0.7f, -2.2f, 2.2f);
    const SlopeNormal by = normal_from_slopes(0.3f, -0.7f, 2.2f, -2.2f);
    EXPECT_EQ(bx.nx, -a.nx);
    EXPECT_EQ(bx.ny, a.ny);
    EXPECT_EQ(bx.nz, a.nz);
    EXPECT_EQ(by.nx, a.nx);
    EXPECT_EQ(by.ny, -a.ny);
    EXPECT_EQ(by.nz, a.nz);
}

// A rise along y (rows going down) leans the normal towards -y; the y
// kernel of 1040 weighs the row below positively.
TEST(MakeNormalMap, RampAlongRows) {
    Picture p(3, 5);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 3; ++x) p.px(x, y)[3] = static_cast<uint8_t>(51 * y);
    NormalMapOptions o;
    o.scale = 1.0f;
    ASSERT_EQ(make_normal_map(o, p.w, p.h, p.bytes.data(), 8), 0);
    EXPECT_EQ(bytes_at(p, 1, 2), (std::vector<uint8_t>{253, 102, 128, 102}));
}

TEST(MakeNormalMap, TwoChannelEncoding) {
    Picture p = height_ramp(5, 3, 51);
    NormalMapOptions o;
    o.kernel = 1043;
    o.scale = 1.0f;
    o.signed_output = true;  // the two-channel encoding wins
    ASSERT_EQ(make_normal_map(o, p.w, p.h, p.bytes.data(), 8), 0);
    // Interior value_x = (1 + 2 + 1) / 8 * 102 * 0.003921569 = 0.2; byte 2 is
    // trunc(0.5 - 0.196116 * 127.5) = -24 as a byte.
    EXPECT_EQ(bytes_at(p, 2, 1), (std::vector<uint8_t>{0, 0, 232, 102}));
    // A flat field: x and y 0 before the renormalisation, byte 0 stays 0.
    Picture f(4, 4);
    f.fill(9, 9, 9, 50);
    ASSERT_EQ(make_normal_map(o, f.w, f.h, f.bytes.data(), 8), 0);
    EXPECT_EQ(bytes_at(f, 2, 2), (std::vector<uint8_t>{0, 0, 0, 50}));
}

TEST(MakeNormalMap, AlphaCodes) {
    const struct {
        int32_t alpha;
        uint8_t want;
    } cases[] = {{1033, 77}, {1034, 200}, {1035, 0}, {1036, 255}, {1037, 200}};
    for (const auto& t : cases) {
        Picture p(3, 3);
        p.fill(10, 20, 200, 77);
        NormalMapOptions o;
        o.conversion = 1012;  // height from byte 2
        o.alpha = t.alpha;
        ASSERT_EQ(make_normal_map(o, p.w, p.h, p.bytes.data(), 8), 0);
        EXPECT_EQ(bytes_at(p, 1, 1), (std::vector<uint8_t>{255, 128, 128, t.want})) << t.alpha;
    }
}

TEST(MakeNormalMap, MinzAndSwap) {
    const struct {
        int32_t minz;
        bool swap;
        std::vector<uint8_t> want;
    } cases[] = {
        {0, false, {127, 0, 0, 9}},    // signed flat: z = 127
        {200, false, {200, 0, 0, 9}},  // raised
        {100, false, {127, 0, 0, 9}},  // already above
        {300, false, {127, 0, 0, 9}},  // 127 < 300, low 8 bits 44 stored
        {-1, false, {255, 0, 0, 9}},   // 0xFFFFFFFF as unsigned
        {0, true, {0, 0, 127, 9}},     // bytes 0 and 2 exchanged
        {200, true, {0, 0, 200, 9}},   // minz before the exchange
    };
    for (const auto& t : cases) {
        Picture p(2, 2);
        p.fill(1, 1, 1, 9);
        NormalMapOptions o;
        o.signed_output = true;
        o.minz = t.minz;
        o.swap_rgb = t.swap;
        ASSERT_EQ(make_normal_map(o, p.w, p.h, p.bytes.data(), 8), 0);
        std::vector<uint8_t> want = t.want;
        if (t.minz == 300) want[0] = 44;
        EXPECT_EQ(bytes_at(p, 0, 0), want) << t.minz << " " << t.swap;
    }
}

TEST(MakeNormalMap, UnknownConversionsAreReportedAndChangeNothing) {
    for (int32_t code : {1008, 1019, 0}) {
        MessageLog log;
        Picture p = noise_picture(4, 4, 1);
        const std::vector<uint8_t> before = p.bytes;
        NormalMapOptions o;
        o.conversion = code;
        EXPECT_EQ(make_normal_map(o, p.w, p.h, p.bytes.data(), 8), NORMALMAP_UNKNOWN_CONVERSION);
        EXPECT_EQ(p.bytes, before);
        ASSERT_EQ(MessageLog::texts().size(), 1u);
        EXPECT_EQ(MessageLog::texts()[0], "Unknown conversion " + std::to_string(code));
    }
}

TEST(MakeNormalMap, BadArguments) {
    Picture p = noise_picture(2, 2, 1);
    const std::vector<uint8_t> before = p.bytes;
    NormalMapOptions o;
    EXPECT_EQ(make_normal_map(o, 2, 2, p.bytes.data(), 7), NORMALMAP_BAD_ARGUMENT);
    EXPECT_EQ(make_normal_map(o, -1, 2, p.bytes.data(), 8), NORMALMAP_BAD_ARGUMENT);
    EXPECT_EQ(make_normal_map(o, 2, 2, nullptr, 8), NORMALMAP_BAD_ARGUMENT);
    EXPECT_EQ(p.bytes, before);
    EXPECT_EQ(make_normal_map(o, 0, 0, nullptr, 8), NORMALMAP_OK);
}

// Every chain of levels ends in such pictures; each kernel, with and without
// wrap, must stay inside them (the sanitizer build checks the reads) and give
// the plain sums.
TEST(MakeNormalMap, SmallPictures) {
    const int32_t sizes[][2] = {{1, 1}, {1, 2}, {2, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 2}};
    for (int32_t kernel : {1040, 1041, 1042, 1043, 1044, 1045})
        for (const auto& sz : sizes)
            for (bool wrap : {false, true}) {
                Picture p = noise_picture(sz[0], sz[1], 5);
                Picture want = p;
                const KernelPair k = make_kernel_pair(kernel);
                for (int32_t y = 0; y < p.h; ++y)
                    for (int32_t x = 0; x < p.w; ++x) {
                        const SlopeNormal n =
                            normal_from_slopes(plain_value(k.x, p, x, y, wrap),
                                               plain_value(k.y, p, x, y, wrap), 2.2f, 2.2f);
                        if (kernel == 1043)
                            encode_two_channel(want.px(x, y), n);
                        else
                            encode_biased(want.px(x, y), n);
                    }
                NormalMapOptions o;
                o.kernel = kernel;
                o.wrap = wrap;
                ASSERT_EQ(make_normal_map(o, p.w, p.h, p.bytes.data(), 8), 0);
                EXPECT_EQ(p.bytes, want.bytes) << kernel << " " << sz[0] << "x" << sz[1];
            }
}

// Pinned output of every kernel and encoding on one picture.
TEST(MakeNormalMap, PinnedOutput) {
    const struct {
        int32_t kernel, conversion;
        bool is_signed, wrap;
        uint64_t hash;
    } cases[] = {
        {1040, 1010, false, false, 3125840387224635019ull},
        {1041, 1015, false, true, 12376937746205195163ull},
        {1042, 1016, true, false, 4209992081919101976ull},
        {1043, 1012, false, true, 3883216856359265063ull},
        {1044, 1009, false, false, 5059434709374422959ull},
        {1045, 1011, true, true, 7719405806275566565ull},
    };
    for (const auto& t : cases) {
        Picture p = noise_picture(37, 23, 11);
        NormalMapOptions o;
        o.kernel = t.kernel;
        o.conversion = t.conversion;
        o.signed_output = t.is_signed;
        o.wrap = t.wrap;
        ASSERT_EQ(make_normal_map(o, p.w, p.h, p.bytes.data(), 8), 0);
        EXPECT_EQ(fnv1a(p.bytes), t.hash) << t.kernel;
    }
}
