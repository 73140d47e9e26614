// The level loop's normal-map step: the profile's normal-map options applied
// to one working level in place.
#include "normalmap/normalmap.h"
#include "texcomp/pipeline.h"

NormalMapOptions normal_map_options(const TextureCompressor& tc) {
    NormalMapOptions o;
    o.kernel = tc.normalmap_filter;
    o.conversion = tc.normalmap_cnv;
    o.alpha = tc.normalmap_alpha;
    o.scale = tc.normalmap_scale;
    o.minz = tc.normalmap_minz;
    o.wrap = tc.normalmap_bwrap != 0;
    o.invert_x = tc.normalmap_binvertx != 0;
    o.invert_y = tc.normalmap_binverty != 0;
    o.signed_output = tc.normalmap_bsigned_output != 0;
    o.swap_rgb = tc.normalmap_bswap_rgb != 0;
    return o;
}

bool convert_normal_map_level(LevelImage& level, const TextureCompressor& tc) {
    const int32_t made = make_normal_map(normal_map_options(tc), level.width, level.height,
                                         level.pixels, NORMALMAP_LAYOUT_WORDS);
    // An unknown conversion code has been reported and leaves the level as it
    // is. Any other failure comes from memory running out, and the level
    // would leave half converted.
    return made == NORMALMAP_OK || made == NORMALMAP_UNKNOWN_CONVERSION;
}
