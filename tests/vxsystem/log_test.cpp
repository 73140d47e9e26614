// The message log: the file, its cut of overlong messages.
#include <sys/stat.h>

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

TEST_F(LogTest, OverlongMessageIsCutSafely) {
    const std::string huge(3 * LOG_MESSAGE_MAX, 'z');
    append_log("%s<end>", huge.c_str());
    const std::string file = read_text("vx.log");
    EXPECT_EQ(file, std::string(LOG_MESSAGE_MAX - 1, 'z'));
}

TEST_F(LogTest, UnopenableLogFileIsHarmless) {
    ASSERT_EQ(mkdir("vx.log", 0755), 0);  // a directory cannot be opened for appending
    append_log("not kept\n");             // returns, nothing else
    append_log("%s", "nor this\n");
    struct stat st;
    ASSERT_EQ(stat("vx.log", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

}  // namespace
