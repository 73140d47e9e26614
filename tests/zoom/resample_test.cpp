// Whole resampling calls: the edge cases of the separable passes, point
// sampling, clipping, the reports and in-place use.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "zoom/passes.h"
#include "zoom/zoom.h"
#include "zoom_test_support.h"

namespace {
// A 4-channel picture whose every channel of pixel (x, y) is v[y][x].
std::vector<uint8_t> grey4(int w, int h, const std::vector<int>& v) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    for (int i = 0; i < w * h; ++i)
        for (int c = 0; c < 4; ++c) px[i * 4 + c] = static_cast<uint8_t>(v[i]);
    return px;
}

// A w x h four-channel noise picture bound as the source and a destination
// picture of its own, both devices that count and check their accesses.
struct Scene {
    std::vector<uint8_t> px;
    CountingPicture src;
    CountingPicture dst;
    Scene(int w, int h, uint32_t seed, int dst_w, int dst_h) : px(noise_pixels(w, h, 4, seed)) {
        src.bind(px.data(), w, h, w * 4, 4);
        dst.allocate(dst_w, dst_h, 4);
    }
    // zoom_opt with filter `filter` on both axes.
    int zoom(ZoomWindow& swin, ZoomWindow& dwin, int filter,
             const ZoomOptions& o = default_options(), int square = 0, int intscale = 0) {
        const ZoomFilter f = filter_at(filter);
        return zoom_opt(o, &src, swin, &dst, dwin, f, f, square, intscale);
    }
};
}  // namespace

TEST(Resample, IdentityIsCoercedToAnExactCopy) {
    for (int f : {2, 5}) {
        ReportCapture reports;
        std::vector<uint8_t> src = noise_pixels(9, 7, 4, 5);
        std::vector<uint8_t> out = resample_whole(src.data(), 9, 7, 4, 4, 9, 7, filter_at(f));
        EXPECT_EQ(out, src);
        const std::string name = filter_at(f).name;
        EXPECT_TRUE(reports.contains("coercing xfilter=" + name + " to point\n"));
        EXPECT_TRUE(reports.contains("coercing yfilter=" + name + " to point\n"));
        EXPECT_TRUE(reports.contains("-map 1 1 0 0\n")) << reports.all();
    }
}

TEST(Resample, BoxFourByFourToTwoByTwo) {
    ReportCapture reports;
    std::vector<uint8_t> src =
        grey4(4, 4, {10, 11, 50, 50, 12, 13, 50, 50, 0, 0, 255, 255, 0, 0, 255, 254});
    std::vector<uint8_t> out = resample_whole(src.data(), 4, 4, 4, 4, 2, 2, filter_at(1));
    EXPECT_EQ(out, grey4(2, 2, {12, 50, 0, 255}));
    // Both axes: two taps of 0.5; equal costs (24 and 24) run vertical first.
    EXPECT_TRUE(reports.contains("-yx -map 0.5 0.5 -0.25 -0.25\n")) << reports.all();
    EXPECT_TRUE(reports.contains("X: filt=box supp=0.5  scale=2 scaledsupp=1 wid=2\n"));
    EXPECT_TRUE(reports.contains("Y: filt=box supp=0.5  scale=2 scaledsupp=1 wid=2\n"));
}

TEST(Resample, HalvingWithTriangleUsesOneThreeThreeOne) {
    // Columns 0..7 hold these values on every row, so only the horizontal
    // taps matter: output 1 = (8*1 + 24*3 + 40*3 + 56*1) / 8 = 32.
    std::vector<int> row = {0, 8, 24, 40, 56, 64, 64, 64};
    std::vector<int> v;
    for (int y = 0; y < 8; ++y) v.insert(v.end(), row.begin(), row.end());
    std::vector<uint8_t> src = grey4(8, 8, v);
    std::vector<uint8_t> out = resample_whole(src.data(), 8, 8, 4, 4, 4, 4, filter_at(2));
    for (int y = 0; y < 4; ++y) {
        // Left border: (0*3 + 8*3 + 24) / 7 = 6.857 -> 7.
        EXPECT_EQ(out[(y * 4 + 0) * 4], 7);
        EXPECT_EQ(out[(y * 4 + 1) * 4], 32);
        EXPECT_EQ(out[(y * 4 + 2) * 4], 58);  // (40 + 56*3 + 64*3 + 64) / 8 = 58
        EXPECT_EQ(out[(y * 4 + 3) * 4], 64);
    }
}

