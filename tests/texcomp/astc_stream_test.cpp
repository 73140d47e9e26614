// The ASTC formats through compress_texture: the stream marked by the
// library's own FourCCs with no DX10 header, every level in whole blocks of
// the format's side, the level callback, cube faces, the power-of-two rule
// of the block formats, the quality (g_b_quick_compress included), and
// levels that decode close to the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "texcomp_test_util.h"

namespace {

struct AstcRow {
    TextureFormat format;
    const char* fourcc;
    int32_t side;
};
const AstcRow ROWS[] = {{TextureFormat::Astc4x4, "AS44", 4},
                        {TextureFormat::Astc6x6, "AS66", 6},
                        {TextureFormat::Astc8x8, "AS88", 8}};

int32_t code_of(const AstcRow& row) { return static_cast<int32_t>(row.format); }

uint32_t fourcc_word(const char* f) {
    return uint32_t(uint8_t(f[0])) | uint32_t(uint8_t(f[1])) << 8 | uint32_t(uint8_t(f[2])) << 16 |
           uint32_t(uint8_t(f[3])) << 24;
}

// PSNR over R, G, B of a decoded level (R, G, B, A) against a picture of
// B, G, R(, A) pixels, as the stream layouts order them.
double psnr_bgr(const std::vector<uint8_t>& rgba, const std::vector<uint8_t>& picture,
                int32_t planes) {
    double sum = 0.0;
    const size_t pixels = rgba.size() / 4;
    for (size_t i = 0; i < pixels; ++i)
        for (int c = 0; c < 3; ++c) {
            const double d = double(rgba[4 * i + c]) - double(picture[planes * i + 2 - c]);
            sum += d * d;
        }
    return sum == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * 3.0 * double(pixels) / sum);
}

}  // namespace

TEST(AstcStream, MarkedHeaderAndLevelsOfWholeBlocks) {
    const int32_t w = 64, h = 32;
    const auto picture = photo_picture(w, h, 4, 3);
    for (const AstcRow& row : ROWS) {
        SCOPED_TRACE(row.fourcc);
        int32_t result = -100;
        const Capture cap =
            compress_captured(picture, w, h, 4, settings_for(code_of(row), nullptr), &result);
        ASSERT_EQ(result, TEXCOMP_OK);
        EXPECT_EQ(cap.header_word(76), 4u);  // a FourCC, nothing else
        EXPECT_EQ(cap.header_word(80), fourcc_word(row.fourcc));
        for (size_t off = 84; off < 104; off += 4) EXPECT_EQ(cap.header_word(off), 0u);
        EXPECT_EQ(cap.header_word(16), uint32_t(texture_level_size(code_of(row), w, h)));
        EXPECT_EQ(cap.header_word(24), 7u);
        // No DX10 header: the levels follow the surface header directly.
        std::vector<size_t> want;
        for (int32_t lw = w, lh = h;; lw = (lw + 1) / 2, lh = (lh + 1) / 2) {
            const int32_t across = (lw + row.side - 1) / row.side;
            const int32_t down = (lh + row.side - 1) / row.side;
            want.push_back(size_t(16) * size_t(across) * size_t(down));
            if (lw == 1 && lh == 1) break;
        }
        EXPECT_EQ(cap.level_sizes(), want);
        // Level 0 decodes close to the picture (the smooth photo-like content).
        std::vector<uint8_t> rgba(size_t(w) * h * 4);
        ASSERT_EQ(
            decode_astc_level(cap.runs[2].bytes.data(), int64_t(cap.runs[2].bytes.size()),
                              texture_format_info(code_of(row))->block_mode, w, h, rgba.data()),
            BlockResult::Ok);
        EXPECT_GT(psnr_bgr(rgba, picture, 4), 30.0);
    }
}

TEST(AstcStream, LevelCallbackCubeAndFirstLevel) {
    for (const AstcRow& row : ROWS) {
        SCOPED_TRACE(row.fourcc);
        const auto picture = photo_picture(6 * 16, 16, 3, 5);
        TextureSettings s = settings_for(code_of(row), nullptr);
        s.g_texturemap_type = static_cast<int32_t>(TextureMapType::Cube);
        s.first_level = 2;
        LevelCapture levels;
        s.user = &levels;
        ASSERT_EQ(compress_texture(picture.data(), 6 * 16, 16, 6 * 16 * 3, s, 3,
                                   &LevelCapture::callback, nullptr),
                  TEXCOMP_OK);
        // Levels 2 .. 4 (4x4, 2x2, 1x1) of each of the six faces.
        ASSERT_EQ(levels.levels.size(), 18u);
        for (size_t k = 0; k < levels.levels.size(); ++k) {
            const LevelRecord& l = levels.levels[k];
            EXPECT_EQ(l.level, 2 + int32_t(k % 3));
            EXPECT_EQ(l.width, 16 >> l.level);
            EXPECT_EQ(l.count, 16);  // one block, partial
        }
    }
}

TEST(AstcStream, SidesMustBePowersOfTwoAsForEveryBlockFormat) {
    const auto picture = photo_picture(48, 40, 3, 2);
    for (const AstcRow& row : ROWS) {
        int32_t result = 0;
        const Capture refused =
            compress_captured(picture, 48, 40, 3, settings_for(code_of(row), nullptr), &result);
        EXPECT_EQ(result, TEXCOMP_NOT_POW2) << row.fourcc;
        EXPECT_TRUE(refused.runs.empty()) << row.fourcc;
        TextureSettings s = settings_for(code_of(row), nullptr);
        s.g_rescale_mode = static_cast<int32_t>(RescaleMode::NearestPow2);
        const Capture rescaled = compress_captured(picture, 48, 40, 3, s, &result);
        EXPECT_EQ(result, TEXCOMP_OK) << row.fourcc;
        EXPECT_EQ(rescaled.header_word(12), 64u) << row.fourcc;
    }
}

// The quality chooses the library's search; g_b_quick_compress means its
// fastest one, as it means the quick search for the other block formats.
TEST(AstcStream, QualityChoosesTheSearch) {
    const auto picture = photo_picture(64, 64, 4, 9);
    for (const AstcRow& row : ROWS) {
        TextureSettings s = settings_for(code_of(row), nullptr);
        s.quality = TextureQuality::Quick;
        const uint64_t quick = stream_hash(compress_captured(picture, 64, 64, 4, s));
        s.quality = TextureQuality::High;
        const uint64_t high = stream_hash(compress_captured(picture, 64, 64, 4, s));
        s.g_b_quick_compress = 1;
        EXPECT_EQ(stream_hash(compress_captured(picture, 64, 64, 4, s)), quick) << row.fourcc;
        EXPECT_NE(quick, high) << row.fourcc;
    }
}
