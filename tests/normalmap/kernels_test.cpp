// Kernel pairs: element order, normalisation, extents and their reports.
#include <gtest/gtest.h>

#include <cmath>

#include "normalmap_test_support.h"

namespace {

struct Raw {
    int32_t dx, dy;
    float weight;
};

void expect_kernel(const ConvolutionKernel& k, const std::vector<Raw>& raw, double divisor) {
    ASSERT_EQ(k.count, static_cast<int32_t>(raw.size()));
    for (size_t i = 0; i < raw.size(); ++i) {
        EXPECT_EQ(k.m_pElements[i].dx, raw[i].dx) << i;
        EXPECT_EQ(k.m_pElements[i].dy, raw[i].dy) << i;
        EXPECT_EQ(k.m_pElements[i].weight, static_cast<float>(raw[i].weight / divisor)) << i;
    }
}

double abs_sum(const std::vector<Raw>& raw) {
    double s = 0.0;
    for (const Raw& r : raw) s += std::fabs(static_cast<double>(r.weight));
    return s;
}

}  // namespace

TEST(Kernels, CentralDifferencesAsListed) {
    const KernelPair p = make_kernel_pair(1040);
    expect_kernel(p.x, {{-1, 0, -0.5f}, {1, 0, 0.5f}}, 1.0);
    expect_kernel(p.y, {{0, 1, 0.5f}, {0, -1, -0.5f}}, 1.0);
}

TEST(Kernels, FiveByFiveOrderAndSums) {
    const float a = 0.0625f, b = 0.1f, c = 0.35714287f;
    const std::vector<Raw> x = {{-2, 2, -a},      {-1, 2, -b},    {1, 2, b},    {2, 2, a},
                                {-2, -2, -a},     {-1, -2, -b},   {1, -2, b},   {2, -2, a},
                                {-2, 1, -b},      {-1, 1, -c},    {1, 1, c},    {2, 1, b},
                                {-2, -1, -b},     {-1, -1, -c},   {1, -1, c},   {2, -1, b},
                                {-2, 0, -0.125f}, {-1, 0, -0.5f}, {1, 0, 0.5f}, {2, 0, 0.125f}};
    const std::vector<Raw> y = {{2, 2, a},     {2, 1, b},    {2, -1, -b},    {2, -2, -a},
                                {-2, 2, a},    {-2, 1, b},   {-2, -1, -b},   {-2, -2, -a},
                                {1, 2, b},     {1, 1, c},    {1, -1, -c},    {1, -2, -b},
                                {-1, 2, b},    {-1, 1, c},   {-1, -1, -c},   {-1, -2, -b},
                                {0, 2, 0.25f}, {0, 1, 0.5f}, {0, -1, -0.5f}, {0, -2, -0.25f}};
    EXPECT_EQ(abs_sum(x), 3.7285714745521545);
    EXPECT_EQ(abs_sum(y), 3.9785714745521545);
    const KernelPair p = make_kernel_pair(1042);
    expect_kernel(p.x, x, 3.7285714745521545);
    expect_kernel(p.y, y, 3.9785714745521545);
}

TEST(Kernels, SobelDividedByEight) {
    const KernelPair p = make_kernel_pair(1043);
    expect_kernel(p.x, {{-1, 1, -1}, {1, 1, 1}, {-1, 0, -2}, {1, 0, 2}, {-1, -1, -1}, {1, -1, 1}},
                  8.0);
    expect_kernel(p.y, {{-1, 1, 1}, {0, 1, 2}, {1, 1, 1}, {-1, -1, -1}, {0, -1, -2}, {1, -1, -1}},
                  8.0);
}