TEST(Resample, ConstantPicturesStayConstantThroughEveryKernel) {
    std::vector<uint8_t> src(23 * 17 * 4);
    for (size_t i = 0; i < src.size(); i += 4) {
        src[i] = 200;
        src[i + 1] = 17;
        src[i + 2] = 255;
        src[i + 3] = 0;
    }
    for (int f = 0; f < ZOOM_FILTER_COUNT; ++f) {
        for (auto size : {std::pair<int, int>{12, 9}, {40, 31}, {5, 17}, {1, 1}}) {
            std::vector<uint8_t> out =
                resample_whole(src.data(), 23, 17, 4, 4, size.first, size.second, filter_at(f));
            for (size_t i = 0; i < out.size(); i += 4) {
                ASSERT_EQ(out[i], 200) << filter_at(f).name << " " << size.first;
                ASSERT_EQ(out[i + 1], 17);
                ASSERT_EQ(out[i + 2], 255);
                ASSERT_EQ(out[i + 3], 0);
            }
        }
    }
}

TEST(Resample, ThreeChannelsIntoFourGiveAlphaZero) {
    std::vector<uint8_t> src = noise_pixels(6, 6, 3, 9);
    // Separable pass (halving) and point sampling (identity).
    for (int size : {3, 6}) {
        std::vector<uint8_t> out = resample_whole(src.data(), 6, 6, 3, 4, size, size, filter_at(2));
        for (size_t i = 3; i < out.size(); i += 4) ASSERT_EQ(out[i], 0) << size;
        if (size == 6) {
            for (int p = 0; p < 36; ++p)
                for (int c = 0; c < 3; ++c) ASSERT_EQ(out[p * 4 + c], src[p * 3 + c]);
        }
    }
    // Four into three drops alpha and keeps colour.
    std::vector<uint8_t> four = noise_pixels(5, 5, 4, 3);
    std::vector<uint8_t> three = resample_whole(four.data(), 5, 5, 4, 3, 5, 5, filter_at(2));
    for (int p = 0; p < 25; ++p)
        for (int c = 0; c < 3; ++c) ASSERT_EQ(three[p * 3 + c], four[p * 4 + c]);
}

TEST(Resample, OneChannelMixesOnlyWithOne) {
    ReportCapture reports;
    std::vector<uint8_t> grey = noise_pixels(4, 4, 1, 2);
    std::vector<uint8_t> out = resample_whole(grey.data(), 4, 4, 1, 4, 2, 2, filter_at(2));
    EXPECT_EQ(reports.all(), "zoom_continuous: source has 1 channels, dest has 4 channels\n");
    for (uint8_t b : out) EXPECT_EQ(b, 0xEE);
    reports.clear();
    std::vector<uint8_t> four = noise_pixels(4, 4, 4, 2);
    out = resample_whole(four.data(), 4, 4, 4, 1, 2, 2, filter_at(2));
    EXPECT_EQ(reports.all(), "zoom_continuous: source has 4 channels, dest has 1 channels\n");
    for (uint8_t b : out) EXPECT_EQ(b, 0xEE);
}

TEST(Resample, OneChannelPicturesInBothPassOrders) {
    // Columns 0, 100, 200, 100 on every row: halving with box gives 50, 150.
    std::vector<uint8_t> grey(4 * 4);
    for (int y = 0; y < 4; ++y) {
        grey[y * 4 + 0] = 0;
        grey[y * 4 + 1] = 100;
        grey[y * 4 + 2] = 200;
        grey[y * 4 + 3] = 100;
    }
    for (int order : {0, 1}) {
        ReportCapture reports;
        ZoomOptions o = default_options();
        o.xy_order = order;
        std::vector<uint8_t> out = resample_whole(grey.data(), 4, 4, 1, 1, 2, 2, filter_at(1), o);
        EXPECT_EQ(out, (std::vector<uint8_t>{50, 150, 50, 150})) << order;
        EXPECT_EQ(reports.contains("bad"), false) << reports.all();
    }
    // Point sampling of one channel moves bytes.
    std::vector<uint8_t> same = resample_whole(grey.data(), 4, 4, 1, 1, 4, 4, filter_at(2));
    EXPECT_EQ(same, grey);
}

