// The message log: the file, the in-memory area and its overflow rule.
#include <sys/stat.h>

#include <cstring>

#include "tests/imageio/test_support.h"
#include "vxsystem/vxsystem.h"

using namespace testsupport;

namespace {

using LogTest = ScratchDir;

TEST_F(LogTest, EveryMessageIsAppendedToTheFileAsFormatted) {
    write_file("vx.log", {'o', 'l', 'd', '\n'});  // an earlier run's log stays
    append_log("vxgl:  texture %s is no %d, 8 or 24bit BMP file\n", "a.bmp", 4);
    append_log("(jpeg=%dx%dx%d)", 640, 480, 3);
    append_log("vxsystem:  ERROR, too many reserves\n");
    EXPECT_EQ(read_text("vx.log"),
              "old\nvxgl:  texture a.bmp is no 4, 8 or 24bit BMP file\n(jpeg=640x480x3)"
              "vxsystem:  ERROR, too many reserves\n");
}

TEST_F(LogTest, AreaStoresLineBreaksAsNulAndAdvances) {
    const int32_t before = log_position();
    append_log("ab\ncd\n");
    if (before + 6 <= LOG_AREA_SIZE) {
        EXPECT_EQ(log_position(), before + 6);
        EXPECT_EQ(std::memcmp(log_area() + before, "ab\0cd\0", 6), 0);
    }
}

TEST_F(LogTest, MessageThatWouldPassTheEndRestartsTheArea) {
    // Fill the area with messages of a known length until the next one no
    // longer fits; that one starts the area again after "Overflow\n".
    const std::string chunk(999, 'x');
    while (log_position() + 1000 <= LOG_AREA_SIZE) append_log("%s\n", chunk.c_str());
    const int32_t before = log_position();
    ASSERT_GT(before + 1000, LOG_AREA_SIZE);
    append_log("%s\n", chunk.c_str());
    EXPECT_EQ(log_position(), 9 + 1000);
    EXPECT_EQ(std::string(log_area(), 9 + 1000), "Overflow\n" + chunk + "\n");

    // A message that exactly reaches the end still fits.
    const int32_t room = LOG_AREA_SIZE - log_position();
    ASSERT_LT(room, LOG_MESSAGE_MAX * 5);
    while (LOG_AREA_SIZE - log_position() > 2000) append_log("%s\n", chunk.c_str());
    const int32_t rest = LOG_AREA_SIZE - log_position();
    append_log("%s", std::string(static_cast<size_t>(rest), 'y').c_str());
    EXPECT_EQ(log_position(), LOG_AREA_SIZE);
    EXPECT_EQ(log_area()[LOG_AREA_SIZE - 1], 'y');
    // Every message still reached the file.
    const std::string file = read_text("vx.log");
    EXPECT_EQ(file.substr(file.size() - static_cast<size_t>(rest)), std::string(rest, 'y'));
}

TEST_F(LogTest, OverlongMessageIsCutSafely) {
    const std::string huge(3 * LOG_MESSAGE_MAX, 'z');
    append_log("%s<end>", huge.c_str());
    const std::string file = read_text("vx.log");
    EXPECT_EQ(file, std::string(LOG_MESSAGE_MAX - 1, 'z'));
    EXPECT_LE(log_position(), LOG_AREA_SIZE);
}

TEST_F(LogTest, UnopenableLogFileIsHarmless) {
    ASSERT_EQ(mkdir("vx.log", 0755), 0);  // a directory cannot be opened for appending
    const int32_t before = log_position();
    append_log("still kept\n");
    EXPECT_NE(log_position(), before);  // the in-memory copy is made
}

}  // namespace
