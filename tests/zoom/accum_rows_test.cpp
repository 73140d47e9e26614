// The vector loops of the byte-row accumulation give the plain loop's bits.
#include "zoom/accum_rows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "tests/common/test_random.h"

namespace {
void check_against_plain(AccumBytes loop) {
    TestRandom rnd{77};
    auto weight = [&] { return (rnd.below(300001) - 150000) * 1e-5f; };
    auto start = [&] { return (rnd.below(600001) - 300000) * 1e-3f; };
    // Weights and sums where one rounding more or less would show: tiny,
    // huge, and values halfway between two floats after the product.
    const float special[] = {1.0f / 3.0f, 1e-30f, 3e38f, -0.125f, 0.1f, 1.0f + 1.0f / 4096.0f};
    for (int round = 0; round < 400; ++round) {
        const int n = round % 41;  // every tail length of the vector loops
        const float w = round < 6 ? special[round] : weight();
        std::vector<uint8_t> src(n);
        std::vector<float> a(n), b;
        for (int i = 0; i < n; ++i) {
            src[i] = rnd.byte();
            a[i] = round % 5 == 0 ? std::ldexp(start(), 20) : start();
        }
        b = a;
        accum_bytes_plain(w, src.data(), a.data(), n);
        loop(w, src.data(), b.data(), n);
        ASSERT_EQ(0, n ? std::memcmp(a.data(), b.data(), n * sizeof(float)) : 0)
            << "round " << round;
    }
}
}  // namespace

TEST(AccumRows, VectorLoopsEqualPlainLoop) {
    check_against_plain(accum_bytes);
    for (int k = 0; accum_bytes_variant(k); ++k) {
        SCOPED_TRACE(testing::Message() << "variant " << k);
        check_against_plain(accum_bytes_variant(k));
    }
}
