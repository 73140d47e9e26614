// The memory picture, its byte order and boxes, and the window operations.
#include <gtest/gtest.h>

#include <vector>

#include "zoom/zoom.h"
#include "zoom_test_support.h"

TEST(MemoryPicture, StartsUnsetAndBindsWithoutCopying) {
    MemoryPicture pic;
    EXPECT_EQ(pic.width, ZOOM_UNSET);
    EXPECT_EQ(pic.height, ZOOM_UNSET);
    EXPECT_EQ(pic.nchan, ZOOM_UNSET);
    EXPECT_EQ(pic.row_bytes, ZOOM_UNSET);
    EXPECT_EQ(pic.mode, 0);
    EXPECT_EQ(pic.pixels, nullptr);

    std::vector<uint8_t> px(5 * 3 * 4, 7);
    pic.bind(px.data(), 5, 3, 20, 4);
    EXPECT_EQ(pic.mode, 1);
    EXPECT_EQ(pic.pixels, px.data());
    int x0 = 1, y0 = 1, nx = 1, ny = 1;
    pic.get_box(&x0, &y0, &nx, &ny);
    EXPECT_EQ(x0, 0);
    EXPECT_EQ(y0, 0);
    EXPECT_EQ(nx, 5);
    EXPECT_EQ(ny, 3);

    ZoomWindow w{};
    w.nx = 77;
    w.ny = 78;
    EXPECT_EQ(picture_get_window(&pic, &w), &w);
    EXPECT_EQ(w.x0, 0);
    EXPECT_EQ(w.y0, 0);
    EXPECT_EQ(w.x1, 4);
    EXPECT_EQ(w.y1, 2);
    EXPECT_EQ(w.nx, 77);  // sizes are left to the resampler
    EXPECT_EQ(w.ny, 78);
    EXPECT_EQ(picture_get_window(&pic, nullptr), nullptr);
    const ZoomWindow fresh = picture_window(&pic);
    EXPECT_EQ(fresh.x1, 4);
    EXPECT_EQ(fresh.y1, 2);
    EXPECT_EQ(fresh.nx, 0);

    // release leaves a bound picture and its pixels alone.
    pic.release();
    EXPECT_EQ(pic.mode, 1);
    EXPECT_EQ(pic.pixels, px.data());
    EXPECT_EQ(pic.width, 5);
    EXPECT_EQ(px[0], 7);
}

TEST(MemoryPicture, OwnedPicturesReportAnUnsetBoxAndRelease) {
    MemoryPicture pic;
    pic.allocate(6, 4, 3);
    EXPECT_EQ(pic.mode, 2);
    EXPECT_EQ(pic.row_bytes, 18);
    ASSERT_NE(pic.pixels, nullptr);
    int v[4] = {0, 0, 0, 0};
    pic.get_box(&v[0], &v[1], &v[2], &v[3]);
    for (int x : v) EXPECT_EQ(x, ZOOM_UNSET);
    ZoomWindow w{};
    picture_get_window(&pic, &w);
    EXPECT_EQ(w.x0, ZOOM_UNSET);

    // set_box records a size on an owned picture only.
    pic.set_box(1, 2, 3, 1);
    EXPECT_EQ(pic.width, 4);
    EXPECT_EQ(pic.height, 3);
    EXPECT_EQ(pic.row_bytes, 18);
    ZoomWindow sw{2, 1, 5, 3, 0, 0};
    picture_set_window(&pic, sw);
    EXPECT_EQ(pic.width, 6);
    EXPECT_EQ(pic.height, 4);

    pic.release();
    EXPECT_EQ(pic.width, 0);
    EXPECT_EQ(pic.height, 0);
    EXPECT_EQ(pic.nchan, 0);
    EXPECT_EQ(pic.row_bytes, 0);
    EXPECT_EQ(pic.pixels, nullptr);

    std::vector<uint8_t> px(12, 0);
    MemoryPicture bound;
    bound.bind(px.data(), 2, 2, 6, 3);
    bound.set_box(0, 0, 9, 9);
    EXPECT_EQ(bound.width, 2);
}