TEST(Resample, ShortAndFloatIntermediatesAreNotPictureRows) {
    // A memory picture has no rows of shorts or floats: the short rows are
    // reported, the float rows read and write nothing; the picture is left
    // alone and nothing breaks.
    std::vector<uint8_t> src = noise_pixels(8, 8, 4, 15);
    for (int order : {0, 1}) {
        ReportCapture reports;
        ZoomOptions o = default_options();
        o.xy_order = order;
        o.intermediate_type = 1;
        std::vector<uint8_t> out = resample_whole(src.data(), 8, 8, 4, 4, 4, 4, filter_at(2), o);
        EXPECT_TRUE(reports.contains("scanline_read: bad scanline type: 5\n"));
        EXPECT_TRUE(reports.contains("scanline_write: bad scanline type: 5\n"));
        for (uint8_t b : out) ASSERT_EQ(b, 0xEE);
        o.intermediate_type = 2;
        out = resample_whole(src.data(), 8, 8, 4, 4, 4, 4, filter_at(2), o);
        for (uint8_t b : out) ASSERT_EQ(b, 0xEE);
    }
}

TEST(Resample, UndefinedDestinationWindow) {
    ReportCapture reports;
    Scene k(4, 4, 1, 4, 4);
    ZoomWindow swin{};
    picture_get_window(&k.src, &swin);
    ZoomWindow dwin{ZOOM_UNSET, 0, 3, 3, 0, 0};
    EXPECT_EQ(k.zoom(swin, dwin, 2), ZOOM_BAD_WINDOW);
    EXPECT_EQ(reports.all(), "zoom_opt: undefined window for dest (null): {-239,0,3,3}243x4\n");
    EXPECT_EQ(k.dst.rows_written, 0);
    EXPECT_EQ(dwin.x0, ZOOM_UNSET);
    EXPECT_EQ(k.dst.width, 4);  // the destination's box is not touched either
}

TEST(Resample, EmptyWindowsAndNonPositiveScales) {
    ReportCapture reports;
    Scene k(4, 4, 1, 4, 4);

    // An empty source window returns quietly.
    ZoomWindow swin{0, 0, -1, 3, 0, 0};
    ZoomWindow dwin{0, 0, 3, 3, 0, 0};
    EXPECT_EQ(k.zoom(swin, dwin, 2), ZOOM_OK);
    EXPECT_EQ(reports.all(), "");
    // An empty destination window means a zero scale.
    ZoomWindow swin2{0, 0, 3, 3, 0, 0};
    ZoomWindow dwin2{0, 0, -1, 3, 0, 0};
    EXPECT_EQ(k.zoom(swin2, dwin2, 2), ZOOM_BAD_SCALE);
    EXPECT_EQ(reports.all(), "zoom_continuous: negative scales not allowed\n");
    EXPECT_EQ(swin2.nx, 4);  // sizes recomputed from the corners
    EXPECT_EQ(dwin2.nx, 0);
    reports.clear();
    ZoomMapping m{-1.0, 1.0, 0, 0, 0, 0};
    const ZoomFilter f = filter_at(2);
    EXPECT_EQ(zoom_continuous(default_options(), &k.src, swin2, &k.dst,
                              ZoomWindow{0, 0, 3, 3, 4, 4}, m, f, f),
              ZOOM_BAD_SCALE);
    EXPECT_EQ(reports.all(), "zoom_continuous: negative scales not allowed\n");
    EXPECT_EQ(k.dst.rows_written, 0);
}

TEST(Resample, OwnedSourceHasNoBoxAndIsNotResampled) {
    MemoryPicture src;
    src.allocate(4, 4, 4);
    CountingPicture dst;
    dst.allocate(2, 2, 4);
    ZoomWindow swin{0, 0, 3, 3, 0, 0};
    ZoomWindow dwin{0, 0, 1, 1, 0, 0};
    ZoomFilter f = filter_at(2);
    zoom_opt(default_options(), &src, swin, &dst, dwin, f, f, 0, 0);
    EXPECT_EQ(dst.rows_written, 0);
}

