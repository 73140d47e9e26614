// Chains a container cannot hold are refused with their reason before a
// byte goes out, and a sink that fails stops the writing.
#include <gtest/gtest.h>

#include "tests/containers/chain_maker.h"

using namespace chaintest;

namespace {

bool count_calls(const uint8_t*, size_t, void* user) {
    int& calls = *static_cast<int*>(user);
    return --calls >= 0;  // false once the allowance is spent
}

}  // namespace

TEST(ContainerRefusal, ChainsNoReaderWouldRead) {
    const MadeChain good = make_chain(TextureFormat::Rgb888, 8, 4);
    const MadeChain odd = make_chain(TextureFormat::Rgb888, 5, 3);  // halves to 3 x 2
    const struct {
        const char* what;
        void (*spoil)(MipChain&);
        const char* reason;
    } cases[] = {
        {"format", [](MipChain& c) { c.format = TextureFormat::Dxt5; }, "dxt5 has no"},
        {"no level", [](MipChain& c) { c.levels = 0; }, "0 levels"},
        {"too many", [](MipChain& c) { c.levels = 5; }, "has 1 .. 4"},
        {"side", [](MipChain& c) { c.width = 0; }, "the sides must be"},
        {"huge", [](MipChain& c) { c.height = 40000; }, "the sides must be"},
        {"short", [](MipChain& c) { c.size -= 1; }, "bytes handed in"},
        {"null", [](MipChain& c) { c.bytes = nullptr; }, "bytes handed in"},
    };
    for (Container container : {Container::Ktx2, Container::Dds}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(container_name(container)) + " " + c.what);
            MipChain chain = good.chain;
            c.spoil(chain);
            int calls = 0;
            std::string reason;
            EXPECT_EQ(write_container(container, chain, count_calls, &calls, &reason),
                      ContainerResult::Refused);
            EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
            EXPECT_EQ(reason, container_chain_refusal(container, chain));
            EXPECT_EQ(calls, 0) << "nothing written";
            EXPECT_EQ(container_file_size(container, chain), 0);
        }
        const std::string rounded = container_chain_refusal(container, odd.chain);
        EXPECT_NE(rounded.find("halves to 3 x 2 at level 1"), std::string::npos) << rounded;
    }
}

TEST(ContainerRefusal, FormatsWithoutAForm) {
    for (Container container : {Container::Ktx2, Container::Dds}) {
        EXPECT_EQ(container_format_refusal(container, TextureFormat::Bc7), "");
        const std::string no = container_format_refusal(container, TextureFormat::P8);
        EXPECT_NE(no.find(std::string("p8 has no ") + container_name(container)),
                  std::string::npos);
        EXPECT_NE(no.find("dxt1, argb8888, rgb888 and bc7"), std::string::npos) << no;
    }
}

TEST(ContainerRefusal, FailingSinkStopsEveryWrite) {
    const MadeChain made = make_chain(TextureFormat::Rgb888, 16, 16);
    for (Container container : {Container::Ktx2, Container::Dds}) {
        std::vector<uint8_t> whole;
        ASSERT_EQ(container_bytes(container, made.chain, whole, nullptr), ContainerResult::Written);
        // Fail at each call in turn: the first, one in the middle, the last.
        int total = 1000;
        write_container(container, made.chain, count_calls, &total, nullptr);
        const int calls = 1000 - total;
        for (int allowed : {0, calls / 2, calls - 1}) {
            int left = allowed;
            EXPECT_EQ(write_container(container, made.chain, count_calls, &left, nullptr),
                      ContainerResult::SinkFailed)
                << container_name(container) << " " << allowed;
            EXPECT_EQ(left, -1) << "no call after the failing one";
        }
    }
}