TEST(Kernels, SquareRulesDividedBy138And308) {
    const struct {
        int32_t code, n;
        double divisor;
    } cases[] = {{1044, 7, 138.0}, {1045, 9, 308.0}};
    for (const auto& t : cases) {
        const int32_t h = (t.n - 1) / 2;
        std::vector<Raw> x, y;
        for (int32_t dy = -h; dy <= h; ++dy)
            for (int32_t dx = -h; dx <= h; ++dx) {
                const float fall = static_cast<float>(t.n - std::abs(dx) - std::abs(dy));
                x.push_back({dx, dy, dx == 0 ? 0.0f : dx > 0 ? fall : -fall});
                y.push_back({dx, dy, dy == 0 ? 0.0f : dy > 0 ? fall : -fall});
            }
        EXPECT_EQ(abs_sum(x), t.divisor);
        EXPECT_EQ(abs_sum(y), t.divisor);
        const KernelPair p = make_kernel_pair(t.code);
        expect_kernel(p.x, x, t.divisor);
        expect_kernel(p.y, y, t.divisor);
    }
}

TEST(Kernels, AnyOtherCodeIsThePlainThreeByThree) {
    const float w = 0.16666667f;
    for (int32_t code : {1041, 0, 1046, -5}) {
        const KernelPair p = make_kernel_pair(code);
        expect_kernel(
            p.x, {{-1, 1, -w}, {1, 1, w}, {-1, 0, -w}, {1, 0, w}, {-1, -1, -w}, {1, -1, w}}, 1.0);
        expect_kernel(
            p.y, {{-1, 1, w}, {0, 1, w}, {1, 1, w}, {-1, -1, -w}, {0, -1, -w}, {1, -1, -w}}, 1.0);
    }
}

TEST(Kernels, CopiesOwnTheirElements) {
    KernelPair p = make_kernel_pair(1040);
    ConvolutionKernel copy = p.x;
    p.x.m_pElements[0].weight = 9.0f;
    EXPECT_EQ(copy.m_pElements[0].weight, -0.5f);
    EXPECT_NE(copy.m_pElements.get(), p.x.m_pElements.get());
}

TEST(Kernels, Extents) {
    const struct {
        int32_t code;
        int32_t x[4], y[4];
    } cases[] = {{1040, {-1, 1, 0, 0}, {0, 0, -1, 1}},
                 {1042, {-2, 2, -2, 2}, {-2, 2, -2, 2}},
                 {1045, {-4, 4, -4, 4}, {-4, 4, -4, 4}}};
    for (const auto& t : cases) {
        const KernelPair p = make_kernel_pair(t.code);
        int32_t e[4];
        ASSERT_EQ(p.x.GetKernelExtents(&e[0], &e[1], &e[2], &e[3]), 0);
        EXPECT_EQ(std::vector<int32_t>(e, e + 4), std::vector<int32_t>(t.x, t.x + 4)) << t.code;
        ASSERT_EQ(p.y.GetKernelExtents(&e[0], &e[1], &e[2], &e[3]), 0);
        EXPECT_EQ(std::vector<int32_t>(e, e + 4), std::vector<int32_t>(t.y, t.y + 4)) << t.code;
    }
}

TEST(Kernels, ExtentReports) {
    MessageLog log;
    int32_t e[4] = {7, 7, 7, 7};
    ConvolutionKernel none;
    EXPECT_EQ(none.GetKernelExtents(&e[0], &e[1], &e[2], &e[3]), -1);
    EXPECT_EQ(std::vector<int32_t>(e, e + 4), std::vector<int32_t>(4, 0));
    ConvolutionKernel empty;
    empty.m_pElements.reset(new KernelElement[1]);
    EXPECT_EQ(empty.GetKernelExtents(&e[0], &e[1], &e[2], &e[3]), -1);
    const KernelPair p = make_kernel_pair(1040);
    EXPECT_EQ(p.x.GetKernelExtents(nullptr, &e[1], &e[2], &e[3]), -1);
    const std::vector<std::string> expect = {
        "ConvolutionKernel::GetKernelExtents() You must initialize the m_pElements pointer!\n",
        "ConvolutionKernel::GetKernelExtents() Kernel has no elements!\n",
        "ConvolutionKernel::GetKernelExtents() Input pointer is null!\n"};
    EXPECT_EQ(MessageLog::texts(), expect);
}
