// The store behind ChainCache (texcomp.h): the generated levels of one
// face's chain, kept for a later call on the same level 0.
//
// The resampler treats the four bytes of a pixel alike and independently,
// so a level 0 that differs only by the exchange of its first and third
// bytes (the red/blue exchange of the intake) has the same chain with those
// bytes exchanged. Whether two calls share a chain is decided on the level-0
// bytes themselves and the settings that pick the filter, never on who the
// caller is.
#pragma once

#include <cstdint>
#include <vector>

#include "texcomp/texcomp.h"

struct ChainCache {
    int32_t w0 = 0, h0 = 0;
    int32_t filter_type = -1;
    uint8_t override_width = 0;
    float filter_width = 0.0f, filter_blur = 0.0f;
    std::vector<uint8_t> level0;  // as the call that filled the store took it in
    struct Level {
        int32_t width = 0, height = 0;
        std::vector<uint8_t> pixels;  // empty: not made yet
    };
    std::vector<Level> levels;  // by level index
};

// How a call's chain relates to the store.
enum class CacheOrder { unused, same, exchanged };

// Binds a chain whose level 0 (w0 x h0, 4 bytes a pixel) was just taken in
// to the store: the store keeps serving when it holds the same level 0 (as is
// or exchanged) made with the same filter, else it starts over with this one.
// `unused` when the store cannot take it (memory).
CacheOrder chain_cache_attach(ChainCache& cache, const TextureSettings& s, const uint8_t* level0,
                              int32_t w0, int32_t h0);
// Copies level j of w x h into `out` when the store has it.
bool chain_cache_fetch(const ChainCache& cache, CacheOrder order, int32_t j, int32_t w, int32_t h,
                       uint8_t* out);
// Keeps level j (as the call made it); silently skipped without memory.
void chain_cache_store(ChainCache& cache, CacheOrder order, int32_t j, int32_t w, int32_t h,
                       const uint8_t* pixels);
