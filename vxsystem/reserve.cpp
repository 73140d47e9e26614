// Named reservations: zero-filled, 32-byte aligned blocks in one table.
//
// The table lets a loader hand its pixel buffers around as plain pointers:
// whoever reserves into the same pointer again releases the old block, and
// the name recorded with each block tells what a stray block was for.
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "vxsystem/vxsystem.h"

namespace {

// One table per process by design: a block reserved on one thread may be
// reserved over on another. Every change and every count is made under this
// lock (the log has its own, and never reserves, so the two cannot wait on
// each other).
std::mutex g_table_lock;
ReserveSlot g_table[RESERVE_SLOTS];
int32_t g_count = 0;
// Kept in 64 bits: a few large pictures would overflow a 32-bit total.
int64_t g_total = 0;

constexpr uintptr_t kAlign = 32;

// Over-allocates, aligns, and keeps the address malloc gave just before the
// aligned block, so the block can be freed from the aligned address alone.
void* aligned_block(int32_t size) {
    const size_t bytes = static_cast<size_t>(size) + kAlign - 1 + sizeof(void*);
    char* raw = static_cast<char*>(std::malloc(bytes));
    if (!raw) return nullptr;
    uintptr_t at = reinterpret_cast<uintptr_t>(raw) + sizeof(void*);
    at = (at + kAlign - 1) & ~(kAlign - 1);
    void* block = reinterpret_cast<void*>(at);
    std::memcpy(static_cast<char*>(block) - sizeof(void*), &raw, sizeof(void*));
    return block;
}

void free_block(void* block) {
    void* raw = nullptr;
    std::memcpy(&raw, static_cast<char*>(block) - sizeof(void*), sizeof(void*));
    std::free(raw);
}

int32_t find_slot(const void* block) {
    for (int32_t i = 0; i < RESERVE_SLOTS; ++i) {
        if (g_table[i].block == block) return i;
    }
    return -1;
}

// Step one of `reserve`: give back what the caller's pointer held.
void release(void** slot) {
    const int32_t i = find_slot(*slot);
    if (i < 0) {
        append_log("vxsystem:  ERROR, unable to release memory\n");
        return;
    }
    ReserveSlot& s = g_table[i];
    std::memset(s.block, 0, static_cast<size_t>(s.size));
    g_total -= s.size;
    free_block(s.block);
    --g_count;
    s.block = nullptr;
    *slot = nullptr;
}

}  // namespace

int reserve(void** slot, int32_t size, const char* name) {
    const std::lock_guard<std::mutex> hold(g_table_lock);
    if (*slot) release(slot);

    const int32_t i = find_slot(nullptr);
    if (i < 0) {
        append_log("vxsystem:  ERROR, too many reserves\n");
        return 0;
    }
    const char* label = name ? name : "noname";
    void* block = size >= 0 ? aligned_block(size) : nullptr;
    if (!block) {
        // The caller must never keep a pointer that looks like a block.
        append_log("vxsystem:  ERROR, unable to reserve %d bytes for %.63s\n", size, label);
        *slot = nullptr;
        return 0;
    }
    ReserveSlot& s = g_table[i];
    s.block = block;
    g_total += size;
    std::memset(block, 0, static_cast<size_t>(size));
    ++g_count;
    std::memset(s.name, 0, sizeof(s.name));
    std::strncpy(s.name, label, RESERVE_NAME_SIZE - 1);
    s.size = size;
    *slot = block;
    return 1;
}

int release_reservation(void** slot) {
    if (!*slot) return 1;
    const std::lock_guard<std::mutex> hold(g_table_lock);
    release(slot);
    return *slot == nullptr ? 1 : 0;
}

const ReserveSlot& reserve_slot(int32_t index) { return g_table[index]; }

int32_t reserve_count() {
    const std::lock_guard<std::mutex> hold(g_table_lock);
    return g_count;
}

int64_t reserve_total() {
    const std::lock_guard<std::mutex> hold(g_table_lock);
    return g_total;
}
