// The driver: checks, stream header, and the level loop of every face.
//
// Everything that can make a call fail is settled before the first byte is
// emitted: unsupported settings are refused outright, and the call's buffers
// (level image, level-0 copy, conversion buffer, sharpening buffers) are
// allocated before the header goes out. Only the resampler's own working
// memory can still run out later (it says so in its result); the stream is
// then reported as incomplete.
#include <atomic>
#include <cstdint>
#include <new>

#include "texcomp/pipeline.h"
#include "workpool/workpool.h"

namespace {

int32_t block_mode_of(int32_t code) { return texture_format_info(code)->block_mode; }

// Pixels per band of block rows: the block search is slow enough that a few
// rows of blocks pay for their hand-over to a thread.
constexpr int64_t BLOCK_BAND_PIXELS = 4096;

// The bytes of the level's blocks in e.buffer: Done, NoMemory (the ASTC
// library ran out of memory) or EncoderFailed.
DriverResult encode_level_blocks(LevelEmitter& e, LevelImage& level, int64_t& size) {
    const BlockOptions options = block_options(e.tc->settings, e.code);
    size = block_data_size(level.width, level.height, options.mode);
    const BlockLevel view{level.pixels, level.width, level.height, int64_t(level.width) * 4,
                          ChannelOrder::Bgra};
    // Bands of block rows: each block is encoded with the whole level in
    // view, so a band's bytes are those of the one-call encoding.
    const int64_t side = block_side_for(options.mode);
    const int64_t block_rows = (level.height + side - 1) / side;
    const int64_t row_bytes = block_data_size(level.width, int32_t(side), options.mode);
    const int64_t min_rows = (BLOCK_BAND_PIXELS + side * level.width - 1) / (side * level.width);
    std::atomic<bool> refused{false}, no_memory{false};
    run_bands(e.tc->pool, block_rows, min_rows, [&](int64_t first, int64_t end) {
        const BlockResult r = encode_block_rows(
            view, options, static_cast<int32_t>(first), static_cast<int32_t>(end - first),
            e.buffer.data() + first * row_bytes, (end - first) * row_bytes);
        if (r == BlockResult::NoMemory) no_memory = true;
        if (r != BlockResult::Ok && r != BlockResult::NoMemory) refused = true;
    });
    if (refused) return DriverResult::EncoderFailed;
    return no_memory ? DriverResult::NoMemory : DriverResult::Done;
}

DriverResult run_faces(TextureCompressor& tc, int32_t code, LevelCallback callback) {
    // Every level of a palettised stream is indexed against the palette made
    // from level 0, so such a stream keeps all of its levels.
    if (is_palettised_format(code)) tc.settings.first_level = 0;
    const TextureSettings& s = tc.settings;
    const bool premade = chain_mode(s) == MipChainMode::PreMade;
    int32_t w = tc.image.width, h = tc.image.height;
    if (premade) w = w / 2;  // level 0 is the left half; the rest holds the smaller levels
    const int32_t faces = face_count(s);
    w = w / faces;

    if (!settings_supported(tc, code, w, h)) return DriverResult::Refused;

    WorkLevel work;
    LevelEmitter emitter{};
    FaceChain chain;
    if (!make_work_level(work, w, h) || !prepare_face_chain(s, w, h, chain))
        return DriverResult::NoMemory;
    const DriverResult ready = level_emitter_init(emitter, tc, code, callback, w, h);
    if (ready != DriverResult::Done) return ready;
    LevelImage* const level = &work.level;

    if (!callback) write_stream_header(tc, code, w, h, 0);

    for (int32_t f = 0; f < faces; ++f) {
        const int64_t offset = static_cast<int64_t>(f) * w * tc.image.planes * (premade ? 2 : 1);
        take_level(*level, tc, w, h, offset);
        begin_face_chain(tc, *level, offset, code, chain);
        for (int32_t j = 0;;) {
            if (j >= s.first_level) {
                const DriverResult finished = finish_level(emitter, *level, j);
                if (finished != DriverResult::Done) return finished;
            }
            ++j;
            // The level count is settled before the next level is made, so
            // no level is resampled only to be thrown away.
            if (s.g_specified_mip_maps > 0 && j >= s.g_specified_mip_maps) break;
            const LevelMade made = next_level(tc, *level, chain, j);
            if (made == LevelMade::NoMemory) return DriverResult::NoMemory;
            if (made == LevelMade::ChainEnded) break;
        }
        end_face_chain(chain);
    }
    return DriverResult::Done;
}

}  // namespace

static_assert(static_cast<int32_t>(TextureDecoder::Exact) ==
                      static_cast<int32_t>(BlockDecoder::Exact) &&
                  static_cast<int32_t>(TextureDecoder::Truncate) ==
                      static_cast<int32_t>(BlockDecoder::Truncate),
              "the library's readings are the block encoder's");
static_assert(static_cast<int32_t>(TextureQuality::Best) ==
                      static_cast<int32_t>(BlockQuality::Best) &&
                  static_cast<int32_t>(TextureQuality::Fast) ==
                      static_cast<int32_t>(BlockQuality::Fast),
              "the library's qualities are the block encoder's");

