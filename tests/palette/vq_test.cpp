// The vector quantiser: splitting tree, reduction, codebooks, block codes,
// mapping and decoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "palette/split_tree.h"
#include "palette/vector_distance.h"
#include "palette_test_util.h"

using namespace palette_test;

TEST(SplitTree, IdenticalVectorsBecomeOneEntryOfWeightTwo) {
    SplitTree t(3);
    const int32_t v[3] = {1, 2, 3}, u[3] = {1, 2, 4};
    t.add(v);
    t.add(u);
    t.add(v);
    EXPECT_EQ(t.count, 2);
    EXPECT_EQ(t.weight[0], 2);
    EXPECT_EQ(t.weight[1], 1);
    std::vector<int32_t> out;
    t.output(out);
    EXPECT_EQ(out, (std::vector<int32_t>{1, 2, 3, 1, 2, 4}));
}

TEST(SplitTree, EqualCostMergesKeepLeafWalkOrder) {
    // Eight values fill a leaf; 200 splits it at 35 into {0, 10, 20, 30} and
    // {40, 50, 60, 70, 200}. Both leaves' closest pairs cost 50; one merge
    // is wanted, and it must be the lower leaf's.
    SplitTree t(1);
    for (int32_t v : {0, 10, 20, 30, 40, 50, 60, 70, 200}) t.add(&v);
    t.reduce(8);
    std::vector<int32_t> out;
    t.output(out);
    EXPECT_EQ(out, (std::vector<int32_t>{5, 20, 30, 40, 50, 60, 70, 200}));
}

TEST(SplitTree, ReducesToTargetAndEnds) {
    Random rnd{3};
    for (int64_t target : {int64_t{1}, int64_t{5}, int64_t{64}, int64_t{0}}) {
        SplitTree t(2);
        for (int i = 0; i < 500; ++i) {
            const int32_t v[2] = {rnd.below(256), rnd.below(256)};
            t.add(v);
        }
        t.reduce(target);
        EXPECT_LE(t.count, std::max<int64_t>(target, 1)) << target;
        std::vector<int32_t> out;
        t.output(out);
        EXPECT_EQ(static_cast<int64_t>(out.size()), 2 * t.count);
        int64_t weight = 0;
        for (int32_t w : t.weight) weight += w;
        EXPECT_GE(weight, 500);
    }
}

TEST(KdTree, EqualsBruteForceSearch) {
    Random rnd{11};
    for (int32_t dims : {1, 3, 4, 16, 35, 64}) {
        const int32_t n = 400;
        std::vector<uint8_t> recs(static_cast<size_t>(n) * dims);
        for (auto& b : recs) b = static_cast<uint8_t>(rnd.below(dims == 1 ? 64 : 256));
        // A few exact duplicates: the lowest index must win among them.
        for (int k = 0; k < 20; ++k)
            std::copy_n(&recs[static_cast<size_t>(k) * dims], dims,
                        &recs[static_cast<size_t>(n - 1 - k) * dims]);
        KdTree tree;
        ASSERT_EQ(kd_build(recs.data(), n, dims, tree), PALETTE_OK);
        std::vector<uint8_t> q(dims);
        for (int trial = 0; trial < 3000; ++trial) {
            if (trial % 3 == 0) {
                std::copy_n(&recs[static_cast<size_t>(rnd.below(n)) * dims], dims, q.begin());
            } else {
                for (auto& b : q) b = static_cast<uint8_t>(rnd.below(256));
            }
            int32_t best = INT32_MAX, best_i = -1, ties = 0;
            for (int32_t i = 0; i < n; ++i) {
                int32_t d = 0;
                for (int32_t k = 0; k < dims; ++k) {
                    const int32_t diff = recs[static_cast<size_t>(i) * dims + k] - q[k];
                    d += diff * diff;
                }
                if (d < best) {
                    best = d;
                    best_i = i;
                    ties = 0;
                } else if (d == best && !std::equal(&recs[static_cast<size_t>(best_i) * dims],
                                                    &recs[static_cast<size_t>(best_i + 1) * dims],
                                                    &recs[static_cast<size_t>(i) * dims])) {
                    ++ties;  // an equally near record that is not a copy of the nearest
                }
            }
            const int32_t got = kd_nearest(tree, q.data());
            ASSERT_GE(got, 0);
            int32_t d = 0;
            for (int32_t k = 0; k < dims; ++k) {
                const int32_t diff = recs[static_cast<size_t>(got) * dims + k] - q[k];
                d += diff * diff;
            }
            ASSERT_EQ(d, best) << dims << " " << trial;
            // A unique nearest vector (its copies included) is found at its
            // lowest index.
            if (ties == 0) {
                ASSERT_EQ(got, best_i) << dims << " " << trial;
            }
        }
    }
    KdTree empty;
    ASSERT_EQ(kd_build(nullptr, 0, 3, empty), PALETTE_OK);
    const uint8_t q[3] = {1, 2, 3};
    EXPECT_EQ(kd_nearest(empty, q), -1);
}

