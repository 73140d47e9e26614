// The vector loops of the byte-row accumulation and of the horizontal pass
// give the plain loops' bits.
#include "zoom/accum_rows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

#include "tests/common/test_random.h"
#include "zoom/filter_rows.h"

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

// The horizontal pass's four-channel rows, plain against channels side by side.
template <typename In, typename Out, typename Store>
void check_filter_pair(int code) {
    TestRandom rnd{uint32_t(code)};
    for (int round = 0; round < 60; ++round) {
        const int n = 1 + round % 23, src_len = 1 + rnd.below(40);
        std::vector<In> src(size_t(src_len) * 4);
        for (In& v : src)
            v = std::is_same<In, float>::value ? In((rnd.below(2000001) - 1000000) * 1e-3f)
                                               : In(rnd.byte());
        std::vector<std::vector<float>> weights{size_t(n)};
        std::vector<WeightTable> tables{size_t(n)};
        for (int i = 0; i < n; ++i) {
            const int i0 = rnd.below(src_len), taps = 1 + rnd.below(src_len - i0);
            for (int k = 0; k < taps; ++k)
                weights[size_t(i)].push_back(
                    k == 0 && round < 4 ? 1.0f / 3.0f : (rnd.below(20001) - 5000) * 1e-4f);
            tables[size_t(i)] = {i0, i0 + taps, weights[size_t(i)].data()};
        }
        std::vector<Out> plain(size_t(n) * 4), wide(size_t(n) * 4);
        filter_rows<4, In, Out, Store>(tables.data(), src.data(), plain.data(), n);
        if (!filter_rows4_wide(code, tables.data(), src.data(), wide.data(), n)) return;
        ASSERT_EQ(0, std::memcmp(plain.data(), wide.data(), plain.size() * sizeof(Out)))
            << "pair " << code << " round " << round;
    }
}

TEST(FilterRows, FourChannelVectorRowsEqualPlainRows) {
    check_filter_pair<uint8_t, uint8_t, StoreByte>(SCANLINE_BYTE4 * 256 + SCANLINE_BYTE4);
    check_filter_pair<uint8_t, int16_t, StoreShort>(SCANLINE_BYTE4 * 256 + SCANLINE_SHORT4);
    check_filter_pair<float, uint8_t, StoreByte>(SCANLINE_FLOAT4 * 256 + SCANLINE_BYTE4);
    check_filter_pair<float, float, StoreFloat>(SCANLINE_FLOAT4 * 256 + SCANLINE_FLOAT4);
}
