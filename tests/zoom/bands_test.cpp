// The passes cut into bands of output rows (or, vertical first onto a few
// rows, of columns) on a pool give the bytes of the one-thread pass: both
// pass orders, shrinking and enlarging, one and four channels.
#include <gtest/gtest.h>

#include "workpool/workpool.h"
#include "zoom_test_support.h"

TEST(ZoomBands, PoolGivesTheOneThreadBytes) {
    struct Case {
        int w, h, nchan, nw, nh, xy_order, filter;
    };
    const Case cases[] = {
        {400, 600, 4, 200, 300, 1, 4},  // horizontal first, halving, cubic
        {400, 600, 4, 200, 300, 0, 6},  // vertical first, mitchell
        {97, 61, 4, 301, 257, 1, 5},    // enlarging, catrom
        {97, 61, 4, 301, 257, 0, 13},   // kaiser
        {513, 301, 1, 211, 299, 1, 7},  // one channel, gaussian
        {513, 301, 1, 211, 299, 0, 2},  // one channel, triangle
        {1100, 400, 4, 37, 5, 0, 4},    // a few rows: column bands
        {700, 300, 1, 50, 3, 0, 6},     // a few rows of one channel
        {530, 500, 4, 1201, 7, 0, 13},  // a few rows, wider than the source
    };
    WorkPool pool(3);
    for (const Case& c : cases) {
        auto px = noise_pixels(c.w, c.h, c.nchan, 17);
        ZoomOptions o = default_options();
        o.xy_order = c.xy_order;
        const auto one = resample_whole(px.data(), c.w, c.h, c.nchan, c.nchan, c.nw, c.nh,
                                        filter_at(c.filter), o);
        ASSERT_NE(one.back(), 0xEE);  // the pass wrote the picture
        o.pool = &pool;
        EXPECT_EQ(resample_whole(px.data(), c.w, c.h, c.nchan, c.nchan, c.nw, c.nh,
                                 filter_at(c.filter), o),
                  one)
            << c.w << "x" << c.h << " order " << c.xy_order << " filter " << c.filter;
    }
}
