// ASTC blocks through Arm's ASTC encoder library (libastcenc): the preset
// of each quality, the contexts each thread keeps, the level walk and the
// decoder. Why the bytes are the same on every run and thread count is told
// in blocks.h (ASTC).
#include <astcenc.h>

#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "blocks/block_encoder.h"

namespace {

// The qualities in the library's own order of effort: each level of ours
// takes the preset of the same rank, so `normal` is the library's medium,
// the middle ground its own command is mostly run with, and `best` its
// exhaustive search.
float preset_of(BlockQuality quality) {
    switch (quality) {
        case BlockQuality::Quick:
            return ASTCENC_PRE_FASTEST;
        case BlockQuality::Fast:
            return ASTCENC_PRE_FAST;
        case BlockQuality::Normal:
            return ASTCENC_PRE_MEDIUM;
        case BlockQuality::High:
            return ASTCENC_PRE_THOROUGH;
        case BlockQuality::Best:
            return ASTCENC_PRE_EXHAUSTIVE;
    }
    return ASTCENC_PRE_MEDIUM;
}

BlockResult result_of(astcenc_error error) {
    if (error == ASTCENC_SUCCESS) return BlockResult::Ok;
    return error == ASTCENC_ERR_OUT_OF_MEM ? BlockResult::NoMemory : BlockResult::CodecFailed;
}

// The library keeps state of its own across contexts that the first
// compression of a process settles, by that compression's configuration and
// texels: without a first compression that is always the same, a level's
// bytes would follow from what the process happened to compress first (the
// tests saw ASTC 4x4 blocks change after a first 4x4 medium compression of
// another picture). So before any context of ours is made, one fixed
// compression settles it: a 16x16 ramp of our own at 4x4, thorough (among
// the settings tried, the state it leaves gave the closest pictures, by a
// few hundredths of a decibel). Guarded, and tried again after a failure.
std::mutex settle_lock;
bool settled = false;

BlockResult settle_library() {
    std::lock_guard<std::mutex> hold(settle_lock);
    if (settled) return BlockResult::Ok;
    uint8_t ramp[16 * 16 * 4];
    for (int i = 0; i < 16 * 16; ++i) {
        const int x = i % 16, y = i / 16;
        ramp[4 * i] = uint8_t(16 * x);
        ramp[4 * i + 1] = uint8_t(255 - 16 * y);
        ramp[4 * i + 2] = uint8_t(8 * (x + y));
        ramp[4 * i + 3] = uint8_t(255 - 4 * x);
    }
    astcenc_config config;
    astcenc_context* context = nullptr;
    astcenc_error error =
        astcenc_config_init(ASTCENC_PRF_LDR, 4, 4, 1, ASTCENC_PRE_THOROUGH, 0, &config);
    try {
        if (error == ASTCENC_SUCCESS) error = astcenc_context_alloc(&config, 1, &context);
        if (error == ASTCENC_SUCCESS) {
            void* slice = ramp;
            astcenc_image image{16, 16, 1, ASTCENC_TYPE_U8, &slice};
            const astcenc_swizzle same = {ASTCENC_SWZ_R, ASTCENC_SWZ_G, ASTCENC_SWZ_B,
                                          ASTCENC_SWZ_A};
            uint8_t blocks[16 * 16];
            error = astcenc_compress_image(context, &image, &same, blocks, sizeof blocks, 0);
        }
    } catch (const std::bad_alloc&) {
        error = ASTCENC_ERR_OUT_OF_MEM;
    }
    if (context) astcenc_context_free(context);
    settled = error == ASTCENC_SUCCESS;
    return result_of(error);
}

// One context of the calling thread, kept for the next call that wants the
// same configuration and remade when another is wanted. Made for one thread
// and used by its own thread only (thread index 0).
class ThreadContext {
  public:
    ThreadContext() = default;
    ThreadContext(const ThreadContext&) = delete;
    ThreadContext& operator=(const ThreadContext&) = delete;
    ~ThreadContext() { drop(); }

    BlockResult get(int side, float preset, unsigned flags, astcenc_context*& out) {
        if (context_ && side == side_ && preset == preset_ && flags == flags_) {
            out = context_;
            return BlockResult::Ok;
        }
        drop();
        const BlockResult ready = settle_library();
        if (ready != BlockResult::Ok) return ready;
        astcenc_config config;
        astcenc_error error = astcenc_config_init(ASTCENC_PRF_LDR, unsigned(side), unsigned(side),
                                                  1, preset, flags, &config);
        if (error == ASTCENC_SUCCESS) {
            // The library may allocate with new; its failure is ours to turn
            // into a result.
            try {
                error = astcenc_context_alloc(&config, 1, &context_);
            } catch (const std::bad_alloc&) {
                error = ASTCENC_ERR_OUT_OF_MEM;
            }
        }
        if (error != ASTCENC_SUCCESS) {
            context_ = nullptr;
            return result_of(error);
        }
        side_ = side;
        preset_ = preset;
        flags_ = flags;
        out = context_;
        return BlockResult::Ok;
    }

