// Round trips through the reference decoder: colours the format can hold
// exactly must come back exactly, the full search must do at least as well as
// the quick one on average, and the encoder's output on a fixed picture is
// pinned by hashes so that speed work cannot change a byte unnoticed.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "blocks/blocks.h"
#include "tests/blocks/test_encode_support.h"
#include "tests/common/pin_report.h"

using namespace enc_test;

namespace {

const double kWeights[3] = {0.309, 0.609, 0.082};

struct Code565 {
    int r, g, b;
    uint32_t word() const {
        return argb(255, (r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
    }
};

Code565 random_code(Lcg& rng) { return Code565{rng.below(32), rng.below(64), rng.below(32)}; }

bool is_grey(uint32_t w) {
    const int r = red_of(w), g = green_of(w), b = blue_of(w);
    return std::abs(r - g) <= 2 && std::abs(g - b) <= 2 && std::abs(b - r) <= 2;
}

uint32_t midpoint(uint32_t a, uint32_t b) {
    return argb(255, (red_of(a) + red_of(b)) / 2, (green_of(a) + green_of(b)) / 2,
                (blue_of(a) + blue_of(b)) / 2);
}

// A level of 8x8 whose every block holds each of `colours` at least once.
std::vector<uint32_t> mixed_level(const std::vector<uint32_t>& colours, Lcg& rng) {
    std::vector<uint32_t> level(64);
    for (int by = 0; by < 2; ++by)
        for (int bx = 0; bx < 2; ++bx)
            for (int p = 0; p < 16; ++p) {
                const size_t k =
                    p < int(colours.size()) ? size_t(p) : size_t(rng.below(int(colours.size())));
                level[size_t(4 * bx + (p & 3) + 8 * (4 * by + (p >> 2)))] = colours[k];
            }
    return level;
}

double round_trip_error(const std::vector<uint32_t>& level, int w, int h, const EncodeOptions& o) {
    return weighted_error(level, decode_level(encode_level(level, w, h, o), w, h, o.mode),
                          kWeights);
}

// Pictures of the kinds a panorama holds: smooth skies, textured ground,
// hard edges between regions, plus plain noise as the hardest case.
std::vector<uint32_t> test_picture(int w, int h, int kind, uint32_t seed) {
    Lcg rng(seed);
    std::vector<uint32_t> px(size_t(w * h));
    const int cx = rng.below(w), cy = rng.below(h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double r, g, b;
            if (kind == 0) {  // noise
                r = rng.below(256);
                g = rng.below(256);
                b = rng.below(256);
            } else {
                const double t = double(x) / w, u = double(y) / h;
                const double wave =
                    std::sin(x * 0.21 + y * 0.07) * 30.0 + std::cos(y * 0.13 - x * 0.05) * 20.0;
                const bool inside = (x - cx) * (x - cx) + (y - cy) * (y - cy) < (w * h) / 6;
                r = 60 + 140 * t + wave + (inside ? 50 : 0);
                g = 90 + 100 * u - wave * 0.5 + (inside ? -40 : 10);
                b = 200 - 120 * u + wave * 0.3 + (inside ? -80 : 0);
                const int noise = kind == 1 ? 6 : 24;
                r += rng.below(2 * noise + 1) - noise;
                g += rng.below(2 * noise + 1) - noise;
                b += rng.below(2 * noise + 1) - noise;
            }
            auto clip = [](double v) { return v < 0 ? 0 : (v > 255 ? 255 : int(v)); };
            px[size_t(x + y * w)] = argb(255, clip(r), clip(g), clip(b));
        }
    }
    return px;
}

}  // namespace

TEST(EncodeQuality, SolidRepresentableColoursDecodeExactly) {
    Lcg rng(1);
    std::vector<uint32_t> colours = {argb(255, 255, 255, 255), argb(255, 0, 0, 0)};
    for (int i = 0; i < 60; ++i) colours.push_back(random_code(rng).word());
    for (uint32_t c : colours) {
        for (int side : {4, 8}) {
            const std::vector<uint32_t> level(size_t(side * side), c);
            for (int force = 0; force < 2; ++force) {
                EncodeOptions o;
                o.force_four = force;
                EXPECT_EQ(round_trip_error(level, side, side, o), 0.0)
                    << std::hex << c << " " << side;
            }
        }
    }
}

TEST(EncodeQuality, TwoRepresentableColoursDecodeExactly) {
    Lcg rng(2);
    for (int i = 0; i < 100; ++i) {
        const uint32_t a = random_code(rng).word(), b = random_code(rng).word();
        const auto level = mixed_level({a, b}, rng);
        EXPECT_EQ(round_trip_error(level, 8, 8, EncodeOptions()), 0.0) << i;
        std::vector<uint32_t> one(level.begin(), level.begin() + 16);
        for (int p = 0; p < 16; ++p) one[size_t(p)] = level[size_t((p & 3) + 8 * (p >> 2))];
        EXPECT_EQ(round_trip_error(one, 4, 4, EncodeOptions()), 0.0) << i;
    }
}

// Two non-grey end points and their three-colour midpoint: on a level larger
// than a block the search keeps to three colours and must find them.
TEST(EncodeQuality, ThreeColourPaletteBlocksDecodeExactly) {
    Lcg rng(3);
    int tried = 0;
    while (tried < 100) {
        const uint32_t a = random_code(rng).word(), b = random_code(rng).word();
        if (is_grey(a) || is_grey(b) || a == b) continue;
        ++tried;
        const auto level = mixed_level({a, b, midpoint(a, b)}, rng);
        EXPECT_EQ(round_trip_error(level, 8, 8, EncodeOptions()), 0.0) << std::hex << a << " " << b;
    }
}

// The three-colour middle entry uses integer division: black and white give 127.
TEST(EncodeQuality, MiddleOfBlackAndWhiteIs127) {
    Lcg rng(4);
    const auto level =
        mixed_level({argb(255, 0, 0, 0), argb(255, 255, 255, 255), argb(255, 127, 127, 127)}, rng);
    const auto data = encode_level(level, 8, 8);
    EXPECT_EQ(weighted_error(level, decode_level(data, 8, 8, BLOCK_MODE_OPAQUE), kWeights), 0.0);
    for (size_t k = 0; k < 4; ++k) EXPECT_LE(read16(&data[8 * k]), read16(&data[8 * k + 2]));
}

// Grey blocks round green with five bits and widen it by replication: each end
// point's six-bit green code repeats its top bit at the bottom, so 0 and 255
// stay exact and no grey turns green or magenta.
TEST(EncodeQuality, GreyBlocksUseReplicatedGreenCodes) {
    Lcg rng(5);
    for (int i = 0; i < 200; ++i) {
        std::vector<uint32_t> level(64);
        const int base = rng.below(230);
        const bool solid = i % 2 == 0;
        for (auto& p : level) {
            const int v = solid ? base : rng.below(250);
            p = argb(255, v + (solid ? 1 : rng.below(3)), v + (solid ? 2 : rng.below(3)),
                     v + (solid ? 0 : rng.below(3)));
        }
        const auto data = encode_level(level, 8, 8);
        for (size_t k = 0; k < 4; ++k) {
            for (int e = 0; e < 2; ++e) {
                const uint32_t c = read16(&data[8 * k + 2 * size_t(e)]);
                const uint32_t g6 = (c >> 5) & 63;
                EXPECT_EQ(g6 & 1, g6 >> 5)
                    << i << " block " << k << " end " << e << " solid " << solid;
            }
        }
        const auto decoded = decode_level(data, 8, 8, BLOCK_MODE_OPAQUE);
        for (size_t p = 0; solid && p < decoded.size(); ++p)
            EXPECT_LE(std::abs(green_of(decoded[p]) - (base + 2)), 4) << i;
    }
    // Solid white and black stay exact with the replicated code.
    for (uint32_t c : {argb(255, 255, 255, 255), argb(255, 0, 0, 0)}) {
        const std::vector<uint32_t> level(64, c);
        EXPECT_EQ(decode_level(encode_level(level, 8, 8), 8, 8, 0), level);
    }
}

TEST(EncodeQuality, FullSearchIsNoWorseThanQuickOnAverage) {
    double full = 0.0, quick = 0.0;
    int blocks = 0;
    for (int kind = 0; kind < 3; ++kind) {
        for (uint32_t seed = 1; seed <= 2; ++seed) {
            const int w = 128, h = 64;
            const auto level = test_picture(w, h, kind, seed * 31 + uint32_t(kind));
            EncodeOptions o;
            full += round_trip_error(level, w, h, o);
            o.quick = 1;
            quick += round_trip_error(level, w, h, o);
            blocks += (w / 4) * (h / 4);
        }
    }
    EXPECT_GE(blocks, 3000);
    EXPECT_LE(full, quick);
    // And on one-block levels, where four colours are allowed unasked.
    Lcg rng(6);
    double full1 = 0.0, quick1 = 0.0;
    for (int i = 0; i < 500; ++i) {
        const auto level = test_picture(4, 4, i % 3, uint32_t(i) + 100);
        EncodeOptions o;
        full1 += round_trip_error(level, 4, 4, o);
        o.quick = 1;
        quick1 += round_trip_error(level, 4, 4, o);
    }
    EXPECT_LE(full1, quick1);
}

// Pinned output on a fixed picture, for every mode and every search. These
// hashes guard speed work: an optimisation must not change a single byte.
// A deliberate change of the encoder's output updates them.
TEST(EncodeQuality, OutputOnAFixedPictureIsPinned) {
    auto picture = test_picture(32, 32, 2, 7);
    Lcg rng(8);
    for (auto& p : picture)
        p = (p & 0x00FFFFFF) | (uint32_t(rng.below(4) == 0 ? rng.below(256) : 255) << 24);
    struct Case {
        int mode, quick, force_four, diffusion;
        uint64_t hash;
        BlockQuality quality = BlockQuality::Normal;
        const float* weights = nullptr;
    };
    const Case cases[] = {
        {BLOCK_MODE_OPAQUE, 1, 0, 0, 11070082121146185828ull},
        {BLOCK_MODE_OPAQUE, 0, 0, 0, 10640003811580130515ull},
        {BLOCK_MODE_OPAQUE, 0, 1, 0, 11052820697017706222ull},
        {BLOCK_MODE_CUTOUT, 0, 0, 0, 11373876294955824392ull},
        {BLOCK_MODE_EXPLICIT_ALPHA, 0, 0, 0, 18295652694668403645ull},
        {BLOCK_MODE_INTERP_ALPHA, 0, 0, 0, 608395596789780944ull},
        {BLOCK_MODE_INTERP_ALPHA, 1, 0, 0, 15462043881716784964ull},
        {BLOCK_MODE_OPAQUE, 0, 0, 1, 1698862206610953035ull},
        {BLOCK_MODE_CUTOUT, 1, 0, 1, 4647821392464745084ull},
        {BLOCK_MODE_OPAQUE, 0, 0, 0, 14147840533756252460ull, BlockQuality::High},
        {BLOCK_MODE_OPAQUE, 0, 0, 0, 9101641329506372700ull, BlockQuality::Best, uniform_weights},
        {BLOCK_MODE_CUTOUT, 0, 0, 0, 12566200333997228567ull, BlockQuality::Best},
        {BLOCK_MODE_INTERP_ALPHA, 0, 0, 1, 14562108909293917025ull, BlockQuality::High},
        {BLOCK_MODE_OPAQUE, 0, 0, 0, 10764395518500244192ull, BlockQuality::Fast},
        {BLOCK_MODE_CUTOUT, 0, 0, 0, 9892320448531854284ull, BlockQuality::Fast, uniform_weights},
    };
    std::vector<PinPart> parts;
    std::vector<std::string> labels;
    bool all_match = true;
    for (const Case& c : cases) {
        EncodeOptions o;
        o.mode = c.mode;
        o.quick = c.quick;
        o.force_four = c.force_four;
        o.diffusion = c.diffusion;
        o.quality = c.quality;
        o.weights = c.weights;
        const std::string label =
            "mode " + std::to_string(c.mode) + " quick " + std::to_string(c.quick) + " force " +
            std::to_string(c.force_four) + " diffused " + std::to_string(c.diffusion) +
            " quality " + std::to_string(int(c.quality)) + (c.weights ? " uniform" : "");
        const std::vector<uint8_t> bytes = encode_level(picture, 32, 32, o);
        parts.push_back({label, bytes, size_t((c.mode & 0xFF00) == 0 ? 8 : 16), "block"});
        if (fnv1a(bytes) != c.hash) all_match = false;
        EXPECT_EQ(fnv1a(bytes), c.hash) << label;
    }
    const std::string where = pin_difference("blocks_fixed_picture", parts);
    EXPECT_TRUE(all_match) << where;
}

namespace {

// Per block: the weighted error of each quality's decoded block, for a level.
std::vector<double> block_errors(const std::vector<uint32_t>& level, int w, int h,
                                 const EncodeOptions& o, const double weights[3]) {
    const auto decoded = decode_level(encode_level(level, w, h, o), w, h, o.mode);
    std::vector<double> errors;
    for (int y0 = 0; y0 < h; y0 += 4)
        for (int x0 = 0; x0 < w; x0 += 4) {
            std::vector<uint32_t> a, b;
            for (int y = y0; y < y0 + 4 && y < h; ++y)
                for (int x = x0; x < x0 + 4 && x < w; ++x) {
                    a.push_back(level[size_t(x + y * w)]);
                    b.push_back(decoded[size_t(x + y * w)]);
                }
            errors.push_back(weighted_error(a, b, weights));
        }
    return errors;
}

// Pictures of the kinds the quality levels must handle: photo-like, smooth
// gradients, two-colour edges, grey and saturated colours.
std::vector<uint32_t> quality_picture(int kind, int w, int h, uint32_t seed) {
    if (kind <= 2) return test_picture(w, h, kind, seed);
    Lcg rng(seed);
    std::vector<uint32_t> px(size_t(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = rng.below(256);
            uint32_t c;
            if (kind == 3)  // two colours meeting along a diagonal edge
                c = (x + 2 * y) % 11 < 5 ? argb(255, 200, 40, 30) : argb(255, 20, 90, 210);
            else if (kind == 4)  // grey
                c = argb(255, v, v, v);
            else  // saturated primaries and their mixes
                c = argb(255, rng.below(2) * 255, rng.below(2) * 255, (v / 128) * 255);
            px[size_t(x + y * w)] = c;
        }
    return px;
}

}  // namespace

// High never does worse than Normal on any block, Best never worse than High
// (each includes the weaker one's result among its candidates), in both
// metrics; and over a picture High does better. (The neighbourhood walk
// judges its candidates over the 6x6 window, so there only the layout rules
// and the other tests hold.)
TEST(EncodeQuality, HigherQualitiesNeverLoseABlock) {
    const double uniform[3] = {1.0, 1.0, 1.0};
    for (int kind = 0; kind < 6; ++kind)
        for (int metric = 0; metric < 2; ++metric) {
            const auto level = quality_picture(kind, 24, 20, uint32_t(40 + kind));
            EncodeOptions o;
            o.weights = metric ? uniform_weights : nullptr;
            const double* w = metric ? uniform : kWeights;
            std::vector<double> previous;
            double first_sum = 0.0, last_sum = 0.0;
            for (BlockQuality q : {BlockQuality::Normal, BlockQuality::High, BlockQuality::Best}) {
                o.quality = q;
                const auto errors = block_errors(level, 24, 20, o, w);
                for (size_t i = 0; i < previous.size(); ++i)
                    ASSERT_LE(errors[i], previous[i] * (1.0 + 1e-12) + 1e-9)
                        << "kind " << kind << " metric " << metric << " quality " << int(q)
                        << " block " << i;
                double sum = 0.0;
                for (double e : errors) sum += e;
                (previous.empty() ? first_sum : last_sum) = sum;
                previous = errors;
            }
            if (kind == 1) {
                EXPECT_LT(last_sum, first_sum * 0.95);
            }
        }
}

// Cutout blocks in every quality and level size: transparent pixels stay
// transparent and opaque ones opaque; a block with transparent pixels is in
// three-colour order, and the DXT3/DXT5 colour halves stay in four.
TEST(EncodeQuality, QualitiesKeepTheBlockLayoutsRules) {
    for (BlockQuality q : {BlockQuality::Normal, BlockQuality::High, BlockQuality::Best})
        for (int mode : {BLOCK_MODE_CUTOUT, BLOCK_MODE_INTERP_ALPHA})
            for (int side : {4, 12}) {
                auto level = test_picture(side, side, 2, uint32_t(side + int(q)));
                Lcg rng(9);
                for (auto& p : level)
                    p = (p & 0x00FFFFFF) | (uint32_t(rng.below(5) == 0 ? 128 : 129) << 24);
                EncodeOptions o;
                o.mode = mode;
                o.quality = q;
                const auto data = encode_level(level, side, side, o);
                const auto decoded = decode_level(data, side, side, mode);
                const size_t per = mode == BLOCK_MODE_CUTOUT ? 8 : 16;
                for (size_t i = 0; i < level.size(); ++i) {
                    if (mode == BLOCK_MODE_CUTOUT) {
                        EXPECT_EQ(alpha_of(decoded[i]) == 0, alpha_of(level[i]) == 128) << i;
                    }
                }
                for (size_t k = 0; k < data.size() / per; ++k) {
                    const uint8_t* c = &data[k * per + per - 8];
                    if (mode == BLOCK_MODE_INTERP_ALPHA) {
                        EXPECT_GT(read16(c), read16(c + 2)) << "block " << k;
                    }
                }
            }
}

namespace {

// Weighted error of every opaque DXT1 block as a decoder of `reading` shows
// it (the exact reading's thirds as real numbers).
std::vector<double> errors_under(const std::vector<uint32_t>& level, int w, int h,
                                 const EncodeOptions& o, BlockDecoder reading) {
    const std::vector<uint8_t> data = encode_level(level, w, h, o);
    std::vector<double> errors;
    for (int y0 = 0, k = 0; y0 < h; y0 += 4)
        for (int x0 = 0; x0 < w; x0 += 4, ++k) {
            const uint8_t* block = &data[size_t(k) * 8];
            const uint32_t c0 = read16(block), c1 = read16(block + 2);
            const Colour a = widen565(c0), b = widen565(c1);
            const int colours = c0 > c1 ? 4 : 3;
            double sum = 0.0;
            for (int p = 0; p < 16; ++p) {
                const int x = x0 + p % 4, y = y0 + p / 4;
                if (x >= w || y >= h) continue;
                const uint32_t px = level[size_t(x + y * w)];
                const int j = colour_index(block, p);
                const int ends[3][2] = {{a.r, b.r}, {a.g, b.g}, {a.b, b.b}};
                const int source[3] = {red_of(px), green_of(px), blue_of(px)};
                for (int c = 0; c < 3; ++c) {
                    const double d =
                        block_palette_entry(ends[c][0], ends[c][1], colours, j, reading) -
                        source[c];
                    sum += kWeights[c] * kWeights[c] * d * d;
                }
            }
            errors.push_back(sum);
        }
    return errors;
}

}  // namespace

// Fast starts from the quick choice and keeps a step only when it lowers the
// block's error, so no block comes out worse; over a photo-like picture it
// does clearly better. Aiming High and Best at a decoder's reading never
// does worse under that reading over a picture than aiming at the nearest
// one.
TEST(EncodeQuality, FastAndAimedReadingsKeepTheirPromises) {
    for (int kind = 0; kind < 6; ++kind)
        for (int mode : {BLOCK_MODE_OPAQUE, BLOCK_MODE_CUTOUT}) {
            const auto level = quality_picture(kind, 24, 20, uint32_t(70 + kind));
            EncodeOptions o;
            o.mode = mode;
            o.quality = BlockQuality::Quick;
            const auto quick = block_errors(level, 24, 20, o, kWeights);
            o.quality = BlockQuality::Fast;
            const auto fast = block_errors(level, 24, 20, o, kWeights);
            double quick_sum = 0.0, fast_sum = 0.0;
            for (size_t i = 0; i < fast.size(); ++i) {
                ASSERT_LE(fast[i], quick[i] * (1.0 + 1e-12) + 1e-9)
                    << "kind " << kind << " mode " << mode << " block " << i;
                quick_sum += quick[i];
                fast_sum += fast[i];
            }
            if (kind == 0 && mode == BLOCK_MODE_OPAQUE) {
                EXPECT_LT(fast_sum, quick_sum * 0.9);
            }
        }
    for (int kind = 0; kind < 3; ++kind)
        for (BlockQuality q : {BlockQuality::High, BlockQuality::Best})
            for (BlockDecoder reading : {BlockDecoder::Exact, BlockDecoder::Truncate}) {
                const auto level = quality_picture(kind, 32, 32, uint32_t(90 + kind));
                EncodeOptions o;
                o.quality = q;
                double nearest = 0.0, aimed = 0.0;
                for (double e : errors_under(level, 32, 32, o, reading)) nearest += e;
                o.decoder = reading;
                for (double e : errors_under(level, 32, 32, o, reading)) aimed += e;
                EXPECT_LE(aimed, nearest)
                    << "kind " << kind << " quality " << int(q) << " reading " << int(reading);
            }
}

// The same guard for BC4, BC5 and BC7 at every quality: BC7 on the picture
// with its scattered alpha (the alpha modes) and on its opaque copy (the
// colour-only modes), BC4 from luma, BC5 from red and green.
TEST(EncodeQuality, BcOutputOnAFixedPictureIsPinned) {
    auto picture = test_picture(32, 32, 2, 7);
    Lcg rng(8);
    auto opaque = picture;
    for (auto& p : opaque) p |= 0xFF000000u;
    for (auto& p : picture)
        p = (p & 0x00FFFFFF) | (uint32_t(rng.below(4) == 0 ? rng.below(256) : 255) << 24);
    struct Case {
        int mode;
        bool alpha;
        BlockQuality quality;
        uint64_t hash;
    };
    using Q = BlockQuality;
    const Case cases[] = {
        {BLOCK_MODE_BC7, false, Q::Quick, 9587080903721579589ull},
        {BLOCK_MODE_BC7, false, Q::Fast, 1813896242828148054ull},
        {BLOCK_MODE_BC7, false, Q::Normal, 17019661963882317450ull},
        {BLOCK_MODE_BC7, false, Q::High, 387312571039184073ull},
        {BLOCK_MODE_BC7, false, Q::Best, 13798453821887163916ull},
        {BLOCK_MODE_BC7, true, Q::Quick, 7754052006538221824ull},
        {BLOCK_MODE_BC7, true, Q::Fast, 850605785955967724ull},
        {BLOCK_MODE_BC7, true, Q::Normal, 1696130897826431345ull},
        {BLOCK_MODE_BC7, true, Q::High, 9392926029242252862ull},
        {BLOCK_MODE_BC7, true, Q::Best, 9392926029242252862ull},
        {BLOCK_MODE_BC4, false, Q::Quick, 1257977578461110636ull},
        {BLOCK_MODE_BC4, false, Q::Fast, 16886822808417795924ull},
        {BLOCK_MODE_BC4, false, Q::Normal, 16886822808417795924ull},
        {BLOCK_MODE_BC4, false, Q::High, 16886822808417795924ull},
        {BLOCK_MODE_BC4, false, Q::Best, 16886822808417795924ull},
        {BLOCK_MODE_BC5, false, Q::Quick, 2762958192570752225ull},
        {BLOCK_MODE_BC5, false, Q::Fast, 17114992555171420488ull},
        {BLOCK_MODE_BC5, false, Q::Normal, 17114992555171420488ull},
        {BLOCK_MODE_BC5, false, Q::High, 17114992555171420488ull},
        {BLOCK_MODE_BC5, false, Q::Best, 17114992555171420488ull},
    };
    std::vector<PinPart> parts;
    bool all_match = true;
    for (const Case& c : cases) {
        EncodeOptions o;
        o.mode = c.mode;
        o.quality = c.quality;
        const std::string label = "mode " + std::to_string(c.mode >> 16) +
                                  (c.alpha ? " alpha" : " opaque") + " quality " +
                                  std::to_string(int(c.quality));
        const std::vector<uint8_t> bytes = encode_level(c.alpha ? picture : opaque, 32, 32, o);
        parts.push_back({label, bytes, size_t(c.mode == BLOCK_MODE_BC4 ? 8 : 16), "block"});
        if (fnv1a(bytes) != c.hash) all_match = false;
        EXPECT_EQ(fnv1a(bytes), c.hash) << label;
    }
    const std::string where = pin_difference("blocks_bc_fixed_picture", parts);
    EXPECT_TRUE(all_match) << where;
}
