// encode_blocks with fuzzed modes, sizes, masks, flags and buffers.
//
// Contract: a refused call (-1) writes nothing; an accepted one writes within
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
void check_cutout(const std::vector<uint32_t>& pixels, int32_t w, int32_t h,
                  const std::vector<uint8_t>& out) {
    const int32_t blocks_x = (w + 3) / 4;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            if ((pixels[size_t(x + y * w)] >> 24) > 128) continue;
            const uint8_t* b = out.data() + 8 * size_t((y / 4) * blocks_x + x / 4);
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
    const bool plain_masks = in.ConsumeIntegralInRange<uint8_t>(0, 15) != 0;
    SurfaceDesc src{};
    src.width = uint32_t(w);
    src.height = uint32_t(h);
    src.pixel_format.bit_count = 32;
    if (plain_masks) {
        src.pixel_format.red_mask = 0x00FF0000;
        src.pixel_format.green_mask = 0x0000FF00;
        src.pixel_format.blue_mask = 0x000000FF;
        src.pixel_format.alpha_mask = mode == BLOCK_MODE_OPAQUE ? 0 : 0xFF000000u;
    } else {
        src.pixel_format.red_mask = in.ConsumeIntegral<uint32_t>();
        src.pixel_format.green_mask = in.ConsumeIntegral<uint32_t>();
        src.pixel_format.blue_mask = in.ConsumeIntegral<uint32_t>();
        src.pixel_format.alpha_mask = in.ConsumeIntegral<uint32_t>();
    }
    float weights[3];
    const bool own_weights = in.ConsumeBool();
    for (float& v : weights) v = in.ConsumeFloatingPointInRange<float>(0.0f, 2.0f);
    const int grey = in.ConsumeBool();
    const int quick = in.ConsumeBool();
    const int force_four = in.ConsumeBool();
    const int diffusion = in.ConsumeBool();
    const int normalmap_type = in.ConsumeIntegralInRange<int>(-1, 3);

    // The exact size the level needs (at its raised size in the neighbourhood
    // variant), give or take a few bytes.
    const int32_t rw = diffusion && w > 0 && h > 0 && w < 4 ? 4 : w;
    const int32_t rh = diffusion && w > 0 && h > 0 && h < 4 ? 4 : h;
    const int64_t per_block = (mode & 0xFF00) == 0 ? 8 : 16;
    const int64_t needed = per_block * ((rw + 3) / 4) * ((rh + 3) / 4);
    const int32_t out_size = int32_t(needed) + in.ConsumeIntegralInRange<int32_t>(-9, 9);

    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    for (uint32_t& p : pixels) p = in.ConsumeIntegral<uint32_t>();
    src.surface = pixels.empty() ? nullptr : pixels.data();
    std::vector<uint8_t> out(out_size > 0 ? size_t(out_size) : 0, 0xA5);
    const std::vector<uint8_t> untouched = out;
    SurfaceDesc out_desc{};

    const int result = encode_blocks(src, out_desc, out.empty() ? nullptr : out.data(), mode,
                                     own_weights ? weights : nullptr, out_size, grey, quick,
                                     force_four, diffusion, normalmap_type);
    FUZZ_REQUIRE(result == BLOCKS_OK || result == BLOCKS_REFUSED);
    if (result != BLOCKS_OK) {
        FUZZ_REQUIRE(out == untouched);
        return 0;
    }
    FUZZ_REQUIRE(w == 0 || h == 0 || out_size >= needed);
    if (mode == BLOCK_MODE_CUTOUT && plain_masks && w > 0 && h > 0) check_cutout(pixels, w, h, out);
    return 0;
}