  private:
    void drop() {
        if (context_) astcenc_context_free(context_);
        context_ = nullptr;
    }

    astcenc_context* context_ = nullptr;
    int side_ = 0;
    float preset_ = -1.0f;
    unsigned flags_ = 0;
};

thread_local ThreadContext thread_encoder;
thread_local ThreadContext thread_decoder;

BlockResult encoder_context(int mode, BlockQuality quality, astcenc_context*& out) {
    return thread_encoder.get(block_side_for(mode), preset_of(quality), 0, out);
}

// The library reads a texel's four bytes as its red, green, blue and alpha;
// the swizzle puts the level's channels in those places.
astcenc_swizzle swizzle_for(ChannelOrder order) {
    if (order == ChannelOrder::Rgba)
        return {ASTCENC_SWZ_R, ASTCENC_SWZ_G, ASTCENC_SWZ_B, ASTCENC_SWZ_A};
    return {ASTCENC_SWZ_B, ASTCENC_SWZ_G, ASTCENC_SWZ_R, ASTCENC_SWZ_A};
}

}  // namespace

BlockResult prepare_block_encoder(const BlockOptions& options) {
    if (!is_astc_mode(options.mode)) return BlockResult::Ok;
    astcenc_context* context = nullptr;
    return encoder_context(options.mode, call_options(options).quality, context);
}

BlockResult encode_astc_rows(const BlockLevel& level, const BlockCallOptions& o, int32_t first_row,
                             int32_t row_count, uint8_t* out) {
    astcenc_context* context = nullptr;
    const BlockResult ready = encoder_context(o.mode, o.quality, context);
    if (ready != BlockResult::Ok) return ready;
    const int side = block_side_for(o.mode);
    const int64_t top = int64_t(first_row) * side;
    int64_t end = (int64_t(first_row) + row_count) * side;
    if (end > level.height) end = level.height;
    const int64_t row_bytes = int64_t(level.width) * 4;
    // The library takes packed rows: a level with wider rows is copied.
    std::vector<uint8_t> packed;
    const uint8_t* first = level.pixels + top * level.pitch;
    try {
        if (level.pitch != row_bytes && end - top > 1) {
            packed.resize(size_t(row_bytes * (end - top)));
            for (int64_t y = top; y < end; ++y)
                std::memcpy(packed.data() + (y - top) * row_bytes, level.pixels + y * level.pitch,
                            size_t(row_bytes));
            first = packed.data();
        }
    } catch (const std::bad_alloc&) {
        return BlockResult::NoMemory;
    }
    // The library only reads the texels it is given.
    void* slice = const_cast<uint8_t*>(first);
    astcenc_image image{unsigned(level.width), unsigned(end - top), 1, ASTCENC_TYPE_U8, &slice};
    const astcenc_swizzle swizzle = swizzle_for(level.order);
    const size_t bytes = size_t(16) * size_t((level.width + side - 1) / side) * size_t(row_count);
    astcenc_error error;
    try {
        error = astcenc_compress_image(context, &image, &swizzle, out, bytes, 0);
    } catch (const std::bad_alloc&) {
        error = ASTCENC_ERR_OUT_OF_MEM;
    }
    // Not needed for a one-thread context, but it leaves the context as new
    // for the next image whatever the library keeps.
    astcenc_compress_reset(context);
    return result_of(error);
}

BlockResult decode_astc_level(const uint8_t* data, int64_t size, int mode, int32_t width,
                              int32_t height, uint8_t* rgba) {
    if (!is_astc_mode(mode) || width < 1 || height < 1 || !data || !rgba ||
        size < block_data_size(width, height, mode))
        return BlockResult::Refused;
    astcenc_context* context = nullptr;
    // A decoding context reads every valid block, whoever encoded it; its
    // preset does not matter for decoding, the fastest one is made quickest.
    const BlockResult ready = thread_decoder.get(block_side_for(mode), ASTCENC_PRE_FASTEST,
                                                 ASTCENC_FLG_DECOMPRESS_ONLY, context);
    if (ready != BlockResult::Ok) return ready;
    void* slice = rgba;
    astcenc_image image{unsigned(width), unsigned(height), 1, ASTCENC_TYPE_U8, &slice};
    const astcenc_swizzle same = {ASTCENC_SWZ_R, ASTCENC_SWZ_G, ASTCENC_SWZ_B, ASTCENC_SWZ_A};
    astcenc_error error;
    try {
        error = astcenc_decompress_image(
            context, data, size_t(block_data_size(width, height, mode)), &image, &same, 0);
    } catch (const std::bad_alloc&) {
        error = ASTCENC_ERR_OUT_OF_MEM;
    }
    astcenc_decompress_reset(context);
    return result_of(error);
}