TEST(Resample, DestinationBeyondTheReachIsClipped) {
    ReportCapture reports;
    Scene k(4, 4, 8, 8, 4);
    std::fill(k.dst.pixels, k.dst.pixels + 8 * 4 * 4, uint8_t{0xEE});
    // The source window claims 8 columns; the picture has 4.
    ZoomWindow swin{0, 0, 7, 3, 0, 0};
    ZoomWindow dwin{0, 0, 7, 3, 0, 0};
    k.zoom(swin, dwin, 2);
    EXPECT_TRUE(reports.contains("    clipping odst={0,0,7,3}8x4 to {0,0,3,3}4x4\n"))
        << reports.all();
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            for (int c = 0; c < 4; ++c) {
                uint8_t got = k.dst.pixels[(y * 8 + x) * 4 + c];
                if (x < 4) {
                    ASSERT_EQ(got, k.px[(y * 4 + x) * 4 + c]);
                } else {
                    ASSERT_EQ(got, 0xEE) << "pixel outside the reach written";
                }
            }
        }
    }
    // The destination picture got the clipped window as its box.
    EXPECT_EQ(k.dst.width, 4);
    EXPECT_EQ(k.dst.height, 4);
}

TEST(Resample, PointSamplingAfterCoercionStaysInsideTheSource) {
    // catrom's support of 2 lets the reach pass the source's last column and
    // row; after coercion those output pixels repeat the edge.
    ReportCapture reports;
    Scene k(4, 4, 6, 8, 8);
    ZoomWindow swin{0, 0, 7, 7, 0, 0};
    ZoomWindow dwin{0, 0, 7, 7, 0, 0};
    k.zoom(swin, dwin, 5);
    EXPECT_TRUE(reports.contains("    clipping odst={0,0,7,7}8x8 to {-1,-1,4,4}6x6\n"))
        << reports.all();
    EXPECT_EQ(k.src.bad_accesses, 0);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            const int sx = x < 4 ? x : 3;
            const int sy = y < 4 ? y : 3;
            for (int c = 0; c < 4; ++c) {
                ASSERT_EQ(k.dst.pixels[(y * 8 + x) * 4 + c], k.px[(sy * 4 + sx) * 4 + c])
                    << x << "," << y;
            }
        }
    }
}

TEST(Resample, ForcedPassOrdersRoundAsEachOrderShould) {
    // Block 0, 1 / 1, 2 by box: the exact mean is 1. Vertical first rounds
    // once (0.5, 1.5 -> 1.0 -> 1); horizontal first rounds each row first
    // (0.5 -> 1, 1.5 -> 2) and then their mean (1.5 -> 2).
    std::vector<uint8_t> src = grey4(2, 2, {0, 1, 1, 2});
    const int expected[3] = {1, 2, 1};  // xy_order 0, 1, unset
    const int orders[3] = {0, 1, ZOOM_UNSET};
    for (int i = 0; i < 3; ++i) {
        ReportCapture reports;
        ZoomOptions o = default_options();
        o.xy_order = orders[i];
        std::vector<uint8_t> out = resample_whole(src.data(), 2, 2, 4, 4, 1, 1, filter_at(1), o);
        EXPECT_EQ(out[0], expected[i]) << orders[i];
        EXPECT_TRUE(reports.contains(orders[i] == 1 ? "-xy -map" : "-yx -map"));
    }
}

TEST(Resample, CostPicksHorizontalFirstForWideReductions) {
    ReportCapture reports;
    std::vector<uint8_t> src = noise_pixels(16, 4, 4, 4);
    std::vector<uint8_t> out = resample_whole(src.data(), 16, 4, 4, 4, 4, 4, filter_at(2));
    // x: width 8; y: identity, coerced to point, width 1. Horizontal first
    // costs 4 * (4*8 + 4*1) = 144 against 4 * (16*1 + 4*8) = 192.
    EXPECT_TRUE(reports.contains("coercing yfilter=triangle to point\n"));
    EXPECT_TRUE(reports.contains("-xy -map 0.25 1 -0.375 0\n")) << reports.all();
    EXPECT_TRUE(
        reports.contains("X: filt=triangle support=1,  scale=4 scaledsupport=4 width=8\n"
                         "Y: filt=point support=0,  scale=1 scaledsupport=0.5 width=1\n"));
}

