// Tile header, the level-skipping sink and the writing of one tile file.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "tests/imageio/test_support.h"
#include "texcomp/texcomp.h"
#include "tool/tiletool.h"
#include "vxsystem/vxsystem.h"

using namespace testsupport;

namespace {

using TileFileTest = ScratchDir;

std::vector<uint32_t> words(const std::vector<uint8_t>& bytes) {
    std::vector<uint32_t> w;
    for (size_t i = 0; i + 4 <= bytes.size() && i < 32; i += 4) w.push_back(get32(bytes, i));
    return w;
}

TEST(TileHeader, ExactBytesLittleEndian) {
    uint8_t out[TILE_HEADER_SIZE];
    encode_tile_header(make_tile_header(TILE_CODE_BLOCKS, 512, 512, 10, 0), out);
    const uint8_t want[32] = {0x39, 0x30, 0, 0, 12, 0, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0,
                              10,   0,    0, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(out, out + 32), std::vector<uint8_t>(want, want + 32));
}

// The reader takes back what the writer wrote, words above 2^31 included, and
// knows exactly the two kinds' codes.
TEST(TileHeader, DecodeUndoesEncodeAndCodesNameTheirKind) {
    TileHeader h = make_tile_header(TILE_CODE_BLOCKS, 640, 480, 10, 1);
    h.reserved[0] = -2;
    uint8_t bytes[TILE_HEADER_SIZE];
    encode_tile_header(h, bytes);
    const TileHeader back = decode_tile_header(bytes);
    EXPECT_EQ(back.width, 320);
    EXPECT_EQ(back.reserved[0], -2);
    uint8_t again[TILE_HEADER_SIZE];
    encode_tile_header(back, again);
    EXPECT_EQ(std::vector<uint8_t>(again, again + TILE_HEADER_SIZE),
              std::vector<uint8_t>(bytes, bytes + TILE_HEADER_SIZE));
    for (bool block_file : {false, true}) {
        const TileFileKind& kind = tile_file_kind(block_file);
        EXPECT_EQ(tile_file_kind_of_code(kind.header_code), &kind);
    }
    for (int32_t code : {0, 8, 4, 13, -12}) EXPECT_EQ(tile_file_kind_of_code(code), nullptr);
}

TEST(TileHeader, RowClassesHalveTheStoredSize) {
    TileHeader h = make_tile_header(TILE_CODE_RGB, 512, 512, 10, 1);
    EXPECT_EQ(h.magic, 12345);
    EXPECT_EQ(h.format_code, 3);
    EXPECT_EQ(h.width, 256);
    EXPECT_EQ(h.height, 256);
    EXPECT_EQ(h.level_count, 10);  // not reduced
    EXPECT_EQ(h.header_size, 32);
    h = make_tile_header(TILE_CODE_RGB, 512, 512, 10, 2);
    EXPECT_EQ(h.width, 128);
    EXPECT_EQ(h.height, 128);
    h = make_tile_header(TILE_CODE_RGB, 1, 1, 1, 2);
    EXPECT_EQ(h.width, 0);
    EXPECT_EQ(h.height, 0);
    EXPECT_EQ(h.reserved[0], 0);
    EXPECT_EQ(h.reserved[1], 0);
}

// Feeds a stream shaped like the library's: magic, surface header, then one
// run per level whose bytes name the level.
std::string feed_stream(TileSink& sink, int32_t levels) {
    ::testing::internal::CaptureStdout();
    const std::vector<uint8_t> magic = {'D', 'D', 'S', ' '};
    const std::vector<uint8_t> surface(124, 0xEE);
    tile_sink(4, magic.data(), &sink);
    tile_sink(124, surface.data(), &sink);
    for (int32_t level = 0; level < levels; ++level) {
        const std::vector<uint8_t> run(static_cast<size_t>(level) + 1, static_cast<uint8_t>(level));
        tile_sink(static_cast<int32_t>(run.size()), run.data(), &sink);
    }
    return ::testing::internal::GetCapturedStdout();
}

std::vector<uint8_t> levels_from(int32_t first, int32_t levels) {
    std::vector<uint8_t> bytes;
    for (int32_t level = first; level < levels; ++level)
        bytes.insert(bytes.end(), static_cast<size_t>(level) + 1, static_cast<uint8_t>(level));
    return bytes;
}

TEST_F(TileFileTest, SinkDropsTheHeaderRunsAndCountsDown) {
    // The rows' level counts as the tool gives them: 10 less the dropped levels.
    const struct {
        int32_t levels;
        const char* countdown;
    } rows[] = {{10, "10 9 8 7 6 5 4 3 2 1 "}, {9, "9 8 7 6 5 4 3 2 1 "}, {0, ""}};
    for (const auto& row : rows) {
        FILE* f = open_file("t.vxt", MODE_WRITE_BINARY);
        TileSink sink;
        sink.file = f;
        sink.level_count = row.levels;
        EXPECT_EQ(feed_stream(sink, row.levels), row.countdown);
        EXPECT_EQ(sink.calls, 2 + row.levels);
        ASSERT_EQ(close_file(f), 0);
        EXPECT_EQ(read_file("t.vxt"), levels_from(0, row.levels)) << row.levels;
    }
}

TEST_F(TileFileTest, SinkRemembersAFailedWrite) {
    FILE* f = open_file("/dev/full", MODE_WRITE_BINARY);
    ASSERT_NE(f, nullptr);
    setvbuf(f, nullptr, _IONBF, 0);  // unbuffered: the write itself fails
    TileSink sink;
    sink.file = f;
    sink.level_count = 3;
    feed_stream(sink, 3);
    EXPECT_EQ(sink.failed, 1);
    const uint8_t byte = 0;
    EXPECT_EQ(tile_sink(1, &byte, &sink), -1);
    close_file(f);
}

// --- one whole tile file through the library ---------------------------------

struct Tile {
    std::vector<uint8_t> pixels;
    TilePixels view;
    Tile(int32_t w, int32_t h) : pixels(rgb_pattern(w, h)) {
        view.pixels = pixels.data();
        view.width = w;
        view.height = h;
        view.pitch = w * 3;
        view.planes = 3;
    }
};

int64_t rgb_bytes(int32_t w, int32_t h, int32_t first, int32_t levels) {
    int64_t n = 0;
    for (int32_t l = first; l < levels; ++l)
        n += int64_t{std::max(1, w >> l)} * std::max(1, h >> l) * 3;
    return n;
}

TEST_F(TileFileTest, WritesHeaderThenLevelsUnderTheFinalNameOnly) {
    Tile tile(16, 8);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(write_tile_file("t00.vxt", tile.view, false, 5, 1), TileWrite::ok);
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::vector<uint8_t> file = read_file("t00.vxt");
    ASSERT_GE(file.size(), 32u);
    EXPECT_EQ(words(file), (std::vector<uint32_t>{12345, 3, 8, 4, 5, 32, 0, 0}));
    EXPECT_FALSE(file_exists("t00.vxt.part"));
    // Header only while the library emits nothing, else exactly levels 1..4.
    const int64_t levels = rgb_bytes(16, 8, 1, 5);
    EXPECT_TRUE(file.size() == 32u || static_cast<int64_t>(file.size()) == 32 + levels)
        << file.size();
    EXPECT_EQ(out, file.size() == 32u ? "5: \n" : "5: 4 3 2 1 \n");
}

TEST_F(TileFileTest, UncreatableFileIsReported) {
    Tile tile(4, 4);
    ASSERT_EQ(mkdir("t00.vxt.part", 0755), 0);  // something in the way, even for root
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(write_tile_file("t00.vxt", tile.view, false, 3, 0), TileWrite::cannot_create);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(file_exists("t00.vxt"));
}

TEST_F(TileFileTest, FullDiskLeavesNoFileBehind) {
    Tile tile(4, 4);
    // A file size limit makes every write past 16 bytes fail as a full disk
    // would (with the signal ignored, the write reports EFBIG).
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ::testing::internal::CaptureStdout();
    int error = 0;
    const TileWrite result = write_tile_file("t00c.vxt", tile.view, true, 3, 0, &error);
    ::testing::internal::GetCapturedStdout();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(result, TileWrite::write_failed);
    EXPECT_EQ(error, EFBIG);
    EXPECT_FALSE(file_exists("t00c.vxt"));
    EXPECT_FALSE(file_exists("t00c.vxt.part"));
}

TEST_F(TileFileTest, LinkAtThePartNameIsRemovedNeverWrittenThrough) {
    Tile tile(4, 4);
    write_file("victim", {1, 2, 3});
    ASSERT_EQ(symlink("victim", "t00.vxt.part"), 0);
    ASSERT_EQ(symlink("nowhere", "t00c.vxt.part"), 0);  // a dangling link too
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(write_tile_file("t00.vxt", tile.view, false, 3, 0), TileWrite::ok);
    EXPECT_EQ(write_tile_file("t00c.vxt", tile.view, true, 3, 0), TileWrite::ok);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(read_file("victim"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(file_exists("nowhere"));
    struct stat st;
    for (const char* name : {"t00.vxt", "t00c.vxt"}) {
        ASSERT_EQ(lstat(name, &st), 0) << name;
        EXPECT_TRUE(S_ISREG(st.st_mode)) << name;
        EXPECT_GT(st.st_size, 32) << name;
    }
}

TEST_F(TileFileTest, FailedRenameLeavesNoPartFile) {
    Tile tile(4, 4);
    ASSERT_EQ(mkdir("t00.vxt", 0755), 0);
    write_file("t00.vxt/keep", {1});  // a non-empty folder cannot be replaced
    ::testing::internal::CaptureStdout();
    int error = 0;
    EXPECT_EQ(write_tile_file("t00.vxt", tile.view, false, 3, 0, &error), TileWrite::write_failed);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(error, EISDIR);
    EXPECT_FALSE(file_exists("t00.vxt.part"));
}

}  // namespace