TEST(MemoryPicture, OpenChoosesModeByFirstLetterAndNameIsNone) {
    MemoryPicture pic;
    EXPECT_EQ(pic.open("anything", "r"), 0);
    EXPECT_EQ(pic.mode, 1);
    EXPECT_EQ(pic.open("anything", "rb"), 0);
    EXPECT_EQ(pic.mode, 1);
    EXPECT_EQ(pic.open("anything", "w"), 0);
    EXPECT_EQ(pic.mode, 2);
    EXPECT_EQ(pic.open("anything", "a"), 0);
    EXPECT_EQ(pic.mode, 2);
    EXPECT_EQ(pic.name(), nullptr);

    pic.allocate(2, 2, 1);
    pic.close();
    EXPECT_EQ(pic.pixels, nullptr);
    EXPECT_EQ(pic.width, 2);  // close frees the pixels but keeps the sizes
}

TEST(MemoryPicture, ColourOperationsExchangeFirstAndThirdByte) {
    // Three channels, row pitch with two padding bytes.
    std::vector<uint8_t> px = {10, 20, 30, 40, 50, 60, 0xA1, 0xA2, 1, 2, 3, 4, 5, 6, 0xB1, 0xB2};
    MemoryPicture pic;
    pic.bind(px.data(), 2, 2, 8, 3);
    uint8_t rgba[8] = {0, 0, 0, 0x55, 0, 0, 0, 0x66};
    pic.read_row_rgba(0, 0, 2, rgba);
    const uint8_t want[8] = {30, 20, 10, 0x55, 60, 50, 40, 0x66};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(rgba[i], want[i]) << i;

    const uint8_t in[4] = {30, 20, 10, 99};
    pic.write_row_rgba(1, 1, 1, in);
    const std::vector<uint8_t> after = {10, 20, 30, 40, 50, 60, 0xA1, 0xA2,
                                        1,  2,  3,  10, 20, 30, 0xB1, 0xB2};
    EXPECT_EQ(px, after);

    uint8_t one[4] = {0, 0, 0, 0x77};
    pic.read_pixel_rgba(0, 1, one);
    EXPECT_EQ(one[0], 3);
    EXPECT_EQ(one[1], 2);
    EXPECT_EQ(one[2], 1);
    EXPECT_EQ(one[3], 0x77);
    pic.write_pixel_rgba(0, 1, 7, 8, 9, 200);
    EXPECT_EQ(px[8], 9);
    EXPECT_EQ(px[9], 8);
    EXPECT_EQ(px[10], 7);
    EXPECT_EQ(px[11], 10);  // the next pixel, not an alpha byte
}

TEST(MemoryPicture, FourChannelRowsRoundTripAndKeepAlpha) {
    std::vector<uint8_t> px = noise_pixels(7, 3, 4, 11);
    const std::vector<uint8_t> original = px;
    MemoryPicture pic;
    pic.bind(px.data(), 7, 3, 28, 4);
    std::vector<uint8_t> row(7 * 4);
    for (int y = 0; y < 3; ++y) {
        pic.read_row_rgba(y, 0, 7, row.data());
        EXPECT_EQ(row[0], px[y * 28 + 2]);
        EXPECT_EQ(row[3], px[y * 28 + 3]);
        pic.write_row_rgba(y, 0, 7, row.data());
    }
    EXPECT_EQ(px, original);

    uint8_t rgba[4];
    pic.read_pixel_rgba(2, 1, rgba);
    EXPECT_EQ(rgba[3], px[1 * 28 + 2 * 4 + 3]);
    pic.write_pixel_rgba(2, 1, 1, 2, 3, 4);
    EXPECT_EQ(px[1 * 28 + 8], 3);
    EXPECT_EQ(px[1 * 28 + 11], 4);
}

