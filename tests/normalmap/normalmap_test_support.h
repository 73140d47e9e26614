// Shared helpers of the normal-map tests: a message recorder, pictures of
// 4-byte pixels and a plain sampler that reads the picture directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "normalmap/normalmap.h"

// Records the library's messages for the lifetime of the object.
struct MessageLog {
    static std::vector<std::string>& texts() {
        static std::vector<std::string> t;
        return t;
    }
    static void receive(const char* text) { texts().push_back(text); }
    NormalMapReceiver before;
    MessageLog() : before(normalmap_set_receiver(&MessageLog::receive)) { texts().clear(); }
    ~MessageLog() { normalmap_set_receiver(before); }
};

// A picture of w x h pixels of 4 bytes (byte 0 first).
struct Picture {
    int32_t w, h;
    std::vector<uint8_t> bytes;
    Picture(int32_t w_, int32_t h_) : w(w_), h(h_), bytes(static_cast<size_t>(w_) * h_ * 4) {}
    uint8_t* px(int32_t x, int32_t y) { return &bytes[(static_cast<size_t>(y) * w + x) * 4]; }
    const uint8_t* px(int32_t x, int32_t y) const {
        return &bytes[(static_cast<size_t>(y) * w + x) * 4];
    }
    void fill(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
        for (size_t i = 0; i < bytes.size(); i += 4) {
            bytes[i] = b0;
            bytes[i + 1] = b1;
            bytes[i + 2] = b2;
            bytes[i + 3] = b3;
        }
    }
};

// Deterministic bytes, different in every position.
inline Picture noise_picture(int32_t w, int32_t h, uint32_t seed) {
    Picture p(w, h);
    uint32_t x = seed * 2654435761u + 7u;
    for (auto& b : p.bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    return p;
}

inline int32_t wrap_or_clamp(int32_t v, int32_t size, bool wrap) {
    if (wrap) return ((v % size) + size) % size;
    return v < 0 ? 0 : v >= size ? size - 1 : v;
}

// value_k straight from the picture's byte 3, element by element.
inline float plain_value(const ConvolutionKernel& k, const Picture& p, int32_t x, int32_t y,
                         bool wrap) {
    double sum = 0.0;
    for (int32_t i = 0; i < k.count; ++i) {
        const KernelElement& e = k.m_pElements[i];
        const uint8_t h =
            p.px(wrap_or_clamp(x + e.dx, p.w, wrap), wrap_or_clamp(y + e.dy, p.h, wrap))[3];
        sum += (h * 0.003921569) * static_cast<double>(e.weight);
    }
    return static_cast<float>(sum);
}

inline uint64_t fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}
