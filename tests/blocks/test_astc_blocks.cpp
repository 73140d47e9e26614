// ASTC through the ASTC library: the same bytes on every call, thread and
// cut of a level into bands of block rows; round trips within a stated error
// for each block side, quality and a few level sizes (partial blocks at the
// edges included); the decoder's refusals; and the output on a fixed picture
// pinned, so that later speed work cannot change it unnoticed.
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

// The same bytes twice on one thread (its context kept), after other block
// sizes made it remake its context, on a new thread with a context of its
// own, and in bands of block rows encoded on three threads at once.
TEST(AstcBlocks, EncodingIsTheSameOnEveryCallThreadAndBand) {
    const int w = 70, h = 61;
    const auto picture = smooth_picture(w, h);
    for (int mode : ASTC_MODES) {
        const EncodeOptions o = astc(mode, BlockQuality::Normal);
        const auto whole = encode_level(picture, w, h, o);
        EXPECT_EQ(encode_level(picture, w, h, o), whole) << mode_name(mode);
        for (int other : ASTC_MODES) encode_level(picture, 9, 9, astc(other, BlockQuality::Fast));
        EXPECT_EQ(encode_level(picture, w, h, o), whole) << mode_name(mode);
        const int side = block_side_for(mode), rows = (h + side - 1) / side;
        const int64_t row_bytes = block_data_size(w, side, mode);
        std::vector<uint8_t> banded(whole.size());
        std::vector<std::thread> threads;
        for (int k = 0; k < 3; ++k)
            threads.emplace_back([&, k] {
                const int first = rows * k / 3, end = rows * (k + 1) / 3;
                EXPECT_EQ(encode_block_rows(level_view(picture, w, h), block_options(o), first,
                                            end - first, banded.data() + first * row_bytes,
                                            (end - first) * row_bytes),
                          BlockResult::Ok);
            });
        for (std::thread& t : threads) t.join();
        EXPECT_EQ(banded, whole) << mode_name(mode);
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

// Calls the decoder cannot serve write nothing; bytes that hold no valid
// block decode all the same (to the library's error colour).
TEST(AstcBlocks, DecoderRefusesWhatItCannotRead) {
    std::vector<uint8_t> data(96, 0xFF), out(17 * 9 * 4, 0x77);
    const struct {
        int mode, w, h;
        int64_t size;
    } cases[] = {{BLOCK_MODE_BC7, 17, 9, 96},
                 {BLOCK_MODE_ASTC_6X6, 0, 9, 96},
                 {BLOCK_MODE_ASTC_6X6, 17, 9, 95},
                 {BLOCK_MODE_ASTC_4X4, 17, 9, 96}};
    for (const auto& c : cases)
        EXPECT_EQ(decode_astc_level(data.data(), c.size, c.mode, c.w, c.h, out.data()),
                  BlockResult::Refused)
            << c.mode << " " << c.w << " " << c.size;
    EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 0x77));
    EXPECT_EQ(decode_astc_level(data.data(), 96, BLOCK_MODE_ASTC_6X6, 17, 9, out.data()),
              BlockResult::Ok);
}

// Pinned output on a fixed picture (with alpha, sides no multiple of any
// block side, the picture of the round trips) for every block side and quality. A deliberate change
// of the output (another release of the ASTC library) updates them.
TEST(AstcBlocks, OutputOnAFixedPictureIsPinned) {
    const auto picture = smooth_picture(44, 30);
    struct Case {
        int mode;
        BlockQuality quality;
        uint64_t hash;
    };
    using Q = BlockQuality;
    const Case cases[] = {
        {BLOCK_MODE_ASTC_4X4, Q::Quick, 14836234401102335026ull},
        {BLOCK_MODE_ASTC_4X4, Q::Fast, 3046958197326089985ull},
        {BLOCK_MODE_ASTC_4X4, Q::Normal, 3089609917675804117ull},
        {BLOCK_MODE_ASTC_4X4, Q::High, 142222255565563975ull},
        {BLOCK_MODE_ASTC_4X4, Q::Best, 18111401354650024677ull},
        {BLOCK_MODE_ASTC_6X6, Q::Quick, 13108117965342836506ull},
        {BLOCK_MODE_ASTC_6X6, Q::Fast, 12703329792000595942ull},
        {BLOCK_MODE_ASTC_6X6, Q::Normal, 12063237669280722376ull},
        {BLOCK_MODE_ASTC_6X6, Q::High, 7496802436966942342ull},
        {BLOCK_MODE_ASTC_6X6, Q::Best, 10845732454837535119ull},
        {BLOCK_MODE_ASTC_8X8, Q::Quick, 658830612251994517ull},
        {BLOCK_MODE_ASTC_8X8, Q::Fast, 7394348516365247211ull},
        {BLOCK_MODE_ASTC_8X8, Q::Normal, 14669517728947378198ull},
        {BLOCK_MODE_ASTC_8X8, Q::High, 7229989781290794752ull},
        {BLOCK_MODE_ASTC_8X8, Q::Best, 3091870067706707499ull},
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
