// The diagnostic channel: standard error by default, an installed receiver
// otherwise, and long texts cut to the message buffer.
#include <gtest/gtest.h>

#include "normalmap_test_support.h"

TEST(Diagnostics, StandardErrorByDefault) {
    ASSERT_EQ(normalmap_set_receiver(nullptr), nullptr);
    testing::internal::CaptureStderr();
    NormalMapOptions o;
    o.conversion = 1008;
    uint8_t px[4] = {1, 2, 3, 4};
    EXPECT_EQ(make_normal_map(o, 1, 1, px, 8), NORMALMAP_UNKNOWN_CONVERSION);
    normalmap_report("Unrecognized format! %d\n", 9);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Unknown conversion 1008\nUnrecognized format! 9\n");
}

TEST(Diagnostics, InstalledReceiverAndLongTexts) {
    MessageLog log;
    EXPECT_EQ(normalmap_set_receiver(&MessageLog::receive), &MessageLog::receive);
    const std::string long_text(5000, 'x');
    normalmap_report("%s", long_text.c_str());
    ASSERT_EQ(MessageLog::texts().size(), 1u);
    EXPECT_EQ(MessageLog::texts()[0], std::string(2047, 'x'));
}
