// Scanline allocation, transfer, filtering, accumulation and shift, with the
// reports of the types and pairs they do not handle.
#include "zoom/scanline.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "zoom_test_support.h"

namespace {
// A scanline over the test's own storage.
template <typename T>
Scanline view(int type, std::vector<T>& v, int len) {
    Scanline s;
    s.type = type;
    s.len = len;
    s.data = v.data();
    return s;
}
}  // namespace

TEST(Scanline, AllocationSizesAndBadTypes) {
    ReportCapture reports;
    const int sizes[7] = {1, 2, 4, 0, 4, 8, 16};
    for (int type = 0; type < 7; ++type) EXPECT_EQ(scanline_pixel_bytes(type), sizes[type]);

    Scanline s;
    scanline_alloc(s, SCANLINE_FLOAT4, 10);
    EXPECT_EQ(s.type, 6);
    EXPECT_EQ(s.len, 10);
    ASSERT_NE(s.data, nullptr);
    const uint8_t* bytes = static_cast<const uint8_t*>(s.data);
    for (int i = 0; i < 160; ++i) ASSERT_EQ(bytes[i], 0) << i;
    scanline_free(s);
    EXPECT_EQ(s.data, nullptr);
    EXPECT_EQ(reports.all(), "");

    Scanline bad;
    scanline_alloc(bad, 3, 10);
    EXPECT_EQ(bad.type, 3);
    EXPECT_EQ(bad.len, 10);
    EXPECT_EQ(bad.data, nullptr);
    EXPECT_EQ(reports.all(), "scanline_alloc: bad scanline type: 3\n");
    reports.clear();
    scanline_free(bad);
    EXPECT_EQ(reports.all(), "scanline_ZOOM_FREE: bad scanline type: 3\n");

    // Every handled type allocates len pixels of its size, zeroed.
    for (int type : {0, 1, 2, 4, 5}) {
        Scanline t;
        scanline_alloc(t, type, 3);
        ASSERT_NE(t.data, nullptr);
        std::vector<uint8_t> zero(3 * sizes[type], 0);
        EXPECT_EQ(std::memcmp(t.data, zero.data(), zero.size()), 0);
        scanline_free(t);
    }
}

TEST(Scanline, ZeroClearsOnlyAccumulators) {
    ReportCapture reports;
    std::vector<uint8_t> b(8, 9);
    Scanline s = view(SCANLINE_BYTE4, b, 2);
    scanline_zero(s);
    EXPECT_EQ(reports.all(), "scanline_zero: bad scanline type: 4\n");
    for (uint8_t x : b) EXPECT_EQ(x, 9);

    reports.clear();
    std::vector<float> f(9, 2.5f);
    Scanline one = view(SCANLINE_FLOAT, f, 3);
    scanline_zero(one);
    EXPECT_EQ(f[2], 0.0f);
    EXPECT_EQ(f[3], 2.5f);  // only len values
    Scanline four = view(SCANLINE_FLOAT4, f, 2);
    scanline_zero(four);
    EXPECT_EQ(f[7], 0.0f);
    EXPECT_EQ(f[8], 2.5f);
    EXPECT_EQ(reports.all(), "");
}

TEST(Scanline, ReadAndWriteByType) {
    ReportCapture reports;
    std::vector<uint8_t> px = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    MemoryPicture pic;
    pic.bind(px.data(), 3, 1, 12, 4);

    std::vector<uint8_t> rgba(8, 0);
    Scanline s4 = view(SCANLINE_BYTE4, rgba, 2);
    scanline_read(&pic, 1, 0, s4);
    EXPECT_EQ(rgba, (std::vector<uint8_t>{7, 6, 5, 8, 11, 10, 9, 12}));
    scanline_write(&pic, 0, 0, s4);
    EXPECT_EQ(px[0], 5);
    EXPECT_EQ(px[2], 7);
    EXPECT_EQ(px[8], 9);  // only two pixels written

    std::vector<uint8_t> grey(3, 0);
    Scanline s0 = view(SCANLINE_BYTE, grey, 3);
    scanline_read(&pic, 0, 0, s0);  // three bytes of the row
    EXPECT_EQ(grey, (std::vector<uint8_t>{5, 6, 7}));

    std::vector<float> f(8, 1.0f);
    Scanline s6 = view(SCANLINE_FLOAT4, f, 2);
    scanline_read(&pic, 0, 0, s6);  // the memory picture holds no floats
    EXPECT_EQ(f[0], 1.0f);
    EXPECT_EQ(reports.all(), "");

    std::vector<int16_t> shorts(8, 0);
    Scanline s5 = view(SCANLINE_SHORT4, shorts, 2);
    scanline_read(&pic, 0, 0, s5);
    scanline_write(&pic, 0, 0, s5);
    Scanline s1 = view(SCANLINE_SHORT, shorts, 2);
    scanline_read(&pic, 0, 0, s1);
    EXPECT_EQ(reports.all(),
              "scanline_read: bad scanline type: 5\n"
              "scanline_write: bad scanline type: 5\n"
              "scanline_read: bad scanline type: 1\n");
    EXPECT_EQ(shorts[0], 0);
}

