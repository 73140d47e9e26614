// Settings that would make a call read outside the picture or push the
// resampler past what its integer arithmetic holds. Both are refused before
// the stream header goes out, so a refused call emits nothing.
#include <cmath>

#include "texcomp/pipeline.h"

namespace {

// Largest override values the mip filter accepts. With the largest side of
// 32767 pixels reduced to one, the resampler stretches the kernel by up to
// 32767: 2 x 32767 x blur x support taps must stay far inside an int, and the
// weight tables (one tap row per output pixel) inside a sane amount of memory.
constexpr float MAX_FILTER_BLUR = 16.0f;
constexpr float MAX_FILTER_SUPPORT = 64.0f;

}  // namespace

bool filter_settings_usable(const TextureSettings& s) {
    // Non-finite values are refused whether or not they are read: they can
    // only come from a damaged profile or a careless caller.
    if (!std::isfinite(s.g_filter_gamma) || !std::isfinite(s.g_filter_blur) ||
        !std::isfinite(s.g_filter_width))
        return false;
    if (!(s.g_filter_gamma > 0.0f)) return false;
    if (!s.g_override_filter_width) return true;
    // A negative value keeps the filter's own; a blur of 0 would divide by 0.
    if (s.g_filter_width >= 0.0f && s.g_filter_width > MAX_FILTER_SUPPORT) return false;
    if (s.g_filter_blur >= 0.0f && !(s.g_filter_blur > 0.0f && s.g_filter_blur <= MAX_FILTER_BLUR))
        return false;
    return true;
}

bool premade_levels_fit(const TextureCompressor& tc, int32_t w, int32_t h) {
    const TextureSettings& s = tc.settings;
    // Volumes halve their own slices; only the plain and cube chains read
    // pre-made levels from the picture.
    if (chain_mode(s) != MipChainMode::PreMade || map_type(s) == TextureMapType::Volume)
        return true;
    const int32_t faces = face_count(s);
    // Columns one face's levels take: level 0, then each smaller level
    // directly to its right, for as many levels as the chain will take.
    int64_t used = w;
    int32_t lw = w, lh = h;
    for (int32_t j = 1;; ++j) {
        if (s.g_specified_mip_maps > 0 && j >= s.g_specified_mip_maps) break;
        if (lw <= 1 && lh <= 1) break;
        lw = (lw + 1) / 2;
        lh = (lh + 1) / 2;
        used += lw;
    }
    // Face f owns the 2w columns from f x 2w on; the last face may reach to
    // the picture's right edge.
    if (faces > 1 && used > 2 * int64_t{w}) return false;
    return int64_t{faces - 1} * 2 * w + used <= tc.image.width;
}
