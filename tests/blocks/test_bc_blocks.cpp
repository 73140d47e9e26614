// BC4, BC5 and BC7: blocks built field by field as the published layout
// describes them decode to the pixels its rules give; the encoders' blocks
// decode (with the inspector's decoders) to within a bound of their source,
// and the BC7 search's own error is the error of what it packed.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "blocks/bc7.h"
#include "blocks/blocks.h"
#include "tests/common/test_random.h"
#include "texfile/texfile.h"

namespace {

// The layout facts, one row per mode: subsets, partition, rotation and
// selection bits, colour and alpha bits, P-bit per end point, shared P-bit,
// index bits, second index bits.
const int MODE_FACTS[8][10] = {
    {3, 4, 0, 0, 4, 0, 1, 0, 3, 0}, {2, 6, 0, 0, 6, 0, 0, 1, 3, 0}, {3, 6, 0, 0, 5, 0, 0, 0, 2, 0},
    {2, 6, 0, 0, 7, 0, 1, 0, 2, 0}, {1, 0, 2, 1, 5, 6, 0, 0, 2, 3}, {1, 0, 2, 0, 7, 8, 0, 0, 2, 2},
    {1, 0, 0, 0, 7, 7, 1, 0, 4, 0}, {2, 6, 0, 0, 5, 5, 1, 0, 2, 0},
};
const std::vector<int> WEIGHTS[5] = {{},
                                     {},
                                     {0, 21, 43, 64},
                                     {0, 9, 18, 27, 37, 46, 55, 64},
                                     {0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64}};

struct Writer {
    uint8_t bytes[16] = {};
    int at = 0;
    void put(int v, int n) {
        for (int i = 0; i < n; ++i, ++at) bytes[at / 8] |= ((v >> i) & 1) << (at % 8);
    }
};

int widen(int v, int n) { return n >= 8 ? v : (v << (8 - n)) | (v >> (2 * n - 8)); }

bool anchor(int subsets, int partition, int t) {
    for (int s = 0; s < subsets; ++s)
        if (bc7_anchor(subsets, partition, s) == t) return true;
    return false;
}

// Builds a block of `mode` with random fields and works out its pixels by
// the rules: end points widened with their P-bits, weights interpolated,
// the rotation applied last.
void hand_built(int mode, int partition, int rotation, int selection, TestRandom& rnd,
                uint8_t block[16], int expect[16][4]) {
    const int* f = MODE_FACTS[mode];
    const int ns = f[0], cb = f[4], ab = f[5], ib = f[8], ib2 = f[9];
    Writer w;
    w.put(1 << mode, mode + 1);
    w.put(partition, f[1]);
    w.put(rotation, f[2]);
    w.put(selection, f[3]);
    int ends[3][2][4], pbit[3][2];
    for (int c = 0; c < 4; ++c)
        for (int s = 0; s < ns; ++s)
            for (int e = 0; e < 2; ++e)
                ends[s][e][c] = rnd.below(1 << (c < 3 ? cb : (ab ? ab : 1)));
    for (int c = 0; c < 3; ++c)
        for (int s = 0; s < ns; ++s)
            for (int e = 0; e < 2; ++e) w.put(ends[s][e][c], cb);
    for (int s = 0; s < ns && ab; ++s)
        for (int e = 0; e < 2; ++e) w.put(ends[s][e][3], ab);
    for (int s = 0; s < ns; ++s) {
        pbit[s][0] = rnd.below(2);
        pbit[s][1] = f[7] ? pbit[s][0] : rnd.below(2);
        if (f[6]) w.put(pbit[s][0], 1), w.put(pbit[s][1], 1);
        if (f[7]) w.put(pbit[s][0], 1);
    }
    const int pb = f[6] + f[7];
    int idx[16], idx2[16];
    for (int t = 0; t < 16; ++t) {
        const int bits = ib - (anchor(ns, partition, t) ? 1 : 0);
        idx[t] = rnd.below(1 << bits);
        w.put(idx[t], bits);
    }
    for (int t = 0; t < 16 && ib2; ++t) {
        idx2[t] = rnd.below(1 << (ib2 - (t == 0)));
        w.put(idx2[t], ib2 - (t == 0));
    }
    ASSERT_EQ(w.at, 128);
    for (int i = 0; i < 16; ++i) block[i] = w.bytes[i];
    for (int t = 0; t < 16; ++t) {
        const int s = bc7_subset(ns, partition, t);
        const int ci = ib2 && selection ? idx2[t] : idx[t];
        const int ai = ib2 ? (selection ? idx[t] : idx2[t]) : idx[t];
        const std::vector<int>& cw = WEIGHTS[ib2 && selection ? ib2 : ib];
        const std::vector<int>& aw = WEIGHTS[ib2 && !selection ? ib2 : ib];
        for (int c = 0; c < 4; ++c) {
            const int bits = (c < 3 ? cb : ab) + pb;
            int e[2];
            for (int k = 0; k < 2; ++k)
                e[k] = c == 3 && !ab ? 255
                                     : widen((ends[s][k][c] << pb) | (pb ? pbit[s][k] : 0), bits);
            const int wt = c < 3 ? cw[ci] : aw[ai];
            expect[t][c] = ((64 - wt) * e[0] + wt * e[1] + 32) >> 6;
        }
        if (rotation) std::swap(expect[t][3], expect[t][rotation - 1]);
    }
}

int64_t block_error(const int px[16][4], const uint8_t dec[16][4]) {
    int64_t e = 0;
    for (int t = 0; t < 16; ++t)
        for (int c = 0; c < 4; ++c) e += (dec[t][c] - px[t][c]) * (dec[t][c] - px[t][c]);
    return e;
}

// Photo-like blocks: the colours of one gradient across the block (each
// channel its own share of it) plus a little noise; for `alpha` alpha
// follows the gradient too.
void make_block(TestRandom& rnd, bool alpha, int px[16][4]) {
    int base[4], scale[4];
    for (int c = 0; c < 4; ++c) {
        base[c] = 60 + rnd.below(130);
        scale[c] = rnd.below(9) - 4;
    }
    const int sx = rnd.below(5) - 2, sy = rnd.below(5) - 2;
    for (int t = 0; t < 16; ++t)
        for (int c = 0; c < 4; ++c) {
            const int along = sx * (t & 3) + sy * (t >> 2);
            const int v = base[c] + scale[c] * along + rnd.below(5) - 2;
            px[t][c] = c == 3 && !alpha ? 255 : std::max(0, std::min(255, v));
        }
}

}  // namespace

