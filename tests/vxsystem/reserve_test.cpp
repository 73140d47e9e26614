// Named reservations: the table, the counters and every failure path.
#include <sys/resource.h>

#include <cstring>

#include "tests/imageio/test_support.h"
#include "vxsystem/vxsystem.h"

using namespace testsupport;

namespace {

using ReserveTest = ScratchDir;

const ReserveSlot* slot_of(const void* block) {
    for (int32_t i = 0; i < RESERVE_SLOTS; ++i)
        if (reserve_slot(i).block == block) return &reserve_slot(i);
    return nullptr;
}

TEST_F(ReserveTest, BlockIsZeroedAlignedAndNamed) {
    uint8_t* p = nullptr;
    const int32_t count = reserve_count();
    ASSERT_EQ(reserve_block(&p, 1000, "pano.bmp"), 1);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 32, 0u);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(p[i], 0) << i;
    const ReserveSlot* s = slot_of(p);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->name, "pano.bmp");
    EXPECT_EQ(s->size, 1000);
    EXPECT_EQ(reserve_count(), count + 1);

    void* q = nullptr;
    ASSERT_EQ(reserve(&q, 0, nullptr), 1);  // an empty block is still a block
    ASSERT_NE(q, nullptr);
    EXPECT_STREQ(slot_of(q)->name, "noname");
}

TEST_F(ReserveTest, ReservingAgainReleasesTheFirstBlock) {
    uint8_t* p = nullptr;
    const int32_t count = reserve_count();
    const int64_t total = reserve_total();
    ASSERT_EQ(reserve_block(&p, 64, "first"), 1);
    std::memset(p, 0xAB, 64);
    uint8_t* first = p;
    ASSERT_EQ(reserve_block(&p, 96, "second"), 1);
    EXPECT_EQ(reserve_count(), count + 1);
    EXPECT_EQ(reserve_total(), total + 96);
    if (first != p) {
        EXPECT_EQ(slot_of(first), nullptr);
    }
    for (int i = 0; i < 96; ++i) ASSERT_EQ(p[i], 0);
}

TEST_F(ReserveTest, ReleaseGivesTheBlockBackAndNullsThePointer) {
    uint8_t* p = nullptr;
    EXPECT_EQ(release_block(&p), 1);  // nothing held, nothing to do
    const int32_t count = reserve_count();
    const int64_t total = reserve_total();
    ASSERT_EQ(reserve_block(&p, 48, "gone"), 1);
    uint8_t* block = p;
    EXPECT_EQ(release_block(&p), 1);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(slot_of(block), nullptr);
    EXPECT_EQ(reserve_count(), count);
    EXPECT_EQ(reserve_total(), total);
    uint8_t foreign[4] = {1, 2, 3, 4};
    uint8_t* q = foreign;
    EXPECT_EQ(release_block(&q), 0);
    EXPECT_EQ(q, foreign);
    EXPECT_EQ(read_text("vx.log"), "vxsystem:  ERROR, unable to release memory\n");
}

TEST_F(ReserveTest, LongNameKeepsItsFirst63Characters) {
    const std::string name(70, 'q');
    void* p = nullptr;
    ASSERT_EQ(reserve(&p, 8, name.c_str()), 1);
    EXPECT_EQ(std::string(slot_of(p)->name), name.substr(0, 63));
}

TEST_F(ReserveTest, ForeignPointerIsLoggedAndLeftAlone) {
    uint8_t foreign[16];
    std::memset(foreign, 0x5A, sizeof(foreign));
    void* p = foreign;
    ASSERT_EQ(reserve(&p, 8, "x"), 1);
    EXPECT_NE(p, static_cast<void*>(foreign));
    EXPECT_EQ(foreign[0], 0x5A);  // not zeroed, not freed
    EXPECT_EQ(read_text("vx.log"), "vxsystem:  ERROR, unable to release memory\n");
}

TEST_F(ReserveTest, NegativeSizeLeavesThePointerNull) {
    void* p = nullptr;
    ASSERT_EQ(reserve(&p, 16, "old"), 1);
    const int32_t count = reserve_count();
    EXPECT_EQ(reserve(&p, -5, "bad"), 0);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(reserve_count(), count - 1);  // the old block was released
    EXPECT_NE(read_text("vx.log").find("vxsystem:  ERROR, unable to reserve -5 bytes for bad\n"),
              std::string::npos);
}

TEST_F(ReserveTest, FullTableRefusesMoreBlocks) {
    // Filling the table is for good, so it happens in a child process.
    EXPECT_EXIT(
        {
            void* p = nullptr;
            while (reserve_count() < RESERVE_SLOTS) {
                p = nullptr;
                if (!reserve(&p, 1, "fill")) std::exit(2);
            }
            void* extra = nullptr;
            const bool refused = reserve(&extra, 4, "extra") == 0 && extra == nullptr;
            // Reserving over a live block still works: the release frees a slot.
            const bool reused = reserve(&p, 4, "again") == 1 && p != nullptr;
            const bool logged = read_text("vx.log").find("vxsystem:  ERROR, too many reserves\n") !=
                                std::string::npos;
            std::exit(refused && reused && logged ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

#if defined(__SANITIZE_ADDRESS__)
#define RAZIVAVU_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RAZIVAVU_ASAN 1
#endif
#endif

TEST_F(ReserveTest, FailedAllocationIsLoggedAndLeavesNull) {
#ifdef RAZIVAVU_ASAN
    GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
#else
    EXPECT_EXIT(
        {
            void* p = nullptr;
            if (!reserve(&p, 64, "small")) std::exit(2);
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = rlim_t{512} << 20;
            setrlimit(RLIMIT_AS, &limit);
            const bool failed = reserve(&p, 1 << 30, "huge") == 0 && p == nullptr;
            const bool logged =
                read_text("vx.log").find("unable to reserve 1073741824 bytes for huge") !=
                std::string::npos;
            std::exit(failed && logged ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
