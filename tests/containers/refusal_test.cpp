// Chains a container cannot hold are refused with their reason before a
// byte goes out, and a sink that fails stops the writing.
#include <gtest/gtest.h>

#include "tests/containers/chain_maker.h"

using namespace chaintest;

namespace {

bool count_calls(const uint8_t*, size_t, void* user) {
    return --*static_cast<int*>(user) >= 0;  // false once the allowance is spent
}

}  // namespace

TEST(ContainerRefusal, ChainsNoReaderWouldRead) {
    const MadeChain good = make_chain(TextureFormat::Rgb888, 8, 4);
    const MadeChain odd = make_chain(TextureFormat::Rgb888, 5, 3);  // the library's 3 x 2 next
    const struct {
        void (*spoil)(MipChain&);
        const char* reason;
    } cases[] = {
        {[](MipChain& c) { c.format = TextureFormat::P8; }, "p8 has no"},
        {[](MipChain& c) { c.levels = 0; }, "0 levels"},
        {[](MipChain& c) { c.levels = 5; }, "has 1 .. 4"},
        {[](MipChain& c) { c.width = 0; }, "the sides must be"},
        {[](MipChain& c) { c.height = 40000; }, "the sides must be"},
        {[](MipChain& c) { c.size -= 1; }, "bytes handed in"},
        {[](MipChain& c) { c.bytes = nullptr; }, "bytes handed in"},
        {[](MipChain& c) { c = MipChain(); }, "the sides must be"},
    };
    for (Container container : {Container::Ktx2, Container::Dds}) {
        for (const auto& c : cases) {
            MipChain chain = good.chain;
            c.spoil(chain);
            int calls = 0;
            std::string reason;
            EXPECT_EQ(write_container(container, chain, count_calls, &calls, &reason),
                      ContainerResult::Refused);
            EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
            EXPECT_EQ(reason, container_chain_refusal(container, chain));
            EXPECT_EQ(calls, 0) << "nothing written: " << reason;
            EXPECT_EQ(container_file_size(container, chain), 0) << reason;
        }
        const std::string rounded = container_chain_refusal(container, odd.chain);
        EXPECT_NE(rounded.find("halves to 3 x 2 at level 1"), std::string::npos) << rounded;
        const std::string p8 = container_format_refusal(container, TextureFormat::P8);
        EXPECT_NE(
            p8.find(container == Container::Dds ? "take dxt1, argb8888, rgb888 and bc7"
                                                : "take dxt1, argb8888, rgb888, bc7, astc4x4"),
            std::string::npos)
            << p8;
    }
}

TEST(ContainerRefusal, FailingSinkStopsEveryWrite) {
    const MadeChain made = make_chain(TextureFormat::Rgb888, 16, 16);
    for (Container container : {Container::Ktx2, Container::Dds}) {
        int total = 1000;  // how many calls a whole file takes
        ASSERT_EQ(write_container(container, made.chain, count_calls, &total, nullptr),
                  ContainerResult::Written);
        const int calls = 1000 - total;
        for (int allowed : {0, calls / 2, calls - 1}) {  // the first, a middle, the last fails
            int left = allowed;
            EXPECT_EQ(write_container(container, made.chain, count_calls, &left, nullptr),
                      ContainerResult::SinkFailed)
                << container_name(container) << " " << allowed;
            EXPECT_EQ(left, -1) << "no call after the failing one";
        }
    }
}