TEST(MemoryPicture, ClearsAndByteOperations) {
    MemoryPicture pic;
    pic.allocate(3, 2, 4);
    pic.clear_rgba(1, 2, 3, 4);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(pic.pixels[i * 4 + 0], 3);
        EXPECT_EQ(pic.pixels[i * 4 + 1], 2);
        EXPECT_EQ(pic.pixels[i * 4 + 2], 1);
        EXPECT_EQ(pic.pixels[i * 4 + 3], 4);
    }
    // clear sets the first `width` bytes of each row (not whole pixels).
    pic.clear(9);
    EXPECT_EQ(pic.pixels[0], 9);
    EXPECT_EQ(pic.pixels[2], 9);
    EXPECT_EQ(pic.pixels[3], 4);
    EXPECT_EQ(pic.pixels[12], 9);

    MemoryPicture grey;
    grey.allocate(4, 2, 1);
    grey.clear(5);
    grey.clear_rgba(1, 2, 3, 4);  // one channel: left alone
    grey.write_pixel(1, 1, 200);
    EXPECT_EQ(grey.read_pixel(1, 1), 200);
    EXPECT_EQ(grey.read_pixel(0, 1), 5);
    const uint8_t bytes[2] = {11, 12};
    grey.write_row(0, 2, 2, bytes);
    uint8_t back[4] = {};
    grey.read_row(0, 0, 4, back);
    EXPECT_EQ(back[0], 5);
    EXPECT_EQ(back[2], 11);
    EXPECT_EQ(back[3], 12);
    // Colour rows do nothing on a one-channel picture.
    uint8_t rgba[4] = {1, 2, 3, 4};
    grey.read_row_rgba(0, 0, 1, rgba);
    EXPECT_EQ(rgba[0], 1);
    grey.write_row_rgba(0, 0, 1, rgba);
    EXPECT_EQ(grey.read_pixel(0, 0), 5);
    grey.set_nchan(3);
    EXPECT_EQ(grey.get_nchan(), 3);
}

TEST(MemoryPicture, FloatRowsDoNothingAndMissingPixelsAreNeverTouched) {
    std::vector<uint8_t> px(16, 42);
    MemoryPicture pic;
    pic.bind(px.data(), 2, 2, 8, 4);
    float f[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    pic.read_row_float(0, 0, 2, f);
    pic.write_row_float(1, 0, 2, f);
    EXPECT_EQ(f[0], 1.0f);
    EXPECT_EQ(f[7], 8.0f);
    for (uint8_t b : px) EXPECT_EQ(b, 42);

    // A picture without pixels (never bound, or released) ignores them all.
    MemoryPicture empty;
    empty.set_nchan(4);
    uint8_t buf[8] = {3, 3, 3, 3, 3, 3, 3, 3};
    empty.read_row_rgba(0, 0, 2, buf);
    empty.write_row_rgba(0, 0, 2, buf);
    empty.read_row(0, 0, 2, buf);
    empty.write_row(0, 0, 2, buf);
    empty.write_pixel(0, 0, 1);
    empty.clear(1);
    EXPECT_EQ(empty.read_pixel(0, 0), 0);
    EXPECT_EQ(buf[0], 3);
}

TEST(Windows, SizesCornersIntersectionAndOverlap) {
    ZoomWindow w{2, 3, 6, 4, 0, 0};
    window_set_size(w);
    EXPECT_EQ(w.nx, 5);
    EXPECT_EQ(w.ny, 2);
    ZoomWindow c{1, 1, 0, 0, 4, 3};
    window_set_corner(c);
    EXPECT_EQ(c.x1, 4);
    EXPECT_EQ(c.y1, 3);

    ZoomWindow out{};
    window_intersect(w, c, out);
    EXPECT_EQ(out.x0, 2);
    EXPECT_EQ(out.y0, 3);
    EXPECT_EQ(out.x1, 4);
    EXPECT_EQ(out.y1, 3);
    EXPECT_EQ(out.nx, 3);
    EXPECT_EQ(out.ny, 1);
    window_intersect(w, c, w);  // the result may replace an argument
    EXPECT_EQ(w.x1, 4);
    EXPECT_EQ(w.nx, 3);

    ZoomWindow a{0, 0, 3, 3, 4, 4};
    ZoomWindow touching{3, 3, 5, 5, 3, 3};
    ZoomWindow beside{4, 0, 6, 3, 3, 4};
    ZoomWindow below{0, 4, 3, 9, 4, 6};
    EXPECT_EQ(window_overlap(a, touching), 1);
    EXPECT_EQ(window_overlap(touching, a), 1);
    EXPECT_EQ(window_overlap(a, beside), 0);
    EXPECT_EQ(window_overlap(below, a), 0);

    ZoomWindow apart{10, 10, 12, 12, 3, 3};
    ZoomWindow none{};
    window_intersect(a, apart, none);
    EXPECT_LE(none.nx, 0);
}

TEST(Windows, PrintFormat) {
    ReportCapture reports;
    window_print("w=", ZoomWindow{1, -2, 3, 4, 3, 7});
    window_print("", ZoomWindow{0, 0, 0, 0, 1, 1});
    EXPECT_EQ(reports.all(), "w={1,-2,3,4}3x7{0,0,0,0}1x1");
}
