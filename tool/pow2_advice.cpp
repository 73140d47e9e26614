// The advice for tile sides the DXT1 files cannot hold: the power-of-two
// tile sizes nearest to them, and the divisions that give those.
#include "tool/tiletool.h"

namespace {

// The largest power of two a tile side may be.
constexpr int32_t LARGEST_POW2_SIDE = 16384;

int32_t pow2_at_or_below(int32_t side) {
    int32_t p = 1;
    while (p * 2 <= side && p < LARGEST_POW2_SIDE) p *= 2;
    return p;
}

int32_t pow2_at_or_above(int32_t side) {
    int32_t p = 1;
    while (p < side && p < LARGEST_POW2_SIDE) p *= 2;
    return p;
}

// The division d with picture side / d == side, or 0 when none gives it
// (the whole-number division skips most powers of two).
int32_t division_for(int32_t picture_side, int32_t side) {
    const int32_t d = picture_side / side;
    return d >= 1 && picture_side / d == side ? d : 0;
}

std::string size_words(int32_t a, int32_t b) { return std::to_string(a) + " " + std::to_string(b); }

}  // namespace

std::string pow2_tile_advice(const TileRequest& request, int32_t image_width, int32_t image_height,
                             int32_t tile_width, int32_t tile_height) {
    const int32_t below[2] = {pow2_at_or_below(tile_width), pow2_at_or_below(tile_height)};
    const int32_t above[2] = {pow2_at_or_above(tile_width), pow2_at_or_above(tile_height)};
    const bool divided = request.given && request.a < 0;
    std::string text = "the nearest power-of-two tile sizes are ";
    std::string divisions;
    for (const int32_t* size : {below, above}) {
        if (size == above && above[0] == below[0] && above[1] == below[1]) break;
        text += (size == above ? " and " : "") + size_words(size[0], size[1]);
        const int32_t da = division_for(image_width, size[0]);
        const int32_t db = division_for(image_height, size[1]);
        if (divided && da > 0 && db > 0)
            divisions += (divisions.empty() ? "" : ", ") + size_words(-da, -db) + " gives " +
                         std::to_string(size[0]) + "x" + std::to_string(size[1]);
    }
    if (!divided) return text;
    if (divisions.empty())
        return text + " (no division of the " + std::to_string(image_width) + "x" +
               std::to_string(image_height) + " picture gives them; give the size instead)";
    return text + " (as a division: " + divisions + ")";
}
