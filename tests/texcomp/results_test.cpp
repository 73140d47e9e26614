// Named results of compress_texture and their messages.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "texcomp/texcomp.h"

TEST(Results, EveryResultHasItsOwnMessage) {
    const int32_t results[] = {TEXCOMP_OK,        TEXCOMP_NO_PIXELS,     TEXCOMP_BAD_PLANES,
                               TEXCOMP_NOT_POW2,  TEXCOMP_REFUSED,       TEXCOMP_BAD_SIZE,
                               TEXCOMP_NO_MEMORY, TEXCOMP_ENCODER_FAILED};
    std::set<std::string> seen;
    for (int32_t r : results) {
        const char* m = texture_result_message(r);
        ASSERT_NE(m, nullptr);
        EXPECT_GT(std::strlen(m), 0u);
        EXPECT_TRUE(seen.insert(m).second) << r;
    }
    for (int32_t unknown : {1, -8, INT32_MIN}) {
        ASSERT_NE(texture_result_message(unknown), nullptr);
        EXPECT_EQ(seen.count(texture_result_message(unknown)), 0u);
    }
}

TEST(Results, EntryChecksGiveTheirNames) {
    TextureSettings s;
    texture_settings_init(s);
    const uint8_t px[4 * 4 * 3] = {};
    EXPECT_EQ(compress_texture(nullptr, 4, 4, 12, s, 3, nullptr, nullptr), TEXCOMP_NO_PIXELS);
    EXPECT_EQ(compress_texture(px, 4, 4, 12, s, 2, nullptr, nullptr), TEXCOMP_BAD_PLANES);
    EXPECT_EQ(compress_texture(px, 3, 3, 9, s, 3, nullptr, nullptr), TEXCOMP_NOT_POW2);
    s.g_texture_format = TEXTURE_FORMAT_COUNT;
    EXPECT_EQ(compress_texture(px, 4, 4, 12, s, 3, nullptr, nullptr), TEXCOMP_REFUSED);
}