TEST(KdTree, VectorAndPlainDistancesAgree) {
    Random rnd{5};
    uint8_t x[16], q[16];
    for (int trial = 0; trial < 2000; ++trial) {
        for (int k = 0; k < 16; ++k) {
            // Every third trial at the extremes, where a narrow sum would wrap.
            x[k] = trial % 3 == 0 ? static_cast<uint8_t>(rnd.below(2) * 255)
                                  : static_cast<uint8_t>(rnd.below(256));
            q[k] = trial % 3 == 0 ? static_cast<uint8_t>(255 - x[k])
                                  : static_cast<uint8_t>(rnd.below(256));
        }
        ASSERT_EQ(distance16(x, q), distance16_plain(x, q)) << trial;
    }
    std::fill_n(x, 16, 255);
    std::fill_n(q, 16, 0);
    EXPECT_EQ(distance16(x, q), 16 * 255 * 255);
}

// The wide leaf scan picks what record-by-record full sums pick, whatever
// the starting best (early stops change nothing but the time), and the wide
// ball test answers as the plain one.
TEST(KdTree, WideLeafScanPicksThePlainRecord) {
    Random rnd{9};
    std::vector<uint8_t> records(8 * 64);
    int32_t order[8] = {3, 0, 7, 1, 6, 2, 5, 4};
    uint8_t q[64];
    for (int trial = 0; trial < 500; ++trial) {
        for (uint8_t& b : records)
            b = static_cast<uint8_t>(trial % 4 == 0 ? rnd.below(2) * 255 : rnd.below(256));
        for (uint8_t& b : q) b = static_cast<uint8_t>(rnd.below(256));
        if (trial % 5 == 0) std::copy_n(&records[64 * 2], 64, q);  // an exact match
        int32_t want_best = trial % 3 == 0 ? INT32_MAX : rnd.below(64 * 255 * 255), want = -1;
        int32_t best = want_best, nearest = -1;
        for (int32_t r : order) {
            int32_t sum = 0;
            for (int d = 0; d < 64; d += 16) sum += distance16_plain(&records[64 * r + d], q + d);
            if (sum < want_best) want_best = sum, want = r;
        }
        if (!scan_records_wide(records.data(), order, 8, 64, q, best, nearest)) GTEST_SKIP();
        ASSERT_EQ(best, want_best) << trial;
        ASSERT_EQ(nearest, want) << trial;
        // The ball test against the box lo..hi, as the plain search writes it.
        int32_t lo[64], hi[64];
        bool inside = true;
        const int32_t radius = rnd.below(3) == 0 ? 0 : rnd.below(70000);
        for (int d = 0; d < 64; ++d) {
            lo[d] = rnd.below(4) ? 0 : rnd.below(256);
            hi[d] = rnd.below(4) ? 255 : lo[d] + rnd.below(256 - lo[d]);
            inside = inside && radius < (q[d] - lo[d]) * (q[d] - lo[d]) &&
                     radius < (q[d] - hi[d]) * (q[d] - hi[d]);
        }
        ASSERT_EQ(ball_inside_wide(q, lo, hi, 64, radius), inside ? 1 : 0) << trial;
    }
}

