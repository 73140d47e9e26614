// Bordered copies and the convolver: wrap and repeat, small pictures, the
// row sampler against a plain sampler, and refused set-ups.
#include <gtest/gtest.h>

#include "normalmap_test_support.h"

namespace {

struct BinOver {
    ImageBin bin;
    explicit BinOver(Picture& p) {
        bin.pixels = p.bytes.data();
        bin.format = IMAGE_BIN_FORMAT_WORDS;
        bin.width = p.w;
        bin.height = p.h;
    }
};

}  // namespace

TEST(ImageBin, BytesPerPixel) {
    MessageLog log;
    const int32_t expect[10] = {0, 1, 4, 2, 2, 2, 8, 4, 12, 0};
    for (int32_t f = 0; f < 10; ++f) EXPECT_EQ(image_bin_bytes_per_pixel(f), expect[f]) << f;
    const std::vector<std::string> msgs = {"Unrecognized format! 0\n", "Unrecognized format! 9\n"};
    EXPECT_EQ(MessageLog::texts(), msgs);
}

// Every pixel of the copy, with wrap and without, on pictures smaller than,
// equal to and larger than the borders.
TEST(ImageBin, BordersTakeTheModuloOrTheNearestEdge) {
    const BorderExtents e{-4, 4, -3, 2};
    const int32_t sizes[][2] = {{1, 1}, {1, 5}, {5, 1}, {2, 2}, {3, 2}, {9, 7}};
    for (const auto& sz : sizes)
        for (bool wrap : {false, true}) {
            Picture p = noise_picture(sz[0], sz[1], 3);
            BinOver src(p);
            BorderedImageBin out;
            ASSERT_EQ(make_bordered_copy(src.bin, e, wrap, out), 0);
            ASSERT_EQ(out.bin.width, p.w + 8);
            ASSERT_EQ(out.bin.height, p.h + 5);
            for (int32_t by = 0; by < out.bin.height; ++by)
                for (int32_t bx = 0; bx < out.bin.width; ++bx) {
                    const uint8_t* got = out.bin.pixels + (by * out.bin.width + bx) * 4;
                    const uint8_t* want =
                        p.px(wrap_or_clamp(bx - 4, p.w, wrap), wrap_or_clamp(by - 3, p.h, wrap));
                    ASSERT_EQ(std::vector<uint8_t>(got, got + 4),
                              std::vector<uint8_t>(want, want + 4))
                        << sz[0] << "x" << sz[1] << " wrap " << wrap << " at " << bx << "," << by;
                }
        }
}

// On a picture larger than the borders, wrap is the plain rule: the left
// border holds the rightmost columns, the top rows the last picture rows.
TEST(ImageBin, WrapOnALargePicture) {
    Picture p = noise_picture(6, 5, 4);
    BinOver src(p);
    BorderedImageBin out;
    ASSERT_EQ(make_bordered_copy(src.bin, BorderExtents{-2, 1, -2, 1}, true, out), 0);
    auto at = [&](int32_t bx, int32_t by) { return out.bin.pixels[(by * 9 + bx) * 4 + 3]; };
    EXPECT_EQ(at(0, 2), p.px(4, 0)[3]);  // left border, first of the two rightmost columns
    EXPECT_EQ(at(1, 2), p.px(5, 0)[3]);
    EXPECT_EQ(at(8, 2), p.px(0, 0)[3]);  // right border, leftmost column
    EXPECT_EQ(at(2, 0), p.px(0, 3)[3]);  // top border row 0 copies picture row H - 2
    EXPECT_EQ(at(2, 1), p.px(0, 4)[3]);
    EXPECT_EQ(at(2, 7), p.px(0, 0)[3]);  // bottom border copies the first row
}

TEST(ImageBin, RefusedCopies) {
    Picture p(2, 2);
    BorderedImageBin out;
    {
        BinOver src(p);
        EXPECT_EQ(make_bordered_copy(src.bin, BorderExtents{1, 2, 0, 0}, false, out), -1);
        src.bin.width = 0;
        EXPECT_EQ(make_bordered_copy(src.bin, BorderExtents{}, false, out), -1);
    }
    {
        MessageLog log;
        BinOver src(p);
        src.bin.format = 11;
        EXPECT_EQ(make_bordered_copy(src.bin, BorderExtents{}, false, out), -1);
        EXPECT_EQ(out.bin.pixels, nullptr);
    }
}

