// Rows further apart than 2 GiB (a tile of a band of a very wide panorama)
// give the stream their packed copy gives, with and without rescaling. The
// rows lie in a sparse mapping, so only the pages they touch take memory.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>

#include "texcomp_test_util.h"

namespace {

TEST(WidePitch, RowsMoreThanTwoGibApartGiveThePackedStream) {
    const int32_t w = 12, h = 10, planes = 3;
    const int64_t pitch = (int64_t{1} << 31) + 4096 + 7;
    const size_t span = static_cast<size_t>(pitch * (h - 1) + w * planes);
    void* map = mmap(nullptr, span, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (map == MAP_FAILED) GTEST_SKIP() << "no room for a sparse mapping of " << span << " bytes";
    uint8_t* rows = static_cast<uint8_t*>(map);
    const std::vector<uint8_t> packed = gradient_picture(w, h, planes);
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(rows + pitch * y, packed.data() + size_t(y) * w * planes, size_t(w) * planes);
    for (int32_t rescale : {0, 1}) {
        Capture want, got;
        TextureSettings s = settings_for(8, &want);
        s.g_rescale_mode = rescale;  // 1: up to powers of two through the resampler
        ASSERT_EQ(compress_texture(packed.data(), w, h, w * planes, s, planes, nullptr, nullptr),
                  TEXCOMP_OK);
        s.user = &got;
        ASSERT_EQ(compress_texture(rows, w, h, pitch, s, planes, nullptr, nullptr), TEXCOMP_OK);
        ASSERT_EQ(got.runs.size(), want.runs.size()) << rescale;
        for (size_t i = 0; i < want.runs.size(); ++i)
            EXPECT_EQ(got.runs[i].bytes, want.runs[i].bytes)
                << "rescale " << rescale << " run " << i;
    }
    munmap(map, span);
}

}  // namespace
