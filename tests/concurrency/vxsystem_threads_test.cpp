// The process-wide log and reservation table taken from two threads at once.
#include <gtest/gtest.h>

#include <thread>

#include "vxsystem/vxsystem.h"

TEST(Concurrency, ReservationsFromTwoThreadsAreAllCounted) {
    const int32_t count_before = reserve_count();
    const int64_t total_before = reserve_total();
    constexpr int kBlocks = 200;
    void* blocks[2][kBlocks] = {};
    auto reserve_many = [&blocks](int t) {
        for (int i = 0; i < kBlocks; ++i) {
            ASSERT_EQ(reserve(&blocks[t][i], 16 + i, "concurrency"), 1);
            // Reserving over a block releases it first.
            ASSERT_EQ(reserve(&blocks[t][i], 8, "concurrency"), 1);
        }
    };
    std::thread a(reserve_many, 0);
    std::thread b(reserve_many, 1);
    a.join();
    b.join();
    EXPECT_EQ(reserve_count(), count_before + 2 * kBlocks);
    EXPECT_EQ(reserve_total(), total_before + 2 * kBlocks * 8);
    for (auto& row : blocks)
        for (void*& p : row) {
            ASSERT_NE(p, nullptr);
            reserve(&p, 0, "released");  // the zero-sized remains stay in the table
        }
}

TEST(Concurrency, LogMessagesFromTwoThreadsStayWhole) {
    auto log_many = [](char tag) {
        for (int i = 0; i < 200; ++i) append_log("thread %c message %d\n", tag, i);
    };
    std::thread a(log_many, 'a');
    std::thread b(log_many, 'b');
    a.join();
    b.join();
    EXPECT_GE(log_position(), LOG_START_POSITION);
    EXPECT_LE(log_position(), LOG_AREA_SIZE);
}
