// The compression entry: argument checks, the optional rectangle, the
// power-of-two rule of the block formats, rescaling, then the driver.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "texcomp/pipeline.h"
#include "texcomp/profile.h"
#include "workpool/workpool.h"

namespace {

// The kernel of every rescale (g_rescale_mode); the mip chain has its own
// setting, g_mip_filter_type.
constexpr ZoomKernelIndex RESCALE_KERNEL = ZoomKernelIndex::Cubic;

// Largest side an ImageDesc can describe (its sizes are 16-bit).
constexpr int32_t MAX_SIDE = 32767;

bool usable_side(int32_t x) { return x >= 1 && x <= MAX_SIDE; }

// An absolute size or a product from the float settings, truncated toward
// zero; -1 when it is not a usable side (NaN included), so that the
// conversion to an integer never overflows.
int32_t truncated_side(float v) {
    if (!(v >= 1.0f && v < static_cast<float>(MAX_SIDE) + 1.0f)) return -1;
    return static_cast<int32_t>(v);
}

// The tested width of the block formats' power-of-two rule.
int32_t tested_width(const TextureSettings& s, int32_t w, int32_t h) {
    if (map_type(s) == TextureMapType::Cube) return w / CUBE_FACES;
    if (map_type(s) == TextureMapType::Volume) return h;
    return w;
}

// Pictures below this many pixels (before and after rescaling) never have a
// level large enough to be cut into bands, so no threads are started.
constexpr int64_t POOL_MIN_PIXELS = 128 * 128;

// The call's worker threads, when its settings ask for more than one and the
// picture is large enough to use them; null otherwise, and also when the pool
// cannot be made: the call then runs on its own thread, to the same bytes.
std::unique_ptr<WorkPool> call_pool(const TextureSettings& s, int32_t w, int32_t h, int32_t new_w,
                                    int32_t new_h) {
    const int64_t pixels =
        std::max(static_cast<int64_t>(w) * h, static_cast<int64_t>(new_w) * new_h);
    if (s.threads < 2 || pixels < POOL_MIN_PIXELS) return nullptr;
    try {
        return std::make_unique<WorkPool>(s.threads);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

int32_t choose_rescale_size(const TextureSettings& s, int32_t w, int32_t h, int32_t* out_w,
                            int32_t* out_h) {
    int32_t nw = w, nh = h;
    using R = RescaleMode;
    const R mode = static_cast<R>(s.g_rescale_mode);
    switch (mode) {
        case R::NearestPow2:
        case R::UpPow2:
        case R::DownPow2: {
            if (is_pow2(w) && is_pow2(h)) return 0;
            if (mode == R::NearestPow2) fit_pow2_nearest(w, h, &nw, &nh);
            if (mode == R::UpPow2) fit_pow2_up(w, h, &nw, &nh);
            if (mode == R::DownPow2) fit_pow2_down(w, h, &nw, &nh);
            break;
        }
        case R::NextLowerPow2:
            fit_pow2_lower(w, h, &nw, &nh);
            break;
        case R::ToSizeIfLarger:
            // Only a picture larger than the size in either direction shrinks; a
            // size beyond every picture simply never applies.
            if (!(w > std::trunc(s.g_rescale_width) || h > std::trunc(s.g_rescale_height)))
                return 0;
            nw = truncated_side(s.g_rescale_width);
            nh = truncated_side(s.g_rescale_height);
            break;
        case R::ToSize:
            nw = truncated_side(s.g_rescale_width);
            nh = truncated_side(s.g_rescale_height);
            break;
        case R::ByFactors:
            // The product is formed in single precision, like the factors.
            nw = truncated_side(static_cast<float>(w) * s.g_rescale_width);
            nh = truncated_side(static_cast<float>(h) * s.g_rescale_height);
            break;
        case R::None:
        case R::Count:
        default:
            return 0;
    }
    if (!usable_side(nw) || !usable_side(nh)) return -1;
    *out_w = nw;
    *out_h = nh;
    return 1;
}

std::unique_ptr<uint8_t[]> resample_picture(const uint8_t* pixels, int32_t width, int32_t height,
                                            int32_t planes, int64_t pitch, int32_t new_w,
                                            int32_t new_h, WorkPool* pool) {
    // The resampler counts a row's bytes in an int: rows further apart are
    // gathered first.
    std::unique_ptr<uint8_t[]> gathered;
    if (pitch > INT_MAX) {
        const size_t row = static_cast<size_t>(width) * planes;
        if (row > INT_MAX) return nullptr;
        gathered.reset(new (std::nothrow) uint8_t[row * height]);
        if (!gathered) return nullptr;
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(gathered.get() + row * y, pixels + pitch * y, row);
        pixels = gathered.get();
        pitch = static_cast<int64_t>(row);
    }
    const size_t bytes = static_cast<size_t>(planes) * new_w * new_h;
    // Zero-filled so that a pixel the resampler might leave unwritten is at
    // least deterministic.
    std::unique_ptr<uint8_t[]> result(new (std::nothrow) uint8_t[bytes]());
    if (!result) return nullptr;
    {
        MemoryPicture source;
        // The resampler only reads from its source.
        source.bind(const_cast<uint8_t*>(pixels), width, height, static_cast<int>(pitch), planes);
        // The destination writes straight into the result: the same rows a
        // separate destination picture would receive, without another copy.
        MemoryPicture dest;
        dest.bind(result.get(), new_w, new_h, new_w * planes, planes);
        ZoomWindow swin{};
        swin.x0 = swin.x1 = ZOOM_UNSET;
        picture_get_window(&source, &swin);
        ZoomWindow dwin{0, 0, 0, 0, new_w, new_h};
        window_set_corner(dwin);
        const ZoomFilter xfilter = filter_at(RESCALE_KERNEL);
        const ZoomFilter yfilter = filter_at(RESCALE_KERNEL);
        ZoomOptions options = resample_options();
        options.pool = pool;
        if (zoom_opt(options, &source, swin, &dest, dwin, xfilter, yfilter, 0, 0) != ZOOM_OK)
            return nullptr;
    }
    return result;
}

namespace {

int32_t compress_checked(const uint8_t* pixels, int32_t width, int32_t height, int64_t pitch,
                         const TextureSettings& settings, int32_t planes,
                         LevelCallback level_callback, const CompressRect* rect) {
    if (!pixels) return TEXCOMP_NO_PIXELS;
    if (planes != 3 && planes != 4) return TEXCOMP_BAD_PLANES;

    int32_t w = width, h = height;
    if (rect) {
        // A rectangle reaching outside the picture would read foreign memory.
        if (rect->x0 < 0 || rect->y0 < 0 || rect->x0 > rect->x1 || rect->y0 > rect->y1 ||
            rect->x1 >= width || rect->y1 >= height)
            return TEXCOMP_BAD_SIZE;
        pixels += static_cast<int64_t>(rect->x0) * planes + static_cast<int64_t>(rect->y0) * pitch;
        w = rect->x1 - rect->x0 + 1;
        h = rect->y1 - rect->y0 + 1;
    }

    // The block formats need power-of-two sides; without rescaling there is
    // no way to get them. Judged on the caller's settings, before rescaling.
    const int32_t code = settings.g_texture_format;
    if (is_block_format(code) &&
        settings.g_rescale_mode == static_cast<int32_t>(RescaleMode::None) &&
        (!is_pow2(tested_width(settings, w, h)) || !is_pow2(h)))
        return TEXCOMP_NOT_POW2;
    // A side of 0 or below is not a power of two, so the block formats
    // answered above; every other format meets it here.
    if (w < 1 || h < 1) return TEXCOMP_BAD_SIZE;

    // The working object: standard settings, profile-only fields off, then
    // the settings profile in use (if any), then the caller's settings on
    // top, so a profile reaches only the fields TextureSettings lacks.
    std::unique_ptr<TextureCompressor> tc(new (std::nothrow) TextureCompressor());
    if (!tc) return TEXCOMP_NO_MEMORY;
    texture_settings_init(tc->settings);
    if (const int32_t profile = read_profile_in_use(*tc); profile != 0) return profile;
    tc->settings = settings;

    int32_t new_w = 0, new_h = 0;
    const int32_t rescale = choose_rescale_size(tc->settings, w, h, &new_w, &new_h);
    if (rescale < 0) return TEXCOMP_BAD_SIZE;
    std::unique_ptr<WorkPool> pool =
        call_pool(tc->settings, w, h, rescale > 0 ? new_w : w, rescale > 0 ? new_h : h);
    tc->pool = pool.get();
    std::unique_ptr<uint8_t[]> resampled;
    if (rescale > 0) {
        resampled = resample_picture(pixels, w, h, planes, pitch, new_w, new_h, tc->pool);
        // Going on at the picture's own size would hand the caller a texture
        // of another size than asked for, reported as a success.
        if (!resampled) return TEXCOMP_NO_MEMORY;
        pixels = resampled.get();
        w = new_w;
        h = new_h;
        pitch = new_w * planes;
    }
    if (!usable_side(w) || !usable_side(h)) return TEXCOMP_BAD_SIZE;

    tc->image = ImageDesc{};
    tc->image.height = static_cast<int16_t>(h);
    tc->image.width = static_cast<int16_t>(w);
    tc->image.planes = static_cast<int16_t>(planes);
    tc->image.level_pixels = pixels;
    tc->image.pitch = pitch;

    const DriverResult driven = compress_levels(*tc, tc->settings.g_texture_format, level_callback);
    switch (driven) {
        case DriverResult::Done:
            return TEXCOMP_OK;
        case DriverResult::Refused:
            return TEXCOMP_REFUSED;
        case DriverResult::NoMemory:
            return TEXCOMP_NO_MEMORY;
        case DriverResult::EncoderFailed:
            return TEXCOMP_ENCODER_FAILED;
    }
    return TEXCOMP_ENCODER_FAILED;
}

}  // namespace

int32_t compress_texture(const uint8_t* pixels, int32_t width, int32_t height, int64_t pitch,
                         const TextureSettings& settings, int32_t planes,
                         LevelCallback level_callback, const CompressRect* rect) {
    // The library returns results, never exceptions: an allocation that
    // throws anywhere below ends the call as any other lack of memory.
    try {
        return compress_checked(pixels, width, height, pitch, settings, planes, level_callback,
                                rect);
    } catch (const std::bad_alloc&) {
        return TEXCOMP_NO_MEMORY;
    }
}
