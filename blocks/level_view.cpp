// How the block encoder reads its level view and options, and which calls it
// serves.
#include <cstdint>

#include "blocks/block_encoder.h"

int block_bytes_for(int mode) {
    if (mode == BLOCK_MODE_BC4) return 8;
    if (mode >= BLOCK_MODE_BC4) return 16;
    return (mode & 0xFF00) == 0 ? 8 : 16;
}

int block_side_for(int mode) {
    if (mode == BLOCK_MODE_ASTC_6X6) return 6;
    if (mode == BLOCK_MODE_ASTC_8X8) return 8;
    return 4;
}

bool is_astc_mode(int mode) {
    return mode == BLOCK_MODE_ASTC_4X4 || mode == BLOCK_MODE_ASTC_6X6 ||
           mode == BLOCK_MODE_ASTC_8X8;
}

int32_t block_data_size(int32_t width, int32_t height, int32_t mode) {
    const int side = block_side_for(mode);
    return block_bytes_for(mode) * ((width + side - 1) / side) * ((height + side - 1) / side);
}

ChannelOffsets channel_offsets(ChannelOrder order) {
    if (order == ChannelOrder::Rgba) return {0, 1, 2, 3};
    return {2, 1, 0, 3};
}

BlockCallOptions call_options(const BlockOptions& o) {
    return {o.mode,       o.weights,        o.quality == BlockQuality::Quick ? 1 : 0,
            o.force_four, o.normalmap_type, o.quality,
            o.decoder,    o.single_channel};
}

BlockResult check_encode_call(const BlockLevel& level, int mode, int32_t first_row,
                              int32_t row_count, const uint8_t* out, int64_t out_size) {
    if (mode != BLOCK_MODE_OPAQUE && mode != BLOCK_MODE_CUTOUT &&
        mode != BLOCK_MODE_EXPLICIT_ALPHA && mode != BLOCK_MODE_INTERP_ALPHA &&
        mode != BLOCK_MODE_BC4 && mode != BLOCK_MODE_BC5 && mode != BLOCK_MODE_BC7 &&
        !is_astc_mode(mode))
        return BlockResult::Refused;
    if (level.width < 0 || level.height < 0 || first_row < 0 || row_count < 0)
        return BlockResult::Refused;
    const int side = block_side_for(mode);
    const int64_t block_rows = (int64_t(level.height) + side - 1) / side;
    if (int64_t(first_row) + row_count > block_rows) return BlockResult::Refused;
    if (level.width == 0 || row_count == 0) return BlockResult::Ok;
    if (level.pixels == nullptr || out == nullptr) return BlockResult::Refused;
    if (level.pitch < int64_t(level.width) * 4 && level.height > 1) return BlockResult::Refused;
    // The encoder writes whole blocks; a short buffer would be overrun.
    const int64_t needed =
        block_bytes_for(mode) * ((int64_t(level.width) + side - 1) / side) * row_count;
    return out_size >= needed ? BlockResult::Ok : BlockResult::Refused;
}
