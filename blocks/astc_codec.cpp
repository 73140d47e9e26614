// ASTC blocks through Arm's ASTC encoder library (libastcenc): the preset
// of each quality, the contexts each thread keeps, the level walk and the
// decoder. Why the bytes are the same on every run and thread count is told
// in blocks.h (ASTC).
#include <astcenc.h>

#include <cstring>
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