TEST(Bc7Layout, ModeTableIsTheFacts) {
    for (int m = 0; m < 8; ++m) {
        const Bc7ModeInfo& i = bc7_mode_info(m);
        const int got[10] = {i.subsets,     i.partition_bits,   i.rotation_bits,  i.selection_bits,
                             i.colour_bits, i.alpha_bits,       i.endpoint_pbits, i.shared_pbits,
                             i.index_bits,  i.second_index_bits};
        for (int k = 0; k < 10; ++k) EXPECT_EQ(got[k], MODE_FACTS[m][k]) << m << " " << k;
    }
}

TEST(Bc7Layout, HandBuiltBlocksOfEveryModeAndPartitionDecode) {
    TestRandom rnd{0xBC7};
    for (int mode = 0; mode < 8; ++mode) {
        const int partitions = 1 << MODE_FACTS[mode][1];
        const int rotations = 1 << MODE_FACTS[mode][2], selections = 1 << MODE_FACTS[mode][3];
        for (int p = 0; p < partitions; ++p)
            for (int r = 0; r < rotations; ++r)
                for (int sel = 0; sel < selections; ++sel) {
                    uint8_t block[16];
                    int expect[16][4];
                    hand_built(mode, p, r, sel, rnd, block, expect);
                    uint8_t got[16][4];
                    decode_bc7_block(block, got);
                    for (int t = 0; t < 16; ++t)
                        for (int c = 0; c < 4; ++c)
                            ASSERT_EQ(got[t][c], expect[t][c])
                                << "mode " << mode << " partition " << p << " rotation " << r
                                << " selection " << sel << " texel " << t << " channel " << c;
                }
    }
}

TEST(Bc7Layout, ReservedModeDecodesToZero) {
    uint8_t block[16] = {0, 0xFF, 0xFF, 0xFF};
    uint8_t got[16][4];
    decode_bc7_block(block, got);
    for (int t = 0; t < 16; ++t)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(got[t][c], 0);
}

