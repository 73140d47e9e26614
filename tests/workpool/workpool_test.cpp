// The pool runs every item once, on several threads, and hands the lowest
// failing item's exception back; bands cover their rows in order.
#include "workpool/workpool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

TEST(WorkPool, EveryItemOnceWhateverTheThreads) {
    for (int threads : {0, 1, 2, 5}) {
        WorkPool pool(threads);
        EXPECT_EQ(pool.threads(), threads < 2 ? 1 : threads);
        for (int64_t count : {0, 1, 7, 1000}) {
            std::vector<std::atomic<int>> hits(static_cast<size_t>(count));
            pool.run(count, [&](int64_t i) { hits[static_cast<size_t>(i)]++; });
            for (int64_t i = 0; i < count; ++i) ASSERT_EQ(hits[i].load(), 1) << threads << " " << i;
        }
    }
}

TEST(WorkPool, LowestFailingItemIsRethrownAfterAllRan) {
    WorkPool pool(3);
    std::atomic<int> ran{0};
    try {
        pool.run(64, [&](int64_t i) {
            ++ran;
            if (i % 10 == 7) throw std::runtime_error(std::to_string(i));
        });
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "7");
    }
    EXPECT_EQ(ran.load(), 64);
    // The pool is usable again.
    std::atomic<int> again{0};
    pool.run(5, [&](int64_t) { ++again; });
    EXPECT_EQ(again.load(), 5);
}

TEST(WorkPool, BandsCoverTheRowsInOrder) {
    WorkPool pool(2);
    EXPECT_EQ(band_count(nullptr, 1000, 10), 1);
    EXPECT_EQ(band_count(&pool, 19, 10), 1);  // fewer rows than two bands need
    EXPECT_EQ(band_count(&pool, 1000, 10), 8);
    for (int64_t rows : {20, 21, 1001}) {
        const int64_t bands = band_count(&pool, rows, 10);
        std::vector<int> covered(static_cast<size_t>(rows), 0);
        run_bands(&pool, rows, 10, [&](int64_t b, int64_t e) {
            EXPECT_GE(e - b, 10);
            for (int64_t r = b; r < e; ++r) covered[static_cast<size_t>(r)]++;
        });
        for (int64_t r = 0; r < rows; ++r) ASSERT_EQ(covered[r], 1) << rows << " " << r;
        for (int64_t i = 0; i + 1 < bands; ++i)
            EXPECT_EQ(band_of(rows, bands, i).end, band_of(rows, bands, i + 1).begin);
    }
}