TEST(Scanline, FilterRoundsAndClampsBytes) {
    ReportCapture reports;
    float half[2] = {0.5f, 0.5f};
    float big[1] = {1.2f};
    std::vector<uint8_t> src = {10, 10, 10, 10, 11, 11, 11,  11, 0, 0,
                                0,  0,  1,  1,  1,  1,  250, 0,  0, 0};
    Scanline in = view(SCANLINE_BYTE4, src, 5);
    WeightTable tabs[3] = {{0, 2, half}, {2, 4, half}, {4, 5, big}};
    std::vector<uint8_t> out(12, 0);
    Scanline o = view(SCANLINE_BYTE4, out, 3);
    scanline_filter(tabs, in, o);
    EXPECT_EQ(out[0], 11);   // 10.5 + 0.5 = 11.0
    EXPECT_EQ(out[4], 1);    // 0.5 + 0.5 = 1.0
    EXPECT_EQ(out[8], 255);  // 300 clamped
    EXPECT_EQ(out[9], 0);

    // Byte to short keeps what bytes cannot hold, without a clamp.
    std::vector<int16_t> wide(12, 0);
    Scanline w = view(SCANLINE_SHORT4, wide, 3);
    scanline_filter(tabs, in, w);
    EXPECT_EQ(wide[0], 11);
    EXPECT_EQ(wide[8], 300);

    // Float sources: negative sums truncate toward zero, then clamp.
    std::vector<float> fsrc = {-0.7f, -1.7f, 100.25f};
    float one[1] = {1.0f};
    WeightTable ftabs[3] = {{0, 1, one}, {1, 2, one}, {2, 3, one}};
    Scanline fin = view(SCANLINE_FLOAT, fsrc, 3);
    std::vector<uint8_t> fout(3, 99);
    Scanline fo = view(SCANLINE_BYTE, fout, 3);
    scanline_filter(ftabs, fin, fo);
    EXPECT_EQ(fout, (std::vector<uint8_t>{0, 0, 100}));
    EXPECT_EQ(reports.all(), "");
}

TEST(Scanline, FilterOtherPairs) {
    ReportCapture reports;
    // One channel, byte to short: low 16 bits of the rounded sum.
    std::vector<uint8_t> src = {255, 4};
    float w200[1] = {200.0f};
    float quarter[2] = {0.25f, 0.25f};
    WeightTable tabs[2] = {{0, 1, w200}, {0, 2, quarter}};
    Scanline in = view(SCANLINE_BYTE, src, 2);
    std::vector<int16_t> out(2, 0);
    Scanline o = view(SCANLINE_SHORT, out, 2);
    scanline_filter(tabs, in, o);
    EXPECT_EQ(out[0], static_cast<int16_t>(51000 - 65536));
    EXPECT_EQ(out[1], 65);  // 64.75 + 0.5

    // Float to float keeps the exact sum.
    std::vector<float> f4 = {1, 2, 3, 4, 5, 6, 7, 8};
    Scanline fin = view(SCANLINE_FLOAT4, f4, 2);
    std::vector<float> fout(4, 0.0f);
    Scanline fo = view(SCANLINE_FLOAT4, fout, 1);
    WeightTable t1[1] = {{0, 2, quarter}};
    scanline_filter(t1, fin, fo);
    EXPECT_EQ(fout, (std::vector<float>{1.5f, 2.0f, 2.5f, 3.0f}));
    std::vector<uint8_t> bout(4, 0);
    Scanline bo = view(SCANLINE_BYTE4, bout, 1);
    scanline_filter(t1, fin, bo);
    EXPECT_EQ(bout, (std::vector<uint8_t>{2, 2, 3, 3}));  // 1.5 -> 2, 2.5 -> 3
    EXPECT_EQ(reports.all(), "");

    // Byte to byte and float to float for one channel are not handled.
    std::vector<uint8_t> keep(2, 7);
    Scanline k = view(SCANLINE_BYTE, keep, 2);
    scanline_filter(tabs, in, k);
    std::vector<float> fk(2, 7.0f);
    Scanline fkk = view(SCANLINE_FLOAT, fk, 2);
    scanline_filter(tabs, fkk, fkk);
    EXPECT_EQ(reports.all(),
              "scanline_filter: bad type combination: 0 & 0\n"
              "scanline_filter: bad type combination: 2 & 2\n");
    EXPECT_EQ(keep[0], 7);
    EXPECT_EQ(fk[0], 7.0f);
}