// Every mode, forced, packs a block whose decoded error is the one its
// search reported, within a bound of the source.
TEST(Bc7Encode, EveryModeRoundTrips) {
    // Root-mean-square bounds per mode on the photo-like blocks: the
    // low-precision modes (0, 2, 4, 7) are allowed more.
    const double bound[8] = {5, 3.5, 5, 3.5, 5, 4, 2.5, 5};
    TestRandom rnd{32};
    for (int mode = 0; mode < 8; ++mode)
        for (int q = 0; q < 4; q += 3)
            for (int k = 0; k < 6; ++k) {
                int px[16][4];
                make_block(rnd, mode >= 4, px);
                uint8_t block[16];
                const int64_t reported =
                    encode_bc7_block_in_mode(px, mode, static_cast<BlockQuality>(q), block);
                EXPECT_EQ(block[0] & ((2 << mode) - 1), 1 << mode);
                uint8_t dec[16][4];
                decode_bc7_block(block, dec);
                const int64_t error = block_error(px, dec);
                EXPECT_EQ(error, reported) << "mode " << mode;
                EXPECT_LE(std::sqrt(error / 64.0), bound[mode]) << "mode " << mode;
            }
}

// The whole search: opaque blocks stay opaque, and each quality does at
// least as well over many blocks as the one below it.
TEST(Bc7Encode, QualitiesOrderAndOpaqueStaysOpaque) {
    for (bool alpha : {false, true}) {
        int64_t total[4] = {};
        TestRandom rnd{alpha ? 7u : 8u};
        for (int k = 0; k < 40; ++k) {
            int px[16][4];
            make_block(rnd, alpha, px);
            for (int q = 0; q < 4; ++q) {
                uint8_t block[16], dec[16][4];
                encode_bc7_block(px, static_cast<BlockQuality>(q), block);
                decode_bc7_block(block, dec);
                total[q] += block_error(px, dec);
                for (int t = 0; t < 16 && !alpha; ++t) ASSERT_EQ(dec[t][3], 255);
            }
        }
        for (int q = 1; q < 4; ++q) EXPECT_LE(total[q], total[q - 1]) << alpha << " " << q;
    }
}

// BC4 and BC5 through the level door, decoded by the inspector's decoders.
TEST(BcChannels, LevelsRoundTripWithinBounds) {
    const int w = 16, h = 8;
    std::vector<uint8_t> rgba(w * h * 4);
    TestRandom rnd{45};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(y * w + x) * 4];
            p[0] = static_cast<uint8_t>(10 + 14 * x + rnd.below(3));
            p[1] = static_cast<uint8_t>(240 - 25 * y);
            p[2] = static_cast<uint8_t>(x < 8 ? 30 : 200);
            p[3] = static_cast<uint8_t>(y * 12);
        }
    struct Row {
        int mode, channel, format;
        int source[2];  // channel of the picture each decoded channel follows (-1: luma)
    };
    const Row rows[] = {{BLOCK_MODE_BC4, 0, 17, {-1, -1}},
                        {BLOCK_MODE_BC4, 1, 17, {0, -1}},
                        {BLOCK_MODE_BC4, 4, 17, {3, -1}},
                        {BLOCK_MODE_BC5, 0, 18, {0, 1}}};
    for (const Row& row : rows)
        for (BlockQuality q : {BlockQuality::Quick, BlockQuality::Normal}) {
            BlockOptions o;
            o.mode = row.mode;
            o.single_channel = row.channel;
            o.quality = q;
            std::vector<uint8_t> out(block_data_size(w, h, row.mode));
            ASSERT_EQ(encode_blocks({rgba.data(), w, h, w * 4, ChannelOrder::Rgba}, o, out.data(),
                                    int64_t(out.size())),
                      BlockResult::Ok);
            const TexDecoding* dec = tex_decoding(row.format);
            std::vector<uint8_t> pixels(w * h * dec->channels);
            dec->decode({out.data(), int64_t(out.size()), w, h, nullptr}, pixels.data());
            for (int c = 0; c < (row.mode == BLOCK_MODE_BC5 ? 2 : 1); ++c) {
                double sq = 0;
                for (int i = 0; i < w * h; ++i) {
                    const uint8_t* p = &rgba[i * 4];
                    const int want = row.source[c] >= 0
                                         ? p[row.source[c]]
                                         : (77 * p[0] + 150 * p[1] + 29 * p[2] + 128) >> 8;
                    sq += std::pow(pixels[i * dec->channels + c] - want, 2);
                }
                // The quick search keeps to the six-step palette of the
                // block's extremes.
                const double bound = q == BlockQuality::Quick ? 4.0 : 3.0;
                EXPECT_LE(std::sqrt(sq / (w * h)), bound) << row.format << " " << row.channel;
            }
        }
}
