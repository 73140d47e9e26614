// ASTC through the ASTC library: the same bytes on every call, every thread
// and every cut of a level into bands of block rows; round trips within a
// stated error for each block side, quality and a few level sizes (partial
// blocks at the edges included); the decoder's refusals; and the output on
// a fixed picture pinned, so that later speed work cannot change it
// unnoticed.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "blocks/blocks.h"
#include "tests/blocks/test_encode_support.h"
#include "tests/common/pin_report.h"

using namespace enc_test;

namespace {

const int ASTC_MODES[3] = {BLOCK_MODE_ASTC_4X4, BLOCK_MODE_ASTC_6X6, BLOCK_MODE_ASTC_8X8};
const BlockQuality QUALITIES[5] = {BlockQuality::Quick, BlockQuality::Fast, BlockQuality::Normal,
                                   BlockQuality::High, BlockQuality::Best};

// Gradients, a soft disc, a hard edge and a little noise, with an alpha ramp
// when asked: the content of photographs and of their masks.
std::vector<uint32_t> astc_picture(int w, int h, uint32_t seed, bool alpha) {
    Lcg rng(seed);
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2, dy = y - h / 3;
            const int disc = dx * dx + dy * dy < w * h / 8 ? 60 : 0;
            const int edge = x > 2 * w / 3 ? 50 : 0;
            const auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
            const int r = clamp(30 + 180 * x / w + disc + rng.below(9) - 4);
            const int g = clamp(200 - 150 * y / h + edge + rng.below(9) - 4);
            const int b = clamp(90 + 60 * (x + y) / (w + h) - disc / 2 + rng.below(9) - 4);
            const int a = alpha ? clamp(255 * (x + 2 * y) / (w + 2 * h + 1)) : 255;
            px[size_t(y) * size_t(w) + size_t(x)] = argb(a, r, g, b);
        }
    return px;
}

// Ramps of a few steps a texel and a soft wave in every channel, alpha
// included, the same for every size: content every block side keeps well,
// so that a texel put in the wrong place, which costs tens of decibels,
// stands out even on levels of a few texels.
std::vector<uint32_t> smooth_picture(int w, int h) {
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double wave = 6.0 * std::sin(0.35 * x + 0.2 * y);
            px[size_t(y) * size_t(w) + size_t(x)] =
                argb(int(230 - 2.0 * y), int(40 + 2.5 * x + wave), int(60 + 3.0 * y - wave),
                     int(190 - 1.2 * (x + y)));
        }
    return px;
}

EncodeOptions astc(int mode, BlockQuality quality) {
    EncodeOptions o;
    o.mode = mode;
    o.quality = quality;
    return o;
}

// The blocks decoded by the ASTC library, as 0xAARRGGBB words.
std::vector<uint32_t> decode_astc(const std::vector<uint8_t>& data, int mode, int w, int h) {
    std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4);
    EXPECT_EQ(decode_astc_level(data.data(), int64_t(data.size()), mode, w, h, rgba.data()),
              BlockResult::Ok);
    std::vector<uint32_t> words(size_t(w) * size_t(h));
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = argb(rgba[4 * i + 3], rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2]);
    return words;
}

// PSNR over red, green, blue and alpha; 99 for a perfect match.
double psnr(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8) {
            const double d = double((a[i] >> shift) & 0xFF) - double((b[i] >> shift) & 0xFF);
            sum += d * d;
        }
    if (sum == 0.0) return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 / (sum / (4.0 * double(a.size()))));
}

std::string mode_name(int mode) {
    const int side = block_side_for(mode);
    return "astc" + std::to_string(side) + "x" + std::to_string(side);
}

}  // namespace

