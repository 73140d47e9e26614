// The mip chain of one face.
//
// Every generated level is resampled directly from level 0 onto the smaller
// size, never from the level before it: the filter sees the full detail each
// time, and the treatments of a level (fading above all) never leak into the
// levels after it.
#include <cstring>
#include <new>

#include "texcomp/chain_cache.h"
#include "texcomp/pipeline.h"

ZoomOptions resample_options() {
    ZoomOptions o{};
    o.intermediate_type = 0;
    o.verbosity = 0;
    o.coerce = 1;
    o.xy_order = ZOOM_UNSET;
    o.trim_zeros = 1;
    return o;
}

void mip_filters(const TextureSettings& s, ZoomFilter& xfilter, ZoomFilter& yfilter) {
    xfilter = filter_at(s.g_mip_filter_type);
    if (s.g_override_filter_width) {
        // A negative value keeps the filter's own support or blur.
        if (s.g_filter_width >= 0.0f) xfilter.support = s.g_filter_width;
        if (s.g_filter_blur >= 0.0f) xfilter.blur = s.g_filter_blur;
    }
    yfilter = xfilter;
}

int resample_rgba(const ZoomOptions& options, const uint8_t* src, int32_t sw, int32_t sh,
                  uint8_t* dst, int32_t dw, int32_t dh, const ZoomFilter& xfilter,
                  const ZoomFilter& yfilter) {
    MemoryPicture source;
    source.bind(const_cast<uint8_t*>(src), sw, sh, sw * 4, 4);
    // The destination is bound straight onto the caller's buffer: the rows
    // land where a separate destination picture would have been copied to,
    // and no picture of the next level's size is allocated per level.
    MemoryPicture dest;
    dest.bind(dst, dw, dh, dw * 4, 4);
    ZoomWindow swin{};
    swin.x0 = swin.x1 = ZOOM_UNSET;
    picture_get_window(&source, &swin);
    ZoomWindow dwin{0, 0, 0, 0, dw, dh};
    window_set_corner(dwin);
    ZoomFilter xf = xfilter, yf = yfilter;
    return zoom_opt(options, &source, swin, &dest, dwin, xf, yf, 0, 0);
}

bool prepare_face_chain(const TextureSettings& s, int32_t w, int32_t h, FaceChain& chain) {
    // Only the generated chain reads level 0 again.
    if (chain_mode(s) != MipChainMode::Generated) return true;
    try {
        chain.level0_copy.resize(static_cast<size_t>(w) * h * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void begin_face_chain(TextureCompressor& tc, const LevelImage& level, int64_t face_offset,
                      int32_t format_code, FaceChain& chain) {
    const TextureSettings& s = tc.settings;
    chain.mode = chain_mode(s);
    chain.format_code = format_code;
    chain.w0 = level.width;
    chain.h0 = level.height;
    chain.premade_offset = face_offset;
    chain.fade_step = 1.0f - static_cast<float>(s.g_fade_amount) * 0.01f;
    chain.fade_factor = chain.fade_step;
    chain.fade_rest = 1.0f - chain.fade_factor;
    chain.first_level = s.first_level;
    if (chain.mode != MipChainMode::Generated) return;
    // Level 0 as taken in, before any dithering of the level image.
    std::memcpy(chain.level0_copy.data(), level.pixels,
                static_cast<size_t>(level.width) * level.height * 4);
    mip_filters(s, chain.xfilter, chain.yfilter);
    chain.options = resample_options();
    chain.options.pool = tc.pool;
    chain.cache = map_type(s) == TextureMapType::Plain ? s.chain_cache : nullptr;
    chain.cache_order = static_cast<int32_t>(
        chain.cache
            ? chain_cache_attach(*chain.cache, s, chain.level0_copy.data(), chain.w0, chain.h0)
            : CacheOrder::unused);
}

LevelMade next_level(TextureCompressor& tc, LevelImage& level, FaceChain& chain, int32_t j) {
    const TextureSettings& s = tc.settings;
    // The profile's per-level amounts have 14 entries; deeper levels keep
    // using the last one.
    if (tc.user_specified_fading_amounts == 1)
        chain.fade_factor = tc.user_fading_amounts[j < 13 ? j : 13];
    chain.fade_rest = 1.0f - chain.fade_factor;

    if (chain.mode == MipChainMode::LevelZeroOnly) return LevelMade::ChainEnded;
    const int32_t w = level.width, h = level.height;
    if (w <= 1 && h <= 1) return LevelMade::ChainEnded;
    const int32_t nw = (w + 1) / 2, nh = (h + 1) / 2;

    if (j < chain.first_level) {
        // Nobody keeps this level and no later level is made from it: only
        // its size and the state it passes on (fading, pre-made offset).
        if (chain.mode == MipChainMode::PreMade)
            chain.premade_offset += static_cast<int64_t>(tc.image.planes) * w;
        level.width = nw;
        level.height = nh;
        if (j >= s.g_fade_to_delay) chain.fade_factor = chain.fade_factor * chain.fade_step;
        return LevelMade::Made;
    }
    if (chain.mode == MipChainMode::Generated) {
        const CacheOrder order = static_cast<CacheOrder>(chain.cache_order);
        if (order == CacheOrder::unused ||
            !chain_cache_fetch(*chain.cache, order, j, nw, nh, level.pixels)) {
            if (resample_rgba(chain.options, chain.level0_copy.data(), chain.w0, chain.h0,
                              level.pixels, nw, nh, chain.xfilter, chain.yfilter) != ZOOM_OK)
                return LevelMade::NoMemory;
            if (order != CacheOrder::unused)
                chain_cache_store(*chain.cache, order, j, nw, nh, level.pixels);
        }
    } else {
        // Pre-made levels sit side by side in the picture's top rows, each
        // directly to the right of the one before. The level image is large
        // enough for every smaller level, so it is refilled in place.
        chain.premade_offset += static_cast<int64_t>(tc.image.planes) * w;
        take_level(level, tc, nw, nh, chain.premade_offset);
    }
    level.width = nw;
    level.height = nh;

    apply_edges(level, s);
    if (j >= s.g_fade_to_delay) {
        fade_level(level, tc, chain.format_code, chain.fade_factor, chain.fade_rest);
        chain.fade_factor = chain.fade_factor * chain.fade_step;
    }
    if (s.g_b_binary_alpha) apply_binary_alpha(level, s.g_binary_alpha_threshold);
    return LevelMade::Made;
}

void end_face_chain(FaceChain& chain) {
    // The copy's buffer serves the next face too; the chain's owner frees it.
    chain.w0 = chain.h0 = 0;
}
