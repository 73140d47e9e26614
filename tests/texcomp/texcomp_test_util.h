// Shared helpers of the texcomp tests: a sink that records every run, a
// level callback that records every level, and picture makers.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/common/test_random.h"
#include "texcomp/pipeline.h"
#include "texcomp/texcomp.h"

struct StreamRun {
    std::vector<uint8_t> bytes;
};

// Records the runs of one compression call (the sink's user record).
struct Capture {
    std::vector<StreamRun> runs;

    static int32_t sink(int32_t count, const uint8_t* buffer, void* user) {
        auto* c = static_cast<Capture*>(user);
        if (!c) return count;  // settings made without a capture
        c->runs.push_back(StreamRun{std::vector<uint8_t>(buffer, buffer + count)});
        return count;
    }
    // Level runs only: everything after the magic and the header.
    std::vector<size_t> level_sizes() const {
        std::vector<size_t> sizes;
        for (size_t i = 2; i < runs.size(); ++i) sizes.push_back(runs[i].bytes.size());
        return sizes;
    }
    uint32_t header_word(size_t offset) const {
        const std::vector<uint8_t>& h = runs.at(1).bytes;
        return static_cast<uint32_t>(h.at(offset)) | static_cast<uint32_t>(h.at(offset + 1)) << 8 |
               static_cast<uint32_t>(h.at(offset + 2)) << 16 |
               static_cast<uint32_t>(h.at(offset + 3)) << 24;
    }
};

struct LevelRecord {
    int32_t level, count, width, height;
    std::vector<uint8_t> bytes;
};

// Records the levels handed to a level_callback (the user record).
struct LevelCapture {
    std::vector<LevelRecord> levels;

    static int32_t callback(const uint8_t* buffer, int32_t level, int32_t count, int32_t width,
                            int32_t height, void* user) {
        auto* c = static_cast<LevelCapture*>(user);
        c->levels.push_back(
            LevelRecord{level, count, width, height, std::vector<uint8_t>(buffer, buffer + count)});
        return 0;
    }
};

inline TextureSettings settings_for(int32_t code, void* user) {
    TextureSettings s;
    texture_settings_init(s);
    s.g_texture_format = code;
    s.write_sink = &Capture::sink;
    s.user = user;
    return s;
}

// A picture with a different value in every byte position (deterministic).
inline std::vector<uint8_t> pattern_picture(int32_t w, int32_t h, int32_t planes,
                                            uint32_t seed = 1) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * planes);
    TestLcg r(seed * 2654435761u + 12345u);
    for (auto& b : p) b = static_cast<uint8_t>(r.next() >> 16);
    return p;
}

// A smooth picture: gradients, so that different reductions differ a little.
inline std::vector<uint8_t> gradient_picture(int32_t w, int32_t h, int32_t planes) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * planes);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int32_t c = 0; c < planes; ++c)
                p[(static_cast<size_t>(y) * w + x) * planes + c] = static_cast<uint8_t>(
                    (x * (c + 1) * 7 + y * (3 - c % 3) * 5 + (x * y) % 31) & 0xFF);
    return p;
}

// A photo-like picture (deterministic): smooth shading, a hard-edged disc,
// a ridge of stripes and noise in every channel, so blocks and colours
// rarely repeat; a fourth plane is a soft alpha ramp with the same noise.
inline std::vector<uint8_t> photo_picture(int32_t w, int32_t h, int32_t planes, uint32_t seed = 7) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * planes);
    TestRandom r{seed};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            int32_t c[4] = {60 + 120 * y / h + 40 * x / w, 110 + 80 * y / h, 220 - 90 * y / h,
                            255 * x / w};
            if ((x - w / 3) * (x - w / 3) + (y - h / 4) * (y - h / 4) < w * h / 40)
                c[0] = 240, c[1] = 210 - x % 7, c[2] = 140;
            if (y > h / 2 + (x % 37) - 18) c[1] = 70 + (x * 3 + y) % 60, c[2] = 40 + (x ^ y) % 50;
            for (int32_t k = 0; k < planes; ++k) {
                const int32_t v = c[k] + r.below(15) - 7;
                p[(static_cast<size_t>(y) * w + x) * planes + k] =
                    static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
        }
    return p;
}

inline std::vector<uint8_t> constant_picture(int32_t w, int32_t h, const std::vector<uint8_t>& px) {
    std::vector<uint8_t> p;
    p.reserve(static_cast<size_t>(w) * h * px.size());
    for (int64_t i = 0; i < static_cast<int64_t>(w) * h; ++i)
        p.insert(p.end(), px.begin(), px.end());
    return p;
}

// A LevelImage over a vector of pixel words (bytes B, G, R, A).
struct TestLevel {
    std::vector<uint8_t> bytes;
    LevelImage level{};
    TestLevel(int32_t w, int32_t h, const std::vector<uint32_t>& words) : bytes(words.size() * 4) {
        for (size_t i = 0; i < words.size(); ++i)
            for (int k = 0; k < 4; ++k)
                bytes[4 * i + k] = static_cast<uint8_t>(words[i] >> (8 * k));
        level = LevelImage{w, h, static_cast<int64_t>(words.size()), bytes.data()};
    }
    uint32_t word(size_t i) const {
        return static_cast<uint32_t>(bytes[4 * i]) | static_cast<uint32_t>(bytes[4 * i + 1]) << 8 |
               static_cast<uint32_t>(bytes[4 * i + 2]) << 16 |
               static_cast<uint32_t>(bytes[4 * i + 3]) << 24;
    }
};

inline uint64_t fnv1a(const std::vector<uint8_t>& bytes, uint64_t h = 1469598103934665603ull) {
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

// compress_texture into a fresh capture (the result in *result when given).
// The settings' own sink is replaced by the capture's.
inline Capture compress_captured(const std::vector<uint8_t>& pic, int32_t w, int32_t h,
                                 int32_t planes, TextureSettings s, int32_t* result = nullptr) {
    Capture cap;
    s.user = &cap;
    s.write_sink = &Capture::sink;
    const int32_t r = compress_texture(pic.data(), w, h, w * planes, s, planes, nullptr, nullptr);
    if (result) *result = r;
    return cap;
}

// The hash of every byte of a captured stream, in order.
inline uint64_t stream_hash(const Capture& cap) {
    uint64_t h = 1469598103934665603ull;
    for (const StreamRun& r : cap.runs) h = fnv1a(r.bytes, h);
    return h;
}