TEST(AstcBlocks, SidesAndSizes) {
    struct Case {
        int mode, side, w, h;
        int32_t bytes;
    };
    const Case cases[] = {
        {BLOCK_MODE_ASTC_4X4, 4, 1, 1, 16},  {BLOCK_MODE_ASTC_4X4, 4, 5, 3, 32},
        {BLOCK_MODE_ASTC_6X6, 6, 17, 9, 96}, {BLOCK_MODE_ASTC_6X6, 6, 12, 12, 64},
        {BLOCK_MODE_ASTC_8X8, 8, 17, 9, 96}, {BLOCK_MODE_ASTC_8X8, 8, 8, 8, 16},
        {BLOCK_MODE_BC7, 4, 5, 3, 32},       {BLOCK_MODE_OPAQUE, 4, 5, 3, 16},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(block_side_for(c.mode), c.side) << c.mode;
        EXPECT_EQ(is_astc_mode(c.mode), c.mode >= BLOCK_MODE_ASTC_4X4) << c.mode;
        EXPECT_EQ(block_bytes_for(c.mode), c.mode == BLOCK_MODE_OPAQUE ? 8 : 16) << c.mode;
        EXPECT_EQ(block_data_size(c.w, c.h, c.mode), c.bytes) << c.mode << " " << c.w << "x" << c.h;
    }
}

// The same bytes twice on one thread (its context kept), after other block
// sizes and qualities made it remake the context, and on a new thread with
// a context of its own; the picture is left as it was.
TEST(AstcBlocks, EncodingIsTheSameOnEveryCallAndThread) {
    const auto picture = astc_picture(37, 29, 3, true);
    for (int mode : ASTC_MODES) {
        for (BlockQuality q : {BlockQuality::Quick, BlockQuality::Normal, BlockQuality::High}) {
            const auto before = picture;
            const auto first = encode_level(picture, 37, 29, astc(mode, q));
            EXPECT_EQ(picture, before) << mode_name(mode);
            EXPECT_EQ(encode_level(picture, 37, 29, astc(mode, q)), first) << mode_name(mode);
            for (int other : ASTC_MODES) encode_level(picture, 37, 29, astc(other, QUALITIES[1]));
            EXPECT_EQ(encode_level(picture, 37, 29, astc(mode, q)), first) << mode_name(mode);
            std::vector<uint8_t> elsewhere;
            std::thread([&] { elsewhere = encode_level(picture, 37, 29, astc(mode, q)); }).join();
            EXPECT_EQ(elsewhere, first) << mode_name(mode) << " quality " << int(q);
        }
    }
}

// Bands of block rows encoded on three threads at once give the bytes of
// the whole level in one call, whatever the cut.
TEST(AstcBlocks, BandsOnSeveralThreadsGiveTheWholeLevel) {
    const int w = 70, h = 61;
    const auto picture = astc_picture(w, h, 5, true);
    for (int mode : ASTC_MODES) {
        const EncodeOptions o = astc(mode, BlockQuality::Normal);
        const auto whole = encode_level(picture, w, h, o);
        const int side = block_side_for(mode);
        const int rows = (h + side - 1) / side;
        const int64_t row_bytes = block_data_size(w, side, mode);
        for (int bands : {2, 3, rows}) {
            std::vector<uint8_t> banded(whole.size(), 0);
            std::vector<std::thread> threads;
            std::vector<BlockResult> results(size_t(bands), BlockResult::Refused);
            for (int k = 0; k < bands; ++k) {
                const int first = rows * k / bands, end = rows * (k + 1) / bands;
                threads.emplace_back([&, k, first, end] {
                    results[size_t(k)] = encode_block_rows(
                        level_view(picture, w, h), block_options(o), first, end - first,
                        banded.data() + first * row_bytes, (end - first) * row_bytes);
                });
            }
            for (std::thread& t : threads) t.join();
            for (BlockResult r : results) EXPECT_EQ(r, BlockResult::Ok);
            EXPECT_EQ(banded, whole) << mode_name(mode) << " in " << bands << " bands";
        }
    }
}