BlockOptions block_options(const TextureSettings& s, int32_t code) {
    BlockOptions o;
    o.mode = block_mode_of(code);
    const float* weights = s.g_b_grey_scale ? uniform_weights : perceptual_weights;
    for (int c = 0; c < 3; ++c) o.weights[c] = weights[c];
    o.quality = static_cast<BlockQuality>(static_cast<int32_t>(s.quality));
    if (s.g_b_quick_compress) o.quality = BlockQuality::Quick;
    o.decoder = static_cast<BlockDecoder>(static_cast<int32_t>(s.decoder));
    // Only plain DXT1 may be forced to four colours: the cutout layout needs
    // the three-colour order for its transparent pixels, and the alpha
    // layouts always use four.
    o.force_four = code == static_cast<int32_t>(TextureFormat::Dxt1) && s.g_b_force_four_colours;
    o.diffusion = s.g_b_error_diffusion != 0;
    o.normalmap_type = s.g_b_normalmaptype;
    o.single_channel = s.g_bc4_channel;
    return o;
}

bool settings_supported(const TextureCompressor& tc, int32_t code, int32_t w, int32_t h) {
    const TextureSettings& s = tc.settings;
    if (!texture_format_info(code)) return false;
    // No palette conversion is defined for the slices of a volume.
    const bool volume = map_type(s) == TextureMapType::Volume;
    if (is_palettised_format(code) && volume) return false;
    const MipChainMode mode = chain_mode(s);
    if (mode != MipChainMode::Generated && mode != MipChainMode::PreMade &&
        mode != MipChainMode::LevelZeroOnly)
        return false;
    // A volume makes its smaller levels itself whether or not they are pre-made.
    const bool resamples =
        mode == MipChainMode::Generated || (volume && mode == MipChainMode::PreMade);
    if (resamples && (s.g_mip_filter_type < 0 || s.g_mip_filter_type >= ZOOM_FILTER_COUNT))
        return false;
    if (w < 1 || h < 1) return false;
    if (s.quality < TextureQuality::Quick || s.quality > TextureQuality::Fast) return false;
    if (s.decoder < TextureDecoder::Nearest || s.decoder > TextureDecoder::Truncate) return false;
    if (!filter_settings_usable(s) || !premade_levels_fit(tc, w, h)) return false;
    if (is_block_format(code) && (!is_pow2(w) || !is_pow2(h))) return false;
    // Every level leaves in one run whose byte count the sink takes as a
    // 32-bit value.
    if (texture_level_size(code, w, h) > INT32_MAX) return false;
    return true;
}

DriverResult level_emitter_init(LevelEmitter& e, TextureCompressor& tc, int32_t code,
                                LevelCallback callback, int32_t w0, int32_t h0) {
    e.tc = &tc;
    e.code = code;
    e.callback = callback;
    // Level 0 is the largest level of the chain; the smaller ones reuse the
    // start of its buffer. Room for one block at least.
    int64_t bytes = texture_level_size(code, w0, h0);
    if (bytes < 64) bytes = 64;
    try {
        e.buffer.resize(static_cast<size_t>(bytes));
    } catch (const std::bad_alloc&) {
        return DriverResult::NoMemory;
    }
    if (!prepare_sharpening(tc, w0, h0)) return DriverResult::NoMemory;
    // The ASTC library's context of this thread, before the header goes
    // out; the call's other threads make theirs with their first band.
    if (is_block_format(code)) {
        const BlockResult ready = prepare_block_encoder(block_options(tc.settings, code));
        if (ready == BlockResult::NoMemory) return DriverResult::NoMemory;
        if (ready != BlockResult::Ok) return DriverResult::EncoderFailed;
    }
    return DriverResult::Done;
}

void emit_level_run(const LevelEmitter& e, const uint8_t* bytes, int64_t count, int32_t j,
                    int32_t w, int32_t h) {
    if (e.callback)
        e.callback(bytes, j, static_cast<int32_t>(count), w, h, e.tc->settings.user);
    else
        sink_trampoline(e.tc, static_cast<int32_t>(count), bytes);
}

DriverResult finish_level(LevelEmitter& e, LevelImage& level, int32_t j) {
    const TextureSettings& s = e.tc->settings;
    sharpen_level(*e.tc, level, j);
    const bool dither = j == 0 ? s.g_b_dither_mip0 : s.g_b_dither_color;
    if (dither) dither_level(level, *e.tc, e.code);
    if (e.tc->normal_map_conversion && !convert_normal_map_level(level, *e.tc))
        return DriverResult::NoMemory;
    if (is_normal_map(*e.tc)) renormalise_level(level);
    if (is_palettised_format(e.code)) return palette_level(e, level, j, dither);
    // The treatments above stay: in the volume path later levels are made
    // from this one.
    if (j < s.first_level) return DriverResult::Done;
    int64_t count = 0;
    if (is_block_format(e.code)) {
        const DriverResult encoded = encode_level_blocks(e, level, count);
        if (encoded != DriverResult::Done) return encoded;
    } else {
        count = convert_level(level, e.code, e.buffer.data(), e.tc->pool);
    }
    if (count < 0) return DriverResult::EncoderFailed;
    emit_level_run(e, e.buffer.data(), count, j, level.width, level.height);
    return DriverResult::Done;
}

DriverResult compress_levels(TextureCompressor& tc, int32_t code, LevelCallback level_callback) {
    if (map_type(tc.settings) == TextureMapType::Volume)
        return compress_volume(tc, code, level_callback);
    return run_faces(tc, code, level_callback);
}
