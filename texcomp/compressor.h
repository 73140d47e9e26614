// texcomp internals: the per-call working object and the output hook.
#pragma once

#include <cstdint>

#include "normalmap/normalmap.h"
#include "texcomp/level_filter.h"
#include "texcomp/texcomp.h"

class WorkPool;

// Results of the driver's steps (compress_levels and what it calls): the
// stream (or level) is complete; refused before anything was emitted; memory
// ran out (the stream is then incomplete); the block encoder refused a level
// (likewise incomplete). compress_texture turns them into its TEXCOMP_ codes.
enum class DriverResult { Done, Refused, NoMemory, EncoderFailed };

// Picture description handed from the entry to the driver.
struct ImageDesc {
    int16_t height = 0;
    int16_t width = 0;
    int16_t planes = 0;
    const uint8_t* level_pixels = nullptr;
    int64_t pitch = 0;  // bytes from one row to the next; a band of a panorama may pass 2 GiB
};

// Per-call working object: a copy of the settings, the picture description,
// the driver's per-texture state and the fields only a settings profile can
// set. One exists per compress_texture call; nothing in it is shared.
struct TextureCompressor {
    TextureSettings settings;
    ImageDesc image;

    // --- Profile-only fields: a settings profile sets them; they are all off
    // --- (or at their profile defaults) unless a profile says otherwise.
    // Read by the level chain: per-level fading amounts instead of the
    // geometric fading, and the normal-map conversion switch.
    uint8_t user_specified_fading_amounts = 0;
    float user_fading_amounts[LEVEL_TABLE_SIZE] = {};
    int32_t user_fading_set = 0;
    uint8_t normal_map_conversion = 0;
    // The normal-map conversion's parameters.
    int16_t normalmap_cnv = NORMALMAP_HEIGHT_ALPHA;
    int16_t normalmap_filter = NORMALMAP_KERNEL_2X1;
    int16_t normalmap_alpha = NORMALMAP_ALPHA_HEIGHT;
    uint8_t normalmap_bwrap = 0;
    uint8_t normalmap_binvertx = 0;
    uint8_t normalmap_binverty = 0;
    uint8_t normalmap_bsigned_output = 0;
    uint8_t normalmap_bswap_rgb = 0;
    float normalmap_scale = 2.2f;
    int32_t normalmap_minz = 0;
    // Stored only: preview and viewer settings a profile carries along.
    // Nothing in the library reads them; they keep a profile's values so
    // that its keys are accepted.
    int32_t clear_color = 0;
    uint8_t use_background_image = 0;
    char background_filename[1000] = {};
    uint8_t light_enable = 0;
    uint8_t show_differences = 0;
    uint8_t show_filtering = 0;
    uint8_t show_mipmapping = 1;
    uint8_t show_anisotropic = 1;
    int32_t zoom = 0;
    uint8_t view_switches[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    uint8_t alpha_blending = 0;
    uint8_t preview_disable_mipmaps = 0;
    char profile_name[260] = "<no profile loaded>";

    LevelFilterState filters;  // sharpening parameters and buffers of this call
    // The call's worker threads (settings.threads), or null: one thread.
    // Owned by compress_texture; every stage that cuts a level into bands
    // takes it from here.
    WorkPool* pool = nullptr;
};

// The library's one output hook: forwards a run to the write_sink of the
// compressor's settings copy together with its user record.
int32_t sink_trampoline(TextureCompressor* compressor, int32_t count, const uint8_t* buffer);
