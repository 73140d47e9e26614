// Where a pinned output changed.
//
// A pin keeps the hash of a whole output. When it fails, the hash alone
// cannot say where the bytes went wrong, so every pin also has a record in
// tests/pins/<pin>.txt: the hash of each chunk (a block, a row) of each part
// (a level, one call) of the output. pin_difference compares the output with
// the record and names the first chunk that differs.
//
// After a deliberate change of the output, run the pinned test once with
// RAZIVAVU_RECORD_PINS=1 in the environment: the records are rewritten (and
// the expected hashes in the tests are updated by hand).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#ifndef RAZIVAVU_PIN_DIR
#error "the test target must define RAZIVAVU_PIN_DIR"
#endif

struct PinPart {
    std::string name;  // e.g. "level 3", "mode 256 quick 0"
    std::vector<uint8_t> bytes;
    size_t chunk;            // bytes per chunk, at least 1
    const char* chunk_name;  // e.g. "block", "row"
};

inline uint32_t pin_chunk_hash(const uint8_t* p, size_t n) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h;
}

inline std::string pin_record_path(const std::string& pin) {
    return std::string(RAZIVAVU_PIN_DIR) + "/" + pin + ".txt";
}

// Empty when the output matches its record (or the record was just
// written); otherwise the first differing part and chunk.
inline std::string pin_difference(const std::string& pin, const std::vector<PinPart>& parts) {
    const char* record = std::getenv("RAZIVAVU_RECORD_PINS");
    if (record && *record) {
        std::ofstream out(pin_record_path(pin));
        for (size_t p = 0; p < parts.size(); ++p) {
            const PinPart& part = parts[p];
            for (size_t c = 0; c * part.chunk < part.bytes.size(); ++c) {
                const size_t n = std::min(part.chunk, part.bytes.size() - c * part.chunk);
                char hex[9];
                std::snprintf(hex, sizeof hex, "%08x",
                              pin_chunk_hash(part.bytes.data() + c * part.chunk, n));
                out << p << ' ' << c << ' ' << hex << '\n';
            }
        }
        return out ? std::string() : "cannot write " + pin_record_path(pin);
    }
    std::ifstream in(pin_record_path(pin));
    if (!in) return "no record " + pin_record_path(pin) + " to say where";
    std::map<std::pair<size_t, size_t>, uint32_t> expected;
    size_t p = 0, c = 0;
    std::string hex;
    while (in >> p >> c >> hex) expected[{p, c}] = uint32_t(std::strtoul(hex.c_str(), nullptr, 16));
    for (p = 0; p < parts.size(); ++p) {
        const PinPart& part = parts[p];
        size_t chunks = 0;
        for (c = 0; c * part.chunk < part.bytes.size(); ++c, ++chunks) {
            const size_t at = c * part.chunk;
            const size_t n = std::min(part.chunk, part.bytes.size() - at);
            const auto e = expected.find({p, c});
            if (e == expected.end() || e->second != pin_chunk_hash(part.bytes.data() + at, n)) {
                std::ostringstream where;
                where << "first difference: " << part.name << ", " << part.chunk_name << ' ' << c
                      << " (bytes " << at << ".." << at + n - 1 << " of the part)";
                if (e == expected.end()) where << ", beyond the recorded output";
                return where.str();
            }
        }
        if (expected.count({p, chunks}))
            return "first difference: " + part.name + " is shorter than recorded (" +
                   std::to_string(part.bytes.size()) + " bytes)";
    }
    if (expected.count({parts.size(), 0})) return "fewer parts than recorded";
    return "every recorded chunk matches; the hash is computed differently from the record";
}
