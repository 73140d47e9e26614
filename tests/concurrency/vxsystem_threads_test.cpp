// The process-wide log and reservation table taken from two threads at once.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
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
    std::remove("vx.log");
    std::thread a(log_many, 'a');
    std::thread b(log_many, 'b');
    a.join();
    b.join();
    // Every such line of the file is one whole message, and every message is
    // there.
    std::ifstream file("vx.log");
    std::set<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("thread ", 0) != 0) continue;  // another test's message
        char tag = 0;
        int i = -1, end = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "thread %c message %d%n", &tag, &i, &end), 2) << line;
        EXPECT_EQ(end, static_cast<int>(line.size())) << line;
        lines.insert(line);
    }
    EXPECT_EQ(lines.size(), 400u);
}
