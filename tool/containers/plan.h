// containers internals: where every level of a chain comes from and goes to,
// and the writers of the two containers.
#pragma once

#include <cstdint>
#include <string>

#include "containers/containers.h"

// A side of 32767 halves to 1 in 15 steps: 16 levels at most.
constexpr int32_t MAX_CHAIN_LEVELS = 16;
constexpr int32_t MAX_CHAIN_SIDE = 32767;

struct LevelPlan {
    int32_t width = 0;
    int32_t height = 0;
    int64_t in_offset = 0;   // in MipChain::bytes
    int64_t in_size = 0;     // as the library emitted it
    int64_t out_offset = 0;  // in the file
    int64_t out_size = 0;    // as the container stores it
};

// What the writers need of a chain the checks accepted.
struct ChainPlan {
    Container container = Container::Ktx2;
    const ContainerFormat* row = nullptr;
    const Ktx2Layout* layout = nullptr;
    int32_t levels = 0;
    LevelPlan level[MAX_CHAIN_LEVELS];
    // Uncompressed pixels: bytes a pixel in and out, and whether the first
    // and third are exchanged on the way. 0 in for the block formats, whose
    // bytes go out as they are.
    int32_t in_pixel = 0;
    int32_t out_pixel = 0;
    bool exchange = false;
    int64_t head_bytes = 0;  // before the first level's data (KTX2: to the smallest level)
    int64_t file_size = 0;
};

// Empty and `plan` filled when the chain can be written; otherwise the
// reason.
std::string plan_chain(Container container, const MipChain& chain, ChainPlan& plan);

// Where the bytes go, and whether every write so far was taken.
struct Output {
    ContainerSink sink;
    void* user;
    bool put(const uint8_t* bytes, size_t count) { return count == 0 || sink(bytes, count, user); }
    bool zeros(int64_t count);
};

// A level's bytes into the container's pixel order (the block formats as
// they are).
bool put_level(Output& out, const ChainPlan& plan, const MipChain& chain, const LevelPlan& level);

// Little-endian words into a byte buffer.
inline void put_u32(uint8_t* at, uint32_t v) {
    for (int k = 0; k < 4; ++k) at[k] = static_cast<uint8_t>(v >> (8 * k));
}
inline void put_u64(uint8_t* at, uint64_t v) {
    for (int k = 0; k < 8; ++k) at[k] = static_cast<uint8_t>(v >> (8 * k));
}

// The two containers: their layout (head_bytes, out_offset, file_size) and
// their writing.
void plan_ktx2(ChainPlan& plan);
bool write_ktx2(Output& out, const ChainPlan& plan, const MipChain& chain);
void plan_dds(ChainPlan& plan);
bool write_dds(Output& out, const ChainPlan& plan, const MipChain& chain);
