// Exact output bytes of fixed resampling runs, pinned as hashes so that any
// later change to the arithmetic or to its order (a faster loop, another
// compiler setting) shows up here. The kernels' own values, the weight
// tables and the rounding rules are checked independently elsewhere.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "tests/common/pin_report.h"
#include "zoom_test_support.h"

namespace {
// Gradients plus noise: flat areas, edges and values near every rounding.
std::vector<uint8_t> test_picture(int w, int h, int nchan) {
    std::vector<uint8_t> px = noise_pixels(w, h, nchan, 77);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < nchan; ++c) {
                uint8_t& b = px[(static_cast<size_t>(y) * w + x) * nchan + c];
                int smooth = (c == 0 ? x * 255 / w : c == 1 ? y * 255 / h : ((x + y) * 7) & 255);
                b = static_cast<uint8_t>(((x / 5 + y / 3) & 1) ? smooth : (smooth + b) / 2);
            }
    return px;
}

uint64_t combine(uint64_t h, uint64_t v) { return (h ^ v) * 1099511628211ull; }

std::string hex(uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}
}  // namespace

TEST(PinnedBytes, MipChainWithTriangle) {
    // Every level made from the full picture, as the texture pipeline does.
    std::vector<uint8_t> src = test_picture(96, 80, 4);
    uint64_t h = 0;
    int w = 96, ht = 80;
    std::vector<PinPart> parts;
    while (w > 1 || ht > 1) {
        w = (w + 1) / 2;
        ht = (ht + 1) / 2;
        std::vector<uint8_t> level = resample_whole(src.data(), 96, 80, 4, 4, w, ht, filter_at(2));
        h = combine(h, fnv1a(level));
        parts.push_back({"level " + std::to_string(parts.size() + 1), level, size_t(w) * 4, "row"});
    }
    const std::string where = pin_difference("zoom_mip_chain", parts);
    EXPECT_EQ(hex(h), "efc58eccdebba6b5") << where;
}

TEST(PinnedBytes, EveryKernelBothPassOrders) {
    std::vector<uint8_t> big = test_picture(37, 29, 4);
    std::vector<uint8_t> small = test_picture(13, 11, 4);
    // bessel's values come from the platform's j1; its pin holds for this
    // platform's mathematics library.
    const char* pins[ZOOM_FILTER_COUNT] = {
        "ecb75a6ba39b8e56",  // point
        "a7afb38b2a583402",  // box
        "f309770c148756b0",  // triangle
        "a0f1ccb5ee678065",  // quadratic
        "206e2077febfe6c7",  // cubic
        "a09b81ef1e39b180",  // catrom
        "39051a8c8d4d538f",  // mitchell
        "9686cf3d45f9b3f4",  // gaussian
        "fcee54a9547bcdcf",  // sinc
        "83efc40511968e16",  // bessel
        "32470af950a38ae9",  // hanning
        "37398ae1037e674c",  // hamming
        "c207eabafdb0b239",  // blackman
        "a246efac9eb0119e",  // kaiser
    };
    for (int f = 0; f < ZOOM_FILTER_COUNT; ++f) {
        uint64_t h = 0;
        std::vector<PinPart> parts;
        for (int order : {0, 1}) {
            ZoomOptions o = default_options();
            o.xy_order = order;
            const std::string pass = order ? "horizontal first, " : "vertical first, ";
            auto add = [&](std::vector<uint8_t> bytes, const char* what, int row_bytes) {
                h = combine(h, fnv1a(bytes));
                parts.push_back({pass + what, std::move(bytes), size_t(row_bytes), "row"});
            };
            add(resample_whole(big.data(), 37, 29, 4, 4, 16, 13, filter_at(f), o), "37x29 to 16x13",
                16 * 4);
            add(resample_whole(small.data(), 13, 11, 4, 4, 29, 23, filter_at(f), o),
                "13x11 to 29x23", 29 * 4);
            add(resample_whole(big.data(), 37, 29, 4, 3, 20, 31, filter_at(f), o),
                "37x29 to 20x31 of 3 channels", 20 * 3);
        }
        const std::string where =
            pin_difference(std::string("zoom_kernel_") + filter_at(f).name, parts);
        EXPECT_EQ(hex(h), pins[f]) << filter_at(f).name << "; " << where;
    }
}

TEST(PinnedBytes, CubicPowerOfTwoRescale) {
    std::vector<uint8_t> src = test_picture(300, 300, 3);
    std::vector<uint8_t> out = resample_whole(src.data(), 300, 300, 3, 3, 256, 256, filter_at(4));
    const std::string where =
        pin_difference("zoom_cubic_rescale", {{"256x256 picture", out, 256 * 3, "row"}});
    EXPECT_EQ(hex(fnv1a(out)), "a68664280957996f") << where;
}