TEST(Vq, FewerColoursThanEntriesKeepEveryColour) {
    // 4-byte pixels with five distinct colours: the vector quantiser's
    // palette holds exactly those, and each pixel gets its own.
    const uint32_t colours[5] = {0x80102030, 0xFF000000, 0x00FFFFFF, 0x40404040, 0xFF00FF00};
    std::vector<uint8_t> pic;
    Random rnd{5};
    const int32_t w = 12, h = 8;
    for (int i = 0; i < w * h; ++i) {
        const uint32_t c = colours[rnd.below(5)];
        for (int k = 0; k < 4; ++k) pic.push_back(static_cast<uint8_t>(c >> (8 * k)));
    }
    for (int32_t n : {256, 16}) {
        PaletteRecord pal;
        std::vector<uint8_t> idx;
        ASSERT_EQ(quantize_palette(pic.data(), w, h, 4, pal, false, false, n, idx), PALETTE_OK);
        EXPECT_EQ(pal.entries, 5);
        EXPECT_EQ(pal.channels, 4);
        for (int64_t i = 0; i < w * h; ++i)
            ASSERT_EQ(entry(pal, index_at(idx, w, n, i)), pixel(pic, 4, i)) << i;
        std::vector<uint8_t> again;
        ASSERT_EQ(index_level(pic.data(), w, h, 4, pal, false, false, n, again), PALETTE_OK);
        EXPECT_EQ(again, idx);
    }
}

TEST(Vq, ThreeChannelWordReadsRedGreenBlue) {
    PaletteRecord pal;
    pal.block_height = pal.block_width = 1;
    pal.channels = 3;
    pal.entries = 2;
    pal.components = {0x30, 0x20, 0x10, 0x10, 0x20, 0x30};
    const uint8_t word[4] = {0x30, 0x20, 0x10, 0x80};  // 0x80102030
    std::vector<uint8_t> idx;
    ASSERT_EQ(index_level(word, 1, 1, 4, pal, false, true, 256, idx), PALETTE_OK);
    EXPECT_EQ(idx, std::vector<uint8_t>{1});
}

TEST(Vq, MismatchedIdsDecodeNothing) {
    const std::vector<uint8_t> pic = photo(16, 16, 3);
    CodebookRecord a, b, mapped;
    ASSERT_EQ(vq_build_codebook(pic.data(), a, 16, 16, 3, 2, 2, 8, 1), PALETTE_OK);
    ASSERT_EQ(vq_build_codebook(pic.data(), b, 16, 16, 3, 2, 2, 8, 2), PALETTE_OK);
    PaletteRecord pal;
    ASSERT_EQ(vq_build_codebook(pic.data(), pal, 16, 16, 3, 1, 1, 16, 3), PALETTE_OK);
    BlockCodes codes;
    ASSERT_EQ(vq_encode(a, pic.data(), codes, 16, 16), PALETTE_OK);
    EXPECT_EQ(codes.id, 1);
    ASSERT_EQ(vq_map_codebook(pal, b, mapped), PALETTE_OK);
    EXPECT_EQ(mapped.id, 2);
    std::vector<uint8_t> out(256, 0xAB);
    EXPECT_EQ(vq_decode(mapped, codes, out.data()), PALETTE_REFUSED);
    EXPECT_EQ(out, std::vector<uint8_t>(256, 0xAB));
    ASSERT_EQ(vq_map_codebook(pal, a, mapped), PALETTE_OK);
    EXPECT_EQ(vq_decode(mapped, codes, out.data()), PALETTE_OK);
    EXPECT_LT(*std::max_element(out.begin(), out.end()), 16);
}

TEST(Vq, SamePictureSameBytes) {
    const std::vector<uint8_t> pic = photo(40, 24, 4);
    std::vector<uint8_t> first, second;
    PaletteRecord p1, p2;
    ASSERT_EQ(quantize_palette(pic.data(), 40, 24, 4, p1, true, false, 16, first), PALETTE_OK);
    ASSERT_EQ(quantize_palette(pic.data(), 40, 24, 4, p2, true, false, 16, second), PALETTE_OK);
    EXPECT_EQ(first, second);
    EXPECT_EQ(p1.components, p2.components);
    EXPECT_EQ(p1.id, p2.id);
}

