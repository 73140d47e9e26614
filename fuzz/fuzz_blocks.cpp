// encode_blocks and encode_block_rows with fuzzed modes, sizes, channel
// orders, pitches, options, bands and buffers.
//
// Contract: a refused call writes nothing; an accepted one writes within
// the buffer it was given; in the cutout mode every transparent pixel comes
// out transparent (index 3 of a three-colour block), in both level walks.
#include <cstring>
#include <vector>

#include "blocks/blocks.h"
#include "fuzz_support.h"

namespace {

uint32_t le16(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }

// Transparent pixels (alpha 128 or less) of a cutout level must decode as
// transparent.
void check_cutout(const BlockLevel& level, int32_t first_row, int32_t rows,
                  const std::vector<uint8_t>& out) {
    const int32_t w = level.width, h = level.height;
    const int32_t blocks_x = (w + 3) / 4;
    for (int32_t y = 4 * first_row; y < h && y < 4 * (first_row + rows); ++y)
        for (int32_t x = 0; x < w; ++x) {
            if (level.pixels[y * level.pitch + 4 * x + 3] > 128) continue;
            const uint8_t* b = out.data() + 8 * size_t((y / 4 - first_row) * blocks_x + x / 4);
            const int p = (y % 4) * 4 + x % 4;
            const uint32_t word = le16(b + 4) | le16(b + 6) << 16;
            FUZZ_REQUIRE(le16(b) <= le16(b + 2));
            FUZZ_REQUIRE(((word >> (2 * p)) & 3) == 3);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    static const int kModes[] = {BLOCK_MODE_OPAQUE, BLOCK_MODE_CUTOUT, BLOCK_MODE_EXPLICIT_ALPHA,
                                 BLOCK_MODE_INTERP_ALPHA};
    const uint8_t pick = in.ConsumeIntegral<uint8_t>();
    const int mode = pick < 248 ? kModes[pick % 4] : in.ConsumeIntegral<int>();
    const int32_t w = in.ConsumeIntegralInRange<int32_t>(0, 40);
    const int32_t h = in.ConsumeIntegralInRange<int32_t>(0, 24);
    BlockLevel level;
    level.width = w;
    level.height = h;
    level.order = in.ConsumeBool() ? ChannelOrder::Rgba : ChannelOrder::Bgra;
    // Mostly a pitch that holds a row, now and then one that does not.
    level.pitch = int64_t(w) * 4 + in.ConsumeIntegralInRange<int32_t>(-5, 12);
    BlockOptions o;
    o.mode = mode;
    const bool own_weights = in.ConsumeBool();
    for (float& v : o.weights) {
        const float f = in.ConsumeFloatingPointInRange<float>(0.0f, 2.0f);
        if (own_weights) v = f;
    }
    o.quality = static_cast<BlockQuality>(in.ConsumeIntegralInRange<int32_t>(0, 3));
    o.force_four = in.ConsumeBool();
    o.diffusion = in.ConsumeBool();
    o.normalmap_type = in.ConsumeIntegralInRange<int>(-1, 3);

    // A band of block rows (often the whole level), and the exact size it
    // needs, give or take a few bytes.
    const int32_t block_rows = (h + 3) / 4;
    const bool whole = in.ConsumeBool();
    const int32_t first = whole ? 0 : in.ConsumeIntegralInRange<int32_t>(-1, block_rows);
    const int32_t rows = whole ? block_rows : in.ConsumeIntegralInRange<int32_t>(0, block_rows + 1);
    const int64_t per_block = (mode & 0xFF00) == 0 ? 8 : 16;
    const int64_t needed = per_block * ((w + 3) / 4) * (rows > 0 ? rows : 0);
    const int64_t out_size = needed + in.ConsumeIntegralInRange<int32_t>(-9, 9);

    const int64_t pitch = level.pitch > 0 ? level.pitch : 0;
    std::vector<uint8_t> pixels(h > 0 ? size_t(pitch) * size_t(h - 1) + size_t(w) * 4 : 0);
    for (uint8_t& p : pixels) p = in.ConsumeIntegral<uint8_t>();
    level.pixels = pixels.empty() ? nullptr : pixels.data();
    std::vector<uint8_t> out(out_size > 0 ? size_t(out_size) : 0, 0xA5);
    const std::vector<uint8_t> untouched = out;

    const BlockResult result =
        whole ? encode_blocks(level, o, out.empty() ? nullptr : out.data(), out_size)
              : encode_block_rows(level, o, first, rows, out.empty() ? nullptr : out.data(),
                                  out_size);
    FUZZ_REQUIRE(result == BlockResult::Ok || result == BlockResult::Refused);
    if (result != BlockResult::Ok) {
        FUZZ_REQUIRE(out == untouched);
        return 0;
    }
    FUZZ_REQUIRE(w == 0 || rows == 0 || (out_size >= needed && level.pitch >= int64_t(w) * 4) ||
                 h == 1);
    // Alpha is the fourth byte in both channel orders.
    if (mode == BLOCK_MODE_CUTOUT && w > 0 && rows > 0) check_cutout(level, first, rows, out);
    return 0;
}
