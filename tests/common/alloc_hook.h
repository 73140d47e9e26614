// Making chosen allocations of a test program fail: every form of operator
// new and delete is replaced, and `fail_new_sizes` decides which sizes throw
// (or return null for the nothrow forms). Include this header in exactly one
// source file of a test program: it defines the replacements.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace testsupport {

// Requests of sizes in [from, to] fail while set; {0, 0} fails none.
inline std::atomic<size_t> g_fail_from{0};
inline std::atomic<size_t> g_fail_to{0};

// Sets the failing range for the life of the object.
struct FailNewSizes {
    FailNewSizes(size_t from, size_t to) {
        g_fail_from = from;
        g_fail_to = to;
    }
    ~FailNewSizes() {
        g_fail_from = 0;
        g_fail_to = 0;
    }
};

inline void* hooked_new(size_t size) noexcept {
    const size_t from = g_fail_from.load(std::memory_order_relaxed);
    if (from != 0 && size >= from && size <= g_fail_to.load(std::memory_order_relaxed))
        return nullptr;
    return std::malloc(size ? size : 1);
}

}  // namespace testsupport

void* operator new(size_t size) {
    void* p = testsupport::hooked_new(size);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size) {
    void* p = testsupport::hooked_new(size);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return testsupport::hooked_new(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return testsupport::hooked_new(size);
}
// The replacements above allocate with malloc, so free is the match.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop
