// The ASTC levels, decoded by the same library that encodes them (Arm's ASTC
// encoder, through the block library): R, G, B, A. A decoder of the table
// has no result to return, so a failure of the library leaves as an
// exception that decode_tex_slice turns into its reason.
#include <new>
#include <stdexcept>

#include "texfile/readers.h"

namespace {

template <int Mode>
void decode_astc(const TexSlice& slice, uint8_t* out) {
    const BlockResult r =
        decode_astc_level(slice.data, slice.size, Mode, slice.width, slice.height, out);
    if (r == BlockResult::NoMemory) throw std::bad_alloc();
    if (r != BlockResult::Ok) throw std::runtime_error(block_result_message(r));
}

}  // namespace

void decode_astc_4x4(const TexSlice& slice, uint8_t* out) {
    decode_astc<BLOCK_MODE_ASTC_4X4>(slice, out);
}
void decode_astc_6x6(const TexSlice& slice, uint8_t* out) {
    decode_astc<BLOCK_MODE_ASTC_6X6>(slice, out);
}
void decode_astc_8x8(const TexSlice& slice, uint8_t* out) {
    decode_astc<BLOCK_MODE_ASTC_8X8>(slice, out);
}