TEST(Resample, PointSamplingReadsEachNeededRowOnce) {
    {
        // Enlarging by 2 with box: two output rows per source row.
        Scene k(4, 4, 12, 8, 8);
        ZoomWindow swin{0, 0, 3, 3, 0, 0};
        ZoomWindow dwin{0, 0, 7, 7, 0, 0};
        k.zoom(swin, dwin, 1);
        EXPECT_EQ(k.src.row_reads, (std::vector<int>{1, 1, 1, 1}));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(k.dst.pixels[(y * 8 + x) * 4], k.px[((y / 2) * 4 + x / 2) * 4]);
    }
    {
        // Reducing 4 rows to 2 with point: rows 1 and 3 only.
        Scene k(4, 4, 12, 2, 2);
        ZoomWindow swin{0, 0, 3, 3, 0, 0};
        ZoomWindow dwin{0, 0, 1, 1, 0, 0};
        k.zoom(swin, dwin, 0);
        EXPECT_EQ(k.src.row_reads, (std::vector<int>{0, 1, 0, 1}));
    }
}

TEST(Resample, SeparablePassesReadEachSourceRowOnce) {
    for (int order : {0, 1}) {
        Scene k(12, 12, 13, 5, 5);
        ZoomWindow swin{0, 0, 11, 11, 0, 0};
        ZoomWindow dwin{0, 0, 4, 4, 0, 0};
        ZoomOptions o = default_options();
        o.xy_order = order;
        k.zoom(swin, dwin, 4, o);
        EXPECT_EQ(k.src.row_reads, std::vector<int>(12, 1)) << order;
        EXPECT_EQ(k.src.bad_accesses, 0);
    }
}

TEST(Resample, VerboseTrace) {
    ReportCapture reports;
    std::vector<uint8_t> src = grey4(4, 4, std::vector<int>(16, 3));
    ZoomOptions o = default_options();
    o.verbosity = 1;
    resample_whole(src.data(), 4, 4, 4, 4, 2, 2, filter_at(1), o);
    EXPECT_TRUE(reports.contains("by=0: ay=0-1, reading: 0 1 \nby=1: ay=2-3, reading: 2 3 \n"))
        << reports.all();
    EXPECT_FALSE(reports.contains("b=0 cen="));  // tables only from verbosity 2
    reports.clear();
    o.verbosity = 2;
    resample_whole(src.data(), 4, 4, 4, 4, 2, 2, filter_at(1), o);
    EXPECT_TRUE(reports.contains("    b=0 cen=1 scale=2 [0..2) sc=0.5:  \t0.5 0.5 \n"))
        << reports.all();
    reports.clear();
    o.verbosity = 0;
    resample_whole(src.data(), 4, 4, 4, 4, 2, 2, filter_at(1), o);
    EXPECT_FALSE(reports.contains("by="));
}

TEST(Resample, SquareAndIntegerScaleOptions) {
    Scene k(4, 2, 14, 12, 12);
    // square: the smaller scale (2 across from 8/4, 5 down from 10/2) wins.
    ZoomWindow swin{0, 0, 3, 1, 0, 0};
    ZoomWindow dwin{0, 0, 7, 9, 0, 0};
    k.zoom(swin, dwin, 2, default_options(), 1, 0);
    EXPECT_EQ(dwin.nx, 8);
    EXPECT_EQ(dwin.ny, 4);
    EXPECT_EQ(dwin.y1, 3);
    // intscale: enlargements are floored to whole factors (11/4 -> 2).
    ZoomWindow dwin2{0, 0, 10, 4, 0, 0};
    k.zoom(swin, dwin2, 2, default_options(), 0, 1);
    EXPECT_EQ(dwin2.nx, 8);
    EXPECT_EQ(dwin2.ny, 4);
}

TEST(Resample, GaussianTapBeyondTheWidthStaysInItsTable) {
    // 316 -> 10 with the gaussian makes one table one tap wider than the
    // nominal width (see the weight table tests); both axes must hold it.
    std::vector<uint8_t> src(316 * 316 * 4, 77);
    std::vector<uint8_t> out = resample_whole(src.data(), 316, 316, 4, 4, 10, 10, filter_at(7));
    for (uint8_t b : out) ASSERT_EQ(b, 77);
}

