// File utilities.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/imageio/test_support.h"
#include "vxsystem/vxsystem.h"

using namespace testsupport;

namespace {

using FilesTest = ScratchDir;

TEST(StartsWithNocase, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(starts_with_nocase("bmp", "BMP"), 1);
    EXPECT_EQ(starts_with_nocase("Bmp", "BMP"), 1);
    EXPECT_EQ(starts_with_nocase("JPG", "jpg"), 1);
    EXPECT_EQ(starts_with_nocase("bmpx", "BMP"), 1);
    EXPECT_EQ(starts_with_nocase("bm", "BMP"), 0);  // shorter than the prefix
    EXPECT_EQ(starts_with_nocase("bnp", "BMP"), 0);
    EXPECT_EQ(starts_with_nocase("\xc4mp", "\xe4MP"), 0);  // no folding beyond A-Z
    EXPECT_EQ(starts_with_nocase("", ""), 1);
}

TEST_F(FilesTest, OpenFileKnowsThreeModes) {
    EXPECT_EQ(open_file("", MODE_WRITE_BINARY), nullptr);
    EXPECT_EQ(open_file(nullptr, MODE_WRITE_BINARY), nullptr);
    EXPECT_EQ(open_file("x", 33), nullptr);
    EXPECT_FALSE(file_exists("x"));
    EXPECT_EQ(open_file("missing", MODE_READ_BINARY), nullptr);
    for (int mode : {MODE_WRITE_BINARY, MODE_WRITE_TEXT}) {
        FILE* f = open_file("x", mode);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(write_bytes(f, "abc", 3), 3);
        EXPECT_EQ(close_file(f), 0);
        EXPECT_EQ(read_text("x"), "abc");
    }
    FILE* f = open_file("x", MODE_READ_BINARY);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(close_file(f), 0);
    EXPECT_EQ(close_file(nullptr), 0);
}

TEST_F(FilesTest, WriteBytesRefusesNullStreamAndNegativeCounts) {
    EXPECT_EQ(write_bytes(nullptr, "abc", 3), -1);
    FILE* f = open_file("x", MODE_WRITE_BINARY);
    EXPECT_EQ(write_bytes(f, "abc", -1), -1);
    EXPECT_EQ(write_bytes(f, "abc", 0), 0);
    close_file(f);
}

TEST_F(FilesTest, CloseReportsDataThatNeverReachedTheDisk) {
    // /dev/full takes the buffered bytes and fails when they are flushed.
    FILE* f = open_file("/dev/full", MODE_WRITE_BINARY);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(write_bytes(f, "abcd", 4), 4);
    EXPECT_NE(close_file(f), 0);
}

TEST_F(FilesTest, SizesAndWholeReads) {
    write_file("five", {1, 2, 3, 4, 5});
    write_file("empty", {});
    EXPECT_EQ(file_size("five"), 5);
    EXPECT_EQ(file_size("empty"), 0);
    EXPECT_EQ(file_size("missing"), -1);
    EXPECT_EQ(file_size(""), -1);
    ASSERT_EQ(mkdir("folder", 0755), 0);
    EXPECT_EQ(file_size("folder"), -1);

    uint8_t buffer[8] = {};
    EXPECT_EQ(read_whole_file("five", buffer, 8), 5);
    EXPECT_EQ(buffer[4], 5);
    EXPECT_EQ(read_whole_file("missing", buffer, 8), -1);
    EXPECT_EQ(read_whole_file("", buffer, 8), -1);
    // A file that grew past the buffer fills the buffer and no more.
    uint8_t small[4] = {9, 9, 9, 9};
    EXPECT_EQ(read_whole_file("five", small, 3), 3);
    EXPECT_EQ(small[2], 3);
    EXPECT_EQ(small[3], 9);
}

// Sparse files, so they cost no disk: past 2 GiB and past 4 GiB, where a
// 32-bit size would turn negative or wrap to a few bytes.
TEST_F(FilesTest, SizesPastThirtyTwoBits) {
    for (const int64_t size : {(int64_t{2} << 30) + 7, (int64_t{4} << 30) + 5}) {
        const int fd = open("sparse", O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const bool made = ftruncate(fd, size) == 0;
        close(fd);
        if (!made) GTEST_SKIP() << "no sparse file of " << size << " bytes here";
        EXPECT_EQ(file_size("sparse"), size);
        // Read whole it is refused, never cut short.
        uint8_t buffer[8];
        EXPECT_EQ(read_whole_file("sparse", buffer, 8), -1) << size;
    }
}

TEST_F(FilesTest, FifoIsNeverOpenedForReading) {
    ASSERT_EQ(mkfifo("pipe", 0644), 0);
    // Opening a FIFO for reading used to wait for a writer forever; the alarm
    // turns such a wait into a failure of this test.
    alarm(10);
    uint8_t buffer[8];
    EXPECT_EQ(file_size("pipe"), -1);
    EXPECT_EQ(read_whole_file("pipe", buffer, 8), -1);
    EXPECT_EQ(open_file("pipe", MODE_READ_BINARY), nullptr);
    alarm(0);
}

}  // namespace