// The level's layout does not change the blocks: red first or blue first,
// packed rows or rows with room after them.
TEST(AstcBlocks, ChannelOrderAndPitchDoNotChangeTheBlocks) {
    const int w = 19, h = 13;
    const auto picture = astc_picture(w, h, 9, true);
    std::vector<uint8_t> rgba(size_t(w) * h * 4), wide(size_t(w + 5) * h * 4, 0x5A);
    for (size_t i = 0; i < picture.size(); ++i) {
        const uint8_t px[4] = {uint8_t(red_of(picture[i])), uint8_t(green_of(picture[i])),
                               uint8_t(blue_of(picture[i])), uint8_t(alpha_of(picture[i]))};
        std::copy(px, px + 4, &rgba[4 * i]);
        std::copy(px, px + 4, &wide[4 * ((i / w) * (w + 5) + i % w)]);
    }
    for (int mode : ASTC_MODES) {
        const EncodeOptions o = astc(mode, BlockQuality::Fast);
        const auto want = encode_level(picture, w, h, o);
        for (const BlockLevel& level :
             {BlockLevel{rgba.data(), w, h, w * 4, ChannelOrder::Rgba},
              BlockLevel{wide.data(), w, h, (w + 5) * 4, ChannelOrder::Rgba}}) {
            std::vector<uint8_t> got(want.size());
            ASSERT_EQ(encode_blocks(level, block_options(o), got.data(), int64_t(got.size())),
                      BlockResult::Ok);
            EXPECT_EQ(got, want) << mode_name(mode) << " pitch " << level.pitch;
        }
    }
}

// Round trips: the decoded level is within the stated PSNR (over R, G, B, A)
// of the picture for every side and quality, on levels of one texel, of
// sides below one block and of sides that are no multiple of the block.
// The bounds are what each side's bits per texel hold on this content, about
// a decibel under what the library gives: 8 bits a texel (4x4) keep the
// picture closest, 2 (8x8) farthest, and more search gets closer.
TEST(AstcBlocks, RoundTripsStayWithinTheirError) {
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{1, 1}, {5, 3}, {17, 9}, {64, 56}};
    // Per side (4, 6, 8) and quality (quick, fast, normal, high, best), in dB.
    const double least_psnr[3][5] = {
        {43, 43, 45, 47, 47.5}, {38.5, 38.5, 41, 44, 44.5}, {35, 35, 36.5, 42, 42.5}};
    for (int m = 0; m < 3; ++m)
        for (int q = 0; q < 5; ++q)
            for (const Size& s : sizes) {
                const auto picture = smooth_picture(s.w, s.h);
                const EncodeOptions o = astc(ASTC_MODES[m], QUALITIES[q]);
                const auto data = encode_level(picture, s.w, s.h, o);
                const double p = psnr(picture, decode_astc(data, ASTC_MODES[m], s.w, s.h));
                EXPECT_GE(p, least_psnr[m][q]) << mode_name(ASTC_MODES[m]) << " quality "
                                               << int(QUALITIES[q]) << " " << s.w << "x" << s.h;
            }
}

// More search never makes the level worse, and more texels a block never
// make it better.
TEST(AstcBlocks, QualitiesAndSidesKeepTheirOrder) {
    const auto picture = astc_picture(96, 64, 21, true);
    double by_side[3][5];
    for (int m = 0; m < 3; ++m)
        for (int q = 0; q < 5; ++q)
            by_side[m][q] =
                psnr(picture,
                     decode_astc(encode_level(picture, 96, 64, astc(ASTC_MODES[m], QUALITIES[q])),
                                 ASTC_MODES[m], 96, 64));
    for (int m = 0; m < 3; ++m)
        for (int q = 1; q < 5; ++q) {
            EXPECT_GE(by_side[m][q] + 0.05, by_side[m][q - 1]) << mode_name(ASTC_MODES[m]) << q;
            if (m > 0) EXPECT_LT(by_side[m][q], by_side[m - 1][q]) << mode_name(ASTC_MODES[m]);
        }
}