TEST(Resample, InPlaceOrderingAvoidsOverwrittenRows) {
    // Resampling within one picture gives what a separate destination gets,
    // for enlargements, reductions and shifts in both directions.
    struct Case {
        int sy0, sy1, dy0, dy1, filter;
    };
    const Case cases[] = {{0, 3, 0, 7, 1}, {0, 7, 0, 3, 2}, {0, 5, 2, 7, 4},
                          {2, 7, 0, 5, 4}, {4, 7, 0, 7, 2}, {0, 7, 4, 7, 4}};
    for (const Case& k : cases) {
        ReportCapture reports;
        std::vector<uint8_t> px = noise_pixels(3, 8, 4, 21);
        std::vector<uint8_t> copy = px;
        ZoomFilter f = filter_at(k.filter);
        ZoomOptions o = default_options();

        MemoryPicture pic;
        pic.bind(px.data(), 3, 8, 12, 4);
        ZoomWindow s1{0, k.sy0, 2, k.sy1, 0, 0};
        ZoomWindow d1{0, k.dy0, 2, k.dy1, 0, 0};
        zoom_opt(o, &pic, s1, &pic, d1, f, f, 0, 0);

        MemoryPicture from;
        from.bind(copy.data(), 3, 8, 12, 4);
        std::vector<uint8_t> expect = copy;
        MemoryPicture to;
        to.bind(expect.data(), 3, 8, 12, 4);
        ZoomWindow s2{0, k.sy0, 2, k.sy1, 0, 0};
        ZoomWindow d2{0, k.dy0, 2, k.dy1, 0, 0};
        zoom_opt(o, &from, s2, &to, d2, f, f, 0, 0);

        EXPECT_FALSE(reports.contains("FEEDBACK")) << reports.all();
        EXPECT_EQ(px, expect) << k.sy0 << ".." << k.sy1 << " -> " << k.dy0 << ".." << k.dy1;
    }
}

TEST(Resample, InPlaceReadOfAnOverwrittenRowIsReported) {
    // Seven rows stretched over nine in place: the split lets one output row
    // overwrite a source row that a later output row reads again.
    ReportCapture reports;
    std::vector<uint8_t> px = noise_pixels(3, 9, 4, 22);
    MemoryPicture pic;
    pic.bind(px.data(), 3, 9, 12, 4);
    ZoomWindow s{0, 1, 2, 7, 0, 0};
    ZoomWindow d{0, 0, 2, 8, 0, 0};
    ZoomFilter f = filter_at(2);
    zoom_opt(default_options(), &pic, s, &pic, d, f, f, 0, 0);
    EXPECT_TRUE(reports.contains("split at y=2\n")) << reports.all();
    EXPECT_TRUE(reports.contains("FEEDBACK ON LINE 5\n")) << reports.all();
}

TEST(OrderRows, WithoutFeedbackAndForPlainShifts) {
    std::vector<int> order;
    order_rows(0.5, 0.0, 2.0, 0, 0, 4, 0, order);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    // Same scale: moving down goes bottom up, moving up goes top down.
    order_rows(1.0, 2.0, 1.0, 0, 2, 4, 1, order);
    EXPECT_EQ(order, (std::vector<int>{3, 2, 1, 0}));
    order_rows(1.0, -2.0, 1.0, 2, 0, 4, 1, order);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    order_rows(1.0, 0.0, 1.0, 0, 0, 0, 1, order);
    EXPECT_TRUE(order.empty());
}

TEST(OrderRows, EveryRowExactlyOnceWithSplitReports) {
    for (double sy : {0.25, 0.5, 0.9, 1.5, 2.0, 3.0}) {
        for (int by0 : {0, 3}) {
            ReportCapture reports;
            std::vector<int> order;
            const double ty = (by0 - 0.5) - (0 - 0.5) * sy;
            order_rows(sy, ty, 1.0, 0, by0, 9, 1, order);
            std::vector<int> seen(9, 0);
            for (int r : order) {
                ASSERT_GE(r, 0);
                ASSERT_LT(r, 9);
                ++seen[r];
            }
            EXPECT_EQ(seen, std::vector<int>(9, 1)) << sy;
            EXPECT_EQ(reports.all().rfind("split at y=", 0), 0u) << reports.all();
        }
    }
}

TEST(Resample, EveryResultHasItsOwnMessage) {
    const int results[] = {ZOOM_OK, ZOOM_NO_MEMORY, ZOOM_BAD_WINDOW, ZOOM_BAD_CHANNELS,
                           ZOOM_BAD_SCALE};
    std::set<std::string> seen;
    for (int r : results) {
        ASSERT_NE(zoom_result_message(r), nullptr);
        EXPECT_TRUE(seen.insert(zoom_result_message(r)).second) << r;
    }
    EXPECT_NE(zoom_result_message(-99), nullptr);
    EXPECT_EQ(seen.count(zoom_result_message(-99)), 0u);
}
