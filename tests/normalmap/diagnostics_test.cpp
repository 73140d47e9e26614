// The diagnostic channel: silent by default, an installed receiver otherwise
// (standard error for the commands), and long texts cut to the message
// buffer.
#include <gtest/gtest.h>

#include <thread>

#include "normalmap_test_support.h"

TEST(Diagnostics, SilentByDefaultStandardErrorWhenTheProgramAsks) {
    ASSERT_EQ(normalmap_set_receiver(nullptr), nullptr);
    NormalMapOptions o;
    o.conversion = 1008;
    uint8_t px[4] = {1, 2, 3, 4};
    for (bool program : {false, true}) {
        if (program) normalmap_set_receiver(&normalmap_print_to_stderr);
        testing::internal::CaptureStderr();
        EXPECT_EQ(make_normal_map(o, 1, 1, px, 8), NORMALMAP_UNKNOWN_CONVERSION);
        normalmap_report("Unrecognized format! %d\n", 9);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  program ? "Unknown conversion 1008\nUnrecognized format! 9\n" : "");
    }
    normalmap_set_receiver(nullptr);
}

TEST(Diagnostics, InstalledReceiverAndLongTexts) {
    MessageLog log;
    EXPECT_EQ(normalmap_set_receiver(&MessageLog::receive), &MessageLog::receive);
    const std::string long_text(5000, 'x');
    normalmap_report("%s", long_text.c_str());
    ASSERT_EQ(MessageLog::texts().size(), 1u);
    EXPECT_EQ(MessageLog::texts()[0], std::string(2047, 'x'));
}

namespace {

thread_local std::vector<std::string> t_texts;
void thread_receiver(const char* text) { t_texts.push_back(text); }

}  // namespace

// Each thread's receiver sees only the messages of its own calls, and
// conversions running at once give the bytes they give alone.
TEST(Diagnostics, ReceiverPerThread) {
    Picture alone = noise_picture(40, 30, 8);
    NormalMapOptions o;
    o.kernel = 1045;
    ASSERT_EQ(make_normal_map(o, alone.w, alone.h, alone.bytes.data(), 8), 0);
    std::vector<std::string> seen[2];
    std::vector<uint8_t> made[2];
    auto work = [&](int i) {
        normalmap_set_receiver(&thread_receiver);
        NormalMapOptions bad;
        bad.conversion = 1008 + 11 * i;
        Picture p = noise_picture(40, 30, 8);
        make_normal_map(bad, p.w, p.h, p.bytes.data(), 8);
        make_normal_map(o, p.w, p.h, p.bytes.data(), 8);
        seen[i] = t_texts;
        made[i] = p.bytes;
        normalmap_set_receiver(nullptr);
    };
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    EXPECT_EQ(seen[0], std::vector<std::string>{"Unknown conversion 1008"});
    EXPECT_EQ(seen[1], std::vector<std::string>{"Unknown conversion 1019"});
    EXPECT_EQ(made[0], alone.bytes);
    EXPECT_EQ(made[1], alone.bytes);
}
