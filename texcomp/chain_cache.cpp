// The shared chain store: matching a level 0, fetching and keeping levels.
#include "texcomp/chain_cache.h"

#include <cstring>
#include <new>

namespace {

// The settings mip_filters (chain.cpp) makes the chain's filters from.
bool same_filter(const ChainCache& c, const TextureSettings& s) {
    return c.filter_type == s.g_mip_filter_type && c.override_width == s.g_override_filter_width &&
           (!s.g_override_filter_width ||
            (c.filter_width == s.g_filter_width && c.filter_blur == s.g_filter_blur));
}

bool equal_exchanged(const uint8_t* a, const uint8_t* b, size_t bytes) {
    for (size_t i = 0; i < bytes; i += 4) {
        if (a[i] != b[i + 2] || a[i + 1] != b[i + 1] || a[i + 2] != b[i] || a[i + 3] != b[i + 3])
            return false;
    }
    return true;
}

// Copies pixels, exchanging bytes 0 and 2 of each when asked.
void copy_pixels(uint8_t* out, const uint8_t* in, size_t bytes, bool exchange) {
    if (!exchange) {
        std::memcpy(out, in, bytes);
        return;
    }
    for (size_t i = 0; i < bytes; i += 4) {
        out[i] = in[i + 2];
        out[i + 1] = in[i + 1];
        out[i + 2] = in[i];
        out[i + 3] = in[i + 3];
    }
}

size_t pixel_bytes(int32_t w, int32_t h) { return static_cast<size_t>(w) * h * 4; }

}  // namespace

ChainCache* chain_cache_new() { return new (std::nothrow) ChainCache(); }

void chain_cache_free(ChainCache* cache) { delete cache; }

CacheOrder chain_cache_attach(ChainCache& cache, const TextureSettings& s, const uint8_t* level0,
                              int32_t w0, int32_t h0) {
    const size_t bytes = pixel_bytes(w0, h0);
    if (cache.w0 == w0 && cache.h0 == h0 && same_filter(cache, s) && cache.level0.size() == bytes) {
        if (std::memcmp(cache.level0.data(), level0, bytes) == 0) return CacheOrder::same;
        if (equal_exchanged(cache.level0.data(), level0, bytes)) return CacheOrder::exchanged;
    }
    try {
        cache.level0.assign(level0, level0 + bytes);
        cache.levels.clear();
    } catch (const std::bad_alloc&) {
        cache = ChainCache();
        return CacheOrder::unused;
    }
    cache.w0 = w0;
    cache.h0 = h0;
    cache.filter_type = s.g_mip_filter_type;
    cache.override_width = s.g_override_filter_width;
    cache.filter_width = s.g_filter_width;
    cache.filter_blur = s.g_filter_blur;
    return CacheOrder::same;
}

bool chain_cache_fetch(const ChainCache& cache, CacheOrder order, int32_t j, int32_t w, int32_t h,
                       uint8_t* out) {
    if (order == CacheOrder::unused || j < 0 || static_cast<size_t>(j) >= cache.levels.size())
        return false;
    const ChainCache::Level& level = cache.levels[j];
    if (level.pixels.empty() || level.width != w || level.height != h) return false;
    copy_pixels(out, level.pixels.data(), pixel_bytes(w, h), order == CacheOrder::exchanged);
    return true;
}

void chain_cache_store(ChainCache& cache, CacheOrder order, int32_t j, int32_t w, int32_t h,
                       const uint8_t* pixels) {
    if (order == CacheOrder::unused || j < 0) return;
    try {
        if (static_cast<size_t>(j) >= cache.levels.size()) cache.levels.resize(j + 1);
        ChainCache::Level& level = cache.levels[j];
        level.pixels.resize(pixel_bytes(w, h));
        copy_pixels(level.pixels.data(), pixels, level.pixels.size(),
                    order == CacheOrder::exchanged);
        level.width = w;
        level.height = h;
    } catch (const std::bad_alloc&) {
        if (static_cast<size_t>(j) < cache.levels.size()) cache.levels[j] = ChainCache::Level();
    }
}