TEST(Vq, PartialBlocksIndexTheirOwnPixels) {
    // 6 x 7 pixels: the 4 x 4 blocks at the right and bottom edges are
    // partial. Four flat areas, one per block, so each pixel's palette colour
    // must be its own colour exactly.
    const uint32_t area[4] = {0xFF102030, 0xFF405060, 0x80708090, 0x20A0B0C0};
    const int32_t w = 6, h = 7;
    std::vector<uint8_t> pic;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = area[(x >= 4 ? 1 : 0) + (y >= 4 ? 2 : 0)];
            for (int k = 0; k < 4; ++k) pic.push_back(static_cast<uint8_t>(c >> (8 * k)));
        }
    PaletteRecord pal;
    std::vector<uint8_t> idx;
    ASSERT_EQ(quantize_palette(pic.data(), w, h, 4, pal, false, false, 16, idx), PALETTE_OK);
    for (int64_t i = 0; i < w * h; ++i)
        ASSERT_EQ(entry(pal, index_at(idx, w, 16, i)), pixel(pic, 4, i)) << i;
}

TEST(Vq, RefusedMappingLeavesZeroIndices) {
    PaletteRecord pal;  // four channels, but the level is read as three
    pal.block_height = pal.block_width = 1;
    pal.channels = 4;
    pal.entries = 1;
    pal.components = {9, 9, 9, 9};
    const std::vector<uint8_t> pic = photo(5, 3, 4);
    std::vector<uint8_t> idx(100, 0xAA);
    ASSERT_EQ(index_level(pic.data(), 5, 3, 4, pal, false, true, 16, idx), PALETTE_OK);
    EXPECT_EQ(idx, std::vector<uint8_t>(9, 0));
}

TEST(Vq, RefusedRecords) {
    CodebookRecord cb, mapped;
    const std::vector<uint8_t> pic = photo(8, 8, 3);
    ASSERT_EQ(vq_build_codebook(pic.data(), cb, 8, 8, 3, 2, 2, 4, 1), PALETTE_OK);
    PaletteRecord pal;
    ASSERT_EQ(vq_build_codebook(pic.data(), pal, 8, 8, 3, 1, 1, 4, 2), PALETTE_OK);
    PaletteRecord bad = pal;
    bad.block_width = 2;
    EXPECT_EQ(vq_map_codebook(bad, cb, mapped), PALETTE_REFUSED);
    bad = pal;
    bad.channels = 4;
    EXPECT_EQ(vq_map_codebook(bad, cb, mapped), PALETTE_REFUSED);
    bad = pal;
    bad.entries = 257;
    bad.components.resize(257 * 3);
    EXPECT_EQ(vq_map_codebook(bad, cb, mapped), PALETTE_REFUSED);
    EXPECT_EQ(vq_build_codebook(nullptr, cb, 8, 8, 3, 2, 2, 4, 1), PALETTE_REFUSED);
    EXPECT_EQ(vq_build_codebook(pic.data(), cb, 0, 8, 3, 2, 2, 4, 1), PALETTE_REFUSED);
    std::vector<uint8_t> idx;
    EXPECT_EQ(quantize_palette(pic.data(), 8, 8, 3, pal, false, true, 8, idx), PALETTE_REFUSED);
    EXPECT_EQ(quantize_palette(pic.data(), 8, 8, 2, pal, false, true, 16, idx), PALETTE_REFUSED);
}

TEST(Vq, IndexLevelEqualsTheColourCodebookRoute) {
    // Every distinct colour as a codeword, each pixel encoded, the codebook
    // mapped onto the palette and decoded: the indices index_level gives.
    for (int32_t bpp : {3, 4}) {
        const int32_t w = 64, h = 48;
        const std::vector<uint8_t> pic = photo(w, h, bpp, 9);
        PaletteRecord pal;
        ASSERT_EQ(vq_build_codebook(pic.data(), pal, h, w, bpp, 1, 1, 256, 5), PALETTE_OK);
        CodebookRecord colours, mapped;
        ASSERT_EQ(vq_build_codebook(pic.data(), colours, h, w, bpp, 1, 1, 16777216, 1), PALETTE_OK);
        BlockCodes codes;
        ASSERT_EQ(vq_encode(colours, pic.data(), codes, w, h), PALETTE_OK);
        ASSERT_EQ(vq_map_codebook(pal, colours, mapped), PALETTE_OK);
        std::vector<uint8_t> expect(static_cast<size_t>(w) * h);
        ASSERT_EQ(vq_decode(mapped, codes, expect.data()), PALETTE_OK);
        std::vector<uint8_t> idx;
        ASSERT_EQ(index_level(pic.data(), w, h, bpp, pal, false, false, 256, idx), PALETTE_OK);
        EXPECT_EQ(idx, expect) << bpp;
    }
}
