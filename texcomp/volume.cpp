// Volume textures: n square slices side by side, whose depth halves together
// with the sides.
//
// Each level's slices are made from the previous level's slices (not from
// level 0): every slice is halved on its own, then neighbouring pairs are
// averaged into one slice of the next level. Once a single slice is left it
// goes on halving like a plain texture.
#include <cstring>
#include <memory>
#include <new>

#include "texcomp/pipeline.h"

namespace {

struct VolumeState {
    TextureCompressor& tc;
    LevelEmitter& emitter;
    std::vector<WorkLevel>& slices;
    std::unique_ptr<uint8_t[]>& scratch;
    ZoomFilter xfilter, yfilter;
    ZoomOptions options;
};

// Edges, fading (factor f, rest k, no update), binary alpha, then the common
// finishing steps and the emission as level L.
DriverResult process_slice(VolumeState& v, LevelImage& slice, int32_t L, float f, float k) {
    const TextureSettings& s = v.tc.settings;
    apply_edges(slice, s);
    if (L >= s.g_fade_to_delay) fade_level(slice, v.tc, v.emitter.code, f, k);
    if (s.g_b_binary_alpha) apply_binary_alpha(slice, s.g_binary_alpha_threshold);
    return finish_level(v.emitter, slice, L);
}

// Halves one slice from itself, through the scratch buffer. False when the
// resampler ran out of memory.
bool halve_slice(VolumeState& v, LevelImage& slice) {
    const int32_t nw = (slice.width + 1) / 2, nh = (slice.height + 1) / 2;
    if (resample_rgba(v.options, slice.pixels, slice.width, slice.height, v.scratch.get(), nw, nh,
                      v.xfilter, v.yfilter) != ZOOM_OK)
        return false;
    std::memcpy(slice.pixels, v.scratch.get(), static_cast<size_t>(nw) * nh * 4);
    slice.width = nw;
    slice.height = nh;
    return true;
}

void average_into(LevelImage& out, const LevelImage& a, const LevelImage& b) {
    const int64_t n = static_cast<int64_t>(a.width) * a.height * 4;
    for (int64_t i = 0; i < n; ++i)
        out.pixels[i] = static_cast<uint8_t>((a.pixels[i] + b.pixels[i]) >> 1);
    out.width = a.width;
    out.height = a.height;
}

}  // namespace

DriverResult compress_volume(TextureCompressor& tc, int32_t code, LevelCallback level_callback) {
    const TextureSettings& s = tc.settings;
    const bool chain = chain_mode(s) != MipChainMode::LevelZeroOnly;
    const int32_t d = tc.image.height;
    int32_t width = tc.image.width;
    if (chain_mode(s) == MipChainMode::PreMade) width = width / 2;
    const int32_t n = d > 0 ? width / d : 0;

    // Slices are paired level by level, so their count must halve evenly
    // down to one.
    if (!settings_supported(tc, code, d, d) || !is_pow2(n)) return DriverResult::Refused;

    // Everything is allocated before the header goes out.
    std::vector<WorkLevel> slices;
    try {
        slices.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        return DriverResult::NoMemory;
    }
    for (WorkLevel& slice : slices)
        if (!make_work_level(slice, d, d)) return DriverResult::NoMemory;
    const int32_t half = (d + 1) / 2;
    std::unique_ptr<uint8_t[]> scratch(new (std::nothrow)
                                           uint8_t[static_cast<size_t>(half) * half * 4 + 4]);
    LevelEmitter emitter{};
    if (!scratch) return DriverResult::NoMemory;
    const DriverResult ready = level_emitter_init(emitter, tc, code, level_callback, d, d);
    if (ready != DriverResult::Done) return ready;
    VolumeState v{tc, emitter, slices, scratch, {}, {}, resample_options()};
    v.options.pool = tc.pool;
    if (chain) mip_filters(s, v.xfilter, v.yfilter);

    if (!level_callback) write_stream_header(tc, code, d, d, n);

    const float m = 1.0f - static_cast<float>(s.g_fade_amount) * 0.01f;
    for (int32_t i = 0; i < n; ++i) {
        take_level(slices[i].level, tc, d, d, static_cast<int64_t>(i) * tc.image.planes * d);
        const DriverResult done =
            process_slice(v, slices[i].level, 0, m, static_cast<float>(s.g_fade_amount) * 0.01f);
        if (done != DriverResult::Done) return done;
    }
    if (!chain) return DriverResult::Done;

    // The profile's per-level amounts have 14 entries; deeper levels keep the last.
    const bool user = tc.user_specified_fading_amounts == 1;
    auto amount = [&tc](int32_t L) { return tc.user_fading_amounts[L < 13 ? L : 13]; };
    auto more_levels = [&s](int32_t L) {
        return !(s.g_specified_mip_maps > 0 && L >= s.g_specified_mip_maps);
    };
    int32_t L = 1;
    float f = user ? amount(1) : m * m;
    float k = 1.0f - f;
    int32_t count = n;
    while (count > 1 && more_levels(L)) {
        for (int32_t i = 0; i < count; ++i)
            if (!halve_slice(v, slices[i].level)) return DriverResult::NoMemory;
        for (int32_t i = 0; 2 * i < count; ++i) {
            average_into(slices[i].level, slices[2 * i].level, slices[2 * i + 1].level);
            const DriverResult done = process_slice(v, slices[i].level, L, f, k);
            if (done != DriverResult::Done) return done;
        }
        count /= 2;
        ++L;
        f = user ? amount(L) : f * m;
        k = 1.0f - f;
    }
    LevelImage& last = slices[0].level;
    while (!(last.width <= 1 && last.height <= 1) && more_levels(L)) {
        if (!halve_slice(v, last)) return DriverResult::NoMemory;
        const DriverResult done = process_slice(v, last, L, f, k);
        if (done != DriverResult::Done) return done;
        ++L;
        f = user ? amount(L) : f * m;
        k = 1.0f - f;
    }
    return DriverResult::Done;
}