TEST(Convolver, WrapTakesTheOppositeEdgeRepeatTheSameEdge) {
    Picture p(4, 1);
    const uint8_t heights[4] = {10, 0, 0, 200};
    for (int32_t x = 0; x < 4; ++x) p.px(x, 0)[3] = heights[x];
    BinOver src(p);
    const ImageBin* handle = &src.bin;
    const KernelPair k = make_kernel_pair(1040);
    NormalMapMaker maker;
    ASSERT_EQ(maker.InitializeConvolver(k.x, k.y, &handle, true), 0);
    EXPECT_EQ(maker.convolver->value(0, 0, 0),
              static_cast<float>((200 * 0.003921569) * -0.5 + (0 * 0.003921569) * 0.5));
    EXPECT_EQ(maker.convolver->value(0, 3, 0),
              static_cast<float>((0 * 0.003921569) * -0.5 + (10 * 0.003921569) * 0.5));
    ASSERT_EQ(maker.InitializeConvolver(k.x, k.y, &handle, false), 0);
    EXPECT_EQ(maker.convolver->value(0, 0, 0),
              static_cast<float>((10 * 0.003921569) * -0.5 + (0 * 0.003921569) * 0.5));
    EXPECT_EQ(maker.convolver->value(0, 3, 0),
              static_cast<float>((0 * 0.003921569) * -0.5 + (200 * 0.003921569) * 0.5));
}

// The row sampler and the per-pixel sampler give the plain sums, bit for
// bit, for every kernel, on small and ordinary pictures.
TEST(Convolver, RowValuesEqualThePlainSums) {
    const int32_t sizes[][2] = {{1, 1}, {1, 6}, {6, 1}, {2, 2}, {13, 11}};
    for (int32_t code : {1040, 1041, 1042, 1043, 1044, 1045})
        for (const auto& sz : sizes)
            for (bool wrap : {false, true}) {
                Picture p = noise_picture(sz[0], sz[1], static_cast<uint32_t>(code));
                BinOver src(p);
                const ImageBin* handle = &src.bin;
                const KernelPair k = make_kernel_pair(code);
                NormalMapMaker maker;
                ASSERT_EQ(maker.InitializeConvolver(k.x, k.y, &handle, wrap), 0);
                std::vector<float> row(static_cast<size_t>(p.w));
                std::vector<double> scratch(
                    static_cast<size_t>(maker.convolver->row_scratch_size()));
                for (int32_t kk = 0; kk < 2; ++kk) {
                    const ConvolutionKernel& kernel = kk == 0 ? k.x : k.y;
                    for (int32_t y = 0; y < p.h; ++y) {
                        maker.convolver->row_values(kk, y, row.data(), scratch.data());
                        for (int32_t x = 0; x < p.w; ++x) {
                            const float want = plain_value(kernel, p, x, y, wrap);
                            ASSERT_EQ(maker.convolver->value(kk, x, y), want);
                            ASSERT_EQ(row[static_cast<size_t>(x)], want)
                                << code << " " << sz[0] << "x" << sz[1] << " " << x << "," << y;
                        }
                    }
                }
            }
}

TEST(Convolver, RefusedSetUps) {
    const KernelPair k = make_kernel_pair(1040);
    NormalMapMaker maker;
    EXPECT_LT(maker.InitializeConvolver(k.x, k.y, nullptr, false), 0);
    const ImageBin* none = nullptr;
    EXPECT_LT(maker.InitializeConvolver(k.x, k.y, &none, false), 0);
    Picture p(3, 3);
    BinOver src(p);
    src.bin.format = 1;  // one byte per pixel: no byte 3 to read
    const ImageBin* handle = &src.bin;
    EXPECT_LT(maker.InitializeConvolver(k.x, k.y, &handle, false), 0);
    EXPECT_EQ(maker.convolver, nullptr);
    src.bin.format = IMAGE_BIN_FORMAT_WORDS;
    EXPECT_EQ(maker.InitializeConvolver(k.x, k.y, &handle, false), 0);
    EXPECT_NE(maker.convolver, nullptr);
}