TEST(AstcBlocks, DecoderRefusesWhatItCannotRead) {
    std::vector<uint8_t> data(96, 0), out(17 * 9 * 4, 0x77);
    struct Case {
        int mode;
        int w, h;
        int64_t size;
        bool null_data, null_out;
    };
    const Case cases[] = {
        {BLOCK_MODE_BC7, 17, 9, 96, false, false},
        {BLOCK_MODE_ASTC_6X6, 0, 9, 96, false, false},
        {BLOCK_MODE_ASTC_6X6, 17, -1, 96, false, false},
        {BLOCK_MODE_ASTC_6X6, 17, 9, 95, false, false},
        {BLOCK_MODE_ASTC_4X4, 17, 9, 96, false, false},
        {BLOCK_MODE_ASTC_8X8, 17, 9, 96, true, false},
        {BLOCK_MODE_ASTC_8X8, 17, 9, 96, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decode_astc_level(c.null_data ? nullptr : data.data(), c.size, c.mode, c.w, c.h,
                                    c.null_out ? nullptr : out.data()),
                  BlockResult::Refused)
            << c.mode << " " << c.w << "x" << c.h << " " << c.size;
        EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 0x77)) << "nothing written";
    }
    // Bytes that hold no valid block decode, to the library's error colour.
    std::vector<uint8_t> junk(16, 0xFF), texels(8 * 8 * 4);
    ASSERT_EQ(decode_astc_level(junk.data(), 16, BLOCK_MODE_ASTC_8X8, 8, 8, texels.data()),
              BlockResult::Ok);
    // A call the encoder cannot serve writes nothing either.
    EXPECT_EQ(encode_blocks(level_view(std::vector<uint32_t>(4), 2, 2),
                            block_options(astc(BLOCK_MODE_ASTC_6X6, BlockQuality::Normal)),
                            data.data(), 15),
              BlockResult::Refused);
    EXPECT_STREQ(block_result_message(BlockResult::NoMemory),
                 "the ASTC codec could not get its working memory");
}

// Pinned output on a fixed picture (with alpha, sides no multiple of any
// block side) for every block side and quality. A deliberate change of the
// output (another release of the ASTC library) updates them.
TEST(AstcBlocks, OutputOnAFixedPictureIsPinned) {
    const auto picture = astc_picture(44, 30, 7, true);
    struct Case {
        int mode;
        BlockQuality quality;
        uint64_t hash;
    };
    using Q = BlockQuality;
    const Case cases[] = {
        {BLOCK_MODE_ASTC_4X4, Q::Quick, 14808501186818576459ull},
        {BLOCK_MODE_ASTC_4X4, Q::Fast, 17909548890251418281ull},
        {BLOCK_MODE_ASTC_4X4, Q::Normal, 3821581047871934358ull},
        {BLOCK_MODE_ASTC_4X4, Q::High, 13863693670901397842ull},
        {BLOCK_MODE_ASTC_4X4, Q::Best, 4123604413735578187ull},
        {BLOCK_MODE_ASTC_6X6, Q::Quick, 14955114999284603163ull},
        {BLOCK_MODE_ASTC_6X6, Q::Fast, 10534851664280970705ull},
        {BLOCK_MODE_ASTC_6X6, Q::Normal, 8433201756843787734ull},
        {BLOCK_MODE_ASTC_6X6, Q::High, 12718066749784278854ull},
        {BLOCK_MODE_ASTC_6X6, Q::Best, 6232501736738226524ull},
        {BLOCK_MODE_ASTC_8X8, Q::Quick, 9553427160355126190ull},
        {BLOCK_MODE_ASTC_8X8, Q::Fast, 649954978539488715ull},
        {BLOCK_MODE_ASTC_8X8, Q::Normal, 14475223326050500608ull},
        {BLOCK_MODE_ASTC_8X8, Q::High, 17392188364801763330ull},
        {BLOCK_MODE_ASTC_8X8, Q::Best, 5687579055089903332ull},
    };
    std::vector<PinPart> parts;
    bool all_match = true;
    for (const Case& c : cases) {
        const std::string label = mode_name(c.mode) + " quality " + std::to_string(int(c.quality));
        const std::vector<uint8_t> bytes = encode_level(picture, 44, 30, astc(c.mode, c.quality));
        parts.push_back({label, bytes, 16, "block"});
        if (fnv1a(bytes) != c.hash) all_match = false;
        EXPECT_EQ(fnv1a(bytes), c.hash) << label;
    }
    const std::string where = pin_difference("blocks_astc_fixed_picture", parts);
    EXPECT_TRUE(all_match) << where;
}