TEST(Scanline, AccumulateWithWeights) {
    ReportCapture reports;
    std::vector<uint8_t> bytes = {4, 8, 200};
    std::vector<float> acc = {1.0f, 0.0f, 0.5f, 9.0f};
    Scanline src = view(SCANLINE_BYTE, bytes, 3);
    Scanline dst = view(SCANLINE_FLOAT, acc, 3);
    scanline_accum(0.25f, src, dst);
    EXPECT_EQ(acc, (std::vector<float>{2.0f, 2.0f, 50.5f, 9.0f}));

    // A zero weight does nothing, even for a type that is not handled.
    std::vector<float> fsrc = {5.0f, 5.0f, 5.0f};
    Scanline bad = view(SCANLINE_FLOAT, fsrc, 3);
    scanline_accum(0.0f, bad, dst);
    EXPECT_EQ(reports.all(), "");
    scanline_accum(1.0f, bad, dst);
    EXPECT_EQ(reports.all(), "scanline_accum: bad type combination: 2 & 2\n");
    EXPECT_EQ(acc[0], 2.0f);

    // Four channels of shorts and floats.
    std::vector<int16_t> shorts = {-4, 8, 12, 16};
    std::vector<float> acc4(4, 0.0f);
    Scanline s5 = view(SCANLINE_SHORT4, shorts, 1);
    Scanline d6 = view(SCANLINE_FLOAT4, acc4, 1);
    scanline_accum(0.5f, s5, d6);
    EXPECT_EQ(acc4, (std::vector<float>{-2.0f, 4.0f, 6.0f, 8.0f}));
    std::vector<float> f4 = {1, 1, 1, 1};
    Scanline s6 = view(SCANLINE_FLOAT4, f4, 1);
    scanline_accum(-1.0f, s6, d6);
    EXPECT_EQ(acc4, (std::vector<float>{-3.0f, 3.0f, 5.0f, 7.0f}));

    // Each step is rounded to float32: 2^24 + 1 is not representable.
    std::vector<float> big = {16777216.0f};
    std::vector<uint8_t> one = {1};
    Scanline b1 = view(SCANLINE_BYTE, one, 1);
    Scanline d1 = view(SCANLINE_FLOAT, big, 1);
    scanline_accum(1.0f, b1, d1);
    EXPECT_EQ(big[0], 16777216.0f);
}

TEST(Scanline, ShiftRoundsAndClamps) {
    std::vector<float> f = {255.4f, 255.6f, 0.49f, 0.5f, -0.7f, -1.7f, 1e9f, 127.5f};
    std::vector<uint8_t> out(8, 99);
    Scanline src = view(SCANLINE_FLOAT4, f, 2);
    Scanline dst = view(SCANLINE_BYTE4, out, 2);
    scanline_shift(src, dst);
    EXPECT_EQ(out, (std::vector<uint8_t>{255, 255, 0, 1, 0, 0, 255, 128}));

    // One channel, over dst.len pixels only.
    std::vector<uint8_t> grey(3, 99);
    Scanline g = view(SCANLINE_BYTE, grey, 2);
    Scanline s1 = view(SCANLINE_FLOAT, f, 8);
    scanline_shift(s1, g);
    EXPECT_EQ(grey, (std::vector<uint8_t>{255, 255, 99}));
}
