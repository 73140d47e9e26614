// KTX2: the identifier, the header and its index, one entry per level, the
// data format descriptor, the key/value data, then the levels, the smallest
// first, each at a multiple of its alignment. docs/KTX2.md has the facts
// and where each was checked.
#include <cstring>
#include <numeric>

#include "containers/plan.h"
#include "vxsystem/vxsystem.h"

namespace {

// The value of KTXwriter, ended by its NUL in the file.
std::string writer_value() { return std::string("razivavu ") + razivavu_version(); }

int64_t round_up(int64_t v, int64_t step) { return (v + step - 1) / step * step; }

int64_t dfd_bytes(const Ktx2Layout& l) {
    return 4 + KTX2_DFD_BLOCK_BYTES + KTX2_DFD_SAMPLE_BYTES * l.samples;
}

// One entry: its length word, the key and the value with their NULs, and
// the padding to a multiple of 4 (counted in the data's length).
int64_t kvd_bytes() {
    return round_up(4 + static_cast<int64_t>(std::strlen(KTX2_WRITER_KEY)) + 1 +
                        static_cast<int64_t>(writer_value().size()) + 1,
                    4);
}

// A level starts at a multiple of both its block's bytes and 4.
int64_t level_alignment(const Ktx2Layout& l) { return std::lcm(int64_t{l.block_bytes}, 4); }

// The basic descriptor block: its words, then one sample per channel (the
// pixel formats) or one over the whole block.
uint8_t* put_dfd(uint8_t* at, const Ktx2Layout& l) {
    const uint32_t block_size =
        static_cast<uint32_t>(KTX2_DFD_BLOCK_BYTES + KTX2_DFD_SAMPLE_BYTES * l.samples);
    put_u32(at, static_cast<uint32_t>(dfd_bytes(l)));  // dfdTotalSize
    put_u32(at + 4, 0);                                // vendor Khronos, basic block type
    put_u32(at + 8, KTX2_DFD_VERSION | block_size << 16);
    put_u32(at + 12, l.colour_model | uint32_t{KTX2_PRIMARIES_BT709} << 8 |
                         uint32_t{KTX2_TRANSFER_LINEAR} << 16 |
                         uint32_t{KTX2_ALPHA_STRAIGHT} << 24);
    // Each of the block's dimensions is stored less one.
    put_u32(at + 16, uint32_t{l.block_width - 1u} | uint32_t{l.block_height - 1u} << 8);
    put_u32(at + 20, l.block_bytes);  // bytesPlane0; the other seven are 0
    put_u32(at + 24, 0);
    at += 4 + KTX2_DFD_BLOCK_BYTES;
    const bool block = l.block_width > 1 || l.block_height > 1;
    for (uint32_t s = 0; s < l.samples; ++s, at += KTX2_DFD_SAMPLE_BYTES) {
        const uint32_t bits = block ? l.block_bytes * 8u : 8u;
        const uint32_t offset = block ? 0u : 8u * s;
        // The bit length is stored less one; the channel type carries no
        // qualifier bits (unsigned, normalised, not linear-only).
        put_u32(at, offset | (bits - 1) << 16 | uint32_t{l.channel_ids[s]} << 24);
        put_u32(at + 4, 0);  // sample position
        put_u32(at + 8, 0);  // lower
        put_u32(at + 12, block ? 0xFFFFFFFFu : 0xFFu);
    }
    return at;
}

uint8_t* put_kvd(uint8_t* at) {
    const std::string value = writer_value();
    const size_t key = std::strlen(KTX2_WRITER_KEY);
    const int64_t total = kvd_bytes();
    std::memset(at, 0, static_cast<size_t>(total));
    put_u32(at, static_cast<uint32_t>(key + 1 + value.size() + 1));
    std::memcpy(at + 4, KTX2_WRITER_KEY, key);
    std::memcpy(at + 4 + key + 1, value.data(), value.size());
    return at + total;
}

}  // namespace

void plan_ktx2(ChainPlan& plan) {
    const Ktx2Layout& l = *plan.layout;
    plan.head_bytes =
        KTX2_HEADER_BYTES + KTX2_LEVEL_ENTRY_BYTES * plan.levels + dfd_bytes(l) + kvd_bytes();
    const int64_t align = level_alignment(l);
    int64_t at = plan.head_bytes;
    for (int32_t k = plan.levels - 1; k >= 0; --k) {
        LevelPlan& level = plan.level[k];
        level.out_offset = round_up(at, align);
        at = level.out_offset + level.out_size;
    }
    plan.file_size = at;
}

bool write_ktx2(Output& out, const ChainPlan& plan, const MipChain& chain) {
    const Ktx2Layout& l = *plan.layout;
    uint8_t head[1024] = {};
    if (plan.head_bytes > static_cast<int64_t>(sizeof(head))) return false;
    std::memcpy(head, KTX2_IDENTIFIER, sizeof(KTX2_IDENTIFIER));
    const int64_t dfd_offset = KTX2_HEADER_BYTES + KTX2_LEVEL_ENTRY_BYTES * plan.levels;
    const int64_t kvd_offset = dfd_offset + dfd_bytes(l);
    const uint32_t words[] = {
        l.vk_format,
        l.type_size,
        static_cast<uint32_t>(chain.width),
        static_cast<uint32_t>(chain.height),
        0,  // pixelDepth: not a volume
        0,  // layerCount: not an array
        1,  // faceCount: not a cube
        static_cast<uint32_t>(plan.levels),
        KTX2_SUPERCOMPRESSION_NONE,
        static_cast<uint32_t>(dfd_offset),
        static_cast<uint32_t>(dfd_bytes(l)),
        static_cast<uint32_t>(kvd_offset),
        static_cast<uint32_t>(kvd_bytes()),
    };
    uint8_t* at = head + sizeof(KTX2_IDENTIFIER);
    for (uint32_t w : words) {
        put_u32(at, w);
        at += 4;
    }
    at += 16;  // no supercompression global data: offset and length 0
    for (int32_t k = 0; k < plan.levels; ++k, at += KTX2_LEVEL_ENTRY_BYTES) {
        const LevelPlan& level = plan.level[k];
        put_u64(at, static_cast<uint64_t>(level.out_offset));
        put_u64(at + 8, static_cast<uint64_t>(level.out_size));
        put_u64(at + 16, static_cast<uint64_t>(level.out_size));  // not supercompressed
    }
    at = put_kvd(put_dfd(at, l));
    if (!out.put(head, static_cast<size_t>(at - head))) return false;
    int64_t written = at - head;
    for (int32_t k = plan.levels - 1; k >= 0; --k) {
        const LevelPlan& level = plan.level[k];
        if (!out.zeros(level.out_offset - written) || !put_level(out, plan, chain, level))
            return false;
        written = level.out_offset + level.out_size;
    }
    return true;
}
