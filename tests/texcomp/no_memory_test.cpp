// A compression call without memory for the rescaled copy of its picture
// fails as out of memory and emits nothing, rather than compressing the
// picture at its own size and calling that a success.
#include <gtest/gtest.h>

#include "tests/common/alloc_hook.h"
#include "tests/texcomp/texcomp_test_util.h"

namespace {

TEST(NoMemory, RescaleWithoutMemoryForTheCopyEmitsNothing) {
    std::vector<uint8_t> pixels(300 * 300 * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7);
    Capture capture;
    TextureSettings s = settings_for(static_cast<int32_t>(TextureFormat::Rgb888), &capture);
    s.write_sink = &Capture::sink;
    s.g_rescale_mode = 1;  // 300 x 300 -> 256 x 256
    const size_t copy = 256 * 256 * 3;
    int32_t result = 0;
    {
        testsupport::FailNewSizes fail(copy, copy);
        result = compress_texture(pixels.data(), 300, 300, 300 * 3, s, 3, nullptr, nullptr);
    }
    EXPECT_EQ(result, TEXCOMP_NO_MEMORY);
    EXPECT_TRUE(capture.runs.empty());
    // With the memory there, the same call gives a 256 x 256 texture.
    ASSERT_EQ(compress_texture(pixels.data(), 300, 300, 300 * 3, s, 3, nullptr, nullptr),
              TEXCOMP_OK);
    EXPECT_EQ(capture.header_word(8), 256u);   // height
    EXPECT_EQ(capture.header_word(12), 256u);  // width
}

TEST(NoMemory, AnAllocationThatThrowsBelowTheEntryIsAResult) {
    std::vector<uint8_t> pixels(64 * 64 * 3, 90);
    Capture capture;
    TextureSettings s = settings_for(static_cast<int32_t>(TextureFormat::Dxt1), &capture);
    int32_t result = 0;
    {
        testsupport::FailNewSizes fail(1, SIZE_MAX);  // every operator new
        result = compress_texture(pixels.data(), 64, 64, 64 * 3, s, 3, nullptr, nullptr);
    }
    EXPECT_EQ(result, TEXCOMP_NO_MEMORY);
}

}  // namespace
